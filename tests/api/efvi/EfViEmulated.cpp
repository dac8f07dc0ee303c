// Emulated kernel-bypass adapter for tests: api/EfVi.h over an AF_PACKET raw
// socket on the interface of the protection domain. Frames that the VIs
// transmit really go out of that interface; frames that reach it and match a
// VI's filters are written into its receive buffers through their DMA
// addresses. Memory registrations get synthetic DMA addresses that can never
// be valid pointers, and every DMA access is checked.
#include "api/efvi/EfViEmulated.h"

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <vector>

#include "api/efvi/EfVi.h"

namespace {

constexpr uint64_t kDmaTag = 0xDAD0ULL << 48;
constexpr uint64_t kTagMask = 0xFFFFULL << 48;
constexpr int kSlotShift = 36;
constexpr uint64_t kSlotMask = 0xFFF;
constexpr size_t kPage = 4096;
constexpr int kDefaultQueue = 512;
constexpr size_t kMaxFrame = 4096;

[[noreturn]] void die(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::fputs("efvi emulation: ", stderr);
    std::vfprintf(stderr, fmt, ap);
    std::fputc('\n', stderr);
    va_end(ap);
    std::abort();
}

struct Registration {
    unsigned char* base;
    size_t len;
    size_t pages;
    bool live;
    ef_driver_handle dh;
};

struct Faults {
    std::atomic<int> rc[6];
    std::atomic<int> count[6];
};

std::mutex g_mutex;
std::vector<Registration> g_regs;  // slot = index + 1
Faults g_faults;
std::atomic<int> g_refuse_fallback{0};
std::atomic<int> g_fail_transmit{0};
std::atomic<int> g_discard{0};
std::atomic<bool> g_hold{false};
std::atomic<unsigned long> g_frames_sent{0};
std::atomic<int> g_open{0};
std::atomic<int> g_next_handle{3};

int injected(efemu::Call call) {
    int i = static_cast<int>(call);
    int c = g_faults.count[i].load();
    while (c > 0) {
        if (g_faults.count[i].compare_exchange_weak(c, c - 1)) return g_faults.rc[i].load();
    }
    return 0;
}

bool take_one(std::atomic<int>& n) {
    int c = n.load();
    while (c > 0) {
        if (n.compare_exchange_weak(c, c - 1)) return true;
    }
    return false;
}

struct PdState {
    int ifindex;
    ef_driver_handle dh;
};

struct RxDesc {
    ef_addr addr;
    ef_request_id id;
};

struct ViState {
    ef_driver_handle dh = -1;
    int fd = -1;
    int ifindex = 0;
    bool ctpio = false;
    int txq_cap = 0;
    int rxq_cap = 0;
    std::vector<ef_filter_spec> filters;
    std::deque<ef_request_id> tx_outstanding;
    std::deque<ef_event> events;
    std::deque<ef_event> held;
    unsigned char staged[kMaxFrame];
    size_t staged_len = 0;
    bool staged_set = false;
    std::deque<RxDesc> rx_queued;  // initialised, not yet pushed
    std::deque<RxDesc> rx_posted;  // owned by the adapter
};

// Live domains and VIs (guarded by g_mutex), so that closing a driver
// handle can release what was allocated on it.
std::vector<PdState*> g_pds;
std::vector<ViState*> g_vis;

template <class T>
void forget(std::vector<T*>& v, T* p) {
    for (auto& x : v)
        if (x == p) {
            x = v.back();
            v.pop_back();
            return;
        }
}

ViState* vi_state(const ef_vi* vi) {
    if (!vi || !vi->state) die("use of a VI that is not allocated");
    return static_cast<ViState*>(vi->state);
}

// Pointer to `len` bytes at a DMA address; dies unless they lie in one page
// of a live registration.
unsigned char* translate(ef_addr addr, size_t len) {
    if ((addr & kTagMask) != kDmaTag) die("0x%llx is not a DMA address (a virtual address?)", (unsigned long long)addr);
    size_t slot = (addr >> kSlotShift) & kSlotMask;
    size_t rev_page = (addr >> 12) & ((1ULL << (kSlotShift - 12)) - 1);
    size_t in_page = addr & (kPage - 1);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (slot == 0 || slot > g_regs.size() || !g_regs[slot - 1].live)
        die("DMA address 0x%llx names no live registration", (unsigned long long)addr);
    const Registration& r = g_regs[slot - 1];
    if (rev_page >= r.pages) die("DMA address 0x%llx lies outside its registration", (unsigned long long)addr);
    size_t page = r.pages - 1 - rev_page;
    if (in_page + len > kPage) die("DMA access of %zu bytes at 0x%llx crosses a page", len, (unsigned long long)addr);
    size_t off = page * kPage + in_page;
    if (off + len > r.len) die("DMA access at 0x%llx runs past its registration", (unsigned long long)addr);
    return r.base + off;
}

void post_event(ViState* s, const ef_event& ev) {
    if (g_hold.load() && (ev.type == EF_EVENT_TYPE_TX || ev.type == EF_EVENT_TYPE_TX_ERROR))
        s->held.push_back(ev);
    else
        s->events.push_back(ev);
}

bool matches(const ViState* s, const unsigned char* f, size_t len) {
    if (len < 14 + 20 + 8 || f[12] != 0x08 || f[13] != 0x00) return false;
    size_t ihl = (f[14] & 0x0f) * 4u;
    if ((f[14] >> 4) != 4 || ihl < 20 || len < 14 + ihl + 8) return false;
    uint32_t daddr;
    std::memcpy(&daddr, f + 30, 4);
    uint16_t dport;
    std::memcpy(&dport, f + 14 + ihl + 2, 2);
    for (const ef_filter_spec& fs : s->filters) {
        if (fs.type == 1 && fs.protocol == f[23] && fs.host_be32 == daddr && fs.port_be16 == dport) return true;
    }
    return false;
}

// Moves frames from the socket into posted buffers, one event each.
void receive_frames(ViState* s, int room) {
    static thread_local unsigned char frame[65536];
    while (room > 0 && !s->rx_posted.empty()) {
        sockaddr_ll from;
        socklen_t flen = sizeof from;
        ssize_t n = recvfrom(s->fd, frame, sizeof frame, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &flen);
        if (n < 0) return;
        if (from.sll_pkttype == PACKET_OUTGOING) continue;
        size_t len = static_cast<size_t>(n);
        if (!matches(s, frame, len)) continue;
        RxDesc d = s->rx_posted.front();
        s->rx_posted.pop_front();
        ef_event ev;
        std::memset(&ev, 0, sizeof ev);
        ev.rq_id = d.id;
        ev.len = static_cast<uint32_t>(len);
        size_t to_page_end = kPage - (d.addr & (kPage - 1));
        if (len > EF_VI_RX_BUFFER_BYTES || len > to_page_end || take_one(g_discard)) {
            ev.type = EF_EVENT_TYPE_RX_DISCARD;
        } else {
            std::memcpy(translate(d.addr, len), frame, len);
            ev.type = EF_EVENT_TYPE_RX;
        }
        s->events.push_back(ev);
        --room;
    }
}

}  // namespace

