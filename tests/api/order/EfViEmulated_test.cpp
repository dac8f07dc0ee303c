// The emulated kernel-bypass adapter, and the UDP order sender over it. Every
// scenario runs in a forked child inside network namespaces of its own:
// veth0 (198.18.0.1/24) in the child's namespace, its peer veth1
// (198.18.0.2/24) in a second one, so frames that the adapter puts on veth0
// are received, and their IPv4 checksum checked, by the peer's kernel.
// Skipped where the namespaces cannot be made.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "api/efvi/EfVi.h"
#include "api/efvi/EfViEmulated.h"
#include "api/order/KApiUdpSender.h"
#include "log/Log.h"
#include "support/ForkedScenario.h"
#include "support/LoopbackUdp.h"
#include "support/TestLogFile.h"
#include "support/WaitUntil.h"

using nq::api::KApiUdpSender;

namespace {

using udp_test::make_addr;
const sockaddr* sa(const sockaddr_in& a) { return reinterpret_cast<const sockaddr*>(&a); }
uint16_t be16(const unsigned char* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint16_t fold_sum(const unsigned char* hdr, size_t len) {
    uint32_t s = 0;
    for (size_t i = 0; i < len; i += 2) s += be16(hdr + i);
    while (s >> 16) s = (s & 0xffff) + (s >> 16);
    return static_cast<uint16_t>(s);
}

bool wait_until(const std::function<bool()>& pred, double seconds = 10.0) {
    return trv_test::wait_until(pred, seconds);
}

bool get_mac(const char* ifname, unsigned char* mac) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr;
    std::memset(&ifr, 0, sizeof ifr);
    std::snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "%s", ifname);
    bool ok = fd >= 0 && ioctl(fd, SIOCGIFHWADDR, &ifr) == 0;
    if (ok) std::memcpy(mac, ifr.ifr_hwaddr.sa_data, 6);
    if (fd >= 0) close(fd);
    return ok;
}

bool link_running(const char* ifname) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr;
    std::memset(&ifr, 0, sizeof ifr);
    std::snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "%s", ifname);
    bool ok = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &ifr) == 0 && (ifr.ifr_flags & IFF_RUNNING);
    if (fd >= 0) close(fd);
    return ok;
}

// The two namespaces of one scenario, seen from the child.
struct NetPair {
    int own_ns = -1;
    int peer_ns = -1;
    unsigned char local_mac[6];  // veth0
    unsigned char peer_mac[6];   // veth1
    int local_ifindex = 0;

    // Runs fn with the calling thread in the peer namespace; sockets made
    // there stay there.
    void in_peer(const std::function<void()>& fn) const {
        if (setns(peer_ns, CLONE_NEWNET) != 0) {
            ADD_FAILURE() << "setns to the peer: " << std::strerror(errno);
            return;
        }
        fn();
        if (setns(own_ns, CLONE_NEWNET) != 0) {
            std::fprintf(stderr, "setns back failed\n");
            _exit(2);
        }
    }
};

// Child side: makes the namespaces and the veth pair; false to skip.
bool make_net_pair(NetPair* net) {
    if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) return false;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    // Named namespaces live in a /run of this mount namespace only.
    if (mount("tmpfs", "/run", "tmpfs", 0, "size=1m") != 0) return false;
    const char* setup =
        "ip link set lo up && ip netns add trvpeer && "
        "ip link add veth0 type veth peer name veth1 netns trvpeer && "
        "ip addr add 198.18.0.1/24 dev veth0 && ip link set veth0 up && "
        "ip -n trvpeer link set lo up && ip -n trvpeer addr add 198.18.0.2/24 dev veth1 && "
        "ip -n trvpeer link set veth1 up";
    std::string cmd = std::string("(") + setup + ") >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    net->own_ns = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    net->peer_ns = open("/run/netns/trvpeer", O_RDONLY | O_CLOEXEC);
    if (net->own_ns < 0 || net->peer_ns < 0) return false;
    if (!get_mac("veth0", net->local_mac)) return false;
    net->local_ifindex = static_cast<int>(if_nametoindex("veth0"));
    bool peer_ok = false;
    net->in_peer(
        [&] { peer_ok = get_mac("veth1", net->peer_mac) && wait_until([] { return link_running("veth1"); }); });
    return peer_ok && wait_until([] { return link_running("veth0"); });
}

// Runs `scenario` in a forked child inside fresh namespaces; the test fails
// when the child reports a failure, and is skipped when the namespaces
// cannot be made.
void run_in_namespaces(const std::function<void(const NetPair&)>& scenario) {
    trv_test::run_forked_scenario(
        [&] {
            NetPair net;
            if (!make_net_pair(&net)) return false;
            scenario(net);
            return true;
        },
        "no private network namespace here (needs unshare, mount and ip)");
}

