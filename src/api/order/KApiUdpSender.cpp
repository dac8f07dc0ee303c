#include "api/order/KApiUdpSender.h"

#include <arpa/inet.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "log/Log.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

thread_local KApiUdpSender::pkt_buf_t* KApiUdpSender::local_pkt_buf_ = nullptr;
unsigned char KApiUdpSender::local_mac_addr_[8] = {0};

namespace {

// Header words are summed as they lie in memory, both for the precomputed
// part and per send; the ones'-complement sum does not depend on byte order
// as long as every word is loaded the same way.
inline uint32_t load16(const unsigned char* p) {
    uint16_t w;
    std::memcpy(&w, p, 2);
    return w;
}

inline void store16_be(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}

inline long now_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000L + ts.tv_nsec;
}

// GNU strerror_r: thread-safe, returns the text (not always in buf).
const char* error_text(int err, char* buf, size_t size) { return strerror_r(err, buf, size); }

// What a kernel-bypass set-up has opened after the driver: unless kept, it
// is released when the set-up returns (the protection domain if allocated,
// then the driver), after the failed step's log line.
struct EfviSetUp {
    ef_driver_handle* driver;
    ef_pd* pd;  // set once allocated
    bool kept;

    ~EfviSetUp() {
        if (kept) return;
        if (pd != nullptr) ef_pd_free(pd, *driver);
        ef_driver_close(*driver);
        *driver = -1;
    }
};

}  // namespace

KApiUdpSender::KApiUdpSender(const sockaddr* local_addr)
    : socket_(-1), partial_csum_(0), driver_handle_(-1), use_efvi_(false), next_buf_index_(1) {
    std::memset(&local_addr_, 0, sizeof local_addr_);
    if (local_addr) std::memcpy(&local_addr_, local_addr, sizeof local_addr_);
    std::memset(&pd_, 0, sizeof pd_);
    std::memset(&memreg_, 0, sizeof memreg_);
    for (auto& b : bufs_) b = nullptr;
    if (!inet_ntop(AF_INET, &local_addr_.sin_addr, local_ip_, sizeof local_ip_)) local_ip_[0] = '\0';
}

// Never destroyed while the process runs: sockets, adapter resources and the
// region stay until the process ends.
KApiUdpSender::~KApiUdpSender() {}

bool KApiUdpSender::initialize() {
    long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) page = 4096;
    void* region = nullptr;
    int rc = posix_memalign(&region, static_cast<size_t>(page), kRegionSize);
    if (rc != 0) {
        char text[128];
        LOG_ERROR("udp sender posix_memalign failed: { os_err_msg = %s, ip = %s }", error_text(rc, text, sizeof text),
                  local_ip_);
        return false;
    }
    std::memset(region, 0, kRegionSize);
    auto* base = static_cast<unsigned char*>(region);
    for (size_t i = 0; i < kBufferCount; ++i) {
        auto* buf = new (base + kBufferSize * i) pkt_buf_t();
        buf->id = static_cast<uint32_t>(i + 1);
        bufs_[i] = buf;
    }
    if (!init_socket()) {
        // Nothing of a failed sender stays: the caller may try again.
        for (auto& b : bufs_) b = nullptr;
        std::free(region);
        return false;
    }
    use_efvi_ = init_efvi();
    return true;
}

void KApiUdpSender::release_unused() {
    if (use_efvi_) {
        ef_memreg_free(&memreg_, driver_handle_);
        ef_pd_free(&pd_, driver_handle_);
        ef_driver_close(driver_handle_);
        driver_handle_ = -1;
        use_efvi_ = false;
    }
    if (socket_ >= 0) {
        close(socket_);
        socket_ = -1;
    }
    if (bufs_[0] != nullptr) {
        std::free(bufs_[0]);  // the region starts with the first buffer
        for (auto& b : bufs_) b = nullptr;
    }
}

bool KApiUdpSender::init_socket() {
    char text[128];
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        LOG_ERROR("create socket fail: { os_err_msg = %s }", error_text(errno, text, sizeof text));
        return false;
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local_addr_), sizeof local_addr_) != 0) {
        LOG_ERROR("bind local_ip(%s) fail: { os_err_msg = %s }", local_ip_, error_text(errno, text, sizeof text));
        close(fd);
        return false;
    }
    socket_ = fd;
    return true;
}

