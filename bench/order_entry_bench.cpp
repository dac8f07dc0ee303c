// KApi::insert_order on a pinned, warmed thread, over loopback in socket mode:
// the time from the call to the return of its datagram send and to the return
// of the whole call (p50, p99, p99.9), against a bare sendto of the same 62
// bytes in the same run; heap allocations counted before the datagram leaves
// and over the whole call; throughput with 1, 4 and 8 sending threads.
//
// The provider runs as in production (service threads, TCP copy to a loopback
// gateway that drains it, order timers); the session, trade token and security
// map are set up directly, as the login would leave them.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "api/business/KApiBusiness.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiSession.h"
#include "framework/AllocMem.h"
#include "framework/TcpMessageIO.h"
#include "support/TestPeer.h"
#include "support/LoopbackUdp.h"

// Heap allocations of the calling thread.
#include "AllocationCounter.h"

// ---- datagram send time ----------------------------------------------------

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
extern "C" ssize_t sendto(int fd, const void* buf, size_t len, int flags, const struct sockaddr* to, socklen_t tolen) {
    const long r = syscall(SYS_sendto, fd, buf, len, flags, to, tolen);  // -1 and errno on failure
    t_sent_ns = now_ns();
    t_allocs_at_send = t_allocs;
    return r;
}

namespace {

using nq::api::KApi;
using nq::api::KApiSession;

using udp_test::make_addr;

// The order node (a bound socket nobody reads; the kernel drops what does
// not fit) and the gateway (reads and discards the TCP copies, and keeps the
// session alive with a heartbeat every second).
struct Setup {
    KApi* api = nullptr;
    uint64_t session_id = 0;
    int node_fd = -1;
    sockaddr_in node{};
    nq::TRVTradeConfig config;
    struct Spi : nq::TRVTradeSpi {} spi;
    uint64_t next_token_id = 5;

    bool build() {
        char dir[] = "/tmp/trv_order_bench.XXXXXX";
        if (!mkdtemp(dir)) return false;
        setenv("TRV_FILE_PATH", dir, 1);
        setenv("TRV_LOG_LEVEL", "warn", 1);
        api = KApi::create_singleton_or_get();
        if (!api) return false;
        config.set_local_addr("127.0.0.1", "127.0.0.2");
        config.set_order_timeout(1);
        if (!api->initialize_trade(&config, &spi)) return false;

        node_fd = socket(AF_INET, SOCK_DGRAM, 0);
        node = make_addr("127.0.0.1", 0);
        bind(node_fd, reinterpret_cast<sockaddr*>(&node), sizeof node);
        socklen_t len = sizeof node;
        getsockname(node_fd, reinterpret_cast<sockaddr*>(&node), &len);

        testpeer::Listener listener;
        if (!listener.open()) return false;
        session_id = api->framework_->open_session(1, reinterpret_cast<const sockaddr*>(&listener.addr), nullptr,
                                                   static_cast<unsigned char>(nq::ApiType::TRADE));
        const int gateway = listener.accept_one(5000);
        listener.close_fd();
        if (session_id == 0 || gateway < 0) return false;
        std::thread([gateway] {
            std::vector<unsigned char> sink(1 << 16);
            const testpeer::Bytes beat = testpeer::make_frame(2, 72);
            auto last = std::chrono::steady_clock::now();
            for (;;) {
                pollfd p{gateway, POLLIN, 0};
                if (poll(&p, 1, 100) == 1 && recv(gateway, sink.data(), sink.size(), 0) <= 0) return;
                if (std::chrono::steady_clock::now() - last > std::chrono::seconds(1)) {
                    testpeer::send_all(gateway, beat.data(), beat.size());
                    last = std::chrono::steady_clock::now();
                }
            }
        }).detach();

        KApiSession* s = session();
        s->api_type = static_cast<uint8_t>(nq::ApiType::TRADE);
        s->login_account_type = 0;
        s->auth_id = 0x1122334455667788ull;
        if (!api->business_->security_map(1)->set_security_index("600000", 0x1234)) return false;
        return new_token();
    }

    KApiSession* session() const {
        return KApiSession::from(api->framework_->message_io_->sessions_[session_id & 0xffff].load());
    }

