#include "api/mdata/KApiSocketUdpReceiver.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "log/Log.h"

namespace nq { namespace api {

KApiSocketUdpReceiver::KApiSocketUdpReceiver(const char* name, IUdpDataSink* sink)
    : KApiUdpReceiver(name, sink), runtime_(nullptr) {}

KApiSocketUdpReceiver::~KApiSocketUdpReceiver() { finalize(); }

namespace {

using socket_runtime_t = KApiSocketUdpReceiver::socket_runtime_t;

uint64_t monotonic_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

// The epoll set, with the eventfd that wakes the thread for a stop in it.
bool open_wake_set(socket_runtime_t* rt) {
    rt->epoll_fd = epoll_create1(EPOLL_CLOEXEC);
    if (rt->epoll_fd < 0) {
        LOG_ERROR("udp receiver epoll_create1 failed: { os_err_code = %d }", errno);
        return false;
    }
    rt->wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (rt->wake_fd < 0) {
        LOG_ERROR("udp receiver eventfd failed: { os_err_code = %d }", errno);
        return false;
    }
    epoll_event ev;
    std::memset(&ev, 0, sizeof ev);
    ev.events = EPOLLIN;
    ev.data.u32 = KApiSocketUdpReceiver::kWakeEventData;
    if (epoll_ctl(rt->epoll_fd, EPOLL_CTL_ADD, rt->wake_fd, &ev) != 0) {
        LOG_ERROR("udp receiver epoll_ctl add wake_fd failed: { os_err_code = %d }", errno);
        return false;
    }
    return true;
}

// A socket bound to the stream's port (on the group's address for a
// multicast stream, which it then joins, on the local one otherwise); -1
// when a step failed.
int open_stream_socket(const udp_mcast_stream_t& stream, const sockaddr_in& local_addr, const char* local) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        LOG_ERROR("udp receiver socket() failed: { os_err_code = %d }", errno);
        return -1;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const bool multicast = is_multicast_group(stream.group);
    sockaddr_in bind_addr;
    if (multicast) {
        bind_addr = stream.group;
    } else {
        bind_addr = local_addr;
        bind_addr.sin_port = stream.group.sin_port;
    }
    bind_addr.sin_family = AF_INET;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&bind_addr), sizeof bind_addr) != 0) {
        LOG_ERROR("udp receiver bind failed: { os_err_code = %d }", errno);
        close(fd);
        return -1;
    }
    if (multicast) {
        ip_mreq mreq;
        mreq.imr_multiaddr = stream.group.sin_addr;
        mreq.imr_interface = local_addr.sin_addr;
        if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof mreq) != 0) {
            LOG_ERROR("udp receiver join multicast failed: { os_err_code = %d }", errno);
            close(fd);
            return -1;
        }
    }
    char group[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &stream.group.sin_addr, group, sizeof group);
    LOG_INFO("udp receiver socket joined multicast group: { mcast = %s:%u, local = %s, msg_type = %u, fd = %d }", group,
             static_cast<unsigned>(ntohs(stream.group.sin_port)), local, static_cast<unsigned>(stream.msg_type), fd);
    return fd;
}

// Non-blocking, with the configured buffer size, and counting drops.
void tune_stream_socket(int fd, const udp_receiver_config_t& config) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (config.rcvbuf > 0 && setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &config.rcvbuf, sizeof config.rcvbuf) != 0)
        LOG_WARN("udp receiver setsockopt(SO_RCVBUF) failed: { os_err_code = %d, rcvbuf = %d }", errno, config.rcvbuf);
    // Each datagram then says how many the kernel has dropped so far for
    // want of room in the socket's buffer.
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_RXQ_OVFL, &one, sizeof one);
}