namespace efemu {

void fail_next(Call call, int rc, int count) {
    int i = static_cast<int>(call);
    g_faults.rc[i].store(rc);
    g_faults.count[i].store(count);
}
void refuse_fallback(int count) { g_refuse_fallback.store(count); }
void hold_completions(bool hold) { g_hold.store(hold); }
void fail_transmit(int count) { g_fail_transmit.store(count); }
void discard_next(int count) { g_discard.store(count); }
unsigned long frames_sent() { return g_frames_sent.load(); }
int open_objects() { return g_open.load(); }
void reset() {
    for (int i = 0; i < 6; ++i) g_faults.count[i].store(0);
    g_refuse_fallback.store(0);
    g_fail_transmit.store(0);
    g_discard.store(0);
    g_hold.store(false);
}

}  // namespace efemu

int ef_driver_open(ef_driver_handle* dh) {
    if (!dh) return -EINVAL;
    if (int rc = injected(efemu::Call::driver_open)) return rc;
    *dh = g_next_handle.fetch_add(1);
    ++g_open;
    return 0;
}

int ef_driver_close(ef_driver_handle dh) {
    if (dh < 3) return -EBADF;
    // Everything still allocated on the handle goes with it; the callers'
    // structures that name it must not be used again.
    std::lock_guard<std::mutex> lock(g_mutex);
    for (Registration& r : g_regs) {
        if (r.live && r.dh == dh) {
            r.live = false;
            --g_open;
        }
    }
    for (size_t i = g_vis.size(); i-- > 0;) {
        ViState* v = g_vis[i];
        if (v->dh != dh) continue;
        close(v->fd);
        delete v;
        g_vis.erase(g_vis.begin() + static_cast<long>(i));
        --g_open;
    }
    for (size_t i = g_pds.size(); i-- > 0;) {
        PdState* pd = g_pds[i];
        if (pd->dh != dh) continue;
        delete pd;
        g_pds.erase(g_pds.begin() + static_cast<long>(i));
        --g_open;
    }
    --g_open;
    return 0;
}

