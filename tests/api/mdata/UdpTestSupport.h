// Helpers of the UDP receiver tests: addresses, a loopback sender, a sink
// that records what it is given, and waiting with a generous bound.
#pragma once
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "api/mdata/IUdpDataSink.h"

namespace udp_test {

inline sockaddr_in make_addr(const char* ip, uint16_t port) {
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

// A UDP port that is free on 127.0.0.1 right now.
inline uint16_t free_port() {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = make_addr("127.0.0.1", 0);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

// A multicast group of this process alone, so that test processes running
// side by side never hear each other: 239.254.<pid high>.<pid low> + k.
inline std::string own_group(unsigned k) {
    unsigned v = (static_cast<unsigned>(getpid()) * 8u + k) & 0xffffu;
    return "239.254." + std::to_string(v >> 8) + "." + std::to_string(v & 0xff);
}

// Sends on loopback only: multicast leaves through 127.0.0.1 with TTL 0.
class LoopbackSender {
public:
    LoopbackSender() {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        in_addr lo;
        inet_pton(AF_INET, "127.0.0.1", &lo);
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &lo, sizeof lo);
        unsigned char ttl = 0;
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
        unsigned char loop = 1;
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
    }
    ~LoopbackSender() { close(fd_); }
    bool send(const sockaddr_in& to, const void* data, size_t len) const {
        return sendto(fd_, data, len, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) == static_cast<ssize_t>(len);
    }
    bool send(const sockaddr_in& to, const std::string& s) const { return send(to, s.data(), s.size()); }
    int fd() const { return fd_; }

private:
    int fd_;
};

struct Received {
    uint16_t msg_type;
    std::string data;
};

class RecordingSink : public nq::api::IUdpDataSink {
public:
    void on_data(uint16_t msg_type, const void* data, size_t len) override {
        std::lock_guard<std::mutex> lock(mutex_);
        got_.push_back(Received{msg_type, std::string(static_cast<const char*>(data), len)});
    }
    std::vector<Received> got() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return got_;
    }
    size_t count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return got_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Received> got_;
};

inline bool wait_until(const std::function<bool()>& done, double seconds = 20.0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Threads of this process whose system name is `name`.
inline int threads_named(const std::string& name) {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.') continue;
            std::ifstream f(std::string("/proc/self/task/") + e->d_name + "/comm");
            std::string comm;
            std::getline(f, comm);
            if (comm == name) ++n;
        }
        closedir(d);
    }
    return n;
}

}  // namespace udp_test
