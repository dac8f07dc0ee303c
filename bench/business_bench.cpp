// Business-state hot paths beside standard-library baselines: security-code
// lookup and security-filter check per call, and storing / finding sent orders
// (single- and multi-threaded; the baseline store is an unordered_map under a
// mutex, which is what a straightforward implementation would use).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "api/business/KApiBusiness.h"
#include "api/security/OrderXid.h"
#include "api/security/SecurityCode.h"
#include "api/security/SecurityFilter.h"
#include "api/security/SecurityMap.h"

using nq::api::KApiBusiness;

namespace {

constexpr int kCodes = 4096;
constexpr int64_t kOrdersPerThread = 1 << 17;

// Six-digit codes padded to 8 bytes, as the order path looks them up.
const std::vector<std::array<char, 9>>& codes() {
    static std::vector<std::array<char, 9>> v = [] {
        std::vector<std::array<char, 9>> c(kCodes);
        for (int i = 0; i < kCodes; ++i) std::snprintf(c[i].data(), 9, "%06d  ", 600000 + i * 7);
        return c;
    }();
    return v;
}

void BM_SecurityMapLookup(benchmark::State& state) {
    nq::api::SecurityMap map;
    map.initialize();
    for (int i = 0; i < kCodes; ++i) map.set_security_index(codes()[i].data(), uint64_t(i + 1));
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.get_security_index(codes()[i].data()));
        i = (i + 1) & (kCodes - 1);
    }
}
BENCHMARK(BM_SecurityMapLookup);

void BM_UnorderedMapLookup_Baseline(benchmark::State& state) {
    std::unordered_map<uint64_t, uint64_t> map;
    for (int i = 0; i < kCodes; ++i) map.emplace(nq::api::pad_security_code(codes()[i].data()), uint64_t(i + 1));
    int i = 0;
    for (auto _ : state) {
        uint64_t key;
        std::memcpy(&key, codes()[i].data(), 8);
        auto it = map.find(key);
        benchmark::DoNotOptimize(it == map.end() ? 0 : it->second);
        i = (i + 1) & (kCodes - 1);
    }
}
BENCHMARK(BM_UnorderedMapLookup_Baseline);

void BM_SecurityFilterCheck(benchmark::State& state) {
    nq::api::SecurityFilter filter;
    filter.initialize();
    for (int i = 0; i < kCodes; i += 2) filter.add_filter(codes()[i].data());
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(filter.is_filter(codes()[i].data()));
        i = (i + 1) & (kCodes - 1);
    }
}
BENCHMARK(BM_SecurityFilterCheck);

void BM_UnorderedSetCheck_Baseline(benchmark::State& state) {
    std::unordered_set<uint64_t> set;
    for (int i = 0; i < kCodes; i += 2) set.insert(nq::api::pad_security_code(codes()[i].data()));
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(set.count(nq::api::pad_security_code(codes()[i].data())));
        i = (i + 1) & (kCodes - 1);
    }
}
BENCHMARK(BM_UnorderedSetCheck_Baseline);

inline uint64_t xid_of(int thread, int64_t n) {
    return (uint64_t(thread + 1) << 48) | (uint64_t(n) << 8) | uint64_t(thread);
}
inline void fill_payload(unsigned char* p, uint64_t xid) { std::memcpy(p + 8, &xid, 8); }

// One store per benchmark run: records are never freed while it lives.
KApiBusiness* g_business = nullptr;
std::atomic<uint64_t> g_round{0};

void business_setup(const benchmark::State&) {
    g_business = new KApiBusiness();
    g_business->initialize();
}
void business_teardown(const benchmark::State&) {
    delete g_business;
    g_business = nullptr;
}

