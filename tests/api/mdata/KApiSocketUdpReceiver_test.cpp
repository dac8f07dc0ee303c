// UDP receivers in socket mode over loopback: multicast (IP_MULTICAST_IF
// 127.0.0.1, TTL 0) and unicast streams, mode selection, set-up failures,
// stopping and restarting. Each TEST runs in its own process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "api/mdata/KApiEfviUdpReceiver.h"
#include "api/mdata/KApiSocketUdpReceiver.h"
#include "api/mdata/KApiUdpReceiver.h"
#include "api/mdata/UdpTestSupport.h"
#include "framework/LastApiError.h"
#include "hostinfo/HostRoot.h"
#include "support/TestLogFile.h"

using nq::api::KApiSocketUdpReceiver;
using nq::api::KApiUdpReceiver;
using nq::api::udp_mcast_stream_t;
using nq::api::udp_receiver_config_t;
using namespace udp_test;

namespace {

trv_test::TestLogFile& log_file() {
    static trv_test::TestLogFile file(nq::log::kDebug);
    return file;
}

std::string last_error_text() { return nq::api::LastApiError::get_last_error().error_msg; }
uint64_t last_error_type() { return nq::api::LastApiError::get_last_error().error_code_type; }

udp_mcast_stream_t stream(uint16_t type, const sockaddr_in& group) { return udp_mcast_stream_t{type, group}; }

udp_receiver_config_t socket_config(std::initializer_list<udp_mcast_stream_t> streams) {
    udp_receiver_config_t c;
    c.rx_mode = nq::RX_MODE_SOCKET;
    c.local_addr = make_addr("127.0.0.1", 0);
    c.streams = streams;
    return c;
}

// A host root in which the loopback interface looks like a kernel-bypass
// adapter, so that automatic mode picks the bypass receiver; the library's
// own bypass backend then fails to open the device.
class LoopbackLooksLikeAdapter {
public:
    LoopbackLooksLikeAdapter() {
        char tmpl[] = "/tmp/trv_mdata_root.XXXXXX";
        root_ = mkdtemp(tmpl);
        std::string dev = root_ + "/sys/class/net/lo/device";
        std::string cmd = "mkdir -p " + dev;
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        std::ofstream(root_ + "/sys/class/net/lo/ifindex") << if_nametoindex("lo") << "\n";
        std::ofstream(dev + "/vendor") << "0x1924\n";
        std::ofstream(dev + "/device") << "0x0b03\n";
        nq::api::set_host_root(root_.c_str());
    }
    ~LoopbackLooksLikeAdapter() {
        nq::api::set_host_root("");
        std::string cmd = "rm -rf " + root_;
        std::system(cmd.c_str());
    }

private:
    std::string root_;
};

// Checks that every stream's numbered datagrams arrived whole, in order and
// with the stream's type.
void expect_in_order(const std::vector<Received>& got, const std::map<uint16_t, int>& want) {
    std::map<uint16_t, int> next;
    for (const Received& r : got) {
        ASSERT_TRUE(want.count(r.msg_type)) << "unexpected type " << r.msg_type;
        int seq = std::atoi(r.data.c_str() + 2);
        char tag[8];
        std::snprintf(tag, sizeof tag, "%02u", static_cast<unsigned>(r.msg_type % 100));
        EXPECT_EQ(r.data.substr(0, 2), tag);
        EXPECT_EQ(seq, next[r.msg_type]) << "type " << r.msg_type;
        // Lengths vary with the number: padding up to seq % 50 bytes.
        EXPECT_EQ(r.data.size(), 8u + static_cast<size_t>(seq % 50));
        next[r.msg_type] = seq + 1;
    }
    for (const auto& w : want) EXPECT_EQ(next[w.first], w.second) << "type " << w.first;
}

std::string numbered(uint16_t type, int seq) {
    char head[16];
    std::snprintf(head, sizeof head, "%02u%06d", static_cast<unsigned>(type % 100), seq);
    return std::string(head) + std::string(static_cast<size_t>(seq % 50), 'x');
}

TEST(SocketUdpReceiver, MulticastAndUnicastStreamsReachTheSinkInOrderWithTheirTypes) {
    ASSERT_TRUE(log_file().ok());
    const sockaddr_in g1 = make_addr(own_group(0).c_str(), free_port());
    const sockaddr_in g2 = make_addr(own_group(1).c_str(), free_port());
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    RecordingSink sink;
    std::unique_ptr<KApiUdpReceiver> r(KApiUdpReceiver::create("kapi_quote", &sink, socket_config({})));
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->mode_name(), "socket");
    ASSERT_TRUE(r->initialize(socket_config({stream(101, g1), stream(102, g2), stream(1, uni)})));
    ASSERT_TRUE(r->start());

