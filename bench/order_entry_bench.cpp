// Order entry as a user program sees it: libtrv_api.so through its public
// header only, logged in to the stand-in counter on loopback (socket mode),
// on a pinned and warmed thread.
//
// Rows, in one run:
//   BM_BareSendtoLatency            a bare sendto of the same 62 bytes from a
//                                   socket on the same local address to the
//                                   same order node (run first and last);
//   BM_InsertOrderLatency/tokens:1  insert_order on a fresh token after one
//                                   earlier token has sent orders with the
//                                   very sequences the measured token uses;
//   BM_InsertOrderLatency/tokens:200  the same after 200 earlier tokens have;
//   BM_InsertOrderThroughput        orders per second of 1, 4 and 8 threads.
// Counters: send_* from the call to the return of its datagram's sendto
// (this program's own sendto, which every datagram of the process goes
// through, stamps the moment), call_* to the return of the call, with p50,
// p99 and p99.9 over kSamples orders after kWarmup unmeasured ones;
// allocs_per_call counts the heap allocations of the calling thread over the
// whole call, allocs_before_send up to the datagram. Each latency row makes
// exactly kSamples measurements (the names leave the fixed count out).
//
// The counter answers no order (no report reaches the library); its order
// node keeps every datagram, so the program clears its records as it goes.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "counter/StandInCounter.h"
#include "trv_api.h"

// Heap allocations of the calling thread (the library's calls resolve to
// this program's allocator entry points).
#include "AllocationCounter.h"
#include "NamedRowsReporter.h"
#include "support/SampleOrder.h"

