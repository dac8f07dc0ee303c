// The transport with its real threads: receiver, sender and handler workers
// running while the test thread acts as peer, user and sweep.
#include <atomic>
#include <chrono>
#include <thread>

#include "framework/ApiMessageReceiver.h"
#include "framework/MessageHandler.h"
#include "framework/ServiceFunc.h"
#include "framework/TransportFixture.h"

namespace transport_test { namespace {

using namespace testpeer;
using Clock = std::chrono::steady_clock;

template <typename Pred>
bool eventually(Pred pred, int seconds = 20) {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (!pred()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void stop_thread(nq::api::ApiServiceThread* t) {
    t->stop();
    EXPECT_TRUE(eventually([t] { return !t->is_alive(); }));
}

TEST_F(TransportTest, SenderBlockedOnAPeerThatStoppedReadingIsFreedWhenTheSessionDies) {
    set_now(t0);
    uint64_t stuck = 0, other = 0;
    const int peer_stuck = open_pair(&stuck);
    const int peer_other = open_pair(&other);
    int small = 4096;
    setsockopt(slot_object(stuck)->socket_, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ASSERT_TRUE(io->sender_->start());

    // Far more than the socket buffers hold: the sender blocks in send().
    Bytes big = make_frame(1200, 65536, 1);
    Message m{reinterpret_cast<nq::MessageHeader*>(big.data()), big.data() + 64, big.data()};
    for (int i = 0; i < 64; ++i) io->post_message(stuck, &m);
    char first;
    ASSERT_TRUE(read_exact(peer_stuck, &first, 1, 10000)) << "the sender started writing";

    // The stuck session times out; the other one is due a heartbeat.
    set_now(t0 + 5001);
    slot_object(other)->last_recv_time_.store(t0 + 5001);
    io->heartbeat_check_proc();
    EXPECT_FALSE(slot_object(stuck)->is_alive());

    Bytes hb;
    ASSERT_TRUE(read_frame(peer_other, &hb, 20000)) << "the sender is still blocked on the dead session";
    EXPECT_EQ(code_of(hb.data()), 2u);
    EXPECT_EQ(hb.size(), 72u);
    stop_thread(io->sender_);
    close(peer_stuck);
    close(peer_other);
}

// A gateway that keeps sending heartbeats but never reads: its session never
// goes silent, yet the sender must not stay parked on it while the healthy
// session beside it starves.
TEST_F(TransportTest, PeerThatHeartbeatsButNeverReadsIsDroppedAndTheOtherSessionKeepsItsFrames) {
    uint64_t now = t0;
    set_now(now);
    uint64_t stuck = 0, healthy = 0;
    const int peer_stuck = open_pair(&stuck, 1);
    const int peer_healthy = open_pair(&healthy, 2);
    int small = 4096;
    setsockopt(slot_object(stuck)->socket_, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ASSERT_TRUE(io->sender_->start());

    Bytes big = make_frame(1200, 65536, 1);
    Message m{reinterpret_cast<nq::MessageHeader*>(big.data()), big.data() + 64, big.data()};
    for (int i = 0; i < 16; ++i) io->post_message(stuck, &m);
    char first;
    ASSERT_TRUE(read_exact(peer_stuck, &first, 1, 10000)) << "the sender started writing";

    // Simulated seconds: the stuck peer heartbeats every second, the healthy
    // session is sent one frame a second.
    const Bytes peer_hb = make_frame(2, 72);
    Bytes order = make_frame(1300, 200, 7);
    Message om{reinterpret_cast<nq::MessageHeader*>(order.data()), order.data() + 64, order.data()};
    int posted = 0;
    for (int sec = 1; sec <= 8 && slot_object(stuck)->is_alive(); ++sec) {
        now += 1000;
        set_now(now);
        ASSERT_TRUE(send_all(peer_stuck, peer_hb.data(), peer_hb.size()));
        ASSERT_TRUE(send_all(peer_healthy, peer_hb.data(), peer_hb.size()));
        pump_until_idle();
        // Never silent: the heartbeat time-out alone would keep it.
        EXPECT_GE(slot_object(stuck)->check_heartbeat(), 0);
        io->heartbeat_check_proc();
        io->post_message(healthy, &om);
        ++posted;
        // Give the sender real time to look at the clock.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ASSERT_TRUE(eventually([&] { return !slot_object(stuck)->is_alive(); }))
        << "a session that takes nothing for longer than the time-out stays alive";

    // Every frame posted for the healthy session arrives, in order with its
    // heartbeats.
    int orders = 0, heartbeats = 0;
    while (orders < posted) {
        Bytes got;
        ASSERT_TRUE(read_frame(peer_healthy, &got, 20000)) << "the healthy session starves";
        if (code_of(got.data()) == 1300) {
            EXPECT_TRUE(body_matches(got.data(), 200, 7));
            ++orders;
        } else {
            EXPECT_EQ(code_of(got.data()), 2u);
            ++heartbeats;
        }
    }
    EXPECT_GT(heartbeats, 0);

    // The stuck session is closed, freed and reported like a silent peer; the
    // healthy one is left alone.
    EXPECT_TRUE(wait_eof(peer_stuck, 10000));
    for (int i = 0; i < 4 && slot_object(stuck)->session_id() == stuck; ++i) {
        io->heartbeat_check_proc();
        now += 1001;
        set_now(now);
        slot_object(healthy)->last_recv_time_.store(now);
    }
    const auto lost = io->events_of(SessionEvent::kDisconnect);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].id, stuck);
    EXPECT_EQ(lost[0].type, 1);
    EXPECT_TRUE(slot_object(healthy)->is_alive());
    stop_thread(io->sender_);
    close(peer_stuck);
    close(peer_healthy);
}

TEST_F(TransportTest, CloseSessionWithWaitReturnsOnceTheSweepFreedIt) {
    set_now(t0);
    uint64_t id = 0;
    const int peer = open_pair(&id);
    std::atomic<bool> done{false};
    std::thread sweeper([&] {
        uint64_t now = t0;
        while (!done.load()) {
            io->heartbeat_check_proc();
            now += 600;
            set_now(now);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    io->close_session(id, true);
    EXPECT_EQ(slot_object(id)->session_id(), 0u);
    done.store(true);
    sweeper.join();
    EXPECT_EQ(io->events_of(SessionEvent::kClose).size(), 1u);
    EXPECT_TRUE(io->events_of(SessionEvent::kDisconnect).empty());
    close(peer);
}

TEST_F(TransportTest, LoopbackSessionCarriesFramesBothWaysWithoutInterleaving) {
    Listener l;
    ASSERT_TRUE(l.open());
    const uint64_t id = fw->open_session(1, reinterpret_cast<sockaddr*>(&l.addr), nullptr, 1);
    ASSERT_NE(id, 0u);
    const int peer = l.accept_one(10000);
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(io->receiver_->start());
    ASSERT_TRUE(io->sender_->start());

    constexpr int kFrames = 2000;
    std::thread writer([&] {
        for (int i = 0; i < kFrames; ++i) {
            Bytes f = make_frame(1000 + i % 100, 64 + (i * 37) % 3000, i);
            if (!send_all(peer, f.data(), f.size())) return;
        }
    });
    ASSERT_TRUE(eventually([&] { return fw->received_count() >= kFrames; }));
    writer.join();
    {
        std::lock_guard<std::mutex> g(fw->mu);
        ASSERT_EQ(fw->received.size(), static_cast<size_t>(kFrames));
        for (int i = 0; i < kFrames; ++i) {
            const Bytes& b = fw->received[i].bytes;
            ASSERT_EQ(length_of(b.data()), 64u + (i * 37) % 3000) << i;
            ASSERT_TRUE(body_matches(b.data(), length_of(b.data()), i)) << i;
            ASSERT_EQ(session_of(b.data()), id);
        }
    }

    // Two user threads post at once; the peer reads whole frames only.
    constexpr int kPosts = 200;
    auto poster = [&](uint64_t seed) {
        for (int i = 0; i < kPosts; ++i) {
            Bytes f = make_frame(1500, 64 + (i * 101) % 5000, seed);
            Message m{reinterpret_cast<nq::MessageHeader*>(f.data()), f.data() + 64, f.data()};
            fw->post_message(id, &m);
        }
    };
    std::thread p1(poster, 1), p2(poster, 2);
    p1.join();
    p2.join();
    for (int i = 0; i < 2 * kPosts; ++i) {
        Bytes f;
        ASSERT_TRUE(read_frame(peer, &f, 20000)) << i;
        ASSERT_EQ(code_of(f.data()), 1500u);
        ASSERT_EQ(session_of(f.data()), id);
        const uint64_t seed = body_matches(f.data(), f.size(), 1) ? 1 : 2;
        ASSERT_TRUE(body_matches(f.data(), f.size(), seed)) << i;
    }
    stop_thread(io->receiver_);
    stop_thread(io->sender_);
    close(peer);
}

class CountingHandler : public nq::ServiceFunc {
public:
    explicit CountingHandler(uint32_t code) : ServiceFunc(code) {}
    void service_func(Message* m) override {
        const auto* h = reinterpret_cast<const unsigned char*>(m->header_);
        const uint32_t length = length_of(h);
        if (m->body_ != h + 64 || m->frame_ != h || !body_matches(h, length, get_u64(h, 0))) bad.fetch_add(1);
        if (get_u64(h, 0) != expected_next.load()) bad.fetch_add(1);
        expected_next.fetch_add(1);
        seen.fetch_add(1);
    }
    std::atomic<uint64_t> expected_next{0};
    std::atomic<int> seen{0};
    std::atomic<int> bad{0};
};

class HandlerPathTest : public TransportTest {
protected:
    HandlerPathTest() { handler_count = 2; }
};

TEST_F(HandlerPathTest, FramesReachTheRegisteredHandlerInOrderOnTheirWorker) {
    static CountingHandler handler(1501);
    nq::ServiceFunc::service_func_[1501] = &handler;
    fw->route = 2;
    uint64_t id = 0;
    const int peer = open_pair(&id);
    ASSERT_TRUE(io->receiver_->start());
    ASSERT_TRUE(fw->handlers_[2]->start());

    constexpr int kFrames = 3000;
    for (int i = 0; i < kFrames; ++i) {
        Bytes f = make_frame(1501, 64 + (i * 53) % 2000, i);
        put_u64(f.data(), 0, i);  // sequence, checked by the handler
        ASSERT_TRUE(send_all(peer, f.data(), f.size()));
    }
    ASSERT_TRUE(eventually([&] { return handler.seen.load() >= kFrames; }));
    EXPECT_EQ(handler.bad.load(), 0);
    EXPECT_EQ(fw->handlers_[1]->normal_queue_->peek(), nullptr) << "nothing routed to the other worker";
    stop_thread(io->receiver_);
    stop_thread(fw->handlers_[2]);
    nq::ServiceFunc::service_func_[1501] = nullptr;
    close(peer);
}

}}  // namespace transport_test
