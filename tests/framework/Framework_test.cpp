// Framework set-up, gateway choice, the two routing steps, the delay sender
// and the service-provider start-up.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/ApiDelaySender.h"
#include "framework/ApiServiceThread.h"
#include "framework/ApiTimerManager.h"
#include "framework/LastApiError.h"
#include "framework/MessageHandler.h"
#include "framework/ServiceFunc.h"
#include "framework/ServiceProvider.h"
#include "framework/TransportFixture.h"
#include "support/AllocMemFault.h"
#include "support/BlackHole.h"
#include "support/WaitUntil.h"

namespace transport_test { namespace {

using namespace testpeer;

TEST(FrameworkInit, HandlerCountUpToSevenAndATransport) {
    struct Case {
        unsigned long count;
        bool ok;
    };
    for (const Case c : {Case{0, true}, Case{1, true}, Case{3, true}, Case{7, true}, Case{8, false}}) {
        SCOPED_TRACE(c.count);
        auto* fw = new RecordingFramework();
        fw->handler_count_ = c.count;
        EXPECT_EQ(fw->initialize(), c.ok);
        EXPECT_NE(fw->message_io_, nullptr);
        EXPECT_EQ(fw->handlers_[0], nullptr) << "index 0 means drop";
        for (unsigned long i = 1; i <= Framework::kMaxHandlers; ++i) {
            if (c.ok && i <= c.count) {
                ASSERT_NE(fw->handlers_[i], nullptr);
                EXPECT_STREQ(fw->handlers_[i]->name(), "msg_handler");
                EXPECT_EQ(fw->handlers_[i]->framework_, fw);
            } else {
                EXPECT_EQ(fw->handlers_[i], nullptr);
            }
        }
    }
}

TEST(FrameworkInit, NoTransportFails) {
    struct NoTransport : RecordingFramework {
        TcpMessageIO* create_message_io() override { return nullptr; }
    };
    NoTransport fw;
    fw.handler_count_ = 2;
    EXPECT_FALSE(fw.initialize());
    EXPECT_EQ(fw.handlers_[1], nullptr);
}

class FrameworkTest : public TransportTest {
protected:
    FrameworkTest() { handler_count = 3; }
};

TEST_F(FrameworkTest, OpenSessionTriesEveryGatewayFromAnyStart) {
    Listener l;
    ASSERT_TRUE(l.open());
    sockaddr_in gateways[3] = {refused_address(), refused_address(), l.addr};
    static_assert(sizeof(gateways[0]) == 16, "16-byte IPv4 socket addresses");
    // Whatever gateway a call starts from, it goes on to the next ones.
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        const uint64_t id = fw->open_session(3, reinterpret_cast<sockaddr*>(gateways), nullptr, 2);
        ASSERT_NE(id, 0u);
        const int peer = l.accept_one(10000);
        ASSERT_GE(peer, 0);
        TcpSession* s = io->acquire_session(id);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->type_, 2);
        s->release();
        close(peer);
    }
    EXPECT_EQ(fw->open_session(0, reinterpret_cast<sockaddr*>(gateways), nullptr, 1), 0u);
    EXPECT_EQ(fw->open_session(2, reinterpret_cast<sockaddr*>(gateways), nullptr, 1), 0u) << "both refuse";
    EXPECT_EQ(l.accept_one(100), -1) << "count 0 connected nowhere";
    l.close_fd();
}

