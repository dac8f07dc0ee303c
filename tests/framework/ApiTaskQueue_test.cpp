#include "framework/ApiTaskQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

using nq::api::ApiTaskQueue;

void* tag(uint64_t v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(v)); }

TEST(ApiTaskQueue, CapacityIsRoundedAndBounded) {
    struct Case {
        unsigned long requested;
        unsigned long expected;  // 0: initialize fails
    } cases[] = {
        {0, 0},
        {1, 1024},
        {1024, 1024},
        {1025, 2048},
        {1u << 20, 1u << 20},
        {(1u << 20) + 1, 1u << 21},
        {1u << 24, 1u << 24},
        {(1u << 24) + 1, 1u << 24},
        {1ul << 30, 1u << 24},
        {~0ul, 1u << 24},
    };
    for (const Case& c : cases) {
        ApiTaskQueue q(c.requested);
        const bool ok = q.initialize();
        EXPECT_EQ(ok, c.expected != 0) << c.requested;
        if (!ok) continue;
        EXPECT_EQ(q.capacity(), c.expected) << c.requested;
        EXPECT_EQ(q.mask_, c.expected - 1) << c.requested;
    }
}

TEST(ApiTaskQueue, CountersSitOnSeparateCacheLines) {
    ApiTaskQueue q(1);
    auto line = [](const void* p) { return reinterpret_cast<uintptr_t>(p) / 64; };
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&q) % 64, 0u);
    EXPECT_NE(line(&q.read_), line(&q.write_));
    EXPECT_NE(line(&q.write_), line(&q.mask_));
}

TEST(ApiTaskQueue, PopsInPushOrderThenNull) {
    ApiTaskQueue q(1);
    ASSERT_TRUE(q.initialize());
    EXPECT_EQ(q.pop(), nullptr);
    EXPECT_EQ(q.peek(), nullptr);
    q.push(tag(1));
    q.push(tag(2));
    q.push(tag(3));
    EXPECT_EQ(q.peek(), tag(1));
    EXPECT_EQ(q.peek(), tag(1));  // peek does not remove
    EXPECT_EQ(q.pop(), tag(1));
    EXPECT_EQ(q.pop(), tag(2));
    EXPECT_EQ(q.pop(), tag(3));
    EXPECT_EQ(q.pop(), nullptr);
    EXPECT_EQ(q.peek(), nullptr);
}

TEST(ApiTaskQueue, NullPushIsIgnored) {
    ApiTaskQueue q(1);
    ASSERT_TRUE(q.initialize());
    q.push(nullptr);
    q.push(tag(7));
    EXPECT_EQ(q.pop(), tag(7));
    EXPECT_EQ(q.pop(), nullptr);
}

TEST(ApiTaskQueue, UninitialisedQueueIsEmptyAndSafe) {
    ApiTaskQueue q(1);
    q.push(tag(1));
    EXPECT_EQ(q.pop(), nullptr);
    EXPECT_EQ(q.peek(), nullptr);
}

TEST(ApiTaskQueue, WrapsAroundManyLaps) {
    ApiTaskQueue q(1);
    ASSERT_TRUE(q.initialize());
    uint64_t next_in = 1, next_out = 1;
    for (int lap = 0; lap < 10; ++lap) {
        // A full ring, then drain part of it, so the positions drift across laps.
        while (next_in - next_out < q.capacity()) q.push(tag(next_in++));
        for (int i = 0; i < 700; ++i) ASSERT_EQ(q.pop(), tag(next_out++));
    }
    while (void* p = q.pop()) ASSERT_EQ(p, tag(next_out++));
    EXPECT_EQ(next_out, next_in);
}