using trv_test::aborts;

// Sockets on the peer side: the UDP socket the order node would read, and a
// capture of every frame that reaches veth1.
struct Peer {
    int udp = -1;
    int capture = -1;
    explicit Peer(const NetPair& net, uint16_t port = 40000) {
        net.in_peer([&] {
            udp = socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in a = make_addr("198.18.0.2", port);
            EXPECT_EQ(bind(udp, sa(a), sizeof a), 0);
            capture = socket(AF_PACKET, SOCK_RAW, htons(ETH_P_IP));
            sockaddr_ll sll;
            std::memset(&sll, 0, sizeof sll);
            sll.sll_family = AF_PACKET;
            sll.sll_protocol = htons(ETH_P_IP);
            sll.sll_ifindex = static_cast<int>(if_nametoindex("veth1"));
            EXPECT_EQ(bind(capture, reinterpret_cast<sockaddr*>(&sll), sizeof sll), 0);
        });
    }
    ~Peer() {
        close(udp);
        close(capture);
    }
    static std::vector<unsigned char> read(int fd, int ms, sockaddr_in* from = nullptr) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, ms) != 1) return {};
        std::vector<unsigned char> out(65536);
        sockaddr_storage src;
        socklen_t len = sizeof src;
        ssize_t n = recvfrom(fd, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&src), &len);
        if (n < 0) return {};
        out.resize(static_cast<size_t>(n));
        if (from) std::memcpy(from, &src, sizeof *from);
        return out;
    }
    std::vector<unsigned char> datagram(sockaddr_in* from = nullptr, int ms = 5000) { return read(udp, ms, from); }
    // The next captured frame carrying UDP to `port`, skipping other traffic.
    std::vector<unsigned char> frame(uint16_t port = 40000, int ms = 5000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            std::vector<unsigned char> f = read(capture, 50);
            if (f.size() >= 42 && f[23] == 17 && be16(f.data() + 36) == port) return f;
        }
        return {};
    }
};

// Logger to a fresh file; the child reads the sender's lines back.
struct LogFile : trv_test::TestLogFile {
    LogFile() : TestLogFile(nq::log::kDebug) {}
};

// A UDP/IPv4 frame built by the test itself, checksum included.
std::vector<unsigned char> test_frame(const NetPair& net, uint16_t dport, const std::string& payload) {
    std::vector<unsigned char> f(42 + payload.size(), 0);
    std::memcpy(f.data(), net.peer_mac, 6);
    std::memcpy(f.data() + 6, net.local_mac, 6);
    f[12] = 0x08;
    f[14] = 0x45;
    uint16_t tot = static_cast<uint16_t>(28 + payload.size());
    f[16] = tot >> 8;
    f[17] = tot & 0xff;
    f[22] = 64;
    f[23] = 17;
    const unsigned char src[4] = {198, 18, 0, 1}, dst[4] = {198, 18, 0, 2};
    std::memcpy(f.data() + 26, src, 4);
    std::memcpy(f.data() + 30, dst, 4);
    uint16_t c = static_cast<uint16_t>(~fold_sum(f.data() + 14, 20));
    f[24] = c >> 8;
    f[25] = c & 0xff;
    f[34] = 0x30;
    f[35] = 0x39;  // source port 12345
    f[36] = dport >> 8;
    f[37] = dport & 0xff;
    uint16_t ul = static_cast<uint16_t>(8 + payload.size());
    f[38] = ul >> 8;
    f[39] = ul & 0xff;
    std::memcpy(f.data() + 42, payload.data(), payload.size());
    return f;
}

