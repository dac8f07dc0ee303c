// The TCP transport over socketpairs and loopback, driven one receive round
// and one sweep at a time, with the cached clock set by the test.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/TransportFixture.h"
#include "support/BlackHole.h"
#include "support/TestLogFile.h"
#include "support/WaitUntil.h"

namespace transport_test { namespace {

using namespace testpeer;

constexpr uint64_t kSlotMask = 0xffff;
uint64_t counter_of(uint64_t id) { return (id >> 16) & 0xfffff; }
uint64_t tag_of(uint64_t id) { return id >> 36; }

// ---- session ids and the session table ----------------------------------

TEST_F(TransportTest, StaleIdOfAReusedSlotReachesNothing) {
    uint64_t a = 0;
    const int peer_a = open_pair(&a);
    ASSERT_NE(a, 0u);
    EXPECT_EQ(a & kSlotMask, 1u);
    EXPECT_EQ(counter_of(a), 1u);
    EXPECT_EQ(tag_of(a), nq::api::session_startup_tag());
    EXPECT_LT(nq::api::session_startup_tag(), 1ull << 28);

    io->close_session(a, false);
    EXPECT_TRUE(wait_eof(peer_a, 5000)) << "a user-closed session is shut down at once";
    sweep_until_freed(a);

    uint64_t b = 0;
    const int peer_b = open_pair(&b, 2);
    ASSERT_NE(b, 0u);
    EXPECT_EQ(b & kSlotMask, 1u) << "the freed slot is reused";
    EXPECT_NE(counter_of(a), counter_of(b));
    EXPECT_NE(a, b);

    EXPECT_EQ(io->acquire_session(a), nullptr);
    TcpSession* s = io->acquire_session(b);
    ASSERT_NE(s, nullptr);
    s->release();

    // Closing the stale id must not touch the slot's new session.
    io->close_session(a, false);
    io->close_session(a, true);  // nothing to wait for
    EXPECT_TRUE(slot_object(b)->is_alive());
    EXPECT_EQ(slot_object(b)->session_id(), b);

    // The user's close was not reported; the reused slot reports its own loss.
    EXPECT_TRUE(io->events_of(SessionEvent::kDisconnect).empty());
    set_now(ApiLocalTime::mono_ms() + 5001);
    io->heartbeat_check_proc();  // marked dead
    io->heartbeat_check_proc();  // closed
    set_now(ApiLocalTime::mono_ms() + 1001);
    io->heartbeat_check_proc();  // freed and reported
    auto lost = io->events_of(SessionEvent::kDisconnect);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].id, b);
    EXPECT_EQ(lost[0].type, 2);
    EXPECT_EQ(io->events_of(SessionEvent::kOpen).size(), 2u);
    EXPECT_EQ(io->events_of(SessionEvent::kClose).size(), 2u);
    close(peer_a);
    close(peer_b);
}