    LoopbackSender tx;
    const int n = 300;
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(tx.send(g1, numbered(101, i)));
        ASSERT_TRUE(tx.send(g2, numbered(102, i)));
        ASSERT_TRUE(tx.send(uni, numbered(1, i)));
        if (i % 50 == 49) wait_until([&] { return sink.count() >= static_cast<size_t>(3 * (i + 1)); });
    }
    ASSERT_TRUE(wait_until([&] { return sink.count() >= 3u * n; })) << sink.count();
    expect_in_order(sink.got(), {{101, n}, {102, n}, {1, n}});
    r->finalize();

    std::string log = log_file().text();
    EXPECT_NE(log.find("udp receiver initialized: { name = kapi_quote, mode = socket, streams = 3, cpu_core = -1 }"),
              std::string::npos);
    char line[200];
    std::snprintf(
        line, sizeof line,
        "udp receiver socket joined multicast group: { mcast = 127.0.0.1:%u, local = 127.0.0.1, msg_type = 1,",
        static_cast<unsigned>(ntohs(uni.sin_port)));
    EXPECT_NE(log.find(line), std::string::npos) << "unicast streams log the joined line too";
}

// Every descriptor a receiver opens is close-on-exec: a program that forks
// and execs hands none of its market-data sockets to the child.
TEST(SocketUdpReceiver, DescriptorsAreCloseOnExec) {
    ASSERT_TRUE(log_file().ok());
    const auto open_fds = [] {
        std::set<int> fds;
        for (int fd = 0; fd < 4096; ++fd)
            if (fcntl(fd, F_GETFD) >= 0) fds.insert(fd);
        return fds;
    };
    const std::set<int> before = open_fds();
    RecordingSink sink;
    std::unique_ptr<KApiUdpReceiver> r(KApiUdpReceiver::create("kapi_quote", &sink, socket_config({})));
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(r->initialize(socket_config(
        {stream(101, make_addr(own_group(0).c_str(), free_port())), stream(1, make_addr("127.0.0.1", free_port()))})));
    size_t opened = 0;
    for (int fd : open_fds()) {
        if (before.count(fd) != 0) continue;
        ++opened;
        EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "descriptor " << fd;
    }
    EXPECT_GE(opened, 4u) << "epoll, wake-up event and one socket per stream";
    r->finalize();
}

TEST(SocketUdpReceiver, ModeSelectionOnAHostWithoutAdapter) {
    ASSERT_TRUE(log_file().ok());
    RecordingSink sink;
    udp_receiver_config_t c = socket_config({stream(1, make_addr("127.0.0.1", free_port()))});

    c.rx_mode = nq::RX_MODE_EFVI;
    EXPECT_EQ(KApiUdpReceiver::create("kapi_quote", &sink, c), nullptr);
    EXPECT_EQ(last_error_text(), "udp receiver efvi not supported");
    EXPECT_EQ(last_error_type(), 310u);

    c.rx_mode = static_cast<nq::QuoteRxMode>(3);
    EXPECT_EQ(KApiUdpReceiver::create("kapi_quote", &sink, c), nullptr);
    EXPECT_EQ(last_error_text(), "create udp receiver failed, unknown mode");

    c.rx_mode = nq::RX_MODE_AUTO;
    std::unique_ptr<KApiUdpReceiver> r(KApiUdpReceiver::create("auto_rx", &sink, c));
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->mode_name(), "socket");
    EXPECT_TRUE(log_file().wait_for("udp receiver efvi not supported, fallback to socket: { name = auto_rx }"));
}