int ef_pd_alloc(ef_pd* pd, ef_driver_handle dh, int ifindex, ef_pd_flags) {
    if (!pd || dh < 3) return -EINVAL;
    if (int rc = injected(efemu::Call::pd_alloc)) return rc;
    char name[IF_NAMESIZE];
    if (ifindex <= 0 || !if_indextoname(static_cast<unsigned>(ifindex), name)) return -ENODEV;
    pd->ifindex = ifindex;
    auto* st = new PdState{ifindex, dh};
    pd->state = st;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_pds.push_back(st);
    ++g_open;
    return 0;
}

int ef_pd_free(ef_pd* pd, ef_driver_handle) {
    if (!pd || !pd->state) return -EINVAL;
    auto* st = static_cast<PdState*>(pd->state);
    std::lock_guard<std::mutex> lock(g_mutex);
    forget(g_pds, st);
    delete st;
    pd->state = nullptr;
    --g_open;
    return 0;
}

int ef_vi_alloc_from_pd(ef_vi* vi, ef_driver_handle vi_dh, ef_pd* pd, ef_driver_handle, int, int rxq_capacity,
                        int txq_capacity, ef_vi* evq_opt, ef_driver_handle, ef_vi_flags flags) {
    if (!vi || !pd || !pd->state || vi_dh < 3 || evq_opt) return -EINVAL;
    if (int rc = injected(efemu::Call::vi_alloc)) return rc;
    int rxq = rxq_capacity < 0 ? kDefaultQueue : rxq_capacity;
    int txq = txq_capacity < 0 ? kDefaultQueue : txq_capacity;
    int ifindex = static_cast<PdState*>(pd->state)->ifindex;
    // A VI that receives sees every frame of the interface; a transmit-only
    // one binds to no protocol and so receives nothing.
    uint16_t proto = rxq > 0 ? htons(ETH_P_ALL) : 0;
    int fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, proto);
    if (fd < 0) return -errno;
    sockaddr_ll sll;
    std::memset(&sll, 0, sizeof sll);
    sll.sll_family = AF_PACKET;
    sll.sll_protocol = proto;
    sll.sll_ifindex = ifindex;
    if (bind(fd, reinterpret_cast<sockaddr*>(&sll), sizeof sll) != 0) {
        int err = errno;
        close(fd);
        return -err;
    }
    auto* s = new ViState();
    s->dh = vi_dh;
    s->fd = fd;
    s->ifindex = ifindex;
    s->ctpio = (flags & EF_VI_TX_CTPIO) != 0;
    s->txq_cap = txq;
    s->rxq_cap = rxq;
    vi->state = s;
    vi->rxq_capacity = rxq;
    vi->txq_capacity = txq;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_vis.push_back(s);
    ++g_open;
    return 0;
}

int ef_vi_free(ef_vi* vi, ef_driver_handle) {
    if (!vi || !vi->state) return -EINVAL;
    ViState* s = static_cast<ViState*>(vi->state);
    std::lock_guard<std::mutex> lock(g_mutex);
    forget(g_vis, s);
    close(s->fd);
    delete s;
    vi->state = nullptr;
    --g_open;
    return 0;
}