bool KApiUdpSender::init_efvi() {
    int rc = ef_driver_open(&driver_handle_);
    if (rc < 0) {
        LOG_WARN("udp sender ef_driver_open failed: { rc = %d, ip = %s }", rc, local_ip_);
        driver_handle_ = -1;
        return false;
    }
    // A failed step releases what the earlier steps opened, so a host
    // without a usable adapter keeps no driver state.
    EfviSetUp opened{&driver_handle_, nullptr, false};
    unsigned nic = get_nic_id(&local_addr_);
    if (nic == 0) {
        LOG_WARN("udp sender get nic failed: { ip = %s }", local_ip_);
        return false;
    }
    rc = ef_pd_alloc(&pd_, driver_handle_, static_cast<int>(nic), EF_PD_DEFAULT);
    if (rc < 0) {
        // The system's own text names ef_pd_alloc_by_name though the call is
        // ef_pd_alloc: kept as it is, for the tools that match it.
        LOG_WARN("udp sender ef_pd_alloc_by_name failed: { rc = %d, ip = %s }", rc, local_ip_);
        return false;
    }
    opened.pd = &pd_;
    ef_vi probe;
    std::memset(&probe, 0, sizeof probe);
    rc = ef_vi_alloc_from_pd(&probe, driver_handle_, &pd_, driver_handle_, -1, 0, -1, nullptr, -1, EF_VI_TX_CTPIO);
    if (rc < 0) {
        LOG_WARN("udp sender ef_vi_alloc_from_pd failed: { rc = %d, ip = %s }", rc, local_ip_);
        return false;
    }
    rc = ef_vi_get_mac(&probe, driver_handle_, local_mac_addr_);
    ef_vi_free(&probe, driver_handle_);
    if (rc < 0) {
        // Frames with no source address would be dropped or misrouted.
        LOG_WARN("udp sender ef_vi_get_mac failed: { rc = %d, ip = %s }", rc, local_ip_);
        return false;
    }
    rc = ef_memreg_alloc(&memreg_, driver_handle_, &pd_, driver_handle_, bufs_[0], kRegionSize);
    if (rc < 0) {
        LOG_WARN("udp sender ef_memreg_alloc failed: { rc = %d, ip = %s }", rc, local_ip_);
        return false;
    }
    opened.kept = true;
    unsigned char tmpl[kFrameHdrLen];
    std::memset(tmpl, 0, sizeof tmpl);
    init_frame_hdr(tmpl);
    for (size_t i = 0; i < kBufferCount; ++i) {
        std::memcpy(bufs_[i]->frame, tmpl, kFrameHdrLen);
        // Each buffer lies within one page, so its frame's own offset gives
        // a valid adapter address.
        bufs_[i]->frame_dma = ef_memreg_dma_addr(&memreg_, kBufferSize * i + kFrameOffset);
    }
    return true;
}

void KApiUdpSender::ip4_hdr_init(ip4_hdr_t* hdr, uint32_t saddr) {
    hdr->ver_ihl = 0x45;
    hdr->tos = 0;
    hdr->tot_len = 0;
    hdr->id = 0;
    hdr->frag_off = htons(0x4000);  // don't fragment
    hdr->ttl = 8;
    hdr->protocol = IPPROTO_UDP;
    hdr->check = 0;
    hdr->saddr = saddr;
    hdr->daddr = 0;
}

void KApiUdpSender::udp_hdr_init(udp_hdr_t* hdr, uint16_t sport) {
    hdr->source = sport;
    hdr->dest = 0;
    hdr->len = 0;
    hdr->check = 0;
}

void KApiUdpSender::init_frame_hdr(unsigned char* frame) {
    std::memcpy(frame + 6, local_mac_addr_, 6);
    frame[12] = 0x08;
    frame[13] = 0x00;
    ip4_hdr_init(reinterpret_cast<ip4_hdr_t*>(frame + kIpHdrOffset), local_addr_.sin_addr.s_addr);
    udp_hdr_init(reinterpret_cast<udp_hdr_t*>(frame + kUdpHdrOffset), local_addr_.sin_port);
    uint32_t sum = 0;
    for (size_t i = 0; i < sizeof(ip4_hdr_t); i += 2) sum += load16(frame + kIpHdrOffset + i);
    partial_csum_ = sum;
}