// Opens one stream's socket and buffer and adds them to the epoll set as
// the next item.
bool add_stream(socket_runtime_t* rt, const udp_mcast_stream_t& stream, const udp_receiver_config_t& config,
                const char* local) {
    const uint32_t index = static_cast<uint32_t>(rt->items.size());
    int fd = open_stream_socket(stream, rt->local_addr, local);
    if (fd < 0) return false;
    tune_stream_socket(fd, config);
    void* buffer = nullptr;
    const uint64_t size = (config.buffer_size + 63) & ~uint64_t(63);
    if (size == 0 || posix_memalign(&buffer, 64, size) != 0) {
        LOG_ERROR("udp receiver posix_memalign failed.");
        close(fd);
        return false;
    }
    socket_runtime_t::item_t item;
    std::memset(&item, 0, sizeof item);
    item.fd = fd;
    item.msg_type = stream.msg_type;
    item.group = stream.group;
    item.buffer = static_cast<unsigned char*>(buffer);
    item.buffer_size = config.buffer_size;
    epoll_event ev;
    std::memset(&ev, 0, sizeof ev);
    ev.events = EPOLLIN | EPOLLET;
    ev.data.u32 = index;
    if (epoll_ctl(rt->epoll_fd, EPOLL_CTL_ADD, fd, &ev) != 0) {
        LOG_ERROR("udp receiver epoll_ctl add fd failed: { os_err_code = %d }", errno);
        std::free(buffer);
        close(fd);
        return false;
    }
    rt->items.push_back(item);
    return true;
}

}  // namespace

bool KApiSocketUdpReceiver::do_initialize(const udp_receiver_config_t& config) {
    auto* rt = new socket_runtime_t();
    rt->local_addr = config.local_addr;
    runtime_ = rt;
    // What a step opened stays in the runtime on failure: do_cleanup closes it.
    if (!open_wake_set(rt)) return false;

    char local[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &rt->local_addr.sin_addr, local, sizeof local);
    rt->items.reserve(config.streams.size());
    rt->ready.reserve(config.streams.size());
    for (const udp_mcast_stream_t& stream : config.streams)
        if (!add_stream(rt, stream, config, local)) return false;
    return true;
}

void KApiSocketUdpReceiver::do_work() {
    socket_runtime_t* rt = runtime_;
    if (rt == nullptr) return;
    epoll_event events[kMaxEvents];
    std::vector<uint32_t>& ready = rt->ready;
    while (continue_work()) {
        // Streams with datagrams left only look for new events, then go on.
        const int wait_ms = ready.empty() ? kIdleWaitMs : 0;
        int n = epoll_wait(rt->epoll_fd, events, kMaxEvents, wait_ms);
        if (n < 0) {
            if (errno == EINTR) continue;
            LOG_ERROR("udp receiver epoll_wait failed: { os_err_code = %d }", errno);
            break;
        }
        for (int i = 0; i < n; ++i) {
            if ((events[i].events & EPOLLIN) == 0) continue;
            const uint32_t data = events[i].data.u32;
            if (data == kWakeEventData) {
                uint64_t value;
                while (read(rt->wake_fd, &value, sizeof value) > 0) {
                }
            } else if (data < rt->items.size() && !rt->items[data].ready) {
                rt->items[data].ready = true;
                ready.push_back(data);
            }
        }
        // One turn: every ready stream in order, a bounded batch each. A
        // stream whose batch ran out keeps its place for the next turn (its
        // socket is edge-triggered: no new event comes for what it holds).
        size_t kept = 0;
        for (size_t i = 0; i < ready.size() && continue_work(); ++i) {
            socket_runtime_t::item_t& item = rt->items[ready[i]];
            if (serve(item))
                ready[kept++] = ready[i];
            else
                item.ready = false;
        }
        if (!continue_work()) break;
        ready.resize(kept);
        if (rt->loss_pending != 0) report_losses(rt, false);
    }
    // Nothing counted goes unsaid when the receiver ends.
    if (rt->loss_pending != 0) report_losses(rt, true);
}

