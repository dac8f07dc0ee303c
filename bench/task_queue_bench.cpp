// ApiTaskQueue against moodycamel::ConcurrentQueue and boost::lockfree::queue,
// one pointer per entry, same capacity. ApiTaskQueue, bounded moodycamel
// (try_enqueue over exactly the preallocated blocks) and Boost are bounded: a
// full queue makes the producer wait or retry. Unbounded moodycamel (enqueue)
// grows past the capacity instead, so part of its figure is a drain rate; the
// depth counters show how far each queue actually filled.
#include <benchmark/benchmark.h>
#include <sched.h>

#include <concurrentqueue/concurrentqueue.h>
#include <atomic>
#include <boost/lockfree/queue.hpp>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "framework/ApiTaskQueue.h"
#include "log/CpuPause.h"

namespace {

constexpr unsigned long kCapacity = 16384;  // within Boost's 16-bit node index
constexpr uint64_t kItemsPerRun = 1u << 18;
constexpr int kMaxProducers = 4;

inline void* item(uint64_t i) { return reinterpret_cast<void*>(static_cast<uintptr_t>(i + 1)); }

struct TaskQueue {
    TaskQueue() : q(kCapacity) { q.initialize(); }
    struct Producer {
        explicit Producer(TaskQueue&) {}
    };
    void push(Producer&, void* p) { q.push(p); }
    void* pop() { return q.pop(); }
    nq::api::ApiTaskQueue q;
};

// Bounded moodycamel for a given number of producers. An explicit producer
// keeps every block it has taken and never returns it to the shared pool, so
// one producer could take all preallocated blocks and leave the others
// refused for good. Each producer is therefore held to its share of the
// capacity (MAX_SUBQUEUE_SIZE), with a spare block each for the partly used
// block at either end, and its block index is sized for that share.
template <int kProducers>
struct BoundedTraits : moodycamel::ConcurrentQueueDefaultTraits {
    static const size_t MAX_SUBQUEUE_SIZE = kCapacity / kProducers;
    static const size_t EXPLICIT_INITIAL_INDEX_SIZE = 2 * kCapacity / kProducers / BLOCK_SIZE;
};

template <class Traits, bool kBounded, size_t kPrealloc>
struct MoodycamelQueue {
    using Queue = moodycamel::ConcurrentQueue<void*, Traits>;
    // The one-argument constructor preallocates exactly kPrealloc / block size
    // blocks; try_enqueue never allocates beyond them.
    MoodycamelQueue() : q(kPrealloc), consumer(q) {}
    struct Producer {
        explicit Producer(MoodycamelQueue& m) : tok(m.q) {}
        moodycamel::ProducerToken tok;
    };
    void push(Producer& p, void* v) {
        if (kBounded) {
            while (!q.try_enqueue(p.tok, v)) nq::cpu_pause();
        } else {
            q.enqueue(p.tok, v);
        }
    }
    void* pop() {
        void* v = nullptr;
        return q.try_dequeue(consumer, v) ? v : nullptr;
    }
    Queue q;
    moodycamel::ConsumerToken consumer;
};
template <int kProducers>
using MoodycamelBounded =
    MoodycamelQueue<BoundedTraits<kProducers>, true,
                    kCapacity + 2 * kProducers * moodycamel::ConcurrentQueueDefaultTraits::BLOCK_SIZE>;
using MoodycamelUnbounded = MoodycamelQueue<moodycamel::ConcurrentQueueDefaultTraits, false, kCapacity>;

struct BoostLockfree {
    BoostLockfree() : q(kCapacity) {}
    struct Producer {
        explicit Producer(BoostLockfree&) {}
    };
    void push(Producer&, void* v) {
        while (!q.bounded_push(v)) nq::cpu_pause();
    }
    void* pop() {
        void* v = nullptr;
        return q.pop(v) ? v : nullptr;
    }
    boost::lockfree::queue<void*, boost::lockfree::fixed_sized<true>> q;
};

// One thread pushes and pops in turn: the uncontended cost of a hand-over.
template <class Q>
void BM_PushPop(benchmark::State& state) {
    auto q = std::make_unique<Q>();
    typename Q::Producer prod(*q);
    uint64_t i = 0;
    for (auto _ : state) {
        q->push(prod, item(i++));
        benchmark::DoNotOptimize(q->pop());
    }
    state.SetItemsProcessed(state.iterations());
}

// Each producer publishes how many entries it has pushed, every few pushes,
// on a line of its own; the consumer samples the depth from these.
struct alignas(64) PushedCount {
    std::atomic<uint64_t> n{0};
};
constexpr uint64_t kPublishEvery = 16;
constexpr uint64_t kSampleEvery = 64;

// N producer threads and one consumer move kItemsPerRun pointers.
template <class Q>
void BM_Producers(benchmark::State& state) {
    const int producers = static_cast<int>(state.range(0));
    const uint64_t per_producer = kItemsPerRun / producers;
    uint64_t depth_sum = 0, depth_samples = 0, depth_max = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto q = std::make_unique<Q>();
        PushedCount pushed[kMaxProducers];
        std::atomic<int> ready{0};
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int p = 0; p < producers; ++p) {
            threads.emplace_back([&, p] {
                typename Q::Producer prod(*q);
                ready.fetch_add(1);
                while (!go.load(std::memory_order_acquire)) std::this_thread::yield();
                for (uint64_t i = 0; i < per_producer; ++i) {
                    q->push(prod, item(p * per_producer + i));
                    if ((i & (kPublishEvery - 1)) == 0) pushed[p].n.store(i + 1, std::memory_order_relaxed);
                }
            });
        }
        while (ready.load() != producers) std::this_thread::yield();
        state.ResumeTiming();
        go.store(true, std::memory_order_release);
        uint64_t got = 0;
        const uint64_t total = per_producer * producers;
        while (got < total) {
            if (q->pop() == nullptr) continue;
            if ((++got & (kSampleEvery - 1)) == 0) {
                uint64_t in = 0;
                for (int p = 0; p < producers; ++p) in += pushed[p].n.load(std::memory_order_relaxed);
                const uint64_t depth = in > got ? in - got : 0;
                depth_sum += depth;
                ++depth_samples;
                if (depth > depth_max) depth_max = depth;
            }
        }
        for (auto& t : threads) t.join();
    }
    state.SetItemsProcessed(state.iterations() * per_producer * producers);
    state.counters["depth_mean"] = depth_samples != 0 ? double(depth_sum) / double(depth_samples) : 0.0;
    state.counters["depth_max"] = double(depth_max);
    state.counters["capacity"] = double(kCapacity);
}

BENCHMARK_TEMPLATE(BM_PushPop, TaskQueue);
BENCHMARK_TEMPLATE(BM_PushPop, MoodycamelBounded<1>);
BENCHMARK_TEMPLATE(BM_PushPop, MoodycamelUnbounded);
BENCHMARK_TEMPLATE(BM_PushPop, BoostLockfree);
#define PRODUCER_BENCH(Q) \
    BENCHMARK_TEMPLATE(BM_Producers, Q)->Arg(1)->Arg(2)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond)
PRODUCER_BENCH(TaskQueue);
// The bounded moodycamel queue is built for its number of producers.
BENCHMARK_TEMPLATE(BM_Producers, MoodycamelBounded<1>)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Producers, MoodycamelBounded<2>)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Producers, MoodycamelBounded<4>)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
PRODUCER_BENCH(MoodycamelUnbounded);
PRODUCER_BENCH(BoostLockfree);

}  // namespace

BENCHMARK_MAIN();
