// A gateway that drops connection attempts, as a firewalled or dead host
// does: a loopback listener whose accept queue is full. Linux drops a SYN
// that finds the accept queue of its listener full; open() checks that this
// kernel does so.
#pragma once
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace trv_test {

class BlackHole {
public:
    BlackHole() = default;
    ~BlackHole() { close_all(); }
    BlackHole(const BlackHole&) = delete;
    BlackHole& operator=(const BlackHole&) = delete;

    // False when no such listener can be made here, or when this kernel
    // still answers a connection attempt to it (the test is then skipped).
    bool open() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener_ < 0) return false;
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        // Backlog 0: one connection fills the queue; nothing ever accepts it.
        if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener_, 0) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return false;
        if (attempt(1000) != 1) return false;  // the one that fills the queue completes
        return attempt(300) == 0;              // the next one must not
    }

    sockaddr_in addr{};

private:
    // A non-blocking attempt kept open: 1 connected within timeout_ms, 0 not
    // (still pending), -1 failed.
    int attempt(int timeout_ms) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return -1;
        fds_.push_back(fd);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) return 1;
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, timeout_ms) <= 0) return 0;
        int error = 0;
        socklen_t len = sizeof error;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
        return error == 0 ? 1 : -1;
    }
    void close_all() {
        for (int fd : fds_) ::close(fd);
        fds_.clear();
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
    }

    int listener_ = -1;
    std::vector<int> fds_;
};

constexpr const char* kNoBlackHole = "this kernel answers connection attempts to a listener whose accept queue is full";

}  // namespace trv_test