TEST(SocketUdpReceiver, BypassSupportNeedsStreamsAndAnAdapter) {
    udp_receiver_config_t c = socket_config({});
    EXPECT_FALSE(KApiUdpReceiver::is_efvi_supported(c));
    c.streams.push_back(stream(1, make_addr("127.0.0.1", 1)));
    EXPECT_FALSE(KApiUdpReceiver::is_efvi_supported(c));
    LoopbackLooksLikeAdapter adapter;
    EXPECT_TRUE(KApiUdpReceiver::is_efvi_supported(c));
    c.streams.clear();
    EXPECT_FALSE(KApiUdpReceiver::is_efvi_supported(c));
}

TEST(SocketUdpReceiver, InitializeRefusals) {
    ASSERT_TRUE(log_file().ok());
    RecordingSink sink;
    KApiSocketUdpReceiver no_sink("r", nullptr);
    EXPECT_FALSE(no_sink.initialize(socket_config({stream(1, make_addr("127.0.0.1", free_port()))})));
    EXPECT_EQ(last_error_text(), "udp receiver init failed: sink is null.");

    KApiSocketUdpReceiver r("r", &sink);
    EXPECT_FALSE(r.initialize(socket_config({})));
    EXPECT_EQ(last_error_text(), "udp receiver init failed: streams empty.");
    EXPECT_EQ(r.runtime_, nullptr);

    // A unicast stream binds the local address, which is not on this host.
    udp_receiver_config_t c = socket_config({stream(1, make_addr("127.0.0.1", free_port()))});
    c.local_addr = make_addr("198.51.100.7", 0);
    EXPECT_FALSE(r.initialize(c));
    EXPECT_EQ(last_error_text(), "udp receiver init failed.");
    EXPECT_EQ(last_error_type(), 310u);
    EXPECT_EQ(r.runtime_, nullptr);
    EXPECT_FALSE(r.initialized_);
    EXPECT_TRUE(log_file().wait_for("udp receiver bind failed: { os_err_code = 99 }"));

    // A later good configuration still works on the same object.
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    ASSERT_TRUE(r.initialize(socket_config({stream(7, uni)})));
    ASSERT_TRUE(r.start());
    LoopbackSender tx;
    tx.send(uni, "after");
    EXPECT_TRUE(wait_until([&] { return sink.count() == 1; }));
    r.finalize();
    EXPECT_EQ(r.runtime_, nullptr);
    EXPECT_TRUE(r.config_.streams.empty());
    EXPECT_EQ(r.config_.buffer_size, 2048u);
}

TEST(SocketUdpReceiver, AnIdleReceiverNoticesAStopWithoutBeingWoken) {
    RecordingSink sink;
    KApiSocketUdpReceiver r("idle_rx", &sink);
    ASSERT_TRUE(r.initialize(socket_config({stream(1, make_addr("127.0.0.1", free_port()))})));
    ASSERT_TRUE(r.start());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Only the flag, as stopping every service thread does: no wake-up.
    r.stop();
    EXPECT_TRUE(wait_until([&] { return !r.is_alive(); }, 10.0));
    r.finalize();
}

TEST(SocketUdpReceiver, FinalizeEndsAThreadBlockedWithoutTraffic) {
    RecordingSink sink;
    KApiSocketUdpReceiver r("idle_rx", &sink);
    ASSERT_TRUE(r.initialize(socket_config({stream(1, make_addr("127.0.0.1", free_port()))})));
    ASSERT_TRUE(r.start());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    r.finalize();
    EXPECT_FALSE(r.is_alive());
    EXPECT_EQ(r.runtime_, nullptr);
}

TEST(SocketUdpReceiver, AnEmptyDatagramDoesNotStallThoseQueuedBehindIt) {
    RecordingSink sink;
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    KApiSocketUdpReceiver r("rx", &sink);
    ASSERT_TRUE(r.initialize(socket_config({stream(5, uni)})));
    // Queued before the thread runs: one edge for all of them.
    LoopbackSender tx;
    ASSERT_TRUE(tx.send(uni, "", 0));
    ASSERT_TRUE(tx.send(uni, "one"));
    ASSERT_TRUE(tx.send(uni, "two"));
    ASSERT_TRUE(r.start());
    EXPECT_TRUE(wait_until([&] { return sink.count() == 2; }, 10.0)) << sink.count();
    std::vector<Received> got = sink.got();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].data, "one");
    EXPECT_EQ(got[1].data, "two");
    r.finalize();
}

