// Helpers of the UDP receiver tests: the loopback UDP helpers, a sink that
// records what it is given, and waiting with a generous bound.
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
#include "support/LoopbackUdp.h"
#include "support/WaitUntil.h"

namespace udp_test {

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

using trv_test::wait_until;

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