int ef_vi_get_mac(ef_vi* vi, ef_driver_handle, void* mac_out) {
    ViState* s = vi_state(vi);
    if (!mac_out) return -EINVAL;
    if (int rc = injected(efemu::Call::vi_get_mac)) return rc;
    ifreq ifr;
    std::memset(&ifr, 0, sizeof ifr);
    if (!if_indextoname(static_cast<unsigned>(s->ifindex), ifr.ifr_name)) return -ENODEV;
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -errno;
    int rc = ioctl(fd, SIOCGIFHWADDR, &ifr);
    int err = errno;
    close(fd);
    if (rc != 0) return -err;
    std::memcpy(mac_out, ifr.ifr_hwaddr.sa_data, 6);
    return 0;
}

int ef_memreg_alloc(ef_memreg* mr, ef_driver_handle mr_dh, ef_pd* pd, ef_driver_handle, void* mem, size_t len) {
    if (!mr || !pd || !pd->state || mr_dh < 3) return -EINVAL;
    if (int rc = injected(efemu::Call::memreg_alloc)) return rc;
    if (!mem || len == 0 || reinterpret_cast<uintptr_t>(mem) % kPage != 0) return -EINVAL;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_regs.size() >= kSlotMask) return -ENOSPC;
    g_regs.push_back(Registration{static_cast<unsigned char*>(mem), len, (len + kPage - 1) / kPage, true, mr_dh});
    mr->state = reinterpret_cast<void*>(static_cast<uintptr_t>(g_regs.size()));  // the slot
    ++g_open;
    return 0;
}

int ef_memreg_free(ef_memreg* mr, ef_driver_handle) {
    if (!mr || !mr->state) return -EINVAL;
    size_t slot = reinterpret_cast<uintptr_t>(mr->state);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (const ViState* v : g_vis) {
            for (const std::deque<RxDesc>* q : {&v->rx_queued, &v->rx_posted}) {
                for (const RxDesc& d : *q) {
                    if (((d.addr >> kSlotShift) & kSlotMask) == slot)
                        die("registration freed while a VI still holds receive buffers in it");
                }
            }
        }
        if (g_regs[slot - 1].live) --g_open;
        g_regs[slot - 1].live = false;
    }
    mr->state = nullptr;
    return 0;
}

ef_addr ef_memreg_dma_addr(ef_memreg* mr, size_t offset) {
    if (!mr || !mr->state) die("DMA address of an unregistered region");
    size_t slot = reinterpret_cast<uintptr_t>(mr->state);
    std::lock_guard<std::mutex> lock(g_mutex);
    const Registration& r = g_regs[slot - 1];
    if (offset >= r.len) die("DMA address of offset %zu in a registration of %zu bytes", offset, r.len);
    size_t page = offset / kPage;
    return kDmaTag | (static_cast<uint64_t>(slot) << kSlotShift) | (static_cast<uint64_t>(r.pages - 1 - page) << 12) |
           (offset & (kPage - 1));
}

void ef_filter_spec_init(ef_filter_spec* fs, ef_filter_flags flags) {
    if (!fs) return;
    std::memset(fs, 0, sizeof *fs);
    fs->flags = flags;
}

int ef_filter_spec_set_ip4_local(ef_filter_spec* fs, int protocol, uint32_t host_be32, int port_be16) {
    if (!fs) return -EINVAL;
    fs->type = 1;
    fs->protocol = protocol;
    fs->host_be32 = host_be32;
    fs->port_be16 = static_cast<uint16_t>(port_be16);
    return 0;
}

int ef_vi_filter_add(ef_vi* vi, ef_driver_handle, const ef_filter_spec* fs) {
    ViState* s = vi_state(vi);
    if (!fs || fs->type != 1) return -EINVAL;
    if (s->rxq_cap == 0) return -EINVAL;
    if (int rc = injected(efemu::Call::filter_add)) return rc;
    s->filters.push_back(*fs);
    return 0;
}