TEST(SocketUdpReceiver, DatagramsLongerThanTheBufferAreCut) {
    RecordingSink sink;
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    KApiSocketUdpReceiver r("rx", &sink);
    udp_receiver_config_t c = socket_config({stream(5, uni)});
    c.buffer_size = 100;
    c.rcvbuf = 1 << 20;
    ASSERT_TRUE(r.initialize(c));
    ASSERT_TRUE(r.start());
    LoopbackSender tx;
    tx.send(uni, std::string(300, 'a'));
    ASSERT_TRUE(wait_until([&] { return sink.count() == 1; }));
    EXPECT_EQ(sink.got()[0].data.size(), 100u);
    r.finalize();
}

// Streams of one thread take turns: with a backlog queued on one stream, the
// datagrams of another stream are read after one batch of the backlog, not
// after all of it.
TEST(SocketUdpReceiver, ABusyStreamDoesNotHoldBackTheOthersOnItsThread) {
    RecordingSink sink;
    const sockaddr_in busy = make_addr("127.0.0.1", free_port());
    const sockaddr_in quiet = make_addr("127.0.0.1", free_port());
    KApiSocketUdpReceiver r("rx", &sink);
    udp_receiver_config_t c = socket_config({stream(1, busy), stream(2, quiet)});
    c.rcvbuf = 1 << 20;
    ASSERT_TRUE(r.initialize(c));
    // Queued before the thread runs, the busy stream's first.
    LoopbackSender tx;
    constexpr int kBacklog = 150, kQuiet = 5;
    for (int i = 0; i < kBacklog; ++i) ASSERT_TRUE(tx.send(busy, numbered(1, i)));
    for (int i = 0; i < kQuiet; ++i) ASSERT_TRUE(tx.send(quiet, numbered(2, i)));
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(wait_until([&] { return sink.count() == size_t(kBacklog + kQuiet); }, 20.0)) << sink.count();
    r.finalize();
    const std::vector<Received> got = sink.got();
    expect_in_order(got, {{1, kBacklog}, {2, kQuiet}});
    size_t last_quiet = 0;
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i].msg_type == 2) last_quiet = i;
    EXPECT_LT(last_quiet, size_t(2 * KApiSocketUdpReceiver::kBatch + kQuiet))
        << "the quiet stream waited for the busy stream's backlog";
}

// Loss lines of one stream, from the log: dropped and truncated counts.
struct LossLine {
    uint64_t ms_of_day, dropped, truncated;
};
std::vector<LossLine> loss_lines(const std::string& log, const sockaddr_in& group) {
    char tag[96];
    std::snprintf(tag, sizeof tag, "udp receiver lost datagrams: { mcast = 127.0.0.1:%u, ",
                  static_cast<unsigned>(ntohs(group.sin_port)));
    std::vector<LossLine> lines;
    size_t at = 0;
    while ((at = log.find(tag, at)) != std::string::npos) {
        const size_t start = log.rfind('\n', at) == std::string::npos ? 0 : log.rfind('\n', at) + 1;
        unsigned date, h, m, sec, ms;
        unsigned long dropped = 0, truncated = 0;
        LossLine l{0, 0, 0};
        if (std::sscanf(log.c_str() + start, "[%u %u:%u:%u.%u]", &date, &h, &m, &sec, &ms) == 5)
            l.ms_of_day = ((h * 60ull + m) * 60ull + sec) * 1000ull + ms;
        const size_t d = log.find("dropped = ", at);
        if (d != std::string::npos)
            std::sscanf(log.c_str() + d, "dropped = %lu, truncated = %lu", &dropped, &truncated);
        l.dropped = dropped;
        l.truncated = truncated;
        lines.push_back(l);
        at += std::strlen(tag);
    }
    return lines;
}

