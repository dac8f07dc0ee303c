#include "framework/ApiServiceWorker.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/Message.h"

namespace {

using nq::Message;
using nq::MessageHeader;
using nq::api::ApiServiceWorker;

bool wait_until(const std::function<bool()>& cond, std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

uint64_t read_u64(const unsigned char* p, unsigned off) {
    uint64_t v;
    std::memcpy(&v, p + off, 8);
    return v;
}

// A frame built from byte offsets: word 8 holds code (bits 0-13) and length
// (bits 14-33); the body carries `id` in its first 8 bytes when there is room.
std::vector<unsigned char> make_frame(uint32_t code, uint32_t length, uint64_t id) {
    std::vector<unsigned char> f(length < 64 ? 64 : length);
    const uint64_t word = (uint64_t(code) & 0x3fff) | (uint64_t(length) << 14);
    std::memcpy(&f[8], &word, 8);
    std::memcpy(&f[16], &id, 8);  // session-id position, used as a marker
    for (size_t i = 64; i < f.size(); ++i) f[i] = static_cast<unsigned char>(i * 7 + id);
    if (f.size() >= 72) std::memcpy(&f[64], &id, 8);
    return f;
}

// Frees of queued copies are counted: the test executable is linked with
// --wrap=free, so every free() of the library's objects passes here. A copy
// is known by its frame word and its owner field (bytes 48..55).
constexpr uint32_t kCountedCode = 0x2bad;
std::atomic<const void*> g_counted_owner{nullptr};
std::atomic<int> g_copies_freed{0};

}  // namespace

extern "C" void __real_free(void* p);
extern "C" void __wrap_free(void* p) {
    const void* owner = g_counted_owner.load(std::memory_order_acquire);
    if (p != nullptr && owner != nullptr && malloc_usable_size(p) >= 64) {
        const auto* c = static_cast<const unsigned char*>(p);
        const uint64_t word = (uint64_t(kCountedCode) & 0x3fff) | (uint64_t(128) << 14);
        if (read_u64(c, 8) == word && read_u64(c, 48) == reinterpret_cast<uint64_t>(owner)) g_copies_freed.fetch_add(1);
    }
    __real_free(p);
}

namespace {

Message contiguous(std::vector<unsigned char>& f) {
    return Message{reinterpret_cast<MessageHeader*>(f.data()), f.data() + 64, f.data()};
}

struct Seen {
    uint64_t id;
    uint64_t owner;
    bool views_ok;
};

class Recorder : public ApiServiceWorker {
public:
    explicit Recorder(const char* name = "recorder") : ApiServiceWorker(name) {}
    void do_one_task(Message* msg) override {
        auto* copy = reinterpret_cast<unsigned char*>(msg->header_);
        const bool views_ok = msg->frame_ == copy && msg->body_ == copy + 64;
        {
            std::lock_guard<std::mutex> g(mu);
            seen.push_back({read_u64(copy, 16), read_u64(copy, 48), views_ok});
        }
        if (keep_copies) {
            set_copy_owner(copy, nullptr);  // handed on: the worker must not free it
            std::lock_guard<std::mutex> g(mu);
            kept.push_back(copy);
        }
        done.fetch_add(1);
    }
    std::vector<Seen> snapshot() {
        std::lock_guard<std::mutex> g(mu);
        return seen;
    }
    std::mutex mu;
    std::vector<Seen> seen;
    std::vector<unsigned char*> kept;
    std::atomic<bool> keep_copies{false};
    std::atomic<int> done{0};
};

void stop_and_wait(ApiServiceWorker& w) {
    w.stop();
    ASSERT_TRUE(wait_until([&] { return !w.is_alive(); }));
}

TEST(ApiServiceWorker, InitializeCreatesTwoLargeQueues) {
    Recorder w;
    EXPECT_EQ(w.normal_queue_, nullptr);
    EXPECT_EQ(w.urgent_queue_, nullptr);
    ASSERT_TRUE(w.initialize());
    ASSERT_NE(w.normal_queue_, nullptr);
    ASSERT_NE(w.urgent_queue_, nullptr);
    EXPECT_NE(w.normal_queue_, w.urgent_queue_);
    EXPECT_EQ(w.normal_queue_->capacity(), 1u << 20);
    EXPECT_EQ(w.urgent_queue_->capacity(), 1u << 20);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(w.normal_queue_) % 64, 0u);
}

TEST(ApiServiceWorker, DupMessageCopiesTheFrame) {
    struct Case {
        const char* what;
        uint32_t length;
        bool split;  // header and body apart, no contiguous frame
    } cases[] = {
        {"contiguous", 200, false},         {"split", 200, true},
        {"header only", 64, false},         {"split header only", 64, true},
        {"largest length", 0xfffff, false},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> f = make_frame(77, c.length, 5);
        Message m = contiguous(f);
        std::vector<unsigned char> header(f.begin(), f.begin() + 64), body(f.begin() + 64, f.end());
        if (c.split) m = Message{reinterpret_cast<MessageHeader*>(header.data()), body.data(), nullptr};
        unsigned char* copy = ApiServiceWorker::dup_message(&m);
        ASSERT_NE(copy, nullptr) << c.what;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(copy) % 16, 0u) << c.what;
        EXPECT_EQ(std::memcmp(copy, f.data(), c.length), 0) << c.what;
        ApiServiceWorker::free_message(copy);
    }
}