// A producer a lap ahead of a stopped consumer must wait for the slot of its
// own lap: while the ring is full the oldest entry stays in place (neither the
// turn nor the entry of a cell is overwritten early), and once the consumer
// moves the waiting entries follow in ticket order, across the ring's end.
TEST(ApiTaskQueue, ProducerALapAheadWaitsForItsOwnTurn) {
    ApiTaskQueue q(1);
    ASSERT_TRUE(q.initialize());
    const uint64_t cap = q.capacity();
    // Start mid-ring so that the lapping entries wrap past the end.
    for (uint64_t i = 0; i < cap / 2; ++i) q.push(tag(~0ull - i));
    for (uint64_t i = 0; i < cap / 2; ++i) ASSERT_EQ(q.pop(), tag(~0ull - i));
    uint64_t next_in = 1;
    while (next_in <= cap) q.push(tag(next_in++));  // full
    constexpr uint64_t kAhead = 300;
    std::atomic<uint64_t> pushed{0};
    std::thread lapper([&q, &pushed, cap] {
        for (uint64_t i = 1; i <= kAhead; ++i) {
            q.push(tag(cap + i));
            pushed.store(i);
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(pushed.load(), 0u) << "a push into a full ring returned";
    EXPECT_EQ(q.peek(), tag(1)) << "the oldest entry was overwritten";
    for (uint64_t want = 1; want <= cap + kAhead; ++want) {
        void* v;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while ((v = q.pop()) == nullptr && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        ASSERT_EQ(v, tag(want));
    }
    lapper.join();
    EXPECT_EQ(q.pop(), nullptr);
}

// One ticket counter orders all producers: an entry pushed after another
// producer's push has returned (and been seen) comes out after it.
TEST(ApiTaskQueue, EntriesKeepTheOrderThatCausalityGivesThem) {
    constexpr uint64_t kRounds = 20000;
    ApiTaskQueue q(1);
    ASSERT_TRUE(q.initialize());
    std::atomic<uint64_t> a_done{0};
    std::thread a([&] {
        for (uint64_t r = 1; r <= kRounds; ++r) {
            q.push(tag(r << 1));
            a_done.store(r, std::memory_order_release);
        }
    });
    std::thread b([&] {
        for (uint64_t r = 1; r <= kRounds; ++r) {
            while (a_done.load(std::memory_order_acquire) < r) {
            }
            q.push(tag(r << 1 | 1));  // after A's entry of this round
        }
    });
    uint64_t seen_a = 0, received = 0, misordered = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (received < 2 * kRounds && std::chrono::steady_clock::now() < deadline) {
        void* v = q.pop();
        if (v == nullptr) continue;
        ++received;
        const uint64_t x = reinterpret_cast<uintptr_t>(v);
        if ((x & 1) == 0) {
            seen_a = x >> 1;
        } else if (seen_a < (x >> 1)) {
            ++misordered;  // B's entry of round r before A's entry of round r
        }
    }
    a.join();
    b.join();
    EXPECT_EQ(received, 2 * kRounds);
    EXPECT_EQ(misordered, 0u);
}

// Producers run laps ahead of a slow consumer on the smallest ring, more of
// them than there are cores so that some are preempted holding a ticket: every
// entry must arrive exactly once and in order per producer.
TEST(ApiTaskQueue, ManyProducersLappingTheConsumerLoseNothing) {
    constexpr int kProducers = 16;
    constexpr uint64_t kPerProducer = 20000;
    ApiTaskQueue q(1);
    ASSERT_TRUE(q.initialize());
    ASSERT_EQ(q.capacity(), 1024u);

    std::atomic<int> finished{0};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&q, &finished, p] {
            for (uint64_t i = 1; i <= kPerProducer; ++i) q.push(tag((uint64_t(p) << 32) | i));
            finished.fetch_add(1);
        });
    }
    std::vector<uint64_t> last(kProducers, 0);
    uint64_t received = 0, out_of_order = 0, foreign = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    for (;;) {
        void* v = q.pop();
        if (v == nullptr) {
            if (finished.load() == kProducers && q.peek() == nullptr && q.pop() == nullptr) break;
            if (std::chrono::steady_clock::now() > deadline) break;
            std::this_thread::yield();
            continue;
        }
        const uint64_t x = reinterpret_cast<uintptr_t>(v);
        const uint64_t p = x >> 32, i = x & 0xffffffffu;
        if (p >= uint64_t(kProducers)) {
            ++foreign;
            continue;
        }
        if (i != last[p] + 1) ++out_of_order;
        if (i > last[p]) last[p] = i;
        ++received;
        // Let the producers fill the ring and pile up behind it now and then.
        if (received % 4096 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const bool all_done = finished.load() == kProducers;
    for (auto& t : producers) all_done ? t.join() : t.detach();
    ASSERT_TRUE(all_done) << "producers still blocked after the deadline";
    EXPECT_EQ(received, kProducers * kPerProducer);
    EXPECT_EQ(out_of_order, 0u);
    EXPECT_EQ(foreign, 0u);
    for (int p = 0; p < kProducers; ++p) EXPECT_EQ(last[p], kPerProducer) << "producer " << p;
}

}  // namespace
