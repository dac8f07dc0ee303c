#include "support/TestPeer.h"

#include <arpa/inet.h>
#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace testpeer {

uint64_t get_u64(const unsigned char* p, size_t off) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[off + i];
    return v;
}

void put_u64(unsigned char* p, size_t off, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[off + i] = static_cast<unsigned char>(v >> (8 * i));
}

static unsigned char body_byte(uint64_t seed, size_t i) {
    return static_cast<unsigned char>((seed * 131 + i * 7 + (i >> 8)) & 0xff);
}

Bytes make_frame(uint32_t code, uint32_t length, uint64_t seed, uint64_t session_id) {
    Bytes f(length < kHeaderSize ? kHeaderSize : length, 0);
    put_u64(f.data(), 8, (uint64_t(code) & 0x3fff) | (uint64_t(length & 0xfffff) << 14));
    put_u64(f.data(), 16, session_id);
    for (size_t i = kHeaderSize; i < f.size(); ++i) f[i] = body_byte(seed, i);
    return f;
}

Bytes make_raw_header(uint64_t word8) {
    Bytes f(kHeaderSize, 0);
    put_u64(f.data(), 8, word8);
    return f;
}

uint32_t code_of(const unsigned char* frame) { return get_u64(frame, 8) & 0x3fff; }
uint32_t length_of(const unsigned char* frame) { return (get_u64(frame, 8) >> 14) & 0xfffff; }
uint64_t session_of(const unsigned char* frame) { return get_u64(frame, 16); }

bool body_matches(const unsigned char* frame, uint32_t length, uint64_t seed) {
    for (size_t i = kHeaderSize; i < length; ++i)
        if (frame[i] != body_byte(seed, i)) return false;
    return true;
}

bool send_all(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

static int remaining_ms(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool read_exact(int fd, void* data, size_t size, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    auto* p = static_cast<unsigned char*>(data);
    while (size > 0) {
        pollfd pfd{fd, POLLIN, 0};
        const int r = poll(&pfd, 1, remaining_ms(deadline));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        const ssize_t n = recv(fd, p, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool read_frame(int fd, Bytes* frame, int timeout_ms) {
    frame->assign(kHeaderSize, 0);
    if (!read_exact(fd, frame->data(), kHeaderSize, timeout_ms)) return false;
    const uint32_t length = length_of(frame->data());
    if (length < kHeaderSize) return false;
    frame->resize(length);
    return length == kHeaderSize || read_exact(fd, frame->data() + kHeaderSize, length - kHeaderSize, timeout_ms);
}

bool wait_eof(int fd, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    unsigned char buf[4096];
    for (;;) {
        pollfd pfd{fd, POLLIN, 0};
        const int r = poll(&pfd, 1, remaining_ms(deadline));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
    }
}

bool Listener::open() {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 64) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close_fd();
        return false;
    }
    return true;
}

int Listener::accept_one(int timeout_ms) {
    pollfd pfd{fd, POLLIN, 0};
    if (poll(&pfd, 1, timeout_ms) <= 0) return -1;
    return accept(fd, nullptr, nullptr);
}

void Listener::close_fd() {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

sockaddr_in refused_address() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    socklen_t len = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return a;
}

}  // namespace testpeer