int ef_eventq_poll(ef_vi* vi, ef_event* evs, int evs_len) {
    ViState* s = vi_state(vi);
    if (!evs || evs_len <= 0) return 0;
    if (!g_hold.load()) {
        while (!s->held.empty()) {
            s->events.push_back(s->held.front());
            s->held.pop_front();
        }
    }
    if (s->rxq_cap > 0 && static_cast<int>(s->events.size()) < evs_len)
        receive_frames(s, evs_len - static_cast<int>(s->events.size()));
    int n = 0;
    while (n < evs_len && !s->events.empty()) {
        evs[n++] = s->events.front();
        s->events.pop_front();
    }
    return n;
}

void ef_vi_transmit_ctpio(ef_vi* vi, const void* frame, size_t len, unsigned) {
    ViState* s = vi_state(vi);
    if (!s->ctpio) die("cut-through transmit on a VI allocated without EF_VI_TX_CTPIO");
    if (!frame || len == 0 || len > kMaxFrame) die("cut-through frame of %zu bytes", len);
    std::memcpy(s->staged, frame, len);
    s->staged_len = len;
    s->staged_set = true;
}

int ef_vi_transmit_ctpio_fallback(ef_vi* vi, ef_addr dma_addr, size_t len, ef_request_id request_id) {
    ViState* s = vi_state(vi);
    if (s->txq_cap == 0) return -EINVAL;
    bool staged = s->staged_set;
    s->staged_set = false;
    if (take_one(g_refuse_fallback) || static_cast<int>(s->tx_outstanding.size()) >= s->txq_cap) return -EAGAIN;
    const unsigned char* bytes = translate(dma_addr, len);
    if (staged && (s->staged_len != len || std::memcmp(s->staged, bytes, len) != 0))
        die("fallback descriptor (%zu bytes at 0x%llx) differs from its cut-through frame (%zu bytes)", len,
            (unsigned long long)dma_addr, s->staged_len);
    s->tx_outstanding.push_back(request_id);
    ef_event ev;
    std::memset(&ev, 0, sizeof ev);
    ev.tx_count = 1;
    ev.type = EF_EVENT_TYPE_TX_ERROR;
    if (!take_one(g_fail_transmit) && len >= 14) {
        sockaddr_ll to;
        std::memset(&to, 0, sizeof to);
        to.sll_family = AF_PACKET;
        to.sll_ifindex = s->ifindex;
        std::memcpy(&to.sll_protocol, bytes + 12, 2);
        to.sll_halen = 6;
        std::memcpy(to.sll_addr, bytes, 6);
        ssize_t sent = sendto(s->fd, bytes, len, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        if (sent == static_cast<ssize_t>(len)) {
            ++g_frames_sent;
            ev.type = EF_EVENT_TYPE_TX;
        }
    }
    post_event(s, ev);
    return 0;
}

int ef_vi_transmit_unbundle(ef_vi* vi, const ef_event* ev, ef_request_id* ids) {
    ViState* s = vi_state(vi);
    if (!ev || !ids) return 0;
    int n = 0;
    uint32_t want = ev->tx_count;
    while (n < EF_VI_TRANSMIT_BATCH && static_cast<uint32_t>(n) < want && !s->tx_outstanding.empty()) {
        ids[n++] = s->tx_outstanding.front();
        s->tx_outstanding.pop_front();
    }
    return n;
}

int ef_vi_receive_init(ef_vi* vi, ef_addr addr, ef_request_id request_id) {
    ViState* s = vi_state(vi);
    if (s->rxq_cap == 0) return -EINVAL;
    if (static_cast<int>(s->rx_queued.size() + s->rx_posted.size()) >= s->rxq_cap) return -EAGAIN;
    translate(addr, 1);  // a bad address fails here, not when a frame arrives
    s->rx_queued.push_back(RxDesc{addr, request_id});
    return 0;
}

void ef_vi_receive_push(ef_vi* vi) {
    ViState* s = vi_state(vi);
    while (!s->rx_queued.empty()) {
        s->rx_posted.push_back(s->rx_queued.front());
        s->rx_queued.pop_front();
    }
}

int ef_vi_receive_fill_level(const ef_vi* vi) {
    const ViState* s = vi_state(vi);
    return static_cast<int>(s->rx_queued.size() + s->rx_posted.size());
}