// With gateways that drop the attempt in the list, every call still reaches
// the one that accepts, within the time given to the call, whatever the start.
TEST_F(FrameworkTest, OpenSessionPassesOverGatewaysThatDropTheAttempt) {
    trv_test::BlackHole hole;
    if (!hole.open()) GTEST_SKIP() << trv_test::kNoBlackHole;
    Listener l;
    ASSERT_TRUE(l.open());
    sockaddr_in gateways[3] = {hole.addr, hole.addr, l.addr};
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        uint64_t id = 0;
        double took = 0;
        ASSERT_TRUE(trv_test::returns_within(20, [&] {
            const auto start = std::chrono::steady_clock::now();
            id = fw->open_session(3, reinterpret_cast<sockaddr*>(gateways), nullptr, 1, 1500);
            took = trv_test::seconds_since(start);
        })) << "a dropped connection attempt held the call";
        ASSERT_NE(id, 0u);
        EXPECT_LT(took, 1.5 + 1.0) << "the attempts share the time given";
        const int peer = l.accept_one(10000);
        ASSERT_GE(peer, 0);
        close(peer);
        fw->close_session(id, false);
    }
    // Only gateways that drop the attempt: the call ends with the time given.
    uint64_t id = 1;
    ASSERT_TRUE(trv_test::returns_within(
        20, [&] { id = fw->open_session(2, reinterpret_cast<sockaddr*>(gateways), nullptr, 1, 600); }));
    EXPECT_EQ(id, 0u);
    l.close_fd();
}

// Every gateway of a list is the first one tried by some logins: with all
// of them accepting, the one that gets the connection is the start. Lists
// of even length show a start drawn from an odd or even number only.
TEST_F(FrameworkTest, EveryGatewayIsTriedFirst) {
    for (const unsigned long count : {2ul, 3ul, 4ul}) {
        SCOPED_TRACE(count);
        std::vector<std::unique_ptr<Listener>> listeners;
        std::vector<sockaddr_in> gateways;
        for (unsigned long g = 0; g < count; ++g) {
            listeners.emplace_back(new Listener());
            ASSERT_TRUE(listeners.back()->open());
            gateways.push_back(listeners.back()->addr);
        }
        std::vector<int> first(count, 0);
        for (int round = 0; round < 64; ++round) {
            const uint64_t id = fw->open_session(count, reinterpret_cast<sockaddr*>(gateways.data()), nullptr, 1);
            ASSERT_NE(id, 0u);
            // The connection is established when open_session returns: it
            // waits in the backlog of the gateway that took it.
            int taken = 0;
            for (unsigned long g = 0; g < count; ++g) {
                const int peer = listeners[g]->accept_one(0);
                if (peer < 0) continue;
                ++first[g];
                ++taken;
                close(peer);
            }
            ASSERT_EQ(taken, 1) << "one connection per open_session";
            fw->close_session(id, false);
        }
        for (unsigned long g = 0; g < count; ++g) EXPECT_GT(first[g], 0) << "gateway " << g << " never tried first";
        for (auto& l : listeners) l->close_fd();
    }
}

// The start index itself: every index of a list from 1 to 32 gateways is
// drawn, none far more often than the others (bounds of about six standard
// deviations, so a sound draw never fails them).
TEST(GatewayStart, EveryIndexEquallyLikely) {
    EXPECT_EQ(Framework::gateway_start(0), 0u);
    EXPECT_EQ(Framework::gateway_start(1), 0u);
    for (const unsigned long count : {2ul, 3ul, 4ul, 5ul, 7ul, 16ul, 32ul}) {
        SCOPED_TRACE(count);
        const int draws = 2000 * static_cast<int>(count);
        std::vector<int> seen(count, 0);
        for (int i = 0; i < draws; ++i) {
            const unsigned long start = Framework::gateway_start(count);
            ASSERT_LT(start, count);
            ++seen[start];
        }
        const double mean = draws / static_cast<double>(count);
        const double sd = std::sqrt(mean * (1.0 - 1.0 / static_cast<double>(count)));
        for (unsigned long g = 0; g < count; ++g) {
            EXPECT_GT(seen[g], mean - 6 * sd) << "index " << g;
            EXPECT_LT(seen[g], mean + 6 * sd) << "index " << g;
        }
    }
}

class RecordingHandler : public nq::ServiceFunc {
public:
    explicit RecordingHandler(uint32_t code) : ServiceFunc(code) {}
    void service_func(Message* m) override {
        const auto* h = reinterpret_cast<const unsigned char*>(m->header_);
        calls.emplace_back(h, h + length_of(h));
    }
    std::vector<Bytes> calls;
};