void KApiUdpSender::complete_frame_hdr(unsigned char* frame, uint32_t partial, uint16_t body_length,
                                       const sockaddr_in* dest, const char* dest_mac) {
    unsigned char* ip = frame + kIpHdrOffset;
    unsigned char* udp = frame + kUdpHdrOffset;
    std::memcpy(frame, dest_mac, 6);
    std::memcpy(ip + offsetof(ip4_hdr_t, daddr), &dest->sin_addr.s_addr, 4);
    store16_be(ip + offsetof(ip4_hdr_t, tot_len),
               static_cast<uint16_t>(sizeof(ip4_hdr_t) + sizeof(udp_hdr_t) + sizeof(udp_order_prefix_t) + body_length));
    std::memcpy(udp + offsetof(udp_hdr_t, dest), &dest->sin_port, 2);
    store16_be(udp + offsetof(udp_hdr_t, len),
               static_cast<uint16_t>(sizeof(udp_hdr_t) + sizeof(udp_order_prefix_t) + body_length));
    uint32_t s = partial + load16(ip + offsetof(ip4_hdr_t, daddr)) + load16(ip + offsetof(ip4_hdr_t, daddr) + 2) +
                 load16(ip + offsetof(ip4_hdr_t, tot_len));
    while (s >> 16) s = (s & 0xffff) + (s >> 16);
    uint16_t check = static_cast<uint16_t>(~s);
    std::memcpy(ip + offsetof(ip4_hdr_t, check), &check, 2);
}

KApiUdpSender::pkt_buf_t* KApiUdpSender::local_pkt_buf() { return local_pkt_buf_; }

KApiUdpSender::pkt_buf_t* KApiUdpSender::alloc_pkt_buf() { return take_pkt_buf(use_efvi_); }

KApiUdpSender::pkt_buf_t* KApiUdpSender::take_pkt_buf(bool efvi) {
    uint64_t index = next_buf_index_.fetch_add(1, std::memory_order_relaxed);
    if (index >= kBufferCount || !bufs_[index]) return nullptr;
    pkt_buf_t* buf = bufs_[index];
    buf->tid = static_cast<int32_t>(syscall(SYS_gettid));
    if (efvi) {
        int rc =
            ef_vi_alloc_from_pd(&buf->vi, driver_handle_, &pd_, driver_handle_, -1, 0, -1, nullptr, -1, EF_VI_TX_CTPIO);
        if (rc >= 0) {
            buf->mode = SEND_EFVI;
            buf->socket = -1;
            return buf;
        }
        LOG_WARN("udp sender ef_vi_alloc_from_pd fail: { rc = %d, ip = %s }", rc, local_ip_);
    }
    buf->mode = SEND_SOCKET;
    buf->socket = socket_;
    return buf;
}

void KApiUdpSender::init_local_send() {
    if (!local_pkt_buf_) local_pkt_buf_ = alloc_pkt_buf();
}

bool KApiUdpSender::await_tx_completion(pkt_buf_t* buf) {
    if (buf->tx_pending == 0) return true;
    ef_event evs[2];
    ef_request_id ids[EF_VI_TRANSMIT_BATCH];
    long deadline = 0;
    unsigned polls = 0;
    while (buf->tx_pending > 0) {
        // Read the clock only now and then: a completion normally comes
        // within microseconds.
        if ((++polls & 1023) == 0) {
            long now = now_ns();
            if (deadline == 0) {
                deadline = now + kTxCompletionWaitNs;
            } else if (now >= deadline) {
                LOG_WARN("udp sender transmit completion timed out: { id = %u, pending = %u, ip = %s }", buf->id,
                         buf->tx_pending, local_ip_);
                return false;
            }
        }
        int n = ef_eventq_poll(&buf->vi, evs, 2);
        for (int i = 0; i < n; ++i) {
            uint32_t type = evs[i].type;
            if (type != EF_EVENT_TYPE_TX && type != EF_EVENT_TYPE_TX_ERROR && type != EF_EVENT_TYPE_TX_ALT) continue;
            int done = ef_vi_transmit_unbundle(&buf->vi, &evs[i], ids);
            if (type == EF_EVENT_TYPE_TX_ERROR)
                LOG_WARN("udp sender transmit error: { id = %u, ip = %s }", buf->id, local_ip_);
            if (done <= 0) continue;
            buf->tx_pending = static_cast<uint32_t>(done) >= buf->tx_pending ? 0 : buf->tx_pending - done;
        }
    }
    return true;
}