// Driver, domain and one VI on veth0, plus a registered region of pages.
struct Adapter {
    ef_driver_handle dh = -1;
    ef_pd pd{};
    ef_vi vi{};
    ef_memreg mr{};
    unsigned char* region = nullptr;
    size_t region_len = 0;
    bool ok = false;
    Adapter(const NetPair& net, int rxq, int txq, ef_vi_flags flags, size_t pages = 4) {
        region_len = pages * 4096;
        void* p = nullptr;
        if (posix_memalign(&p, 4096, region_len) != 0) return;
        region = static_cast<unsigned char*>(p);
        std::memset(region, 0, region_len);
        ok = ef_driver_open(&dh) == 0 && ef_pd_alloc(&pd, dh, net.local_ifindex, EF_PD_DEFAULT) == 0 &&
             ef_vi_alloc_from_pd(&vi, dh, &pd, dh, -1, rxq, txq, nullptr, -1, flags) == 0 &&
             ef_memreg_alloc(&mr, dh, &pd, dh, region, region_len) == 0;
    }
    ~Adapter() {
        // The VI first: the adapter may write into registered buffers it holds.
        if (vi.state) ef_vi_free(&vi, dh);
        if (mr.state) ef_memreg_free(&mr, dh);
        if (pd.state) ef_pd_free(&pd, dh);
        if (dh >= 0) ef_driver_close(dh);
        free(region);
    }
    // Puts `frame` at `offset` of the region and transmits it.
    int transmit(size_t offset, const std::vector<unsigned char>& frame, ef_request_id id) {
        std::memcpy(region + offset, frame.data(), frame.size());
        ef_vi_transmit_ctpio(&vi, region + offset, frame.size(), 32);
        return ef_vi_transmit_ctpio_fallback(&vi, ef_memreg_dma_addr(&mr, offset), frame.size(), id);
    }
    // Polls (bounded) for the next event.
    bool next_event(ef_event* ev, double seconds = 5.0) {
        return wait_until([&] { return ef_eventq_poll(&vi, ev, 1) == 1; }, seconds);
    }
};

// ---- the emulated adapter ---------------------------------------------------

TEST(EmulatedAdapter, DmaAddressesAreSyntheticAndChecked) {
    run_in_namespaces([](const NetPair& net) {
        Adapter a(net, 0, -1, EF_VI_TX_CTPIO);
        ASSERT_TRUE(a.ok);
        ef_addr d0 = ef_memreg_dma_addr(&a.mr, 0);
        ef_addr d1 = ef_memreg_dma_addr(&a.mr, 4096);
        EXPECT_NE(d0, reinterpret_cast<uintptr_t>(a.region));
        EXPECT_EQ(ef_memreg_dma_addr(&a.mr, 100), d0 + 100) << "contiguous within a page";
        EXPECT_NE(d1, d0 + 4096) << "not contiguous across pages";
        std::vector<unsigned char> f = test_frame(net, 40000, "x");
        EXPECT_TRUE(aborts([&] {
            ef_vi_transmit_ctpio(&a.vi, a.region, f.size(), 32);
            ef_vi_transmit_ctpio_fallback(&a.vi, reinterpret_cast<uintptr_t>(a.region), f.size(), 1);
        })) << "a virtual address given as a DMA address";
        EXPECT_TRUE(aborts([&] { ef_vi_transmit_ctpio_fallback(&a.vi, d0 + 4000, 200, 1); })) << "crosses a page";
        EXPECT_TRUE(aborts([&] { ef_vi_transmit_ctpio_fallback(&a.vi, d0 + 4096, 64, 1); }))
            << "byte offset added across pages";
        EXPECT_TRUE(aborts([&] {
            std::memcpy(a.region + 2048, f.data(), f.size());
            a.region[2048 + 42] ^= 1;
            ef_vi_transmit_ctpio(&a.vi, f.data(), f.size(), 32);
            ef_vi_transmit_ctpio_fallback(&a.vi, ef_memreg_dma_addr(&a.mr, 2048), f.size(), 2);
        })) << "fallback bytes differ from the cut-through frame";
    });
}

TEST(EmulatedAdapter, ClosingTheDriverReleasesWhatWasAllocatedOnIt) {
    run_in_namespaces([](const NetPair& net) {
        int before = efemu::open_objects();
        ef_driver_handle dh;
        ASSERT_EQ(ef_driver_open(&dh), 0);
        ef_pd pd;
        ASSERT_EQ(ef_pd_alloc(&pd, dh, net.local_ifindex, EF_PD_DEFAULT), 0);
        ef_vi vi;
        ASSERT_EQ(ef_vi_alloc_from_pd(&vi, dh, &pd, dh, -1, 8, 0, nullptr, -1, EF_VI_FLAGS_DEFAULT), 0);
        void* mem = nullptr;
        ASSERT_EQ(posix_memalign(&mem, 4096, 8192), 0);
        ef_memreg mr;
        ASSERT_EQ(ef_memreg_alloc(&mr, dh, &pd, dh, mem, 8192), 0);
        ef_addr dma = ef_memreg_dma_addr(&mr, 64);
        EXPECT_EQ(efemu::open_objects(), before + 4);
        ASSERT_EQ(ef_driver_close(dh), 0);
        EXPECT_EQ(efemu::open_objects(), before);
        // The adapter no longer reaches that memory.
        Adapter other(net, 4, 0, EF_VI_FLAGS_DEFAULT);
        ASSERT_TRUE(other.ok);
        EXPECT_TRUE(aborts([&] { ef_vi_receive_init(&other.vi, dma, 1); }));
        free(mem);
    });
}

