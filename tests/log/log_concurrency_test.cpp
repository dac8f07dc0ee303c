// Blocks and threads: block switches, running out of blocks, blocks of exited
// threads, and many producers at once. Each TEST runs in its own process.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "log/Log.h"
#include "log/LogRegion.h"
#include "log/LogTestUtil.h"

using nq::log::Log;
using namespace logtest;

namespace {

// Lets a group of threads hold their blocks until the test releases them.
class Gate {
public:
    void arrive() {
        std::unique_lock<std::mutex> l(m_);
        ++arrived_;
        cv_.notify_all();
        cv_.wait(l, [&] { return open_; });
    }
    bool wait_arrived(int n) {
        std::unique_lock<std::mutex> l(m_);
        return cv_.wait_for(l, std::chrono::seconds(30), [&] { return arrived_ >= n; });
    }
    void open() {
        std::lock_guard<std::mutex> l(m_);
        open_ = true;
        cv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    int arrived_ = 0;
    bool open_ = false;
};

// Parses "t=<thread> seq=<n>" messages; checks each thread's lines are all
// there, once, in order.
void expect_complete_and_ordered(const std::vector<std::string>& lines, int threads, int per_thread) {
    std::map<int, int> next;
    for (const std::string& line : lines) {
        int t = -1, seq = -1;
        ASSERT_EQ(2, std::sscanf(message_of(line).c_str(), "t=%d seq=%d", &t, &seq)) << line;
        ASSERT_EQ(next[t], seq) << "thread " << t;
        next[t] = seq + 1;
    }
    ASSERT_EQ(static_cast<size_t>(threads), next.size());
    for (auto& kv : next) EXPECT_EQ(per_thread, kv.second) << "thread " << kv.first;
}

}  // namespace

TEST(LogBlocks, SwitchKeepsOrderAndRecyclesTheOldBlock) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    nq::log::log_region_t* r = nq::log::region();
    std::string pad(200, 'z');
    const int n = 16000;  // about 3.7 MB: several block switches
    for (int i = 0; i < n; ++i) LOG_INFO("t=0 seq=%d %s", i, pad.c_str());
    ASSERT_TRUE(wait_for_lines(f.path, n));
    expect_complete_and_ordered(read_lines(f.path), 1, n);
    // Only the current block is still held; the earlier ones went back to the stack.
    ASSERT_TRUE(wait_until([] { return blocks_in_use() == 1; }, 10));
    uint64_t first_tag = __atomic_load_n(&r->blocks[0]->tag, __ATOMIC_ACQUIRE);
    EXPECT_GE(first_tag, (0ull << 32 | 3));  // taken (+1) and recycled (+1)
}

TEST(LogBlocks, ThreadBeyondTheBlockCountGetsNoBlock) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    const int holders = 96;  // 128 MiB - 32 MiB of blocks
    Gate gate;
    std::vector<std::thread> ts;
    for (int i = 0; i < holders; ++i)
        ts.emplace_back([&, i] {
            LOG_INFO("t=%d seq=0", i);
            gate.arrive();
        });
    ASSERT_TRUE(gate.wait_arrived(holders));
    EXPECT_EQ(96u, blocks_in_use());
    bool got_item = true;
    std::thread extra([&] {
        got_item = Log::alloc_log_item() != nullptr;
        LOG_INFO("t=96 seq=0");  // lost
    });
    extra.join();
    EXPECT_FALSE(got_item);
    gate.open();
    for (auto& t : ts) t.join();
    ASSERT_TRUE(wait_for_lines(f.path, holders));
    ASSERT_TRUE(wait_until(drained, 10));
    expect_complete_and_ordered(read_lines(f.path), holders, 1);
}

TEST(LogBlocks, BlocksOfExitedThreadsAreReturned) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    const int waves = 3, per_wave = 96;
    for (int w = 0; w < waves; ++w) {
        Gate gate;
        std::vector<std::thread> ts;
        for (int i = 0; i < per_wave; ++i)
            ts.emplace_back([&, w, i] {
                LOG_INFO("t=%d seq=0", w * per_wave + i);
                gate.arrive();  // every thread of the wave holds a block at once
            });
        ASSERT_TRUE(gate.wait_arrived(per_wave));
        gate.open();
        for (auto& t : ts) t.join();
        ASSERT_TRUE(wait_until([] { return blocks_in_use() == 0; }, 30)) << "wave " << w;
    }
    ASSERT_TRUE(wait_for_lines(f.path, waves * per_wave));
    expect_complete_and_ordered(read_lines(f.path), waves * per_wave, 1);
    // Sequential short-lived threads as well: 300 of them need the blocks of
    // earlier ones back. Batches of 50 stay below the 96 blocks, and each
    // waits until "log_write" has drained the last, so that no line is lost
    // for want of a block however far the writer lags.
    for (int batch = 0; batch < 300 / 50; ++batch) {
        for (int i = 0; i < 50; ++i) std::thread([] { LOG_INFO("short"); }).join();
        ASSERT_TRUE(wait_until([] { return blocks_in_use() == 0; }, 30)) << "batch " << batch;
    }
    ASSERT_TRUE(wait_for_lines(f.path, waves * per_wave + 300));
    ASSERT_TRUE(wait_until([] { return blocks_in_use() == 0; }, 30));
    EXPECT_TRUE(free_stack_is_sound());
}

TEST(LogBlocks, ThreadThatExitsWithAFullBlockAndNoSuccessorReturnsIt) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    // 95 holders leave one free block to a writer that fills it and then
    // finds none for its next block.
    const int holders = 95;
    Gate gate;
    std::vector<std::thread> ts;
    for (int i = 0; i < holders; ++i)
        ts.emplace_back([&] {
            LOG_INFO("holder");
            gate.arrive();
        });
    ASSERT_TRUE(gate.wait_arrived(holders));
    std::string pad(200, 'w');
    std::thread writer([&] {
        for (int i = 0; i < 6000; ++i) LOG_INFO("t=0 seq=%d %s", i, pad.c_str());
    });
    writer.join();
    gate.open();
    for (auto& t : ts) t.join();
    ASSERT_TRUE(wait_until([] { return blocks_in_use() == 0; }, 30));
    EXPECT_TRUE(free_stack_is_sound());
}

TEST(LogBlocks, ManyProducerThreads) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    const int threads = 8, per_thread = 20000;
    std::atomic<bool> go{false};
    std::vector<std::thread> ts;
    for (int t = 0; t < threads; ++t)
        ts.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < per_thread; ++i) LOG_WARN("t=%d seq=%d", t, i);
        });
    go = true;
    for (auto& t : ts) t.join();
    ASSERT_TRUE(wait_for_lines(f.path, threads * per_thread, 60));
    std::vector<std::string> lines = read_lines(f.path);
    EXPECT_EQ(static_cast<size_t>(threads * per_thread), lines.size());
    expect_complete_and_ordered(lines, threads, per_thread);
    ASSERT_TRUE(wait_until([] { return blocks_in_use() == 0; }, 30));
    EXPECT_TRUE(free_stack_is_sound());
}
