// Cost of one producer log call: a 4-argument INFO line, enabled and disabled,
// from 1, 2 and 4 threads, against spdlog's asynchronous logger writing the
// same line to a file. Measures only; asserts nothing.
#include <benchmark/benchmark.h>
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <time.h>
#include <unistd.h>
#include <x86intrin.h>

#include <algorithm>
#include <vector>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "log/Log.h"
#include "log/LogRegion.h"

namespace {

// Enabled sites run a fixed number of calls per thread so that every line
// fits in both loggers (our region, spdlog's queue) and is written: the
// figures are the cost of a kept line, not of a dropped one.
constexpr benchmark::IterationCount kCallsPerThread = 500000;
constexpr size_t kSpdlogQueue = 1 << 21;

std::string g_dir;
std::shared_ptr<spdlog::logger> g_spdlog;
std::atomic<uint64_t> g_trv_calls{0};
std::atomic<uint64_t> g_spd_calls{0};

void BM_trv_info_enabled(benchmark::State& state) {
    uint32_t qty = 100;
    long price = 123450000;
    int id = static_cast<int>(state.thread_index()) << 24;
    for (auto _ : state) {
        LOG_INFO("order: { id = %d, price = %ld, side = %s, qty = %u }", id++, price, "buy", qty);
    }
    g_trv_calls += state.iterations();
}

void BM_trv_debug_disabled(benchmark::State& state) {
    uint32_t qty = 100;
    long price = 123450000;
    int id = 0;
    for (auto _ : state) {
        LOG_DEBUG("order: { id = %d, price = %ld, side = %s, qty = %u }", id++, price, "buy", qty);
    }
}

void BM_spdlog_info_enabled(benchmark::State& state) {
    uint32_t qty = 100;
    long price = 123450000;
    int id = static_cast<int>(state.thread_index()) << 24;
    for (auto _ : state) {
        g_spdlog->info("order: {{ id = {}, price = {}, side = {}, qty = {} }}", id++, price, "buy", qty);
    }
    g_spd_calls += state.iterations();
}

void BM_spdlog_debug_disabled(benchmark::State& state) {
    uint32_t qty = 100;
    long price = 123450000;
    int id = 0;
    for (auto _ : state) {
        g_spdlog->debug("order: {{ id = {}, price = {}, side = {}, qty = {} }}", id++, price, "buy", qty);
    }
}

// Per-call distribution on one thread: the calls run in groups of 16 timed
// with the time-stamp counter, and each group gives one per-call figure. A
// preemption then spoils a group or two instead of the mean of the run, so
// the median holds on a loaded machine. p50 and p99 in ns per call.
constexpr int kGroup = 16;

uint64_t mono_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

template <class Call>
void per_call_percentiles(benchmark::State& state, Call call) {
    std::vector<uint64_t> ticks;
    ticks.reserve(kCallsPerThread / kGroup + 1);
    const uint64_t ns0 = mono_ns(), tsc0 = __rdtsc();
    for (auto _ : state) {
        const uint64_t t0 = __rdtsc();
        for (int i = 0; i < kGroup; ++i) call();
        ticks.push_back(__rdtsc() - t0);
    }
    const double ns_per_tick = double(mono_ns() - ns0) / double(std::max<uint64_t>(1, __rdtsc() - tsc0));
    auto at = [&](double q) {
        const size_t k = std::min(ticks.size() - 1, size_t(q * double(ticks.size())));
        std::nth_element(ticks.begin(), ticks.begin() + long(k), ticks.end());
        return double(ticks[k]) * ns_per_tick / kGroup;
    };
    if (ticks.empty()) return;
    state.counters["p50_ns"] = at(0.50);
    state.counters["p99_ns"] = at(0.99);
    state.SetItemsProcessed(int64_t(state.iterations()) * kGroup);
}

void BM_trv_info_per_call(benchmark::State& state) {
    uint32_t qty = 100;
    long price = 123450000;
    int id = 0;
    per_call_percentiles(
        state, [&] { LOG_INFO("order: { id = %d, price = %ld, side = %s, qty = %u }", id++, price, "buy", qty); });
    g_trv_calls += state.iterations() * kGroup;
}

void BM_spdlog_info_per_call(benchmark::State& state) {
    uint32_t qty = 100;
    long price = 123450000;
    int id = 0;
    per_call_percentiles(state, [&] {
        g_spdlog->info("order: {{ id = {}, price = {}, side = {}, qty = {} }}", id++, price, "buy", qty);
    });
    g_spd_calls += state.iterations() * kGroup;
}

bool trv_drained() {
    nq::log::log_region_t* r = nq::log::region();
    for (uint64_t i = 0; i < r->block_count; ++i) {
        nq::log::log_block_t* b = r->blocks[i];
        if (__atomic_load_n(&b->read_offset, __ATOMIC_ACQUIRE) != __atomic_load_n(&b->write_offset, __ATOMIC_ACQUIRE))
            return false;
    }
    return true;
}

// Each run starts with both loggers idle.
void drain(const benchmark::State&) {
    while (!trv_drained() || spdlog::thread_pool()->queue_size() != 0) usleep(1000);
}

// One, two and four threads, five runs each; the median run is the figure
// (the machine is shared).
void threaded_runs(benchmark::internal::Benchmark* b) {
    b->Setup(drain)->Iterations(kCallsPerThread)->Threads(1)->Threads(2)->Threads(4)->UseRealTime();
    b->Repetitions(5)->ReportAggregatesOnly(true);
}
BENCHMARK(BM_trv_info_enabled)->Apply(threaded_runs);
BENCHMARK(BM_spdlog_info_enabled)->Apply(threaded_runs);
BENCHMARK(BM_trv_info_per_call)->Setup(drain)->Iterations(kCallsPerThread / kGroup)->UseRealTime();
BENCHMARK(BM_spdlog_info_per_call)->Setup(drain)->Iterations(kCallsPerThread / kGroup)->UseRealTime();
BENCHMARK(BM_trv_debug_disabled)->Threads(1)->Threads(2)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_debug_disabled)->Threads(1)->Threads(2)->Threads(4)->UseRealTime();