TEST(EmulatedAdapter, TransmitReachesThePeerAndCompletesOnce) {
    run_in_namespaces([](const NetPair& net) {
        Peer peer(net);
        Adapter a(net, 0, -1, EF_VI_TX_CTPIO);
        ASSERT_TRUE(a.ok);
        unsigned long sent_before = efemu::frames_sent();
        ASSERT_EQ(a.transmit(4096 + 64, test_frame(net, 40000, "hello peer"), 7), 0);
        std::vector<unsigned char> got = peer.datagram();
        EXPECT_EQ(std::string(got.begin(), got.end()), "hello peer");
        EXPECT_EQ(efemu::frames_sent(), sent_before + 1);
        ef_event ev;
        ASSERT_TRUE(a.next_event(&ev));
        EXPECT_EQ(ev.type, static_cast<uint32_t>(EF_EVENT_TYPE_TX));
        ef_request_id ids[EF_VI_TRANSMIT_BATCH];
        ASSERT_EQ(ef_vi_transmit_unbundle(&a.vi, &ev, ids), 1);
        EXPECT_EQ(ids[0], 7);
        EXPECT_EQ(ef_eventq_poll(&a.vi, &ev, 1), 0) << "one completion per descriptor";

        // A refused descriptor sends nothing and completes nothing.
        efemu::refuse_fallback(1);
        EXPECT_EQ(a.transmit(0, test_frame(net, 40000, "refused"), 8), -EAGAIN);
        EXPECT_TRUE(peer.datagram(nullptr, 300).empty());
        EXPECT_EQ(ef_eventq_poll(&a.vi, &ev, 1), 0);
        // A transmit error completes without sending.
        efemu::fail_transmit(1);
        ASSERT_EQ(a.transmit(0, test_frame(net, 40000, "lost"), 9), 0);
        ASSERT_TRUE(a.next_event(&ev));
        EXPECT_EQ(ev.type, static_cast<uint32_t>(EF_EVENT_TYPE_TX_ERROR));
        ASSERT_EQ(ef_vi_transmit_unbundle(&a.vi, &ev, ids), 1);
        EXPECT_EQ(ids[0], 9);
        EXPECT_TRUE(peer.datagram(nullptr, 300).empty());
    });
}

TEST(EmulatedAdapter, ReceiveFillsPostedBuffersForFilteredFramesOnly) {
    run_in_namespaces([](const NetPair& net) {
        Adapter a(net, 8, 0, EF_VI_FLAGS_DEFAULT);
        ASSERT_TRUE(a.ok);
        ef_filter_spec fs;
        ef_filter_spec_init(&fs, EF_FILTER_FLAG_NONE);
        sockaddr_in mine = make_addr("198.18.0.1", 41000);
        ASSERT_EQ(ef_filter_spec_set_ip4_local(&fs, IPPROTO_UDP, mine.sin_addr.s_addr, mine.sin_port), 0);
        ASSERT_EQ(ef_vi_filter_add(&a.vi, a.dh, &fs), 0);
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(ef_vi_receive_init(&a.vi, ef_memreg_dma_addr(&a.mr, i * 4096 + 64), 10 + i), 0);
        EXPECT_EQ(ef_vi_receive_fill_level(&a.vi), 4);
        ef_vi_receive_push(&a.vi);

        // From the peer: one datagram the filter does not name, then two it does.
        net.in_peer([&] {
            int s = socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in other = make_addr("198.18.0.1", 41001);
            sendto(s, "other", 5, 0, sa(other), sizeof other);
            sendto(s, "first", 5, 0, sa(mine), sizeof mine);
            sendto(s, "second!", 7, 0, sa(mine), sizeof mine);
            close(s);
        });
        ef_event ev;
        ASSERT_TRUE(a.next_event(&ev));
        EXPECT_EQ(ev.type, static_cast<uint32_t>(EF_EVENT_TYPE_RX));
        EXPECT_EQ(ev.rq_id, 10) << "buffers are used in the order they were posted";
        ASSERT_EQ(ev.len, 42u + 5);
        const unsigned char* f = a.region + 64;
        EXPECT_EQ(be16(f + 36), 41000);
        EXPECT_EQ(std::string(f + 42, f + 47), "first");
        ASSERT_TRUE(a.next_event(&ev));
        EXPECT_EQ(ev.rq_id, 11);
        EXPECT_EQ(std::string(a.region + 4096 + 64 + 42, a.region + 4096 + 64 + 49), "second!");
        EXPECT_EQ(ef_vi_receive_fill_level(&a.vi), 2);
        EXPECT_FALSE(a.next_event(&ev, 0.3)) << "the unfiltered datagram reaches no buffer";
    });
}

