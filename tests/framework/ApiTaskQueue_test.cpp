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
        {0, 0},           {1, 1024},        {1024, 1024},       {1025, 2048},
        {1u << 20, 1u << 20}, {(1u << 20) + 1, 1u << 21}, {1u << 24, 1u << 24},
        {(1u << 24) + 1, 1u << 24}, {1ul << 30, 1u << 24}, {~0ul, 1u << 24},
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