// A datagram longer than the buffer is still handed on (cut), and said at
// WARN: at once the first time, then at most once a second with the count
// since the last line.
TEST(SocketUdpReceiver, CutDatagramsAreLoggedAtMostOnceASecondWithTheirCount) {
    ASSERT_TRUE(log_file().ok());
    RecordingSink sink;
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    KApiSocketUdpReceiver r("rx", &sink);
    udp_receiver_config_t c = socket_config({stream(5, uni)});
    c.buffer_size = 100;
    c.rcvbuf = 1 << 20;
    ASSERT_TRUE(r.initialize(c));
    ASSERT_TRUE(r.start());
    LoopbackSender tx;
    ASSERT_TRUE(tx.send(uni, std::string(300, 'a')));
    ASSERT_TRUE(wait_until([&] { return loss_lines(log_file().text(), uni).size() == 1; }, 20.0));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(tx.send(uni, std::string(101 + i, 'b')));
    ASSERT_TRUE(tx.send(uni, std::string(100, 'c')));  // fits: not counted
    ASSERT_TRUE(wait_until([&] { return loss_lines(log_file().text(), uni).size() == 2; }, 20.0));
    EXPECT_EQ(sink.count(), 5u);
    for (const Received& g : sink.got()) EXPECT_EQ(g.data.size(), 100u);
    r.finalize();
    const std::vector<LossLine> lines = loss_lines(log_file().text(), uni);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].truncated, 1u);
    EXPECT_EQ(lines[1].truncated, 3u);
    EXPECT_EQ(lines[0].dropped + lines[1].dropped, 0u);
    EXPECT_GE(lines[1].ms_of_day - lines[0].ms_of_day, 990u) << "two lines within a second";
    EXPECT_NE(log_file().text().find("msg_type = 5, dropped = 0, truncated = 1, buffer_size = 100 }"),
              std::string::npos);
}