// ---- the order sender over the emulated adapter -------------------------------

struct SenderRun {
    LogFile log;
    sockaddr_in local = make_addr("198.18.0.1", 0);
    sockaddr_in dest = make_addr("198.18.0.2", 40000);
    KApiUdpSender* sender = new KApiUdpSender(sa(local));  // never freed, like the library's
    char dest_mac[12];
    explicit SenderRun(const NetPair& net) {
        std::memcpy(dest_mac, net.peer_mac, 6);
        std::memcpy(dest_mac + 6, net.local_mac, 6);
    }
    bool send(uint16_t code, const std::vector<unsigned char>& body) {
        unsigned char* p = sender->acquire_send_buffer(code, body.size());
        if (!p) return false;
        std::memcpy(p, body.data(), body.size());
        bool ok = sender->send_order(p, static_cast<uint16_t>(body.size()), sa(dest), dest_mac);
        sender->release_send_buffer(p);
        return ok;
    }
};

std::vector<unsigned char> pattern(size_t n, unsigned seed) {
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(seed * 29 + i * 5 + 3);
    return v;
}

void expect_datagram(const std::vector<unsigned char>& got, uint16_t code, const std::vector<unsigned char>& body) {
    ASSERT_EQ(got.size(), 6 + body.size());
    EXPECT_EQ(le16(got.data()), 8999);
    EXPECT_EQ(le16(got.data() + 2), body.size());
    EXPECT_EQ(le16(got.data() + 4), code);
    EXPECT_TRUE(std::equal(body.begin(), body.end(), got.begin() + 6));
}

TEST(BypassSender, FrameArrivesIntactAtThePeer) {
    run_in_namespaces([](const NetPair& net) {
        Peer peer(net);
        SenderRun run(net);
        ASSERT_TRUE(run.log.ok());
        ASSERT_TRUE(run.sender->initialize());
        ASSERT_TRUE(run.sender->use_efvi_);
        EXPECT_EQ(0, std::memcmp(KApiUdpSender::local_mac_addr_, net.local_mac, 6)) << "the adapter's MAC";
        unsigned long sent_before = efemu::frames_sent();

        std::vector<unsigned char> order = pattern(56, 1);
        ASSERT_TRUE(run.send(1283, order));
        EXPECT_EQ(KApiUdpSender::local_pkt_buf()->mode, KApiUdpSender::SEND_EFVI);
        EXPECT_EQ(KApiUdpSender::local_pkt_buf()->in_use, 0u);
        EXPECT_EQ(KApiUdpSender::local_pkt_buf()->tx_pending, 0u) << "release took the completion";
        sockaddr_in from;
        expect_datagram(peer.datagram(&from), 1283, order);
        EXPECT_EQ(from.sin_addr.s_addr, run.local.sin_addr.s_addr);
        EXPECT_EQ(from.sin_port, 0) << "the configured local port, not a kernel one";
        EXPECT_EQ(efemu::frames_sent(), sent_before + 1) << "sent by the adapter";

        std::vector<unsigned char> f = peer.frame();
        ASSERT_EQ(f.size(), 104u);
        EXPECT_EQ(0, std::memcmp(f.data(), net.peer_mac, 6));
        EXPECT_EQ(0, std::memcmp(f.data() + 6, net.local_mac, 6));
        EXPECT_EQ(be16(f.data() + 12), 0x0800);
        EXPECT_EQ(f[14], 0x45);
        EXPECT_EQ(be16(f.data() + 16), 90);
        EXPECT_EQ(be16(f.data() + 20), 0x4000);
        EXPECT_EQ(f[22], 8);
        EXPECT_EQ(f[23], 17);
        EXPECT_EQ(be16(f.data() + 24), 0xE66B);
        EXPECT_EQ(be16(f.data() + 36), 40000);
        EXPECT_EQ(be16(f.data() + 38), 70);
        EXPECT_EQ(be16(f.data() + 40), 0);
        EXPECT_EQ(be16(f.data() + 42), 0x2723);

        // The same buffer again with a shorter message.
        std::vector<unsigned char> cancel = pattern(32, 2);
        ASSERT_TRUE(run.send(1289, cancel));
        expect_datagram(peer.datagram(), 1289, cancel);
        std::vector<unsigned char> f2 = peer.frame();
        ASSERT_EQ(f2.size(), 80u);
        EXPECT_EQ(fold_sum(f2.data() + 14, 20), 0xffff);
        EXPECT_EQ(efemu::frames_sent(), sent_before + 2);
    });
}