    // A fresh token for each run, so that no run exhausts its sequences.
    bool new_token() {
        const unsigned char mac[6] = {0x02, 0, 0, 0, 0, 1};
        auto* token = nq::api::make_object_aligned<nq::api::ApiTradeToken>(
            64, session_id, uint64_t(0), uint64_t(1), uint64_t(7), next_token_id++, uint64_t(0), node, mac, mac);
        if (!token || !api->business_->token_mgr_->add_trade_token(token)) return false;
        session()->token.store(token);
        return true;
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

nq::trv_order_insert_info_t order() {
    nq::trv_order_insert_info_t o{};
    o.price = 123400;
    o.quantity = 300;
    std::strcpy(o.security_code, "600000");
    o.exchange_index = nq::ExchangeIndex::SH;
    o.order_type = nq::OrderType::LIMIT_PRICE;
    o.side = nq::Side::BUY;
    o.business_type = nq::BusinessType::CASH;
    return o;
}

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

constexpr int64_t kSamples = 100000;
constexpr int kWarmup = 2000;

// Latency of one insert_order: to the return of its sendto, and to the return
// of the call; allocations before the datagram left and over the call.
void BM_InsertOrderLatency(benchmark::State& state) {
    Setup& s = setup();
    if (!s.new_token()) {
        state.SkipWithError("no token");
        return;
    }
    Pinned pin;
    state.counters["cpu"] = pin.cpu;
    KApi* api = s.api;
    api->init_local_send();
    nq::trv_order_insert_info_t o = order();
    for (int i = 0; i < kWarmup; ++i) api->insert_order(s.session_id, &o, 0);
    std::vector<int64_t> to_send, to_return;
    to_send.reserve(kSamples);
    to_return.reserve(kSamples);
    unsigned long allocs_before_send = 0, allocs_in_call = 0, failures = 0;
    for (auto _ : state) {
        const unsigned long a0 = t_allocs;
        const int64_t t0 = now_ns();
        const uint64_t xid = api->insert_order(s.session_id, &o, 0);
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
}

// The baseline: the same 62 bytes by a bare sendto on a socket of the same
// local address to the same node.
void BM_BareSendtoLatency(benchmark::State& state) {
    Setup& s = setup();
    Pinned pin;
    state.counters["cpu"] = pin.cpu;
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = make_addr("127.0.0.2", 0);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    const sockaddr* dest = reinterpret_cast<const sockaddr*>(&s.node);
    unsigned char datagram[62] = {0x27, 0x23, 56, 0, 0x03, 0x05};
    for (int i = 0; i < kWarmup; ++i) sendto(fd, datagram, sizeof datagram, 0, dest, sizeof(sockaddr_in));
    std::vector<int64_t> to_send;
    to_send.reserve(kSamples);
    uint64_t seq = 0;
    unsigned long failures = 0;
    for (auto _ : state) {
        const int64_t t0 = now_ns();
        std::memcpy(datagram + 14, &seq, sizeof seq);
        ++seq;
        if (sendto(fd, datagram, sizeof datagram, 0, dest, sizeof(sockaddr_in)) != 62) ++failures;
        to_send.push_back(t_sent_ns - t0);
    }
    report(state, "send", to_send);
    state.counters["failures"] = static_cast<double>(failures);
    close(fd);
}

// Orders per second with several threads sending on one session and token.
void BM_InsertOrderThroughput(benchmark::State& state) {
    Setup& s = setup();
    if (state.thread_index() == 0) {
        if (!s.new_token()) state.SkipWithError("no token");
    }
    KApi* api = s.api;
    api->init_local_send();
    nq::trv_order_insert_info_t o = order();
    unsigned long failures = 0;
    for (auto _ : state) {
        if (api->insert_order(s.session_id, &o, 0) == 0) ++failures;
    }
    state.counters["orders_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate);
    state.counters["failures"] = benchmark::Counter(static_cast<double>(failures), benchmark::Counter::kAvgThreads);
}

BENCHMARK(BM_BareSendtoLatency)->Iterations(kSamples);
BENCHMARK(BM_InsertOrderLatency)->Iterations(kSamples);
BENCHMARK(BM_BareSendtoLatency)->Iterations(kSamples);
BENCHMARK(BM_InsertOrderThroughput)->Iterations(30000)->Threads(1)->Threads(4)->Threads(8)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    {
        unsigned long before = t_allocs;
        void* volatile p = std::malloc(64);
        std::free(p);
        if (t_allocs == before) std::printf("warning: heap allocation counter is not active\n");
    }
    if (!setup().build()) {
        std::fprintf(stderr, "set-up failed: %s\n", KApi::get_last_error().error_msg);
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
