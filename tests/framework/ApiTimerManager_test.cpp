#include "framework/ApiTimerManager.h"
#include "support/TestLogFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/AllocMem.h"
#include "framework/ApiLocalTime.h"
#include "framework/ServiceProvider.h"
#include "framework/TimerCheckThread.h"
#include "framework/TimerRecycleThread.h"
#include "log/Log.h"

using nq::api::ApiLocalTime;
using nq::api::ApiTimerManager;
using nq::api::ServiceProvider;

namespace {

struct Firing {
    unsigned long queue;
    void* data;
    unsigned char bytes[64];
    uint64_t clock;
};

class RecordingProvider : public ServiceProvider {
public:
    bool init_log() override { return true; }
    void on_timer(unsigned long queue_id, void* data) override {
        Firing f;
        f.queue = queue_id;
        f.data = data;
        std::memcpy(f.bytes, data, sizeof f.bytes);
        f.clock = ApiLocalTime::mono_ms();
        std::lock_guard<std::mutex> lock(mutex_);
        fired_.push_back(f);
    }
    std::vector<Firing> fired() {
        std::lock_guard<std::mutex> lock(mutex_);
        return fired_;
    }
    size_t count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return fired_.size();
    }

private:
    std::mutex mutex_;
    std::vector<Firing> fired_;
};

// Keeps the provider's on_timer default.
class SilentProvider : public ServiceProvider {
public:
    bool init_log() override { return true; }
};

// The manager lives for the whole process, as in the library; kept reachable
// from here so the leak checker sees its nodes as owned.
ApiTimerManager* volatile g_manager = nullptr;
ServiceProvider* volatile g_provider = nullptr;

template <typename P>
P* make_provider() {
    P* p = new P();
    g_provider = p;
    return p;
}

ApiTimerManager* make_manager(ServiceProvider* provider) {
    void* mem = nq::api::alloc_mem(sizeof(ApiTimerManager), 8);
    ApiTimerManager* mgr = new (mem) ApiTimerManager(provider);
    g_manager = mgr;
    return mgr;
}

constexpr uint64_t T0 = 1765357200000ull;  // some instant of the monotonic clock (ms)

class TimerRound : public ::testing::Test {
protected:
    void SetUp() override {
        provider_ = make_provider<RecordingProvider>();
        mgr_ = make_manager(provider_);
        ApiLocalTime::set_mono_ms(T0);
    }
    // One round of each thread at the given clock.
    void round_at(uint64_t now) {
        ApiLocalTime::set_mono_ms(now);
        mgr_->check_timer_proc();
        mgr_->recycle_timer_proc();
    }
    void* timer(unsigned long queue, unsigned char tag, unsigned long size = 8) {
        unsigned char data[64];
        std::memset(data, tag, sizeof data);
        return mgr_->create_timer(queue, data, size);
    }
    RecordingProvider* provider_ = nullptr;
    ApiTimerManager* mgr_ = nullptr;
};

TEST_F(TimerRound, FiresOnceWhenTheClockReachesTheDueTimeWithItsData) {
    ASSERT_TRUE(mgr_->create_timer_queue(1, 10000));
    unsigned char data[64];
    for (int i = 0; i < 64; ++i) data[i] = static_cast<unsigned char>(i * 7 + 1);
    void* copy = mgr_->create_timer(1, data, sizeof data);
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(static_cast<void*>(data), copy);
    EXPECT_EQ(0, std::memcmp(data, copy, 64));

    round_at(T0 + 9999);
    EXPECT_EQ(0u, provider_->count());
    round_at(T0 + 10000);
    ASSERT_EQ(1u, provider_->count());
    const Firing f = provider_->fired()[0];
    EXPECT_EQ(1u, f.queue);
    EXPECT_EQ(copy, f.data);
    EXPECT_EQ(0, std::memcmp(data, f.bytes, 64));
    round_at(T0 + 20000);
    EXPECT_EQ(1u, provider_->count());
}