TEST(BypassSender, PeerKernelDropsAFrameWithABadChecksum) {
    run_in_namespaces([](const NetPair& net) {
        Peer peer(net);
        SenderRun run(net);
        ASSERT_TRUE(run.sender->initialize());
        ASSERT_TRUE(run.sender->use_efvi_);
        uint32_t good = run.sender->partial_csum_;
        run.sender->partial_csum_ = good + 1;
        ASSERT_TRUE(run.send(1283, pattern(56, 3)));
        std::vector<unsigned char> f = peer.frame();
        ASSERT_EQ(f.size(), 104u) << "the frame reached the peer";
        EXPECT_NE(fold_sum(f.data() + 14, 20), 0xffff);
        EXPECT_TRUE(peer.datagram(nullptr, 500).empty()) << "and its kernel dropped it";

        run.sender->partial_csum_ = good;
        std::vector<unsigned char> body = pattern(56, 4);
        ASSERT_TRUE(run.send(1283, body));
        expect_datagram(peer.datagram(), 1283, body);
    });
}

TEST(BypassSender, RefusedFallbackGoesThroughTheKernelSocket) {
    run_in_namespaces([](const NetPair& net) {
        Peer peer(net);
        SenderRun run(net);
        ASSERT_TRUE(run.log.ok());
        ASSERT_TRUE(run.sender->initialize());
        ASSERT_TRUE(run.sender->use_efvi_);
        unsigned long sent_before = efemu::frames_sent();
        efemu::refuse_fallback(1);
        std::vector<unsigned char> body = pattern(56, 5);
        unsigned char* p = run.sender->acquire_send_buffer(1283, 56);
        ASSERT_NE(p, nullptr);
        std::memcpy(p, body.data(), 56);
        ASSERT_TRUE(run.sender->send_order(p, 56, sa(run.dest), run.dest_mac));
        EXPECT_EQ(KApiUdpSender::local_pkt_buf()->in_use, 0u) << "no completion will come";
        EXPECT_EQ(KApiUdpSender::local_pkt_buf()->tx_pending, 0u);
        auto t0 = std::chrono::steady_clock::now();
        run.sender->release_send_buffer(p);
        EXPECT_LT(std::chrono::steady_clock::now() - t0,
                  std::chrono::milliseconds(KApiUdpSender::kTxCompletionWaitNs / 1000000))
            << "release waits for no completion";
        sockaddr_in from;
        expect_datagram(peer.datagram(&from), 1283, body);
        EXPECT_NE(from.sin_port, 0) << "sent by the kernel socket";
        EXPECT_EQ(efemu::frames_sent(), sent_before);
        EXPECT_TRUE(
            run.log.wait_for("[DEBUG] send order, ef_vi_transmit_ctpio_fallback fail: { rc = -11, ip = 198.18.0.1 }"))
            << run.log.text();
        EXPECT_EQ(run.log.text().find("timed out"), std::string::npos);

        // The next message goes by the adapter again.
        ASSERT_TRUE(run.send(1289, pattern(32, 6)));
        peer.datagram(&from);
        EXPECT_EQ(from.sin_port, 0);
        EXPECT_EQ(efemu::frames_sent(), sent_before + 1);
    });
}