bool KApiSocketUdpReceiver::serve(socket_runtime_t::item_t& item) {
    // The kernel's drop count comes with a datagram (SO_RXQ_OVFL) once it is
    // not zero.
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(uint32_t))];
    iovec iov{item.buffer, item.buffer_size};
    msghdr msg;
    for (int read_count = 0; read_count < kBatch;) {
        std::memset(&msg, 0, sizeof msg);
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        ssize_t len = recvmsg(item.fd, &msg, 0);
        if (len < 0) {
            if (errno == EINTR) continue;
            // "recvfrom" is the system's own text, kept although the call is
            // now recvmsg (for the drop count and the truncation flag).
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                LOG_WARN("udp receiver recvfrom failed: { os_err_code = %d }", errno);
            return false;
        }
        ++read_count;
        uint32_t drops = item.kernel_drops;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c))
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL && c->cmsg_len >= CMSG_LEN(sizeof drops))
                std::memcpy(&drops, CMSG_DATA(c), sizeof drops);
        const bool cut = (msg.msg_flags & MSG_TRUNC) != 0;
        if (drops != item.kernel_drops || cut) count_loss(item, drops, cut);
        // An empty datagram carries nothing; those queued behind it still
        // must be read.
        if (len > 0) sink_->on_data(item.msg_type, item.buffer, static_cast<size_t>(len));
    }
    return true;
}

void KApiSocketUdpReceiver::count_loss(socket_runtime_t::item_t& item, uint32_t kernel_drops, bool truncated) {
    // The kernel's count only grows (and wraps at 32 bits).
    item.dropped += static_cast<uint32_t>(kernel_drops - item.kernel_drops);
    item.kernel_drops = kernel_drops;
    if (truncated) ++item.truncated;
    if (!item.loss_pending) {
        item.loss_pending = true;
        ++runtime_->loss_pending;
    }
}

void KApiSocketUdpReceiver::report_losses(socket_runtime_t* rt, bool all_due) {
    const uint64_t now = monotonic_ms();
    for (socket_runtime_t::item_t& item : rt->items) {
        if (!item.loss_pending) continue;
        if (!all_due && item.last_report_ms != 0 && now - item.last_report_ms < kLossReportMs) continue;
        char group[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &item.group.sin_addr, group, sizeof group);
        LOG_WARN(
            "udp receiver lost datagrams: { mcast = %s:%u, msg_type = %u, dropped = %lu, truncated = %lu, "
            "buffer_size = %lu }",
            group, static_cast<unsigned>(ntohs(item.group.sin_port)), static_cast<unsigned>(item.msg_type),
            static_cast<unsigned long>(item.dropped), static_cast<unsigned long>(item.truncated),
            static_cast<unsigned long>(item.buffer_size));
        item.dropped = 0;
        item.truncated = 0;
        item.loss_pending = false;
        item.last_report_ms = now;
        --rt->loss_pending;
    }
}

void KApiSocketUdpReceiver::do_cleanup() {
    socket_runtime_t* rt = runtime_;
    if (rt == nullptr) return;
    for (socket_runtime_t::item_t& item : rt->items) {
        if (item.fd >= 0) {
            if (is_multicast_group(item.group)) {
                ip_mreq mreq;
                mreq.imr_multiaddr = item.group.sin_addr;
                mreq.imr_interface = rt->local_addr.sin_addr;
                setsockopt(item.fd, IPPROTO_IP, IP_DROP_MEMBERSHIP, &mreq, sizeof mreq);
            }
            close(item.fd);
        }
        std::free(item.buffer);
    }
    if (rt->wake_fd >= 0) close(rt->wake_fd);
    if (rt->epoll_fd >= 0) close(rt->epoll_fd);
    delete rt;
    runtime_ = nullptr;
}

void KApiSocketUdpReceiver::wake() {
    socket_runtime_t* rt = runtime_;
    if (rt == nullptr || rt->wake_fd < 0) return;
    uint64_t one = 1;
    ssize_t rc = write(rt->wake_fd, &one, sizeof one);
    (void)rc;
}

}}  // namespace nq::api