void BM_AddOrder(benchmark::State& state) {
    unsigned char payload[56] = {};
    int64_t n = 0;
    const uint64_t round = g_round.fetch_add(1) << 40;
    for (auto _ : state) {
        fill_payload(payload, xid_of(state.thread_index(), n++) ^ round);
        benchmark::DoNotOptimize(g_business->add_order(1101, 0, sizeof payload, payload));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddOrder)
    ->Setup(business_setup)
    ->Teardown(business_teardown)
    ->Iterations(kOrdersPerThread)
    ->ThreadRange(1, 8)
    ->UseRealTime();

struct MutexStore {
    std::mutex m;
    std::unordered_map<uint64_t, std::array<unsigned char, 256>> orders;
    bool add(const unsigned char* p, size_t len) {
        uint64_t xid;
        std::memcpy(&xid, p + 8, 8);
        std::array<unsigned char, 256> copy{};
        std::memcpy(copy.data() + 64, p, len);
        std::lock_guard<std::mutex> lock(m);
        return orders.emplace(xid, copy).second;
    }
    const std::array<unsigned char, 256>* get(uint64_t xid) {
        std::lock_guard<std::mutex> lock(m);
        auto it = orders.find(xid);
        return it == orders.end() ? nullptr : &it->second;
    }
};
MutexStore* g_mutex_store = nullptr;
void mutex_setup(const benchmark::State&) { g_mutex_store = new MutexStore(); }
void mutex_teardown(const benchmark::State&) {
    delete g_mutex_store;
    g_mutex_store = nullptr;
}

void BM_AddOrderMutexMap_Baseline(benchmark::State& state) {
    unsigned char payload[56] = {};
    int64_t n = 0;
    for (auto _ : state) {
        fill_payload(payload, xid_of(state.thread_index(), n++));
        benchmark::DoNotOptimize(g_mutex_store->add(payload, sizeof payload));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddOrderMutexMap_Baseline)
    ->Setup(mutex_setup)
    ->Teardown(mutex_teardown)
    ->Iterations(kOrdersPerThread)
    ->ThreadRange(1, 8)
    ->UseRealTime();

// Lookups of orders stored before the run; readers on every thread.
constexpr int64_t kStored = 1 << 16;
void lookup_setup(const benchmark::State& s) {
    business_setup(s);
    mutex_setup(s);
    unsigned char payload[56] = {};
    for (int64_t n = 0; n < kStored; ++n) {
        fill_payload(payload, xid_of(0, n));
        g_business->add_order(1101, 0, sizeof payload, payload);
        g_mutex_store->add(payload, sizeof payload);
    }
}
void lookup_teardown(const benchmark::State& s) {
    business_teardown(s);
    mutex_teardown(s);
}

void BM_GetApiOrder(benchmark::State& state) {
    int64_t n = state.thread_index() * 977;
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_business->get_api_order(xid_of(0, n)));
        n = (n + 1) & (kStored - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetApiOrder)->Setup(lookup_setup)->Teardown(lookup_teardown)->ThreadRange(1, 8)->UseRealTime();

void BM_GetOrderMutexMap_Baseline(benchmark::State& state) {
    int64_t n = state.thread_index() * 977;
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_mutex_store->get(xid_of(0, n)));
        n = (n + 1) & (kStored - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetOrderMutexMap_Baseline)
    ->Setup(lookup_setup)
    ->Teardown(lookup_teardown)
    ->ThreadRange(1, 8)
    ->UseRealTime();

// Memory that stays for the trading day: heap in use (malloc's own count,
// all arenas) after storing 1,000,000 orders (200 tokens, 5,000 sequences
// each) and then two distinct reports for each of them, per order and per
// report. Measured once; the time is not the point.
size_t heap_in_use() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void BM_MemoryPerOrderAndReport(benchmark::State& state) {
    constexpr uint64_t kTokens = 200, kSequences = 5000;
    double per_order = 0, per_report = 0;
    for (auto _ : state) {
        KApiBusiness* b = new KApiBusiness();
        b->initialize();
        const size_t empty = heap_in_use();
        unsigned char payload[56] = {};
        for (uint64_t t = 5; t < 5 + kTokens; ++t)
            for (uint64_t q = 1; q <= kSequences; ++q) {
                fill_payload(payload, nq::api::make_xid(t, q));
                b->add_order(1283, 0, sizeof payload, payload);
            }
        const size_t with_orders = heap_in_use();
        unsigned char id[32] = {};
        uint64_t n = 0;
        for (uint64_t t = 5; t < 5 + kTokens; ++t)
            for (uint64_t q = 1; q <= kSequences; ++q)
                for (int r = 0; r < 2; ++r) {
                    ++n;
                    std::memcpy(id, &n, sizeof n);
                    b->add_order_report(id, nq::api::make_xid(t, q));
                }
        const size_t with_reports = heap_in_use();
        per_order = static_cast<double>(with_orders - empty) / static_cast<double>(kTokens * kSequences);
        per_report = static_cast<double>(with_reports - with_orders) / static_cast<double>(n);
        delete b;
    }
    state.counters["bytes_per_order"] = per_order;
    state.counters["bytes_per_report"] = per_report;
}
BENCHMARK(BM_MemoryPerOrderAndReport)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