TEST(BypassSender, FailedSetUpStepLeavesTheSenderOnTheSocket) {
    run_in_namespaces([](const NetPair& net) {
        Peer peer(net);
        LogFile log;
        ASSERT_TRUE(log.ok());
        struct Case {
            efemu::Call call;
            int rc;
            const char* local;
            const char* line;
        };
        const Case cases[] = {
            {efemu::Call::driver_open, -1, "198.18.0.1",
             "[WARN] udp sender ef_driver_open failed: { rc = -1, ip = 198.18.0.1 }"},
            {efemu::Call::driver_open, 0, "0.0.0.0", "[WARN] udp sender get nic failed: { ip = 0.0.0.0 }"},
            {efemu::Call::pd_alloc, -16, "198.18.0.1",
             "[WARN] udp sender ef_pd_alloc_by_name failed: { rc = -16, ip = 198.18.0.1 }"},
            {efemu::Call::vi_alloc, -12, "198.18.0.1",
             "[WARN] udp sender ef_vi_alloc_from_pd failed: { rc = -12, ip = 198.18.0.1 }"},
            {efemu::Call::vi_get_mac, -5, "198.18.0.1",
             "[WARN] udp sender ef_vi_get_mac failed: { rc = -5, ip = 198.18.0.1 }"},
            {efemu::Call::memreg_alloc, -28, "198.18.0.1",
             "[WARN] udp sender ef_memreg_alloc failed: { rc = -28, ip = 198.18.0.1 }"},
        };
        int n = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.line);
            int open_before = efemu::open_objects();
            if (c.rc != 0) efemu::fail_next(c.call, c.rc);
            sockaddr_in local = make_addr(c.local, 0);
            auto* sender = new KApiUdpSender(sa(local));
            ASSERT_TRUE(sender->initialize());
            efemu::reset();
            EXPECT_FALSE(sender->use_efvi_);
            EXPECT_EQ(efemu::open_objects(), open_before) << "a failed set-up keeps nothing open";
            EXPECT_TRUE(log.wait_for(c.line)) << log.text();
            // A thread of its own, so that it takes a buffer of this sender.
            std::vector<unsigned char> body = pattern(56, 10 + n++);
            std::thread([&] {
                unsigned char* p = sender->acquire_send_buffer(1283, 56);
                ASSERT_NE(p, nullptr);
                EXPECT_EQ(KApiUdpSender::local_pkt_buf()->mode, KApiUdpSender::SEND_SOCKET);
                std::memcpy(p, body.data(), 56);
                sockaddr_in dest = make_addr("198.18.0.2", 40000);
                EXPECT_TRUE(sender->send_order(p, 56, sa(dest), reinterpret_cast<const char*>(net.peer_mac)));
                sender->release_send_buffer(p);
            }).join();
            sockaddr_in from;
            expect_datagram(peer.datagram(&from), 1283, body);
            EXPECT_NE(from.sin_port, 0) << "sent by the kernel socket";
        }
    });
}

TEST(BypassSender, ThreadWithoutItsOwnInterfaceSendsBySocket) {
    run_in_namespaces([](const NetPair& net) {
        Peer peer(net);
        SenderRun run(net);
        ASSERT_TRUE(run.log.ok());
        ASSERT_TRUE(run.sender->initialize());
        ASSERT_TRUE(run.sender->use_efvi_);
        efemu::fail_next(efemu::Call::vi_alloc, -16);
        std::vector<unsigned char> body = pattern(56, 20);
        uint32_t mode = 0;
        std::thread([&] {
            ASSERT_TRUE(run.send(1283, body));
            mode = KApiUdpSender::local_pkt_buf()->mode;
        }).join();
        EXPECT_EQ(mode, KApiUdpSender::SEND_SOCKET);
        sockaddr_in from;
        expect_datagram(peer.datagram(&from), 1283, body);
        EXPECT_NE(from.sin_port, 0);
        EXPECT_TRUE(run.log.wait_for("[WARN] udp sender ef_vi_alloc_from_pd fail: { rc = -16, ip = 198.18.0.1 }"))
            << run.log.text();
        // Other threads still get their own interface.
        std::thread([&] {
            ASSERT_TRUE(run.send(1283, body));
            mode = KApiUdpSender::local_pkt_buf()->mode;
        }).join();
        EXPECT_EQ(mode, KApiUdpSender::SEND_EFVI);
        peer.datagram(&from);
        EXPECT_EQ(from.sin_port, 0);
    });
}

