// ApiTaskQueue against moodycamel::ConcurrentQueue and boost::lockfree::queue:
// same capacity, same payload (one non-null pointer). ApiTaskQueue and Boost
// are bounded (a full queue makes the producer wait or retry); moodycamel
// starts with that capacity preallocated and grows past it.
#include <benchmark/benchmark.h>
#include <sched.h>

#include <atomic>
#include <boost/lockfree/queue.hpp>
#include <concurrentqueue/concurrentqueue.h>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "framework/ApiTaskQueue.h"

namespace {

constexpr unsigned long kCapacity = 16384;  // within Boost's 16-bit node index
constexpr uint64_t kItemsPerRun = 1u << 18;

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

struct Moodycamel {
    Moodycamel() : q(kCapacity, 8, 0) {}
    struct Producer {
        explicit Producer(Moodycamel& m) : tok(m.q) {}
        moodycamel::ProducerToken tok;
    };
    // try_enqueue can refuse for good once a producer's block index is used
    // up, even with the queue drained; enqueue reuses the preallocated blocks
    // and grows only beyond them, so the capacity is a floor here, not a bound.
    void push(Producer& p, void* v) { q.enqueue(p.tok, v); }
    void* pop() {
        void* v = nullptr;
        return q.try_dequeue(v) ? v : nullptr;
    }
    moodycamel::ConcurrentQueue<void*> q;
};

struct BoostLockfree {
    BoostLockfree() : q(kCapacity) {}
    struct Producer {
        explicit Producer(BoostLockfree&) {}
    };
    void push(Producer&, void* v) {
        while (!q.bounded_push(v)) sched_yield();
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

// N producer threads and one consumer move kItemsPerRun pointers.
template <class Q>
void BM_Producers(benchmark::State& state) {
    const int producers = static_cast<int>(state.range(0));
    const uint64_t per_producer = kItemsPerRun / producers;
    for (auto _ : state) {
        state.PauseTiming();
        auto q = std::make_unique<Q>();
        std::atomic<int> ready{0};
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int p = 0; p < producers; ++p) {
            threads.emplace_back([&, p] {
                typename Q::Producer prod(*q);
                ready.fetch_add(1);
                while (!go.load(std::memory_order_acquire)) std::this_thread::yield();
                for (uint64_t i = 0; i < per_producer; ++i) q->push(prod, item(p * per_producer + i));
            });
        }
        while (ready.load() != producers) std::this_thread::yield();
        state.ResumeTiming();
        go.store(true, std::memory_order_release);
        uint64_t got = 0;
        const uint64_t total = per_producer * producers;
        while (got < total) {
            if (q->pop() != nullptr) ++got;
        }
        for (auto& t : threads) t.join();
    }
    state.SetItemsProcessed(state.iterations() * per_producer * producers);
}

BENCHMARK_TEMPLATE(BM_PushPop, TaskQueue);
BENCHMARK_TEMPLATE(BM_PushPop, Moodycamel);
BENCHMARK_TEMPLATE(BM_PushPop, BoostLockfree);
BENCHMARK_TEMPLATE(BM_Producers, TaskQueue)->Arg(1)->Arg(2)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Producers, Moodycamel)->Arg(1)->Arg(2)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Producers, BoostLockfree)->Arg(1)->Arg(2)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