uint64_t count_lines(const std::string& path) {
    std::ifstream in(path);
    uint64_t n = 0;
    std::string line;
    while (std::getline(in, line)) ++n;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    char tmpl[] = "/tmp/trv_log_bench.XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return 1;
    g_dir = tmpl;
    std::string trv_path = g_dir + "/trv.log";
    std::string spd_path = g_dir + "/spdlog.log";

    if (!nq::log::Log::initialize(nq::log::kInfo, 1024) || !nq::log::Log::open_log(0, trv_path.c_str())) {
        std::fprintf(stderr, "logger initialisation failed\n");
        return 1;
    }
    spdlog::init_thread_pool(kSpdlogQueue, 1);
    g_spdlog = spdlog::basic_logger_mt<spdlog::async_factory>("bench", spd_path, true);
    g_spdlog->set_pattern("[%Y%m%d %H:%M:%S.%e][%t][%^%l%$] %v");
    g_spdlog->set_level(spdlog::level::info);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    nq::log::Log::destroy();  // drains and flushes
    g_spdlog->flush();
    spdlog::shutdown();
    uint64_t trv_lines = count_lines(trv_path);
    uint64_t spd_lines = count_lines(spd_path);
    std::printf("lines written: trv %llu of %llu calls, spdlog %llu of %llu calls\n",
                static_cast<unsigned long long>(trv_lines), static_cast<unsigned long long>(g_trv_calls.load()),
                static_cast<unsigned long long>(spd_lines), static_cast<unsigned long long>(g_spd_calls.load()));
    unlink(trv_path.c_str());
    unlink(spd_path.c_str());
    rmdir(g_dir.c_str());
    return 0;
}