// A program that forks and execs must not hand its counter connection, or
// the transport's epoll instance, to the child.
TEST_F(TransportTest, GatewaySocketAndEpollAreCloseOnExec) {
    testpeer::Listener listener;
    ASSERT_TRUE(listener.open());
    const int fd = TcpSession::tcp_connect(reinterpret_cast<const sockaddr*>(&listener.addr), nullptr);
    ASSERT_GE(fd, 0);
    EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    close(fd);
    ASSERT_GE(io->epoll_fd_, 0);
    EXPECT_NE(fcntl(io->epoll_fd_, F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(TransportTest, OpenCounterExhaustsAfter1048574Sessions) {
    io->open_counter_.store(0xffffe);
    uint64_t last = 0;
    const int peer_last = open_pair(&last);
    ASSERT_NE(last, 0u);
    EXPECT_EQ(counter_of(last), 0xffffeu);

    for (int i = 0; i < 2; ++i) {
        uint64_t none = 1;
        const int peer = open_pair(&none);
        EXPECT_EQ(none, 0u);
        EXPECT_TRUE(wait_eof(peer, 5000)) << "the refused socket is closed";
        close(peer);
    }
    close(peer_last);
}

TEST_F(TransportTest, FailedEpollRegistrationFailsTheOpenAndClosesTheSocket) {
    char path[] = "/tmp/trv_epoll_XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    unlink(path);
    EXPECT_EQ(io->open_session(file, 1), 0u) << "a regular file cannot be watched by epoll";
    errno = 0;
    EXPECT_EQ(fcntl(file, F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_TRUE(io->events_of(SessionEvent::kOpen).empty());

    uint64_t id = 0;
    const int peer = open_pair(&id);
    EXPECT_EQ(id & kSlotMask, 1u) << "the slot was given back";
    io->heartbeat_check_proc();
    EXPECT_TRUE(io->events_of(SessionEvent::kClose).empty());
    close(peer);
}

TEST_F(TransportTest, NoSessionObjectFailsTheOpenAndClosesTheSocket) {
    io->fail_create = true;
    uint64_t id = 1;
    const int peer = open_pair(&id);
    EXPECT_EQ(id, 0u);
    EXPECT_TRUE(wait_eof(peer, 5000));
    close(peer);
}

TEST_F(TransportTest, NoFreeSlotFailsTheOpenAndClosesTheSocket) {
    // Every slot holds a live session: a stand-in object with an id.
    TcpSession busy(io);
    busy.session_id_.store(0xbeef0001);
    std::vector<unsigned long> borrowed;
    for (unsigned long slot = 1; slot < TcpMessageIO::kSlotCount; ++slot) {
        if (io->sessions_[slot].load() != nullptr) continue;
        io->sessions_[slot].store(&busy);
        borrowed.push_back(slot);
    }
    uint64_t id = 1;
    const int peer = open_pair(&id);
    EXPECT_EQ(id, 0u);
    EXPECT_TRUE(wait_eof(peer, 5000)) << "the library end of the socket is still open";
    EXPECT_TRUE(io->events_of(SessionEvent::kOpen).empty());
    for (unsigned long slot : borrowed) io->sessions_[slot].store(nullptr);
    close(peer);
}

// ---- framing ------------------------------------------------------------

struct FramingCase {
    const char* name;
    uint64_t back;                  // the stream starts this many bytes before the ring's end (0: at its start)
    std::vector<uint32_t> lengths;  // frames, sent back to back
    std::vector<size_t> cuts;       // stream offsets where the peer pauses and the receiver runs
};

TEST_F(TransportTest, FramesAreCutWholeInOrderAndContiguous) {
    const std::vector<FramingCase> cases = {
        {"one frame", 0, {100}, {}},
        {"split over several segments", 0, {1000}, {1, 10, 63, 64, 65, 500, 999}},
        {"coalesced in one segment", 0, {64, 72, 300, 65536, 64}, {}},
        {"header crosses the ring end", 40, {1000}, {}},
        {"header crosses the ring end, arriving in pieces", 40, {1000}, {20, 40, 41, 63, 64, 600}},
        {"body crosses the ring end", 200, {1000}, {}},
        {"body crosses the ring end, arriving in pieces", 200, {1000}, {150, 200, 201, 700}},
        {"frame ends exactly at the ring end", 1000, {1000, 100}, {}},
        {"header ends exactly at the ring end", 64, {64, 500}, {}},
        {"longest frame across the ring end", 100, {65536, 64}, {}},
        {"many frames around the ring end", 300, {70, 70, 70, 70, 70, 70}, {}},
    };
    for (size_t ci = 0; ci < cases.size(); ++ci) {
        const FramingCase& c = cases[ci];
        SCOPED_TRACE(c.name);
        fw->received.clear();
        uint64_t id = 0;
        const int peer = open_pair(&id);
        ASSERT_NE(id, 0u);
        TcpSession* s = slot_object(id);
        if (c.back != 0) {
            // As if ring_size - back bytes had been received and framed already.
            s->read_count_ = s->write_count_ = s->ring_size_ - c.back;
        }
        Bytes stream;
        for (size_t i = 0; i < c.lengths.size(); ++i) {
            Bytes f = make_frame(static_cast<uint32_t>(100 + i), c.lengths[i], ci * 16 + i, 0xdeadbeef);
            stream.insert(stream.end(), f.begin(), f.end());
        }
        size_t sent = 0;
        for (size_t cut : c.cuts) {
            ASSERT_TRUE(send_all(peer, stream.data() + sent, cut - sent));
            sent = cut;
            pump_until_idle();
            size_t complete = 0, end = 0;
            for (uint32_t l : c.lengths)
                if ((end += l) <= sent) ++complete;
            ASSERT_EQ(fw->received.size(), complete) << "after " << sent << " bytes";
        }
        ASSERT_TRUE(send_all(peer, stream.data() + sent, stream.size() - sent));
        pump_until_idle();
        ASSERT_EQ(fw->received.size(), c.lengths.size());
        for (size_t i = 0; i < c.lengths.size(); ++i) {
            const ReceivedFrame& r = fw->received[i];
            EXPECT_TRUE(r.contiguous) << "frame " << i;
            EXPECT_EQ(code_of(r.bytes.data()), 100 + i);
            EXPECT_EQ(length_of(r.bytes.data()), c.lengths[i]);
            EXPECT_EQ(session_of(r.bytes.data()), id) << "the local session id replaces the peer's";
            EXPECT_TRUE(body_matches(r.bytes.data(), c.lengths[i], ci * 16 + i)) << "frame " << i;
        }
        EXPECT_TRUE(s->is_alive());
        io->close_session(id, false);
        close(peer);
    }
}

// The write position behind the read position: reading on to the ring's end
// would overwrite bytes that are not framed yet.
TEST_F(TransportTest, ReceiveNeverOverwritesUnframedBytes) {
    io->ring_size = 4096;
    uint64_t id = 0;
    const int peer = open_pair(&id);
    TcpSession* s = slot_object(id);
    ASSERT_EQ(s->ring_size_, 4096u);
    s->read_count_ = s->write_count_ = 4096 - 1000;
    Bytes stream = make_frame(7, 2000, 1);
    Bytes second = make_frame(8, 3000, 2);
    Bytes third = make_frame(9, 4000, 3);
    stream.insert(stream.end(), second.begin(), second.end());
    stream.insert(stream.end(), third.begin(), third.end());
    ASSERT_TRUE(send_all(peer, stream.data(), stream.size()));
    pump_until_idle();
    ASSERT_EQ(fw->received.size(), 3u);
    EXPECT_TRUE(body_matches(fw->received[0].bytes.data(), 2000, 1));
    EXPECT_TRUE(body_matches(fw->received[1].bytes.data(), 3000, 2));
    EXPECT_TRUE(body_matches(fw->received[2].bytes.data(), 4000, 3));
    EXPECT_EQ(s->write_count_ - s->read_count_, 0u);
    close(peer);
}

TEST_F(TransportTest, BadFrameLengthBreaksOnlyThatSession) {
    struct BadCase {
        const char* name;
        uint64_t word8;
    };
    const std::vector<BadCase> cases = {
        {"length 0", 5},
        {"length 63", 5 | (63ull << 14)},
        {"length 65537", 5 | (65537ull << 14)},
        {"largest length field", 5 | (0xfffffull << 14)},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        fw->received.clear();
        uint64_t bad = 0, good = 0;
        const int peer_bad = open_pair(&bad);
        const int peer_good = open_pair(&good);
        Bytes junk = make_raw_header(c.word8);
        junk.resize(70000, 0x5a);
        ASSERT_TRUE(send_all(peer_bad, junk.data(), junk.size()));
        Bytes ok = make_frame(6, 200, 9);
        ASSERT_TRUE(send_all(peer_good, ok.data(), ok.size()));
        pump_until_idle();  // returns: no endless framing loop, no spinning on the broken socket

        ASSERT_EQ(fw->received.size(), 1u);
        EXPECT_EQ(session_of(fw->received[0].bytes.data()), good);
        EXPECT_FALSE(slot_object(bad)->is_alive());
        EXPECT_TRUE(slot_object(good)->is_alive());
        EXPECT_TRUE(wait_eof(peer_bad, 5000)) << "the broken session is shut down";

        // Never framed again, and the good session keeps being served.
        Bytes later = make_frame(6, 100, 10);
        send_all(peer_bad, later.data(), later.size());
        ASSERT_TRUE(send_all(peer_good, later.data(), later.size()));
        pump_until_idle();
        ASSERT_EQ(fw->received.size(), 2u);
        EXPECT_EQ(session_of(fw->received[1].bytes.data()), good);

        // A loss the user did not cause: reported.
        io->heartbeat_check_proc();
        set_now(ApiLocalTime::mono_ms() + 1001);
        io->heartbeat_check_proc();
        bool reported = false;
        for (const auto& e : io->events_of(SessionEvent::kDisconnect)) reported |= e.id == bad;
        EXPECT_TRUE(reported);
        io->close_session(good, false);
        close(peer_bad);
        close(peer_good);
    }
}

TEST_F(TransportTest, PeerCloseDeliversWhatCameAndStopsWatchingTheSocket) {
    uint64_t id = 0;
    const int peer = open_pair(&id, 1);
    Bytes f = make_frame(11, 500, 4);
    ASSERT_TRUE(send_all(peer, f.data(), f.size()));
    close(peer);
    EXPECT_GE(io->epoll_receive_proc(), 1);
    ASSERT_EQ(fw->received.size(), 1u);
    EXPECT_TRUE(body_matches(fw->received[0].bytes.data(), 500, 4));
    EXPECT_FALSE(slot_object(id)->is_alive());
    // Level-triggered end of stream would be reported at every round.
    EXPECT_EQ(io->epoll_receive_proc(), 0);

    io->heartbeat_check_proc();
    set_now(ApiLocalTime::mono_ms() + 1001);
    io->heartbeat_check_proc();
    io->heartbeat_check_proc();
    auto lost = io->events_of(SessionEvent::kDisconnect);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].id, id);
    EXPECT_EQ(lost[0].type, 1);
}

// ---- heartbeat and sweep -------------------------------------------------

TEST_F(TransportTest, HeartbeatIsSeventyTwoBytesAfterOneSecond) {
    set_now(t0);
    uint64_t id = 0;
    const int peer = open_pair(&id);
    Bytes keep = make_frame(3, 64);

    set_now(t0 + 1000);
    io->heartbeat_check_proc();
    EXPECT_EQ(io->sender_->normal_queue_->peek(), nullptr) << "not older than a second yet";

    set_now(t0 + 1001);
    io->heartbeat_check_proc();
    drain_sender();
    Bytes hb(72, 0xff);
    ASSERT_TRUE(read_exact(peer, hb.data(), hb.size(), 5000));
    Bytes expected(72, 0);
    put_u64(expected.data(), 8, 2 | (72ull << 14));
    put_u64(expected.data(), 16, id);
    EXPECT_EQ(hb, expected);

    // Every sweep queues one while the session lives.
    set_now(t0 + 2002);
    io->heartbeat_check_proc();
    drain_sender();
    ASSERT_TRUE(read_exact(peer, hb.data(), hb.size(), 5000));
    EXPECT_EQ(hb, expected);
    close(peer);
}

TEST_F(TransportTest, SilentPeerIsReportedOnceUserCloseIsNot) {
    set_now(t0);
    uint64_t silent = 0, talking = 0, closed = 0;
    const int peer_silent = open_pair(&silent, 2);
    const int peer_talking = open_pair(&talking, 1);
    const int peer_closed = open_pair(&closed, 0);
    io->close_session(closed, false);

    set_now(t0 + 4000);
    Bytes f = make_frame(3, 64);
    ASSERT_TRUE(send_all(peer_talking, f.data(), f.size()));
    pump_until_idle();

    set_now(t0 + 5000);
    io->heartbeat_check_proc();
    EXPECT_TRUE(slot_object(silent)->is_alive()) << "5000 ms of silence are still allowed";

    set_now(t0 + 5001);
    io->heartbeat_check_proc();
    EXPECT_FALSE(slot_object(silent)->is_alive());
    EXPECT_TRUE(slot_object(talking)->is_alive());
    EXPECT_TRUE(wait_eof(peer_silent, 5000)) << "a dead session is shut down";

    for (int i = 0; i < 6; ++i) {
        set_now(t0 + 5001 + 700 * (i + 1));
        io->heartbeat_check_proc();
    }
    auto lost = io->events_of(SessionEvent::kDisconnect);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].id, silent);
    EXPECT_EQ(lost[0].type, 2);
    EXPECT_EQ(slot_object(silent)->session_id(), 0u);
    EXPECT_EQ(slot_object(closed)->session_id(), 0u) << "the user's session is freed, not reported";
    EXPECT_TRUE(slot_object(talking)->session_id() == talking) << "only marked dead by now";
    EXPECT_EQ(io->events_of(SessionEvent::kClose).size(), 2u);
    close(peer_silent);
    close(peer_talking);
    close(peer_closed);
}

TEST_F(TransportTest, HeldSessionIsNotClosedUntilReleased) {
    set_now(t0);
    uint64_t id = 0;
    const int peer = open_pair(&id);
    TcpSession* s = io->acquire_session(id);
    ASSERT_NE(s, nullptr);
    io->close_session(id, false);
    EXPECT_EQ(io->acquire_session(id), nullptr) << "a dead session is not handed out";
    for (int i = 1; i <= 3; ++i) {
        set_now(t0 + 1001 * i);
        io->heartbeat_check_proc();
    }
    EXPECT_GE(s->socket_, 0) << "the socket stays open while a reference is held";
    EXPECT_EQ(s->session_id(), id);
    s->release();
    sweep_until_freed(id);
    close(peer);
}

// ---- sending -------------------------------------------------------------

TEST_F(TransportTest, PostedFramesCarryTheSessionIdAndUnknownSessionsDropThem) {
    uint64_t a = 0, b = 0;
    const int peer_a = open_pair(&a);
    const int peer_b = open_pair(&b);
    io->close_session(b, false);

    Bytes f = make_frame(1025, 300, 5, 0x1111);
    Message m{reinterpret_cast<nq::MessageHeader*>(f.data()), f.data() + 64, f.data()};
    io->post_message(b, &m);                 // dead session
    io->post_message(a ^ (1ull << 16), &m);  // never existed
    io->post_message(a, &m);
    drain_sender();

    Bytes got;
    ASSERT_TRUE(read_frame(peer_a, &got, 5000));
    ASSERT_EQ(got.size(), 300u);
    EXPECT_EQ(session_of(got.data()), a);
    EXPECT_EQ(code_of(got.data()), 1025u);
    EXPECT_TRUE(body_matches(got.data(), 300, 5));
    char byte;
    EXPECT_FALSE(read_exact(peer_b, &byte, 1, 5000)) << "only the shutdown reaches the closed session's peer";

    // A header and body that lie apart go out as one frame.
    Bytes header = make_frame(1026, 164, 6);
    Bytes body(header.begin() + 64, header.end());
    Message apart{reinterpret_cast<nq::MessageHeader*>(header.data()), body.data(), nullptr};
    io->post_message(a, &apart);
    drain_sender();
    ASSERT_TRUE(read_frame(peer_a, &got, 5000));
    EXPECT_EQ(code_of(got.data()), 1026u);
    EXPECT_TRUE(body_matches(got.data(), 164, 6));
    close(peer_a);
    close(peer_b);
}

// ---- connecting ----------------------------------------------------------

// Each failed step logs its own line with the system's reason.
TEST(TcpConnect, EachFailureLogsItsText) {
    trv_test::TestLogFile log(nq::log::kError);
    ASSERT_TRUE(log.ok());
    sockaddr_in refused = refused_address();
    EXPECT_EQ(TcpSession::tcp_connect(reinterpret_cast<sockaddr*>(&refused), nullptr), -1);
    EXPECT_TRUE(log.wait_for(std::string("[ERROR] socket connect fail(") + strerror(ECONNREFUSED) + ")."))
        << log.text();

    Listener l;
    ASSERT_TRUE(l.open());
    sockaddr_in foreign{};  // not a local address
    foreign.sin_family = AF_INET;
    inet_pton(AF_INET, "192.0.2.1", &foreign.sin_addr);
    EXPECT_EQ(TcpSession::tcp_connect(reinterpret_cast<sockaddr*>(&l.addr), reinterpret_cast<sockaddr*>(&foreign)), -1);
    EXPECT_TRUE(log.wait_for(std::string("[ERROR] socket bind fail(") + strerror(EADDRNOTAVAIL) + ").")) << log.text();
    l.close_fd();

    // No descriptor left for the socket.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    const int fd = TcpSession::tcp_connect(reinterpret_cast<sockaddr*>(&refused), nullptr);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(fd, -1);
    EXPECT_TRUE(log.wait_for(std::string("[ERROR] create socket fail(") + strerror(EMFILE) + ").")) << log.text();
}

// A gateway that drops the attempt costs the attempt's time-out, and fails
// as a refused one does.
TEST(TcpConnect, AttemptThatIsDroppedEndsAtItsTimeout) {
    trv_test::BlackHole hole;
    if (!hole.open()) GTEST_SKIP() << trv_test::kNoBlackHole;
    trv_test::TestLogFile log;
    ASSERT_TRUE(log.ok());
    int fd = 0;
    double took = 0;
    ASSERT_TRUE(trv_test::returns_within(20, [&] {
        const auto start = std::chrono::steady_clock::now();
        fd = TcpSession::tcp_connect(reinterpret_cast<const sockaddr*>(&hole.addr), nullptr, 300);
        took = trv_test::seconds_since(start);
    })) << "a dropped connection attempt was not bounded";
    EXPECT_EQ(fd, -1);
    EXPECT_GE(took, 0.29) << "the attempt waits its whole time-out";
    EXPECT_TRUE(log.wait_for("[ERROR] socket connect fail(Connection timed out).")) << log.text();
}

TEST(TcpConnect, BlockingSocketWithReuseAddrOrMinusOne) {
    Listener l;
    ASSERT_TRUE(l.open());
    const int fd = TcpSession::tcp_connect(reinterpret_cast<sockaddr*>(&l.addr), nullptr);
    ASSERT_GE(fd, 0);
    int v = 0;
    socklen_t len = sizeof v;
    getsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &v, &len);
    EXPECT_EQ(v, 1);
    getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &v, &len);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    close(fd);

    sockaddr_in refused = refused_address();
    EXPECT_EQ(TcpSession::tcp_connect(reinterpret_cast<sockaddr*>(&refused), nullptr), -1);

    sockaddr_in foreign{};  // not a local address: bind fails, nothing is sent
    foreign.sin_family = AF_INET;
    inet_pton(AF_INET, "192.0.2.1", &foreign.sin_addr);
    EXPECT_EQ(TcpSession::tcp_connect(reinterpret_cast<sockaddr*>(&l.addr), reinterpret_cast<sockaddr*>(&foreign)), -1);
    l.close_fd();
}

}}  // namespace transport_test
