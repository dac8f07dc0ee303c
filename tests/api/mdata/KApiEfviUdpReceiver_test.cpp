// The kernel-bypass receiver over the emulated adapter. Every scenario runs
// in a forked child inside network namespaces of its own: veth0
// (198.18.0.1/24) in the child's namespace, where the receiver runs, and its
// peer veth1 (198.18.0.2/24) in a second one, from which the test sends
// multicast and unicast datagrams. A host root makes veth0 look like a
// supported adapter. Skipped where the namespaces cannot be made.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "api/efvi/EfVi.h"
#include "api/efvi/EfViEmulated.h"
#include "api/mdata/KApiEfviUdpReceiver.h"
#include "api/mdata/QuoteUdpWorker.h"
#include "api/mdata/UdpTestSupport.h"
#include "framework/LastApiError.h"
#include "hostinfo/HostRoot.h"
#include "support/ForkedScenario.h"
#include "support/TestLogFile.h"

using nq::api::KApiEfviUdpReceiver;
using nq::api::KApiUdpReceiver;
using nq::api::udp_mcast_stream_t;
using nq::api::udp_receiver_config_t;
using namespace udp_test;

namespace {

constexpr const char* kLocalIp = "198.18.0.1";
constexpr const char* kGroupA = "239.18.0.1";
constexpr const char* kGroupB = "239.18.0.2";

bool link_running(const char* ifname) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr;
    std::memset(&ifr, 0, sizeof ifr);
    std::snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "%s", ifname);
    bool ok = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &ifr) == 0 && (ifr.ifr_flags & IFF_RUNNING);
    if (fd >= 0) close(fd);
    return ok;
}

// The peer namespace's sending socket, made there and used from here.
struct Net {
    int own_ns = -1;
    int peer_ns = -1;
    int tx = -1;