// The cached clock lags while its refresh thread waits for a processor (a
// loaded host). A timer armed then still waits its whole interval: its due
// time is counted from the clock read when it is armed, not from the cache.
TEST(TimerLaggingCache, ArmedWhileTheCacheLagsFiresNoEarlierThanItsInterval) {
    RecordingProvider* provider = make_provider<RecordingProvider>();
    ApiTimerManager* mgr = make_manager(provider);
    ASSERT_TRUE(mgr->create_timer_queue(1, 300));
    ApiLocalTime::update_local_time();                            // the real clock, not a driven one
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // no refresh: the cache lags 400 ms
    const auto armed = std::chrono::steady_clock::now();
    unsigned char data[8] = {1};
    ASSERT_NE(nullptr, mgr->create_timer(1, data, sizeof data));
    // The refresh thread catches up, then runs its rounds. Whenever the timer
    // fires (at once, counted from the lagging cache, without the fix), its
    // whole interval must have passed; the clock counts whole milliseconds,
    // so one armed late in a millisecond may fire up to that much short.
    for (int i = 0; i < 2000 && provider->count() == 0; ++i) {
        if (i != 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ApiLocalTime::update_local_time();
        mgr->check_timer_proc();
    }
    ASSERT_EQ(1u, provider->count());
    EXPECT_GE(std::chrono::steady_clock::now() - armed, std::chrono::milliseconds(299));
}

TEST_F(TimerRound, FiresInCreationOrder) {
    ASSERT_TRUE(mgr_->create_timer_queue(2, 5000));
    void* a = timer(2, 'a');
    ApiLocalTime::set_mono_ms(T0 + 1);
    void* b = timer(2, 'b');
    ASSERT_TRUE(a && b);
    round_at(T0 + 5000);
    ASSERT_EQ(1u, provider_->count());
    EXPECT_EQ(a, provider_->fired()[0].data);
    round_at(T0 + 60000);
    const std::vector<Firing> f = provider_->fired();
    ASSERT_EQ(2u, f.size());
    EXPECT_EQ(b, f[1].data);
    EXPECT_EQ('b', f[1].bytes[0]);
}

TEST_F(TimerRound, RecyclesOnlyFiredTimersAndReusesTheirNodes) {
    ASSERT_TRUE(mgr_->create_timer_queue(1, 10));
    void* a = timer(1, 'a', 64);
    ApiLocalTime::set_mono_ms(T0 + 5);
    void* b = timer(1, 'b');
    round_at(T0 + 10);  // a fires and is recycled; b stays pending
    ASSERT_EQ(1u, provider_->count());

    ApiLocalTime::set_mono_ms(T0 + 10);
    void* c = timer(1, 'c', 4);
    EXPECT_EQ(a, c) << "the fired node is reused";
    // Nothing of the earlier timer's 64 bytes stays behind the new 4.
    const unsigned char* cb = static_cast<unsigned char*>(c);
    EXPECT_EQ('c', cb[3]);
    EXPECT_EQ(0, cb[4]);
    EXPECT_EQ(0, cb[63]);

    round_at(T0 + 15);
    ASSERT_EQ(2u, provider_->count());
    EXPECT_EQ(b, provider_->fired()[1].data);
    round_at(T0 + 20);
    const std::vector<Firing> f = provider_->fired();
    ASSERT_EQ(3u, f.size());
    EXPECT_EQ(c, f[2].data);
    EXPECT_EQ('c', f[2].bytes[0]);
    EXPECT_EQ(1u, f[2].queue);
}

// Timers run on the monotonic clock alone: the wall clock stepped a day
// forward fires nothing early, stepped back holds nothing back.
TEST_F(TimerRound, WallClockStepsMoveNoTimer) {
    ASSERT_TRUE(mgr_->create_timer_queue(1, 10000));
    const uint64_t wall = 1765357200000ull;
    ApiLocalTime::set_local_time(wall);
    ASSERT_NE(nullptr, timer(1, 'a'));
    ApiLocalTime::set_local_time(wall + 24ull * 3600 * 1000);
    round_at(T0 + 9999);
    EXPECT_EQ(0u, provider_->count()) << "a forward step fired a timer early";
    ApiLocalTime::set_local_time(wall - 24ull * 3600 * 1000);
    round_at(T0 + 10000);
    EXPECT_EQ(1u, provider_->count()) << "a backward step held a due timer back";
}

TEST(TimerRoundDefault, DefaultOnTimerStillMarksAndRecycles) {
    ApiTimerManager* mgr = make_manager(make_provider<SilentProvider>());
    ApiLocalTime::set_mono_ms(T0);
    ASSERT_TRUE(mgr->create_timer_queue(7, 100));
    long v = 42;
    void* a = mgr->create_timer(7, &v, sizeof v);
    ASSERT_NE(nullptr, a);
    ApiLocalTime::set_mono_ms(T0 + 100);
    mgr->check_timer_proc();
    mgr->recycle_timer_proc();
    EXPECT_EQ(a, mgr->create_timer(7, &v, sizeof v));
}

TEST_F(TimerRound, QueueSlots) {
    EXPECT_FALSE(mgr_->create_timer_queue(0, 1000)) << "id 0 marks an unused slot";
    for (unsigned long id = 1; id <= 8; ++id) EXPECT_TRUE(mgr_->create_timer_queue(id, id * 100));
    EXPECT_FALSE(mgr_->create_timer_queue(9, 100));
    // Each slot keeps its own interval.
    timer(3, 'x');
    round_at(T0 + 299);
    EXPECT_EQ(0u, provider_->count());
    round_at(T0 + 300);
    EXPECT_EQ(1u, provider_->count());
}

TEST_F(TimerRound, UnknownQueueIdsGiveNull) {
    ASSERT_TRUE(mgr_->create_timer_queue(1, 10));
    // Seven slots are unused (id 0); queue id 0 must not land in one of them.
    EXPECT_EQ(nullptr, timer(0, 'z'));
    EXPECT_EQ(nullptr, timer(2, 'z'));
    round_at(T0 + 1000000);
    EXPECT_EQ(0u, provider_->count());
}

TEST_F(TimerRound, RejectsInvalidUserData) {
    ASSERT_TRUE(mgr_->create_timer_queue(1, 10));
    unsigned char data[65] = {1};
    struct Case {
        void* data;
        unsigned long size;
        bool ok;
    } cases[] = {
        {nullptr, 8, false}, {data, 0, false}, {data, 65, false}, {data, 64, true}, {data, 1, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.ok, mgr_->create_timer(1, c.data, c.size) != nullptr) << "size " << c.size;
    }
}

TEST_F(TimerRound, InvalidUserDataIsLoggedAtError) {
    trv_test::TestLogFile log;
    ASSERT_TRUE(log.ok());
    ASSERT_TRUE(mgr_->create_timer_queue(1, 10));

    unsigned char data[65] = {0};
    EXPECT_EQ(nullptr, mgr_->create_timer(1, nullptr, 8));
    EXPECT_EQ(nullptr, mgr_->create_timer(1, data, 0));
    EXPECT_EQ(nullptr, mgr_->create_timer(1, data, 65));

    char line[3][256];
    std::snprintf(line[0], sizeof line[0],
                  "[ERROR] create timer failed, invalid user_data: { queue_id = 1, user_data = %p, size = 8 }",
                  static_cast<void*>(nullptr));
    std::snprintf(line[1], sizeof line[1],
                  "[ERROR] create timer failed, invalid user_data: { queue_id = 1, user_data = %p, size = 0 }",
                  static_cast<void*>(data));
    std::snprintf(line[2], sizeof line[2],
                  "[ERROR] create timer failed, user_data_size too large: { queue_id = 1, size = 65, max = 64 }");
    for (const char* l : line) log.wait_for(l);
    const std::string text = log.text();
    for (const char* l : line) EXPECT_NE(std::string::npos, text.find(l)) << l << "\nlog:\n" << text;
}

// ---- with the threads running ----------------------------------------------

template <typename Pred>
bool wait_until(Pred pred, int seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class TimerThreads : public ::testing::Test {
protected:
    void SetUp() override {
        ApiLocalTime::initialize();
        provider_ = make_provider<RecordingProvider>();
        mgr_ = make_manager(provider_);
        ASSERT_TRUE(mgr_->initialize());
        ASSERT_NE(nullptr, mgr_->check_thread_);
        ASSERT_NE(nullptr, mgr_->recycle_thread_);
    }
    void start() {
        ASSERT_TRUE(mgr_->check_thread_->start());
        ASSERT_TRUE(mgr_->recycle_thread_->start());
    }
    RecordingProvider* provider_ = nullptr;
    ApiTimerManager* mgr_ = nullptr;
};

TEST_F(TimerThreads, ThreadsAreNamedAndRegisteredButNotStarted) {
    EXPECT_STREQ("timer", mgr_->check_thread_->name());
    EXPECT_STREQ("timer_recycle", mgr_->recycle_thread_->name());
    EXPECT_FALSE(mgr_->check_thread_->is_alive());
    EXPECT_FALSE(mgr_->recycle_thread_->is_alive());
    bool check = false, recycle = false;
    for (nq::api::ApiServiceThread* t = nq::api::ApiServiceThread::head_; t; t = t->next_) {
        check = check || t == mgr_->check_thread_;
        recycle = recycle || t == mgr_->recycle_thread_;
    }
    EXPECT_TRUE(check && recycle);
}

TEST_F(TimerThreads, QueueCreatedWhileTimerRuns) {
    ASSERT_TRUE(mgr_->create_timer_queue(1, 1));
    start();
    int one = 1;
    ASSERT_NE(nullptr, mgr_->create_timer(1, &one, sizeof one));
    ASSERT_TRUE(wait_until([&] { return provider_->count() == 1; }));

    // Queue 2 appears while "timer" scans the slots.
    ASSERT_TRUE(mgr_->create_timer_queue(2, 1));
    int two = 2;
    void* copy = mgr_->create_timer(2, &two, sizeof two);
    ASSERT_NE(nullptr, copy);
    ASSERT_TRUE(wait_until([&] { return provider_->count() == 2; }));
    const std::vector<Firing> f = provider_->fired();
    EXPECT_EQ(1u, f[0].queue);
    EXPECT_EQ(2u, f[1].queue);
    EXPECT_EQ(copy, f[1].data);
    int seen;
    std::memcpy(&seen, f[1].bytes, sizeof seen);
    EXPECT_EQ(2, seen);
}

// Creators append while "timer" fires and "timer_recycle" unlinks (queue 1
// fires at once, so the recycler keeps taking the last node); half of them
// arm nodes taken in advance.
TEST_F(TimerThreads, TimersCreatedFromManyThreadsFireExactlyOnce) {
    ASSERT_TRUE(mgr_->create_timer_queue(1, 0));
    ASSERT_TRUE(mgr_->create_timer_queue(2, 1));
    start();
    constexpr int kThreads = 4, kPerThread = 2000;
    struct Payload {
        uint32_t thread, seq;
        uint64_t queue;
        unsigned char pad[48];
    };
    static_assert(sizeof(Payload) == 64, "full user data");
    std::vector<std::thread> producers;
    std::atomic<int> refused{0};
    for (int t = 0; t < kThreads; ++t) {
        producers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                Payload p{};
                p.thread = uint32_t(t);
                p.seq = uint32_t(i);
                p.queue = 1 + (i & 1);
                std::memset(p.pad, i & 0xff, sizeof p.pad);
                void* copy = nullptr;
                if (t % 2 == 0) {
                    copy = mgr_->create_timer(p.queue, &p, sizeof p);
                } else if (ApiTimerManager::timer_node_t* node = mgr_->take_node()) {
                    copy = mgr_->create_timer_on(node, p.queue, &p, sizeof p);
                }
                if (!copy) ++refused;
                if (i % 64 == 0) std::this_thread::yield();
            }
        });
    }
    for (std::thread& th : producers) th.join();
    EXPECT_EQ(0, refused.load());
    const size_t total = size_t(kThreads) * kPerThread;
    ASSERT_TRUE(wait_until([&] { return provider_->count() >= total; }, 60)) << provider_->count();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a duplicate would show now

    const std::vector<Firing> f = provider_->fired();
    ASSERT_EQ(total, f.size());
    std::vector<int> seen(total, 0);
    for (const Firing& x : f) {
        Payload p;
        std::memcpy(&p, x.bytes, sizeof p);
        ASSERT_LT(p.thread, uint32_t(kThreads));
        ASSERT_LT(p.seq, uint32_t(kPerThread));
        EXPECT_EQ(p.queue, x.queue);
        EXPECT_EQ(p.seq & 0xff, p.pad[47]);
        ++seen[p.thread * kPerThread + p.seq];
    }
    for (size_t i = 0; i < total; ++i) ASSERT_EQ(1, seen[i]) << "timer " << i;
}

