// One 56-byte order through the UDP order sender in socket mode
// (acquire_send_buffer + send_order + release_send_buffer) against a bare
// sendto of the same 62 bytes, both from 127.0.0.2 to a sink on 127.0.0.1,
// on a pinned, warmed thread. Also counts heap allocations on the sender's
// path after the thread's first order (it should be zero). Each call is also
// timed with the time-stamp counter for its median and 99th percentile.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
#include <x86intrin.h>

#include <algorithm>
#include <vector>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "api/order/KApiUdpSender.h"
#include "support/LoopbackUdp.h"

// Heap allocations of the calling thread.
#include "AllocationCounter.h"

namespace {

using nq::api::KApiUdpSender;

using udp_test::make_addr;

// Where both paths send: a bound socket nobody reads (the kernel drops what
// does not fit; sendto is unaffected).
struct Sink {
    int fd;
    sockaddr_in addr;
    Sink() {
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        addr = make_addr("127.0.0.1", 0);
        bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    }
};

Sink& sink() {
    static Sink s;
    return s;
}

KApiUdpSender* sender() {
    static KApiUdpSender* s = [] {
        sockaddr_in local = make_addr("127.0.0.2", 0);
        auto* p = new KApiUdpSender(reinterpret_cast<const sockaddr*>(&local));
        if (!p->initialize()) {
            std::fprintf(stderr, "udp sender initialisation failed\n");
            std::exit(1);
        }
        return p;
    }();
    return s;
}

// Per-call times of the last 2^20 calls, in time-stamp-counter ticks,
// converted with the counter's rate over the run. The buffer is taken before
// the allocation count starts.
struct CallTimes {
    static constexpr size_t kKept = 1u << 20;
    std::vector<uint64_t> ticks = std::vector<uint64_t>(kKept);
    uint64_t n = 0, ns0 = 0, tsc0 = 0;
    static uint64_t mono_ns() {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
    }
    void start() {
        ns0 = mono_ns();
        tsc0 = __rdtsc();
    }
    void add(uint64_t t) { ticks[n++ % kKept] = t; }
    void report(benchmark::State& state) {
        const double ns_per_tick = double(mono_ns() - ns0) / double(std::max<uint64_t>(1, __rdtsc() - tsc0));
        std::vector<uint64_t> v(ticks.begin(), ticks.begin() + long(std::min<uint64_t>(n, kKept)));
        if (v.empty()) return;
        for (double q : {0.50, 0.99}) {
            const size_t k = std::min(v.size() - 1, size_t(q * double(v.size())));
            std::nth_element(v.begin(), v.begin() + long(k), v.end());
            state.counters[q == 0.50 ? "p50_ns" : "p99_ns"] = double(v[k]) * ns_per_tick;
        }
    }
};

const char kMac[12] = {0x02, 0, 0, 0, 0, 1, 0x02, 0, 0, 0, 0, 2};

inline bool send_one(KApiUdpSender* s, const sockaddr* dest, uint64_t seq) {
    unsigned char* body = s->acquire_send_buffer(1283, 56);
    if (!body) return false;
    std::memset(body, 0, 56);
    std::memcpy(body, &seq, sizeof seq);
    bool ok = s->send_order(body, 56, dest, kMac);
    s->release_send_buffer(body);
    return ok;
}

void BM_SenderSocketOrder(benchmark::State& state) {
    KApiUdpSender* s = sender();
    const sockaddr* dest = reinterpret_cast<const sockaddr*>(&sink().addr);
    uint64_t seq = 0;
    send_one(s, dest, seq++);  // the thread's first order takes its buffer
    for (int i = 0; i < 1000; ++i) send_one(s, dest, seq++);
    unsigned long failures = 0;
    CallTimes times;
    unsigned long allocs_before = t_allocs;
    times.start();
    for (auto _ : state) {
        const uint64_t t0 = __rdtsc();
        if (!send_one(s, dest, seq++)) ++failures;
        times.add(__rdtsc() - t0);
    }
    unsigned long allocs = t_allocs - allocs_before;
    times.report(state);
    state.counters["heap_allocs"] = static_cast<double>(allocs);
    state.counters["failures"] = static_cast<double>(failures);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 62);
}

void BM_BareSendto(benchmark::State& state) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = make_addr("127.0.0.2", 0);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    const sockaddr* dest = reinterpret_cast<const sockaddr*>(&sink().addr);
    unsigned char datagram[62] = {0x27, 0x23, 56, 0, 0x03, 0x05};
    uint64_t seq = 0;
    for (int i = 0; i < 1000; ++i) sendto(fd, datagram, sizeof datagram, 0, dest, sizeof(sockaddr_in));
    unsigned long failures = 0;
    CallTimes times;
    unsigned long allocs_before = t_allocs;
    times.start();
    for (auto _ : state) {
        const uint64_t t0 = __rdtsc();
        std::memcpy(datagram + 6, &seq, sizeof seq);
        ++seq;
        if (sendto(fd, datagram, sizeof datagram, 0, dest, sizeof(sockaddr_in)) != 62) ++failures;
        times.add(__rdtsc() - t0);
    }
    const unsigned long allocs = t_allocs - allocs_before;
    times.report(state);
    state.counters["heap_allocs"] = static_cast<double>(allocs);
    state.counters["failures"] = static_cast<double>(failures);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 62);
    close(fd);
}

BENCHMARK(BM_BareSendto);
BENCHMARK(BM_SenderSocketOrder);

void pin_to_one_cpu() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return;
    for (int cpu = CPU_SETSIZE - 1; cpu >= 0; --cpu) {
        if (!CPU_ISSET(cpu, &set)) continue;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        if (pthread_setaffinity_np(pthread_self(), sizeof one, &one) == 0) std::printf("pinned to cpu %d\n", cpu);
        return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    pin_to_one_cpu();
    {
        // The counter must see the allocations it is meant to count.
        unsigned long before = t_allocs;
        void* volatile p = std::malloc(64);
        std::free(p);
        if (t_allocs == before) std::printf("warning: heap allocation counter is not active\n");
    }
    sink();
    sender();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