TEST(BypassSender, MissingCompletionIsAwaitedOnlyForABoundedTime) {
    run_in_namespaces([](const NetPair& net) {
        Peer peer(net);
        SenderRun run(net);
        ASSERT_TRUE(run.log.ok());
        ASSERT_TRUE(run.sender->initialize());
        ASSERT_TRUE(run.sender->use_efvi_);
        efemu::hold_completions(true);
        std::vector<unsigned char> body = pattern(56, 30);
        unsigned char* p = run.sender->acquire_send_buffer(1283, 56);
        ASSERT_NE(p, nullptr);
        KApiUdpSender::pkt_buf_t* first = KApiUdpSender::local_pkt_buf();
        std::memcpy(p, body.data(), 56);
        ASSERT_TRUE(run.sender->send_order(p, 56, sa(run.dest), run.dest_mac));
        expect_datagram(peer.datagram(), 1283, body);
        auto t0 = std::chrono::steady_clock::now();
        run.sender->release_send_buffer(p);
        auto waited = std::chrono::steady_clock::now() - t0;
        EXPECT_GE(waited, std::chrono::nanoseconds(KApiUdpSender::kTxCompletionWaitNs));
        EXPECT_LT(waited, std::chrono::seconds(30));
        EXPECT_EQ(first->in_use, 0u);
        EXPECT_TRUE(run.log.wait_for(
            "[WARN] udp sender transmit completion timed out: { id = 2, pending = 1, ip = 198.18.0.1 }"))
            << run.log.text();

        // The adapter still owns that frame: the next message waits once more,
        // then leaves the buffer to it and goes on a fresh one by socket.
        std::vector<unsigned char> next = pattern(56, 31);
        ASSERT_TRUE(run.send(1283, next));
        EXPECT_NE(KApiUdpSender::local_pkt_buf(), first);
        EXPECT_EQ(KApiUdpSender::local_pkt_buf()->mode, KApiUdpSender::SEND_SOCKET);
        sockaddr_in from;
        expect_datagram(peer.datagram(&from), 1283, next);
        EXPECT_NE(from.sin_port, 0);
        EXPECT_TRUE(
            run.log.wait_for("[WARN] udp sender buffer abandoned, thread sends by socket: { id = 2, ip = 198.18.0.1 }"))
            << run.log.text();

        // A late completion is taken before the buffer is rewritten.
        std::thread([&] {
            std::vector<unsigned char> b = pattern(56, 32);
            ASSERT_TRUE(run.send(1283, b));  // times out on release
            KApiUdpSender::pkt_buf_t* mine = KApiUdpSender::local_pkt_buf();
            EXPECT_EQ(mine->tx_pending, 1u);
            efemu::hold_completions(false);
            ASSERT_TRUE(run.send(1289, pattern(32, 33)));
            EXPECT_EQ(KApiUdpSender::local_pkt_buf(), mine) << "the thread keeps its buffer";
            EXPECT_EQ(mine->mode, KApiUdpSender::SEND_EFVI);
            EXPECT_EQ(mine->tx_pending, 0u);
        }).join();
        expect_datagram(peer.datagram(), 1283, pattern(56, 32));
        expect_datagram(peer.datagram(&from), 1289, pattern(32, 33));
        EXPECT_EQ(from.sin_port, 0);
    });
}

TEST(BypassSender, TransmitErrorIsLogged) {
    run_in_namespaces([](const NetPair& net) {
        Peer peer(net);
        SenderRun run(net);
        ASSERT_TRUE(run.log.ok());
        ASSERT_TRUE(run.sender->initialize());
        efemu::fail_transmit(1);
        ASSERT_TRUE(run.send(1283, pattern(56, 40)));
        EXPECT_EQ(KApiUdpSender::local_pkt_buf()->tx_pending, 0u);
        EXPECT_TRUE(run.log.wait_for("[WARN] udp sender transmit error: { id = 2, ip = 198.18.0.1 }"))
            << run.log.text();
        EXPECT_TRUE(peer.datagram(nullptr, 300).empty());
    });
}

TEST(BypassSender, ThreadsSendSideBySideThroughTheirOwnInterfaces) {
    run_in_namespaces([](const NetPair& net) {
        Peer peer(net);
        int big = 8 << 20;
        setsockopt(peer.udp, SOL_SOCKET, SO_RCVBUFFORCE, &big, sizeof big);
        SenderRun run(net);
        ASSERT_TRUE(run.sender->initialize());
        ASSERT_TRUE(run.sender->use_efvi_);
        constexpr int kThreads = 4, kPerThread = 100;
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kPerThread; ++i) {
                    std::vector<unsigned char> body(56, static_cast<unsigned char>(t));
                    std::memcpy(body.data(), &i, sizeof i);
                    if (!run.send(1283, body)) ++failures;
                }
                if (KApiUdpSender::local_pkt_buf()->mode != KApiUdpSender::SEND_EFVI) ++failures;
            });
        }
        for (auto& th : threads) th.join();
        EXPECT_EQ(failures.load(), 0);
        std::vector<std::vector<bool>> seen(kThreads, std::vector<bool>(kPerThread, false));
        int received = 0, bad = 0;
        while (received < kThreads * kPerThread) {
            std::vector<unsigned char> got = peer.datagram(nullptr, 2000);
            if (got.empty()) break;
            ++received;
            int i = -1;
            if (got.size() == 62) std::memcpy(&i, got.data() + 6, sizeof i);
            int t = got.size() == 62 ? got[61] : -1;
            if (t < 0 || t >= kThreads || i < 0 || i >= kPerThread || seen[t][i]) {
                ++bad;
                continue;
            }
            seen[t][i] = true;
        }
        EXPECT_EQ(bad, 0);
        EXPECT_EQ(received, kThreads * kPerThread);
    });
}

}  // namespace