// Datagrams the kernel dropped for want of room in the socket's buffer are
// counted from the drop count that the next datagram brings, and logged:
// every datagram sent is either delivered or counted.
TEST(SocketUdpReceiver, KernelDropsAreCountedAndLogged) {
    ASSERT_TRUE(log_file().ok());
    RecordingSink sink;
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    KApiSocketUdpReceiver r("rx", &sink);
    udp_receiver_config_t c = socket_config({stream(6, uni)});
    c.rcvbuf = 4096;  // room for a few datagrams only
    ASSERT_TRUE(r.initialize(c));
    LoopbackSender tx;
    constexpr int kFlood = 200;
    for (int i = 0; i < kFlood; ++i) ASSERT_TRUE(tx.send(uni, numbered(6, i)));
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(wait_until([&] { return sink.count() > 0; }, 20.0));
    // Whatever was queued is read; the next datagram brings the count.
    size_t before = 0;
    do {
        before = sink.count();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (sink.count() != before);
    ASSERT_LT(before, size_t(kFlood)) << "nothing was dropped: the buffer is larger than expected";
    ASSERT_TRUE(tx.send(uni, numbered(6, kFlood)));
    ASSERT_TRUE(wait_until([&] { return !loss_lines(log_file().text(), uni).empty(); }, 20.0));
    r.finalize();
    uint64_t dropped = 0, truncated = 0;
    for (const LossLine& l : loss_lines(log_file().text(), uni)) {
        dropped += l.dropped;
        truncated += l.truncated;
    }
    EXPECT_EQ(truncated, 0u);
    EXPECT_EQ(dropped + sink.count(), uint64_t(kFlood + 1));
}

TEST(SocketUdpReceiver, StopAndRestartOnOtherStreams) {
    RecordingSink sink;
    const sockaddr_in g1 = make_addr(own_group(2).c_str(), free_port());
    const sockaddr_in g2 = make_addr(own_group(3).c_str(), free_port());
    KApiSocketUdpReceiver r("rx", &sink);
    LoopbackSender tx;
    ASSERT_TRUE(r.initialize(socket_config({stream(101, g1)})));
    ASSERT_TRUE(r.start());
    tx.send(g1, "first");
    ASSERT_TRUE(wait_until([&] { return sink.count() == 1; }));
    r.finalize();

    ASSERT_TRUE(r.initialize(socket_config({stream(102, g2)})));
    ASSERT_TRUE(r.start());
    tx.send(g1, "old group");
    tx.send(g2, "second");
    ASSERT_TRUE(wait_until([&] { return sink.count() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<Received> got = sink.got();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].msg_type, 102);
    EXPECT_EQ(got[1].data, "second");
    r.finalize();
}

TEST(SocketUdpReceiver, InitializingARunningReceiverStopsItFirst) {
    RecordingSink sink;
    const sockaddr_in a = make_addr("127.0.0.1", free_port());
    const sockaddr_in b = make_addr("127.0.0.1", free_port());
    KApiSocketUdpReceiver r("rx", &sink);
    ASSERT_TRUE(r.initialize(socket_config({stream(1, a)})));
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.initialize(socket_config({stream(2, b)})));
    EXPECT_FALSE(r.is_alive());
    ASSERT_TRUE(r.start());
    LoopbackSender tx;
    tx.send(b, "b");
    ASSERT_TRUE(wait_until([&] { return sink.count() == 1; }));
    EXPECT_EQ(sink.got()[0].msg_type, 2);
    r.finalize();
}

// A sink that is inside its call while the receiver is being destroyed.
class SlowSink : public nq::api::IUdpDataSink {
public:
    void on_data(uint16_t, const void*, size_t) override {
        inside = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ++calls;
        inside = false;
    }
    std::atomic<bool> inside{false};
    std::atomic<int> calls{0};
};

TEST(SocketUdpReceiver, DestroyingARunningReceiverStopsItFirst) {
    SlowSink sink;
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    auto* r = new KApiSocketUdpReceiver("kapi_quote", &sink);
    ASSERT_TRUE(r->initialize(socket_config({stream(5, uni)})));
    ASSERT_TRUE(r->start());
    LoopbackSender tx;
    tx.send(uni, "x");
    ASSERT_TRUE(wait_until([&] { return sink.inside.load(); }));
    delete r;  // the thread is still inside the sink
    EXPECT_EQ(sink.calls.load(), 1);
    EXPECT_FALSE(sink.inside.load());
}

TEST(SocketUdpReceiver, AutomaticModeFallsBackToSocketsWhenBypassSetUpFails) {
    ASSERT_TRUE(log_file().ok());
    LoopbackLooksLikeAdapter adapter;
    RecordingSink sink;
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    udp_receiver_config_t c = socket_config({stream(9, uni)});
    c.rx_mode = nq::RX_MODE_AUTO;
    std::unique_ptr<KApiUdpReceiver> r(KApiUdpReceiver::create("rx", &sink, c));
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->mode_name(), "efvi");
    EXPECT_FALSE(r->initialize(c));
    EXPECT_EQ(last_error_text(), "udp receiver init failed.");
    EXPECT_TRUE(log_file().wait_for("udp receiver ef_driver_open failed: { rc = -19, local_ip = 127.0.0.1 }"));
    EXPECT_EQ(static_cast<nq::api::KApiEfviUdpReceiver*>(r.get())->runtime_, nullptr);
}

TEST(SocketUdpReceiver, BypassRefusesFewerThanTwoBuffers) {
    ASSERT_TRUE(log_file().ok());
    LoopbackLooksLikeAdapter adapter;
    RecordingSink sink;
    for (uint64_t count : {0ull, 1ull}) {
        udp_receiver_config_t c = socket_config({stream(9, make_addr("127.0.0.1", free_port()))});
        c.rx_mode = nq::RX_MODE_EFVI;
        c.buffer_count = count;
        nq::api::KApiEfviUdpReceiver r("rx", &sink);
        EXPECT_FALSE(r.initialize(c));
        EXPECT_EQ(r.runtime_, nullptr);
    }
    EXPECT_TRUE(log_file().wait_for("udp receiver efvi invalid buffers: { buffer_count = 1,"));
    EXPECT_EQ(log_file().text().find("ef_driver_open failed"), std::string::npos)
        << "refused before the device is opened";
}

}  // namespace