TEST(ApiServiceWorker, DupMessageRefusesInvalidInput) {
    for (uint32_t length : {0u, 1u, 63u}) {
        std::vector<unsigned char> f = make_frame(77, length, 1);
        Message m = contiguous(f);
        EXPECT_EQ(ApiServiceWorker::dup_message(&m), nullptr) << length;
        Message split{reinterpret_cast<MessageHeader*>(f.data()), f.data() + 64, nullptr};
        EXPECT_EQ(ApiServiceWorker::dup_message(&split), nullptr) << length;
    }
    EXPECT_EQ(ApiServiceWorker::dup_message(nullptr), nullptr);
    Message empty{nullptr, nullptr, nullptr};
    EXPECT_EQ(ApiServiceWorker::dup_message(&empty), nullptr);
    std::vector<unsigned char> f = make_frame(77, 100, 1);
    Message no_body{reinterpret_cast<MessageHeader*>(f.data()), nullptr, nullptr};
    EXPECT_EQ(ApiServiceWorker::dup_message(&no_body), nullptr);
}

TEST(ApiServiceWorker, RunsPrivateCopiesUrgentFirst) {
    Recorder w;
    ASSERT_TRUE(w.initialize());
    std::vector<unsigned char> f = make_frame(10, 80, 1);
    Message m = contiguous(f);
    w.add_task(&m);
    // The caller's buffer may change at once: the worker runs its own copy.
    f = make_frame(10, 80, 2);
    m = contiguous(f);
    w.add_task(&m);
    f = make_frame(10, 80, 3);
    m = contiguous(f);
    w.add_urgent_task(&m);
    ASSERT_TRUE(w.start());
    ASSERT_TRUE(wait_until([&] { return w.done.load() == 3; }));
    const std::vector<Seen> seen = w.snapshot();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].id, 3u);
    EXPECT_EQ(seen[1].id, 1u);
    EXPECT_EQ(seen[2].id, 2u);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.owner, reinterpret_cast<uintptr_t>(&w));  // header bytes 48..55
        EXPECT_TRUE(s.views_ok);
    }
    stop_and_wait(w);
}

// Copies still owned by the worker are freed after the task; handed-on copies
// are left to their new owner (ASan reports a double free, LSan a leak).
TEST(ApiServiceWorker, FreesOnlyCopiesItStillOwns) {
    Recorder w;
    ASSERT_TRUE(w.initialize());
    ASSERT_TRUE(w.start());
    std::vector<unsigned char> f = make_frame(10, 96, 1);
    Message m = contiguous(f);
    w.add_task(&m);
    ASSERT_TRUE(wait_until([&] { return w.done.load() == 1; }));
    w.keep_copies.store(true);
    f = make_frame(10, 96, 2);
    m = contiguous(f);
    w.add_task(&m);
    ASSERT_TRUE(wait_until([&] { return w.done.load() == 2; }));
    stop_and_wait(w);
    ASSERT_EQ(w.kept.size(), 1u);
    EXPECT_EQ(read_u64(w.kept[0], 16), 2u);
    EXPECT_EQ(read_u64(w.kept[0], 48), 0u);
    ApiServiceWorker::free_message(w.kept[0]);
}