TEST_F(FrameworkTest, DispatchQueuesOnTheChosenWorkerOrDrops) {
    Bytes f = make_frame(1700, 200, 3);
    for (unsigned long route : {0ul, 1ul, 2ul, 3ul, 4ul, 100ul}) {
        SCOPED_TRACE(route);
        fw->route = route;
        // A message whose header and body lie apart is copied whole.
        Bytes header(f.begin(), f.begin() + 64), body(f.begin() + 64, f.end());
        Message m{reinterpret_cast<nq::MessageHeader*>(header.data()), body.data(), nullptr};
        fw->dispatch_message(&m);
        for (unsigned long w = 1; w <= 3; ++w) {
            unsigned char* copy = fw->handlers_[w]->get_first_task();
            if (w == route) {
                ASSERT_NE(copy, nullptr);
                EXPECT_EQ(Bytes(copy, copy + 48), Bytes(f.begin(), f.begin() + 48));
                EXPECT_TRUE(body_matches(copy, 200, 3));
                nq::api::ApiServiceWorker::free_message(copy);
            } else {
                EXPECT_EQ(copy, nullptr) << "worker " << w;
            }
        }
    }
    fw->dispatch_message(nullptr);
}

TEST_F(FrameworkTest, ProcessMessageRunsTheHandlerOfTheCodeOnly) {
    static RecordingHandler handler(1800);
    static RecordingHandler highest(16382);
    nq::ServiceFunc::service_func_[1800] = &handler;
    nq::ServiceFunc::service_func_[16382] = &highest;
    struct Case {
        uint32_t code;
        size_t calls_1800, calls_16382;
    };
    const std::vector<Case> cases = {
        {1800, 1, 0}, {1801, 1, 0} /* no handler */, {0x3fff, 1, 0} /* no code */, {16382, 1, 1}, {0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Bytes f = make_frame(c.code, 100, 8);
        Message m{reinterpret_cast<nq::MessageHeader*>(f.data()), f.data() + 64, f.data()};
        fw->process_message(&m);
        EXPECT_EQ(handler.calls.size(), c.calls_1800);
        EXPECT_EQ(highest.calls.size(), c.calls_16382);
    }
    EXPECT_TRUE(body_matches(handler.calls[0].data(), 100, 8));
    nq::ServiceFunc::service_func_[1800] = nullptr;
    nq::ServiceFunc::service_func_[16382] = nullptr;
}

TEST_F(FrameworkTest, ReceivedFrameRunsOnItsWorkerThroughTheTable) {
    static RecordingHandler handler(1900);
    nq::ServiceFunc::service_func_[1900] = &handler;
    fw->route = 3;
    uint64_t id = 0;
    const int peer = open_pair(&id);
    Bytes f = make_frame(1900, 400, 12, 77);
    ASSERT_TRUE(send_all(peer, f.data(), f.size()));
    pump_until_idle();
    unsigned char* copy = fw->handlers_[3]->get_first_task();
    ASSERT_NE(copy, nullptr);
    Message m{reinterpret_cast<nq::MessageHeader*>(copy), copy + 64, copy};
    fw->handlers_[3]->do_one_task(&m);
    nq::api::ApiServiceWorker::free_message(copy);
    ASSERT_EQ(handler.calls.size(), 1u);
    EXPECT_EQ(session_of(handler.calls[0].data()), id);
    EXPECT_TRUE(body_matches(handler.calls[0].data(), 400, 12));
    nq::ServiceFunc::service_func_[1900] = nullptr;
    close(peer);
}

TEST_F(FrameworkTest, BindCpuCoreOnlyForExistingWorkers) {
    for (int index : {-1, 0, 4, 8}) fw->message_handler_bind_cpu_core(index, 1);
    for (unsigned long w = 1; w <= 3; ++w) EXPECT_EQ(fw->handlers_[w]->bound_core_, -1) << w;
    fw->message_handler_bind_cpu_core(2, 0);
    EXPECT_EQ(fw->handlers_[2]->bound_core_, 0);
    EXPECT_EQ(fw->handlers_[1]->bound_core_, -1);
}

// ---- delay sender --------------------------------------------------------

struct Post {
    uint64_t session_id;
    uint64_t stamp;
    uint64_t word56;
    std::chrono::steady_clock::time_point at;
};

class PostRecorder : public RecordingFramework {
public:
    void post_message(unsigned long session_id, Message* m) override {
        posts.push_back({session_id, nq::frame_time_stamp(m->header_), header_word(m->header_, nq::kHeaderSpareAt),
                         std::chrono::steady_clock::now()});
    }
    std::vector<Post> posts;
};

// The delay runs from the moment the frame was queued, on the monotonic
// clock; the wall clock, stepped a day either way meanwhile, plays no part,
// and the frame leaves with its own time stamp.
TEST(DelaySender, PostsNoEarlierThanQueuedPlusDelayWhateverTheWallClock) {
    ApiLocalTime::initialize();
    PostRecorder fw;
    nq::api::ApiDelaySender sender("delay_sender", &fw, 500);
    ASSERT_TRUE(sender.initialize());
    EXPECT_STREQ(sender.name(), "delay_sender");
    const uint64_t stamp = 1'700'000'000'000ull;  // epoch ms, what the peer sees
    const uint64_t queued = 5'000'000ull;         // monotonic ms
    constexpr uint64_t kDay = 24ull * 3600 * 1000;

    struct Case {
        uint64_t now;
        long min_wait_ms;
        uint64_t wall;
    };
    for (const Case c : {Case{queued + 501, 0, stamp - kDay}, Case{queued + 5000, 0, stamp},
                         Case{queued + 500, 0, stamp + kDay}, Case{queued + 460, 40, stamp + kDay}}) {
        SCOPED_TRACE(c.now - queued);
        Bytes f = make_frame(1400, 80, 1, 0x123456789ull);
        put_u64(f.data(), 32, stamp);
        Message m{reinterpret_cast<nq::MessageHeader*>(f.data()), f.data() + 64, f.data()};
        ApiLocalTime::set_mono_ms(queued);
        sender.delay(&m);
        unsigned char* copy = sender.get_first_task();
        ASSERT_NE(copy, nullptr);
        ApiLocalTime::set_mono_ms(c.now);
        ApiLocalTime::set_local_time(c.wall);
        fw.posts.clear();
        const auto before = std::chrono::steady_clock::now();
        Message q{reinterpret_cast<nq::MessageHeader*>(copy), copy + 64, copy};
        sender.do_one_task(&q);
        nq::api::ApiServiceWorker::free_message(copy);
        ASSERT_EQ(fw.posts.size(), 1u);
        EXPECT_EQ(fw.posts[0].session_id, 0x123456789ull);
        EXPECT_EQ(fw.posts[0].stamp, stamp);
        EXPECT_EQ(fw.posts[0].word56, 0u);
        EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(fw.posts[0].at - before).count(),
                  c.min_wait_ms);
    }
}