    bool send(const char* ip, uint16_t port, const std::string& payload) const {
        sockaddr_in to = make_addr(ip, port);
        return sendto(tx, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
               static_cast<ssize_t>(payload.size());
    }
};

bool make_net(Net* net) {
    if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) return false;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
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
    if (setns(net->peer_ns, CLONE_NEWNET) != 0) return false;
    net->tx = socket(AF_INET, SOCK_DGRAM, 0);
    in_addr peer;
    inet_pton(AF_INET, "198.18.0.2", &peer);
    setsockopt(net->tx, IPPROTO_IP, IP_MULTICAST_IF, &peer, sizeof peer);
    unsigned char ttl = 1;
    setsockopt(net->tx, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    bool peer_up = wait_until([] { return link_running("veth1"); }, 10.0);
    if (setns(net->own_ns, CLONE_NEWNET) != 0) _exit(2);
    return net->tx >= 0 && peer_up && wait_until([] { return link_running("veth0"); }, 10.0);
}

// Makes veth0 look like a supported adapter to the host-information lookups.
void fake_adapter_root() {
    char tmpl[] = "/tmp/trv_efvi_root.XXXXXX";
    std::string root = mkdtemp(tmpl);
    std::string dev = root + "/sys/class/net/veth0/device";
    std::string cmd = "mkdir -p " + dev;
    if (std::system(cmd.c_str()) != 0) _exit(2);
    std::ofstream(root + "/sys/class/net/veth0/ifindex") << if_nametoindex("veth0") << "\n";
    std::ofstream(dev + "/vendor") << "0x1924\n";
    std::ofstream(dev + "/device") << "0x0b03\n";
    nq::api::set_host_root(strdup(root.c_str()));
}

trv_test::TestLogFile* g_log = nullptr;

void run_in_namespaces(const std::function<void(const Net&)>& scenario) {
    trv_test::run_forked_scenario(
        [&] {
            Net net;
            if (!make_net(&net)) return false;
            fake_adapter_root();
            g_log = new trv_test::TestLogFile(nq::log::kDebug);
            efemu::reset();
            scenario(net);
            return true;
        },
        "no private network namespace here (needs unshare, mount and ip)");
}

using trv_test::aborts;

udp_receiver_config_t bypass_config(std::vector<udp_mcast_stream_t> streams, uint64_t buffer_count = 8) {
    udp_receiver_config_t c;
    c.rx_mode = nq::RX_MODE_EFVI;
    c.local_addr = make_addr(kLocalIp, 0);
    c.buffer_count = buffer_count;
    c.streams = std::move(streams);
    return c;
}

class RecordingSpi : public nq::TRVQuoteSpi {
public:
    void on_quote(nq::QuoteMCType, const void*, uint32_t) override { ++count_; }
    int count() const { return count_.load(); }

private:
    std::atomic<int> count_{0};
};

std::string last_error_text() { return nq::api::LastApiError::get_last_error().error_msg; }

std::string numbered(int seq) { return std::to_string(seq) + ":" + std::string(static_cast<size_t>(seq % 40), 'p'); }

TEST(EfviUdpReceiver, FilteredStreamsReachTheSinkInOrderThroughARefilledRing) {
    run_in_namespaces([](const Net& net) {
        RecordingSink sink;
        const uint16_t pa = 31001, pb = 31002, pu = 31003, other = 31004;
        udp_receiver_config_t c = bypass_config(
            {{101, make_addr(kGroupA, pa)}, {102, make_addr(kGroupB, pb)}, {1, make_addr(kLocalIp, pu)}}, 8);
        std::unique_ptr<KApiUdpReceiver> r(KApiUdpReceiver::create("kapi_quote", &sink, c));
        ASSERT_NE(r, nullptr);
        EXPECT_STREQ(r->mode_name(), "efvi");
        ASSERT_TRUE(r->initialize(c)) << last_error_text();
        auto* rt = static_cast<KApiEfviUdpReceiver*>(r.get())->runtime_;
        ASSERT_NE(rt, nullptr);
        EXPECT_TRUE(rt->ready);
        EXPECT_EQ(rt->stride, 4096u);
        EXPECT_EQ(ef_vi_receive_fill_level(&rt->vi), 7) << "the ring is kept one short of full";
        ASSERT_EQ(rt->join_sockets.size(), 2u) << "one membership per multicast group";
        for (int fd : rt->join_sockets) EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "a child of exec gets none";
        ASSERT_TRUE(r->start());

        // Many more frames than buffers: every one needs a refilled ring.
        const int n = 60;
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(net.send(kGroupA, pa, numbered(i)));
            ASSERT_TRUE(net.send(kGroupB, pb, numbered(i)));
            ASSERT_TRUE(net.send(kLocalIp, pu, numbered(i)));
            ASSERT_TRUE(net.send(kGroupA, other, "not filtered"));
            if (i % 2 == 1) wait_until([&] { return sink.count() >= static_cast<size_t>(3 * (i + 1)); });
        }
        ASSERT_TRUE(wait_until([&] { return sink.count() >= 3u * n; })) << sink.count();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::map<uint16_t, int> next;
        for (const Received& q : sink.got()) {
            ASSERT_TRUE(q.msg_type == 101 || q.msg_type == 102 || q.msg_type == 1) << q.msg_type;
            EXPECT_EQ(q.data, numbered(next[q.msg_type]++));
        }
        EXPECT_EQ(next[101], n);
        EXPECT_EQ(next[102], n);
        EXPECT_EQ(next[1], n);

        r->finalize();
        EXPECT_EQ(efemu::open_objects(), 0) << "everything the set-up allocated is released";
        EXPECT_TRUE(
            g_log->wait_for("udp receiver efvi joined multicast group: { mcast = 239.18.0.1:31001, msg_type = 101, "
                            "local_ip = 198.18.0.1 }"));
        EXPECT_TRUE(g_log->wait_for("udp receiver initialized: { name = kapi_quote, mode = efvi, streams = 3"));
    });
}

TEST(EfviUdpReceiver, DiscardedFramesGiveTheirBuffersBack) {
    run_in_namespaces([](const Net& net) {
        RecordingSink sink;
        const uint16_t port = 31011;
        KApiEfviUdpReceiver r("kapi_quote", &sink);
        ASSERT_TRUE(r.initialize(bypass_config({{101, make_addr(kGroupA, port)}}, 4)));
        ASSERT_TRUE(r.start());
        // Far more discards than the ring holds: a receiver that lost the
        // buffer of each would go deaf after three.
        efemu::discard_next(12);
        for (int i = 0; i < 12; ++i) ASSERT_TRUE(net.send(kGroupA, port, "discarded"));
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(net.send(kGroupA, port, numbered(i)));
        ASSERT_TRUE(wait_until([&] { return sink.count() >= 5; }, 20.0)) << sink.count();
        std::vector<Received> got = sink.got();
        ASSERT_EQ(got.size(), 5u);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(got[static_cast<size_t>(i)].data, numbered(i));
        r.finalize();
        EXPECT_EQ(efemu::open_objects(), 0);
    });
}

TEST(EfviUdpReceiver, BusyPollingReceivesToo) {
    run_in_namespaces([](const Net& net) {
        RecordingSink sink;
        const uint16_t port = 31021;
        KApiEfviUdpReceiver r("kapi_quote", &sink);
        udp_receiver_config_t c = bypass_config({{7, make_addr(kLocalIp, port)}});
        c.busy_poll = true;
        c.use_huge_pages = true;  // heap region when the host has no huge pages
        ASSERT_TRUE(r.initialize(c));
        EXPECT_NE(r.runtime_->region, nullptr);
        ASSERT_TRUE(r.start());
        ASSERT_TRUE(net.send(kLocalIp, port, "spin"));
        ASSERT_TRUE(wait_until([&] { return sink.count() == 1; }));
        EXPECT_EQ(sink.got()[0].msg_type, 7);
        r.finalize();
        EXPECT_EQ(efemu::open_objects(), 0);
    });
}