// A creator with a node in hand never waits for the manager's mutex, which
// node allocation and recycling hold.
TEST_F(TimerRound, ArmingATakenNodeTakesNoLock) {
    ASSERT_TRUE(mgr_->create_timer_queue(2, 10));
    ApiTimerManager::timer_node_t* node = mgr_->take_node();
    ASSERT_NE(nullptr, node);
    ASSERT_EQ(0, pthread_mutex_lock(&mgr_->mutex_));
    std::atomic<void*> copy{nullptr};
    std::thread creator([&] {
        uint64_t data[2] = {0x1234, 7};
        copy = mgr_->create_timer_on(node, 2, data, sizeof data);
    });
    const bool armed = wait_until([&] { return copy.load() != nullptr; }, 10);
    pthread_mutex_unlock(&mgr_->mutex_);
    creator.join();
    ASSERT_TRUE(armed) << "the creator waited for the mutex";
    EXPECT_EQ(copy.load(), static_cast<void*>(node->data_));
    round_at(T0 + 10);
    ASSERT_EQ(1u, provider_->count());
    EXPECT_EQ(0x1234u, provider_->fired()[0].bytes[0] | unsigned(provider_->fired()[0].bytes[1]) << 8);

    // Refused like create_timer; the node stays the caller's.
    ApiTimerManager::timer_node_t* spare = mgr_->take_node();
    ASSERT_NE(nullptr, spare);
    uint64_t data = 1;
    EXPECT_EQ(nullptr, mgr_->create_timer_on(spare, 9, &data, sizeof data));
    EXPECT_EQ(nullptr, mgr_->create_timer_on(spare, 2, &data, 65));
    EXPECT_EQ(nullptr, mgr_->create_timer_on(nullptr, 2, &data, sizeof data));
    EXPECT_NE(nullptr, mgr_->create_timer_on(spare, 2, &data, sizeof data));
}

}  // namespace