// Tasks arrive with gaps that end inside the poll after a task, just after it
// and well into the idle sleep, each followed by wake() as the receiver does,
// from two producers: every task runs once, in order per producer, whichever
// state the worker is in (polling, falling asleep, asleep).
TEST(ApiServiceWorker, WakeDuringEveryIdleStateLosesNothing) {
    Recorder w;
    ASSERT_TRUE(w.initialize());
    w.wake();  // never started: nothing to wake, nothing happens
    ASSERT_TRUE(w.start());
    constexpr int kPerProducer = 300;
    const long gaps_us[] = {0, 5, 45, 55, 80, 120, 250};
    auto produce = [&w, &gaps_us](uint64_t base) {
        for (int i = 0; i < kPerProducer; ++i) {
            std::vector<unsigned char> f = make_frame(10, 72, base + uint64_t(i));
            Message m = contiguous(f);
            w.add_task(&m);
            w.wake();
            std::this_thread::sleep_for(std::chrono::microseconds(gaps_us[(i * 7 + base) % 7]));
        }
    };
    std::thread a(produce, 1000), b(produce, 5000);
    a.join();
    b.join();
    ASSERT_TRUE(wait_until([&] { return w.done.load() == 2 * kPerProducer; }));
    stop_and_wait(w);
    uint64_t next_a = 1000, next_b = 5000;
    for (const Seen& s : w.snapshot()) {
        if (s.id < 5000) {
            EXPECT_EQ(s.id, next_a++);
        } else {
            EXPECT_EQ(s.id, next_b++);
        }
    }
    EXPECT_EQ(next_a, 1000u + kPerProducer);
    EXPECT_EQ(next_b, 5000u + kPerProducer);
    w.wake();  // stopped: harmless
}

TEST(ApiServiceWorker, UninitialisedWorkerDropsTasksSafely) {
    Recorder w;
    std::vector<unsigned char> f = make_frame(10, 80, 1);
    Message m = contiguous(f);
    w.add_task(&m);
    w.add_urgent_task(&m);
    EXPECT_EQ(w.get_first_task(), nullptr);
}

TEST(ApiServiceWorker, InvalidFrameIsNotQueued) {
    Recorder w;
    ASSERT_TRUE(w.initialize());
    std::vector<unsigned char> f = make_frame(10, 40, 1);
    Message m = contiguous(f);
    w.add_task(&m);
    EXPECT_EQ(w.get_first_task(), nullptr);
}

TEST(ApiServiceWorker, DestroyingAWorkerFreesQueuedCopies) {
    auto* w = new Recorder;
    ASSERT_TRUE(w->initialize());
    for (uint64_t i = 0; i < 100; ++i) {
        std::vector<unsigned char> f = make_frame(kCountedCode, 128, i);
        Message m = contiguous(f);
        (i % 2 ? w->add_task(&m) : w->add_urgent_task(&m));
    }
    g_counted_owner.store(static_cast<ApiServiceWorker*>(w));
    delete w;
    g_counted_owner.store(nullptr);
    EXPECT_EQ(g_copies_freed.load(), 100);
}

TEST(ApiServiceWorker, ManyProducersEachTaskRunsOnceInProducerOrder) {
    constexpr int kProducers = 6;
    constexpr uint64_t kPerProducer = 5000;
    Recorder w;
    ASSERT_TRUE(w.initialize());
    ASSERT_TRUE(w.start());
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&w, p] {
            for (uint64_t i = 1; i <= kPerProducer; ++i) {
                std::vector<unsigned char> f = make_frame(10, 72, (uint64_t(p) << 32) | i);
                Message m = contiguous(f);
                w.add_task(&m);
            }
        });
    }
    for (auto& t : producers) t.join();
    ASSERT_TRUE(wait_until([&] { return w.done.load() == int(kProducers * kPerProducer); }));
    stop_and_wait(w);
    std::vector<uint64_t> last(kProducers, 0);
    for (const Seen& s : w.seen) {
        const uint64_t p = s.id >> 32, i = s.id & 0xffffffffu;
        ASSERT_LT(p, uint64_t(kProducers));
        ASSERT_EQ(i, last[p] + 1);
        last[p] = i;
    }
}

}  // namespace