TEST(EfviUdpReceiver, SetUpFailuresReleaseWhatWasBuilt) {
    run_in_namespaces([](const Net&) {
        RecordingSink sink;
        struct Fault {
            efemu::Call call;
            const char* line;
        };
        const Fault faults[] = {
            {efemu::Call::driver_open, "udp receiver ef_driver_open failed: { rc = -5, local_ip = 198.18.0.1 }"},
            {efemu::Call::pd_alloc, "udp receiver ef_pd_alloc failed: { rc = -5, nic = "},
            {efemu::Call::vi_alloc, "udp receiver ef_vi_alloc_from_pd failed: { rc = -5, local_ip = 198.18.0.1 }"},
            {efemu::Call::memreg_alloc, "udp receiver ef_memreg_alloc failed: { rc = -5, local_ip = 198.18.0.1 }"},
            {efemu::Call::filter_add, "udp receiver ef_vi_filter_add failed: { rc = -5, local_ip = 198.18.0.1 }"},
        };
        for (const Fault& f : faults) {
            SCOPED_TRACE(f.line);
            efemu::reset();
            efemu::fail_next(f.call, -EIO);
            KApiEfviUdpReceiver r("kapi_quote", &sink);
            EXPECT_FALSE(r.initialize(bypass_config({{1, make_addr(kGroupA, 31031)}, {2, make_addr(kGroupB, 31032)}})));
            EXPECT_EQ(last_error_text(), "udp receiver init failed.");
            EXPECT_EQ(r.runtime_, nullptr);
            EXPECT_EQ(efemu::open_objects(), 0);
            EXPECT_TRUE(g_log->wait_for(f.line));
        }
        // An address on no interface.
        KApiEfviUdpReceiver r("kapi_quote", &sink);
        udp_receiver_config_t c = bypass_config({{1, make_addr(kGroupA, 31031)}});
        c.local_addr = make_addr("198.18.9.9", 0);
        EXPECT_FALSE(r.initialize(c));
        EXPECT_TRUE(g_log->wait_for("udp receiver efvi get_nic_id failed: { local_ip = 198.18.9.9 }"));
    });
}

TEST(EfviUdpReceiver, AutomaticModeFallsBackToSocketsWhenSetUpFails) {
    run_in_namespaces([](const Net& net) {
        RecordingSpi spi;
        const uint16_t port = 31041;
        udp_receiver_config_t c = bypass_config({{101, make_addr(kGroupA, port)}});
        c.rx_mode = nq::RX_MODE_AUTO;
        efemu::fail_next(efemu::Call::filter_add, -EPERM);
        nq::api::QuoteUdpWorker worker("kapi_quote", &spi);
        ASSERT_TRUE(worker.start(c));
        ASSERT_NE(worker.receiver_, nullptr);
        EXPECT_STREQ(worker.receiver_->mode_name(), "socket");
        EXPECT_TRUE(g_log->wait_for("udp receiver efvi init failed, fallback to socket: { name = kapi_quote }"));
        ASSERT_TRUE(net.send(kGroupA, port, "through the kernel"));
        ASSERT_TRUE(wait_until([&] { return spi.count() == 1; }));
        worker.stop();

        // Asked for bypass explicitly, the same failure is final.
        efemu::fail_next(efemu::Call::filter_add, -EPERM);
        c.rx_mode = nq::RX_MODE_EFVI;
        EXPECT_FALSE(worker.start(c));
        EXPECT_EQ(last_error_text(), "udp receiver init failed.");
        EXPECT_EQ(worker.receiver_, nullptr);
    });
}

TEST(EfviUdpReceiver, TheAdapterCatchesARegistrationFreedBeforeItsVi) {
    run_in_namespaces([](const Net&) {
        RecordingSink sink;
        KApiEfviUdpReceiver r("kapi_quote", &sink);
        ASSERT_TRUE(r.initialize(bypass_config({{1, make_addr(kGroupA, 31051)}})));
        auto* rt = r.runtime_;
        EXPECT_TRUE(aborts([&] { ef_memreg_free(&rt->memreg, rt->driver_handle); }));
        r.finalize();  // frees the VI first, so no abort here
        EXPECT_EQ(efemu::open_objects(), 0);
    });
}

}  // namespace
