#include "framework/TcpSession.h"

#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "framework/AllocMem.h"
#include "framework/ApiLocalTime.h"
#include "framework/Message.h"
#include "framework/TcpMessageIO.h"
#include "log/Log.h"

namespace nq { namespace api {

TcpSession::TcpSession(TcpMessageIO* io)
    : socket_(-1), type_(0), alive_(0), closed_by_user_(0), session_id_(0), ref_count_(0), last_recv_time_(0),
      attach_time_(0), close_time_(0), heartbeat_timeout_(kHeartbeatTimeoutMs), read_count_(0), write_count_(0),
      ring_size_(kRingSize), ring_(nullptr), io_(io), retired_(0), broken_(0), close_on_release_(0) {}

TcpSession::~TcpSession() {
    if (ring_ != nullptr) std::free(ring_ - kGuardSize);
}

bool TcpSession::initialize() {
    if (ring_ != nullptr) return true;
    auto* block = static_cast<unsigned char*>(alloc_mem(kGuardSize + ring_size_, 16));
    if (block == nullptr) return false;
    ring_ = block + kGuardSize;
    return true;
}

void TcpSession::attach(int socket) {
    socket_ = socket;
    closed_by_user_ = 0;
    read_count_ = 0;
    write_count_ = 0;
    close_time_ = 0;
    broken_ = 0;
    retired_.store(0, std::memory_order_relaxed);
    close_on_release_.store(0, std::memory_order_relaxed);
    const uint64_t now = ApiLocalTime::mono_ms();
    last_recv_time_.store(now, std::memory_order_relaxed);
    attach_time_ = now;
    // Last: a thread that sees the session alive also sees the fields above.
    alive_.store(1, std::memory_order_seq_cst);
}

void TcpSession::assign(unsigned long id, unsigned char type, int socket) {
    session_id_.store(id, std::memory_order_release);
    type_ = type;
    attach(socket);
}

void TcpSession::abandon() {
    free_session();
    alive_.store(0, std::memory_order_seq_cst);
    retired_.store(1, std::memory_order_relaxed);
    socket_ = -1;
}

void TcpSession::close_by_user() {
    closed_by_user_ = 1;
    mark_dead();
}

bool TcpSession::acquire() {
    ref_count_.fetch_add(1, std::memory_order_seq_cst);
    if (alive_.load(std::memory_order_seq_cst) == 0) {
        // Through release: this short-lived reference may be the one that
        // kept a stop from closing the socket.
        release();
        return false;
    }
    return true;
}

void TcpSession::release() {
    // Either this thread sees the mark, or the marking thread sees the count
    // at zero and closes the socket itself (both orders are seq_cst).
    if (ref_count_.fetch_sub(1, std::memory_order_seq_cst) == 1 &&
        close_on_release_.load(std::memory_order_seq_cst) != 0 && io_ != nullptr)
        io_->close_released(this);
}

void TcpSession::close_socket_when_released() {
    if (alive_.load(std::memory_order_seq_cst) != 0) return;
    mark_dead();
    close_on_release_.store(1, std::memory_order_seq_cst);
    disconnect();
}

void TcpSession::mark_dead() {
    alive_.store(0, std::memory_order_seq_cst);
    if (retired_.exchange(1, std::memory_order_acq_rel) != 0 || socket_ < 0) return;
    // Level-triggered epoll would report a closed peer at every round until
    // the sweep closes the socket; shutdown wakes a sender blocked on a peer
    // that stopped reading.
    if (io_ != nullptr && io_->epoll_fd_ >= 0) epoll_ctl(io_->epoll_fd_, EPOLL_CTL_DEL, socket_, nullptr);
    shutdown(socket_, SHUT_RDWR);
}

void TcpSession::disconnect() {
    if (socket_ < 0) return;
    if (ref_count_.load(std::memory_order_seq_cst) != 0) return;
    close(socket_);
    socket_ = -1;
    close_time_ = ApiLocalTime::mono_ms();
}

bool TcpSession::is_disconnect() const {
    return socket_ < 0 && close_time_ != 0 && close_time_ + 1000 < ApiLocalTime::mono_ms();
}

void TcpSession::free_session() { session_id_.store(0, std::memory_order_release); }

int TcpSession::check_heartbeat() const {
    const uint64_t now = ApiLocalTime::mono_ms();
    if (last_recv_time_.load(std::memory_order_relaxed) + heartbeat_timeout_ < now) return -1;
    if (attach_time_ + 1000 < now) return 1;
    return 0;
}

unsigned char* TcpSession::receive_room(uint64_t* room) {
    const uint64_t used = write_count_ - read_count_;
    const uint64_t free_space = ring_size_ - used;
    const uint64_t pos = write_count_ % ring_size_;
    // Never past the ring's end, and never over bytes not yet framed.
    uint64_t want = ring_size_ - pos;
    if (want > free_space) want = free_space;
    *room = want;
    return ring_ + pos;
}

void TcpSession::received(uint64_t count) { write_count_ += count; }

long TcpSession::receive_data() {
    uint64_t room;
    unsigned char* at = receive_room(&room);
    if (room == 0) return 0;
    const long got = tcp_recv(at, room);
    if (got > 0) received(static_cast<uint64_t>(got));
    return got;
}

long TcpSession::tcp_recv(unsigned char* buffer, unsigned long size) {
    unsigned long done = 0;
    while (done < size) {
        const ssize_t n = recv(socket_, buffer + done, size - done, MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<unsigned long>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // End of stream or a receive error.
        alive_.store(0, std::memory_order_seq_cst);
        return static_cast<long>(done);
    }
    last_recv_time_.store(ApiLocalTime::mono_ms(), std::memory_order_relaxed);
    return static_cast<long>(done);
}

unsigned char* TcpSession::get_message() {
    if (broken_) return nullptr;
    const uint64_t available = write_count_ - read_count_;
    if (available < kFrameHeaderSize) return nullptr;
    const uint64_t offset = read_count_ % ring_size_;
    const uint64_t before_end = ring_size_ - offset;
    unsigned char* header = ring_ + offset;
    if (before_end < kFrameHeaderSize) {
        // The header crosses the ring's end: move its first part in front of
        // the ring start, where it continues into the rest.
        header = ring_ - before_end;
        std::memcpy(header, ring_ + offset, before_end);
    }
    const uint64_t length = frame_length(header);
    if (length < kFrameHeaderSize || length > kMaxFrameLength || length > ring_size_) {
        LOG_ERROR("receive bad frame length, session dropped: { session_id = %lu, length = %lu }",
                  (unsigned long)session_id(), (unsigned long)length);
        broken_ = 1;
        mark_dead();
        return nullptr;
    }
    if (available < length) return nullptr;
    read_count_ += length;
    if (before_end >= kFrameHeaderSize && before_end < length) {
        header = ring_ - before_end;
        std::memcpy(header, ring_ + offset, before_end);
    }
    return header;
}

long TcpSession::send_data(const void* buffer, unsigned long size) { return tcp_send(buffer, size); }

long TcpSession::tcp_send(const void* buffer, unsigned long size) {
    const auto* p = static_cast<const unsigned char*>(buffer);
    unsigned long done = 0;
    // The sender serves every session: a peer that stops reading must not hold
    // it for longer than a silent peer would live.
    uint64_t progress_time = ApiLocalTime::mono_ms();
    while (done < size) {
        const ssize_t n = send(socket_, p + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<unsigned long>(n);
            progress_time = ApiLocalTime::mono_ms();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!is_alive()) break;
            if (ApiLocalTime::mono_ms() > progress_time + heartbeat_timeout_) {
                LOG_WARN("session send stalled: { session_id = %lu }", (unsigned long)session_id());
                alive_.store(0, std::memory_order_seq_cst);
                break;
            }
            pollfd pfd{socket_, POLLOUT, 0};
            poll(&pfd, 1, kSendWaitMs);
            continue;
        }
        alive_.store(0, std::memory_order_seq_cst);
        break;
    }
    return static_cast<long>(done);
}

namespace {

int64_t monotonic_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The outcome of a connection attempt that is under way: 0 once connected,
// else its error (ETIMEDOUT when it has not completed within timeout_ms).
int finish_connect(int fd, long timeout_ms) {
    const int64_t deadline = monotonic_ms() + timeout_ms;
    for (;;) {
        const int64_t left = deadline - monotonic_ms();
        if (left <= 0) return ETIMEDOUT;
        pollfd pfd{fd, POLLOUT, 0};
        const int n = poll(&pfd, 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) continue;  // the deadline is checked at the top
        int error = 0;
        socklen_t len = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) return errno;
        return error;
    }
}

}  // namespace

int TcpSession::tcp_connect(const sockaddr* remote, const sockaddr* local, long timeout_ms) {
    if (timeout_ms <= 0) timeout_ms = kConnectTimeoutMs;
    // Close-on-exec: a child the program forks and execs must not inherit
    // its counter connection. Non-blocking while it connects, so that a
    // gateway that drops the attempt costs timeout_ms, not the kernel's
    // minutes of SYN retries.
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd < 0) {
        LOG_ERROR("create socket fail(%s).", strerror(errno));
        return -1;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    if (local != nullptr && bind(fd, local, sizeof(sockaddr_in)) != 0) {
        LOG_ERROR("socket bind fail(%s).", strerror(errno));
        close(fd);
        return -1;
    }
    int error = connect(fd, remote, sizeof(sockaddr_in)) == 0 ? 0 : errno;
    if (error == EINPROGRESS) error = finish_connect(fd, timeout_ms);
    if (error != 0) {
        LOG_ERROR("socket connect fail(%s).", strerror(error));
        close(fd);
        return -1;
    }
    // Blocking again once connected, as the transport has always had it.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

}}  // namespace nq::api
