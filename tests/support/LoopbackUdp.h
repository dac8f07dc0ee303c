// UDP on loopback for tests and benchmarks: addresses, a free port, a
// multicast group of this process alone and a sender that never leaves the
// machine.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

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
        return sendto(fd_, data, len, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
               static_cast<ssize_t>(len);
    }
    bool send(const sockaddr_in& to, const std::string& s) const { return send(to, s.data(), s.size()); }
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace udp_test