namespace {
thread_local unsigned long t_allocs_at_send = 0;
thread_local int64_t t_sent_ns = 0;

inline int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

// Every datagram of this program (the library's and the baseline's) goes
// through here: the moment the kernel call returns is the send time.
extern "C" __attribute__((visibility("default"))) ssize_t sendto(int fd, const void* buf, size_t len, int flags,
                                                                 const struct sockaddr* to, socklen_t tolen) {
    const long r = syscall(SYS_sendto, fd, buf, len, flags, to, tolen);  // -1 and errno on failure
    t_sent_ns = now_ns();
    t_allocs_at_send = t_allocs;
    return r;
}

namespace {

constexpr int kSamples = 5000;
constexpr int kWarmup = 500;
constexpr int kEarlierTokens = 200;
constexpr int kThroughputOrders = 30000;

class Spi : public nq::TRVTradeSpi {
public:
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        std::lock_guard<std::mutex> lock(mu_);
        session_ = error == nullptr ? session_id : 0;
        logged_in_ = true;
    }
    void on_auth_trade(uint64_t, uint64_t request_id, uint64_t trade_token,
                       const nq::trv_error_info_t* error) override {
        std::lock_guard<std::mutex> lock(mu_);
        tokens_[request_id] = error == nullptr ? trade_token : 0;
    }
    bool logged_in(uint64_t* session) {
        std::lock_guard<std::mutex> lock(mu_);
        *session = session_;
        return logged_in_;
    }
    bool token(uint64_t request_id, uint64_t* token) {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = tokens_.find(request_id);
        if (it == tokens_.end()) return false;
        *token = it->second;
        return true;
    }

private:
    std::mutex mu_;
    uint64_t session_ = 0;
    bool logged_in_ = false;
    std::map<uint64_t, uint64_t> tokens_;
};

bool wait_for(const std::function<bool()>& done, int ms) {
    const int64_t end = now_ns() + int64_t(ms) * 1000000;
    while (!done()) {
        if (now_ns() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

counter::CounterOptions counter_options() {
    counter::CounterOptions o;
    o.push_init_data = false;
    return o;
}

// The counter, one trading session logged in as a proxy account and a pool
// of authorised accounts, each with a trade token of its own.
struct Setup {
    counter::StandInCounter counter{counter_options()};
    nq::TRVTradeApi* api = nullptr;
    nq::TRVTradeConfig config;
    Spi spi;
    uint64_t session = 0;
    std::vector<uint64_t> tokens;
    size_t next_token = 0;
    size_t frames_expected = 0;

    bool build() {
        char dir[] = "/tmp/trv_order_bench.XXXXXX";
        if (!mkdtemp(dir)) return false;
        setenv("TRV_FILE_PATH", dir, 1);
        setenv("TRV_LOG_LEVEL", "warn", 1);
        counter.add_account({"bench", counter::AccountKind::Proxy, 0, 0, ""});
        counter.set_order_replies(counter::OrderReplies{counter::OrderReplies::When::Never});
        if (!counter.start()) return false;
        api = nq::TRVTradeApi::create();
        if (api == nullptr) return false;
        config.set_local_addr("127.0.0.1", "127.0.0.1");
        config.add_agw_addr("127.0.0.1", counter.port());
        config.set_order_timeout(1);
        if (!api->initialize(&config, &spi)) return false;
        if (!api->login(1, 1, "bench", "pw", "key")) return false;
        if (!wait_for([&] { return spi.logged_in(&session); }, 20000) || session == 0) return false;
        const int accounts = kEarlierTokens + 8;
        for (int i = 0; i < accounts; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "acct%03d", i);
            if (!api->auth_trade(session, uint64_t(100 + i), name, "pw", "key")) return false;
        }
        for (int i = 0; i < accounts; ++i) {
            uint64_t token = 0;
            if (!wait_for([&] { return spi.token(uint64_t(100 + i), &token); }, 20000) || token == 0) return false;
            tokens.push_back(token);
        }
        counter.clear_records();
        return true;
    }

    uint64_t take_token() { return next_token < tokens.size() ? tokens[next_token++] : 0; }

    // Lets the counter catch up with the TCP copies sent so far and forgets
    // them, so that its records stay small over a long run.
    void drain(size_t sent) {
        frames_expected += sent;
        wait_for([&] { return counter.frame_count() >= frames_expected; }, 30000);
        counter.clear_records();
        frames_expected = 0;
    }
};

Setup& setup() {
    static Setup* s = new Setup();
    return *s;
}

nq::trv_order_insert_info_t order() { return trv_test::sh_limit_buy(); }

double percentile(std::vector<int64_t>& v, double p) {
    if (v.empty()) return 0;
    const size_t k = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return static_cast<double>(v[k]);
}

void report(benchmark::State& state, const char* what, std::vector<int64_t>& v) {
    const std::string w(what);
    state.counters[w + "_p50_ns"] = percentile(v, 0.50);
    state.counters[w + "_p99_ns"] = percentile(v, 0.99);
    state.counters[w + "_p99.9_ns"] = percentile(v, 0.999);
}

// Pins the calling thread to the last CPU it may use for as long as it lives,
// then gives back the CPUs it had.
struct Pinned {
    cpu_set_t saved;
    bool ok = false;
    int cpu = -1;
    Pinned() {
        CPU_ZERO(&saved);
        if (pthread_getaffinity_np(pthread_self(), sizeof saved, &saved) != 0) return;
        for (int c = CPU_SETSIZE - 1; c >= 0; --c) {
            if (!CPU_ISSET(c, &saved)) continue;
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(c, &one);
            ok = pthread_setaffinity_np(pthread_self(), sizeof one, &one) == 0;
            cpu = c;
            return;
        }
    }
    ~Pinned() {
        if (ok) pthread_setaffinity_np(pthread_self(), sizeof saved, &saved);
    }
};

// Orders on `token` without measuring them; false when one was refused.
bool send_unmeasured(uint64_t token, int count) {
    Setup& s = setup();
    nq::trv_order_insert_info_t o = order();
    for (int i = 0; i < count; ++i)
        if (s.api->insert_order(s.session, &o, token) == 0) return false;
    return true;
}

// Latency of insert_order on a fresh token after state.range(0) earlier
// tokens have used its sequences (each sends kWarmup + kSamples orders
// first, as many as the measured token then sends).
void BM_InsertOrderLatency(benchmark::State& state) {
    Setup& s = setup();
    const int earlier = static_cast<int>(state.range(0));
    for (int i = 0; i < earlier; ++i) {
        if (!send_unmeasured(s.take_token(), kWarmup + kSamples)) {
            state.SkipWithError("an earlier token's order was refused");
            return;
        }
        s.drain(kWarmup + kSamples);
    }
    const uint64_t token = s.take_token();
    if (token == 0) {
        state.SkipWithError("no token");
        return;
    }
    Pinned pin;
    state.counters["cpu"] = pin.cpu;
    s.api->init_local_send();
    if (!send_unmeasured(token, kWarmup)) {
        state.SkipWithError("a warm-up order was refused");
        return;
    }
    s.drain(kWarmup);
    nq::trv_order_insert_info_t o = order();
    std::vector<int64_t> to_send, to_return;
    to_send.reserve(kSamples);
    to_return.reserve(kSamples);
    unsigned long allocs_before_send = 0, allocs_in_call = 0, failures = 0;
    for (auto _ : state) {
        const unsigned long a0 = t_allocs;
        const int64_t t0 = now_ns();
        const uint64_t xid = s.api->insert_order(s.session, &o, token);
        const int64_t t1 = now_ns();
        const unsigned long a1 = t_allocs;
        if (xid == 0) {
            ++failures;
            continue;
        }
        to_send.push_back(t_sent_ns - t0);
        to_return.push_back(t1 - t0);
        allocs_before_send += t_allocs_at_send - a0;
        allocs_in_call += a1 - a0;
    }
    const double n = static_cast<double>(std::max<size_t>(to_send.size(), 1));
    report(state, "send", to_send);
    report(state, "call", to_return);
    state.counters["allocs_before_send"] = static_cast<double>(allocs_before_send) / n;
    state.counters["allocs_per_call"] = static_cast<double>(allocs_in_call) / n;
    state.counters["failures"] = static_cast<double>(failures);
    s.drain(kSamples);
}

// The baseline: the same 62 bytes by a bare sendto on a socket of the same
// local address to the same node.
void BM_BareSendtoLatency(benchmark::State& state) {
    Setup& s = setup();
    Pinned pin;
    state.counters["cpu"] = pin.cpu;
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.1", &local.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    const sockaddr_in node = s.counter.order_node();
    const sockaddr* dest = reinterpret_cast<const sockaddr*>(&node);
    // A datagram the counter takes for no order (xid 0).
    unsigned char datagram[62] = {0x27, 0x23, 56, 0, 0x03, 0x05};
    for (int i = 0; i < kWarmup; ++i) sendto(fd, datagram, sizeof datagram, 0, dest, sizeof(sockaddr_in));
    std::vector<int64_t> to_send;
    to_send.reserve(kSamples);
    unsigned long failures = 0, allocs = 0;
    for (auto _ : state) {
        const unsigned long a0 = t_allocs;
        const int64_t t0 = now_ns();
        if (sendto(fd, datagram, sizeof datagram, 0, dest, sizeof(sockaddr_in)) != 62) ++failures;
        to_send.push_back(t_sent_ns - t0);
        allocs += t_allocs - a0;
    }
    report(state, "send", to_send);
    state.counters["allocs_per_call"] = static_cast<double>(allocs) / static_cast<double>(kSamples);
    state.counters["failures"] = static_cast<double>(failures);
    close(fd);
    s.counter.clear_records();
}

// Orders per second with several threads sending on one session and token.
void BM_InsertOrderThroughput(benchmark::State& state) {
    Setup& s = setup();
    static uint64_t token = 0;
    if (state.thread_index() == 0) token = s.take_token();
    s.api->init_local_send();
    nq::trv_order_insert_info_t o = order();
    unsigned long failures = 0;
    for (auto _ : state) {
        if (s.api->insert_order(s.session, &o, token) == 0 && ++failures == 1 && state.thread_index() == 0)
            std::fprintf(stderr, "order refused: %s\n", nq::TRVTradeApi::get_last_error().error_msg);
    }
    state.counters["orders_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["failures"] = benchmark::Counter(static_cast<double>(failures), benchmark::Counter::kAvgThreads);
    if (state.thread_index() == 0) s.drain(static_cast<size_t>(kThroughputOrders) * state.threads());
}

BENCHMARK(BM_BareSendtoLatency)->Iterations(kSamples);
BENCHMARK(BM_InsertOrderLatency)->ArgName("tokens")->Arg(1)->Iterations(kSamples);
BENCHMARK(BM_InsertOrderLatency)->ArgName("tokens")->Arg(kEarlierTokens)->Iterations(kSamples);
BENCHMARK(BM_BareSendtoLatency)->Iterations(kSamples);
BENCHMARK(BM_InsertOrderThroughput)->Iterations(kThroughputOrders)->Threads(1)->Threads(4)->Threads(8)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    {
        unsigned long before = t_allocs;
        void* volatile p = std::malloc(64);
        std::free(p);
        if (t_allocs == before) std::fprintf(stderr, "warning: heap allocation counter is not active\n");
    }
    if (!setup().build()) {
        std::fprintf(stderr, "set-up failed: %s\n", nq::TRVTradeApi::get_last_error().error_msg);
        return 1;
    }
    NamedRowsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::fflush(stdout);
    // The library's threads are never joined: leave without running the
    // destructors of what they may still use.
    _exit(0);
}