unsigned char* KApiUdpSender::acquire_send_buffer(uint64_t service_code, uint64_t body_length) {
    pkt_buf_t* buf = local_pkt_buf_;
    if (!buf) {
        buf = alloc_pkt_buf();
        if (!buf) return nullptr;
        local_pkt_buf_ = buf;
    }
    if (service_code > kMaxServiceCode || body_length > kMaxBodyLength) return nullptr;
    if (buf->tx_pending > 0 && !await_tx_completion(buf)) {
        // The adapter still owns the frame: leave that buffer to it and go
        // on with a fresh one on the kernel socket.
        LOG_WARN("udp sender buffer abandoned, thread sends by socket: { id = %u, ip = %s }", buf->id, local_ip_);
        buf->in_use = 0;
        buf = take_pkt_buf(false);
        local_pkt_buf_ = buf;
        if (!buf) return nullptr;
    }
    buf->in_use = 1;
    udp_order_prefix_t prefix;
    prefix.magic = kMagic;
    prefix.body_length = static_cast<uint16_t>(body_length);
    prefix.service_code = static_cast<uint16_t>(service_code);
    std::memcpy(buf->frame + kFrameHdrLen, &prefix, sizeof prefix);
    return buf->frame + kBodyOffset;
}

bool KApiUdpSender::send_by_socket(int fd, const unsigned char* frame, uint16_t body_length, const sockaddr* dest) {
    size_t len = sizeof(udp_order_prefix_t) + body_length;
    ssize_t sent = sendto(fd, frame + kFrameHdrLen, len, 0, dest, sizeof(sockaddr_in));
    return sent == static_cast<ssize_t>(len);
}

bool KApiUdpSender::send_order(const unsigned char* body, uint16_t body_length, const sockaddr* dest,
                               const char* dest_mac) {
    pkt_buf_t* buf = local_pkt_buf_;
    if (!buf || body != buf->frame + kBodyOffset || !dest) return false;
    // The datagram must say what it carries: the length given here is the
    // one the prefix was written with (and so never beyond the buffer).
    udp_order_prefix_t prefix;
    std::memcpy(&prefix, buf->frame + kFrameHdrLen, sizeof prefix);
    if (prefix.body_length != body_length) return false;
    if (buf->mode != SEND_EFVI) return send_by_socket(buf->socket, buf->frame, body_length, dest);
    if (!dest_mac) return send_by_socket(socket_, buf->frame, body_length, dest);

    // A second send of the same message must not rewrite a frame the
    // adapter has not finished with.
    if (buf->tx_pending > 0 && !await_tx_completion(buf)) return false;
    const auto* to = reinterpret_cast<const sockaddr_in*>(dest);
    complete_frame_hdr(buf->frame, partial_csum_, body_length, to, dest_mac);
    size_t frame_len = kBodyOffset + body_length;
    ef_vi_transmit_ctpio(&buf->vi, buf->frame, frame_len, kCtpioThreshold);
    int rc = ef_vi_transmit_ctpio_fallback(&buf->vi, buf->frame_dma, frame_len, static_cast<ef_request_id>(buf->id));
    if (rc >= 0) {
        ++buf->tx_pending;
        return true;
    }
    LOG_DEBUG("send order, ef_vi_transmit_ctpio_fallback fail: { rc = %d, ip = %s }", rc, local_ip_);
    buf->in_use = 0;
    return send_by_socket(socket_, buf->frame, body_length, dest);
}

void KApiUdpSender::release_send_buffer(unsigned char*) {
    pkt_buf_t* buf = local_pkt_buf_;
    if (!buf || !buf->in_use) return;
    if (buf->mode == SEND_EFVI) await_tx_completion(buf);
    buf->in_use = 0;
}

}}  // namespace nq::api