// A frame due far ahead must not park the worker: a stop ends the wait and
// the message is not sent.
TEST(DelaySender, StopEndsTheWaitForAStampFarAhead) {
    ApiLocalTime::initialize();
    // Tells when the worker has taken the message and is waiting inside it.
    struct Watched : nq::api::ApiDelaySender {
        using ApiDelaySender::ApiDelaySender;
        void do_one_task(Message* m) override {
            entered.store(true);
            ApiDelaySender::do_one_task(m);
        }
        std::atomic<bool> entered{false};
    };
    auto& fw = *new PostRecorder();  // lives with the process, like its thread
    auto* sender = new Watched("delay_sender", &fw, 500);
    ASSERT_TRUE(sender->initialize());
    Bytes f = make_frame(1400, 80, 1, 7);
    // A copy queued, by its monotonic time, a day ahead.
    put_u64(f.data(), nq::api::ApiDelaySender::kQueuedAt, ApiLocalTime::mono_ms() + 24ull * 3600 * 1000);
    Message m{reinterpret_cast<nq::MessageHeader*>(f.data()), f.data() + 64, f.data()};
    sender->add_task(&m);
    ASSERT_TRUE(sender->start());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!sender->entered.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(sender->entered.load());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sender->stop();
    while (sender->is_alive() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(sender->is_alive()) << "the delay sender never noticed the stop";
    EXPECT_TRUE(fw.posts.empty());
}

// ---- service provider ----------------------------------------------------

class TestProvider : public nq::api::ServiceProvider {
public:
    explicit TestProvider(bool log_ok) : log_ok_(log_ok) {}
    bool init_log() override {
        ++init_log_calls;
        return log_ok_;
    }
    bool log_ok_;
    int init_log_calls = 0;
};

TEST(ServiceProvider, InitLogFailureIs301WithItsMessage) {
    auto* p = new TestProvider(false);
    EXPECT_FALSE(p->initialize());
    EXPECT_EQ(p->init_log_calls, 1);
    const nq::trv_error_info_t e = nq::api::LastApiError::get_last_error();
    EXPECT_EQ(e.error_code_type, 301u);
    EXPECT_EQ(e.error_code, 0u);
    EXPECT_STREQ(e.error_msg,
                 "log initialization failed: likely insufficient permissions for log path (or other errors)");
}

TEST(ServiceProvider, StartUpBringsClockAndTimerManager) {
    ApiLocalTime::set_local_time(0);
    ApiLocalTime::set_mono_ms(0);
    auto* p = new TestProvider(true);
    EXPECT_TRUE(p->initialize());
    ASSERT_NE(p->timer_manager_, nullptr);
    EXPECT_EQ(p->timer_manager_->provider_, p);
    EXPECT_GT(ApiLocalTime::epoch_ms(), 1'600'000'000'000ull) << "the clock was filled";
    EXPECT_GT(ApiLocalTime::mono_ms(), 0u) << "the monotonic clock was filled";
}

// Each allocation of the timer manager fails in turn: the start-up fails with
// 301 "alloc timer manager failed" and no timer thread of the dropped manager
// stays registered to be started with the service threads.
TEST(ServiceProvider, TimerManagerAllocationFailureIs301AndLeavesNoTimerThread) {
    auto registered = [](const char* name) {
        int n = 0;
        for (nq::api::ApiServiceThread* t = nq::api::ApiServiceThread::head_; t != nullptr; t = t->next_)
            if (t->name() != nullptr && std::strcmp(t->name(), name) == 0) ++n;
        return n;
    };
    const int timers = registered("timer"), recyclers = registered("timer_recycle");
    // 1: the manager, 2: "timer", 3: "timer_recycle".
    for (long nth : {1L, 2L, 3L}) {
        SCOPED_TRACE(nth);
        std::unique_ptr<TestProvider> p(new TestProvider(true));  // nothing keeps a failed one
        alloc_fault::fail_nth(nth);
        EXPECT_FALSE(p->initialize());
        alloc_fault::off();
        EXPECT_EQ(p->timer_manager_, nullptr);
        EXPECT_EQ(p->init_log_calls, 0);
        const nq::trv_error_info_t e = nq::api::LastApiError::get_last_error();
        EXPECT_EQ(e.error_code_type, 301u);
        EXPECT_EQ(e.error_code, 0u);
        EXPECT_STREQ(e.error_msg, "alloc timer manager failed");
        EXPECT_EQ(registered("timer"), timers);
        EXPECT_EQ(registered("timer_recycle"), recyclers);
    }
    auto* p = new TestProvider(true);
    EXPECT_TRUE(p->initialize());
    EXPECT_EQ(registered("timer"), timers + 1);
    EXPECT_EQ(registered("timer_recycle"), recyclers + 1);
}

}}  // namespace transport_test
