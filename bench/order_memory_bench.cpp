// Memory a trading day keeps, as a user program sees it: libtrv_api.so
// through its public header, logged in to the stand-in counter (in a process
// of its own, so that only the library's memory is counted), four threads
// sending orders and a cancel of each, each thread on a trade token of its
// own, every one answered once (an order by an order response and a trade
// report, a cancel by a cancel response).
//
// Measured at three points, each once every answer has arrived and every
// order timer has fired: after the login, after the first 100,000 pairs
// (order and its cancel) and after all 1,000,000 pairs. The order timeout is
// the library's default, 10 s, or TRV_BENCH_ORDER_TIMEOUT seconds: the
// timers of the orders sent within one timeout are pending at once, and
// their nodes are kept for reuse. Reported:
//   rss_*      resident set of the process (/proc/self/statm);
//   heap_*     malloc's own count of heap in use, all arenas (mallinfo2:
//              bytes in use in the arenas plus mmapped chunks);
//   *_per_1000_pairs  the growth between the 100,000 mark and the end per
//              1,000 pairs (what the day keeps per pair, after the
//              process's fixed first-touch costs), in KiB;
//   timeouts   on_order_timeout calls (0 when the counter kept up);
//   sent_per_s orders and cancels a second while the 900,000 pairs were sent.
// The time is not the point: one iteration.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "counter/StandInCounter.h"
#include "support/SampleOrder.h"
#include "trv_api.h"

namespace {

constexpr int kThreads = 4;
constexpr uint64_t kMarkPairs = 100000;
constexpr uint64_t kTotalPairs = 1000000;
// Pairs a thread may have sent ahead of the answers, so that the counter
// (one thread) keeps up.
constexpr uint64_t kWindow = 2000;

int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool wait_for(const std::function<bool()>& done, int ms) {
    const int64_t end = now_ms() + ms;
    while (!done()) {
        if (now_ms() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

double rss_kib() {
    long pages_total = 0, pages_resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "re");
    if (f == nullptr) return 0;
    if (std::fscanf(f, "%ld %ld", &pages_total, &pages_resident) != 2) pages_resident = 0;
    std::fclose(f);
    return static_cast<double>(pages_resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

double heap_kib() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd) / 1024.0;
}

class Spi : public nq::TRVTradeSpi {
public:
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        session.store(error == nullptr ? session_id : 0);
        logged_in.store(true);
    }
    void on_order_response(uint64_t, const nq::trv_msg_desc_t*, const nq::trv_order_response_t*) override {
        answers.fetch_add(1, std::memory_order_relaxed);
    }
    void on_trade_report(uint64_t, const nq::trv_msg_desc_t*, const nq::trv_trade_report_t*) override {
        answers.fetch_add(1, std::memory_order_relaxed);
    }
    void on_cancel_response(uint64_t, const nq::trv_msg_desc_t*, const nq::trv_cancel_response_t*) override {
        answers.fetch_add(1, std::memory_order_relaxed);
    }
    void on_order_timeout(uint64_t, uint64_t) override { timeouts.fetch_add(1, std::memory_order_relaxed); }
    void on_auth_trade(uint64_t, uint64_t request_id, uint64_t trade_token,
                       const nq::trv_error_info_t* error) override {
        if (request_id >= 100 && request_id < 100 + kThreads)
            tokens[request_id - 100].store(error == nullptr ? trade_token : 1);
    }

    std::atomic<uint64_t> session{0};
    std::atomic<bool> logged_in{false};
    std::atomic<uint64_t> answers{0};  // three per pair
    std::atomic<uint64_t> timeouts{0};
    std::atomic<uint64_t> tokens[kThreads] = {};  // one authorised account per thread (1: refused)
};

// The counter in a child process: it reports its port through a pipe and
// runs until this process ends.
pid_t start_counter(uint16_t* port) {
    int up[2], down[2];
    if (pipe(up) != 0 || pipe(down) != 0) return -1;
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        close(up[0]);
        close(down[1]);
        counter::CounterOptions o;
        o.push_init_data = false;
        counter::StandInCounter c(o);
        c.add_account({"memory", counter::AccountKind::Proxy, 0, 0, ""});
        counter::OrderReplies replies;
        replies.when = counter::OrderReplies::When::AtOnce;
        replies.trade = true;
        c.set_order_replies(replies);
        uint16_t p = c.start() ? c.port() : 0;
        if (write(up[1], &p, sizeof p) != sizeof p) _exit(1);
        for (;;) {
            pollfd pf{down[0], POLLIN, 0};
            if (poll(&pf, 1, 200) != 0) break;  // parent gone or done
            c.clear_records();
        }
        c.stop();
        _exit(0);
    }
    close(up[1]);
    close(down[0]);
    uint16_t p = 0;
    if (read(up[0], &p, sizeof p) != sizeof p) p = 0;
    close(up[0]);
    *port = p;
    // The write end stays open (leaked on purpose) until this process ends.
    return pid;
}

nq::trv_order_insert_info_t order() { return trv_test::sh_limit_buy(); }

struct Point {
    double rss, heap;
};

struct Run {
    nq::TRVTradeApi* api = nullptr;
    nq::TRVTradeConfig config;
    Spi spi;
    uint64_t session = 0;
    int order_timeout = 10;
    std::atomic<uint64_t> sent_pairs{0};
    std::atomic<uint64_t> failures{0};

    // Every thread sends `pairs` pairs, never more than kWindow ahead of
    // the answers.
    void send(uint64_t pairs_per_thread) {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([this, pairs_per_thread, t] {
                // A token of its own: one token numbers at most 2^20 - 1
                // orders and cancels.
                const uint64_t token = spi.tokens[t].load();
                api->init_local_send();
                nq::trv_order_insert_info_t o = order();
                for (uint64_t i = 0; i < pairs_per_thread; ++i) {
                    while (sent_pairs.load() * 3 > spi.answers.load() + kWindow * 3 * kThreads)
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                    const uint64_t xid = api->insert_order(session, &o, token);
                    nq::trv_cancel_order_info_t c{0, xid};
                    if (xid == 0 || api->cancel_order(session, &c, token) == 0) {
                        failures.fetch_add(1);  // reported; the answers of this pair never come
                        break;
                    }
                    sent_pairs.fetch_add(1);
                }
            });
        }
        for (auto& t : threads) t.join();
    }

    // Once every answer is in and every order timer has fired.
    Point settle() {
        wait_for([&] { return spi.answers.load() >= sent_pairs.load() * 3; }, 120000);
        std::this_thread::sleep_for(std::chrono::milliseconds(1000 * order_timeout + 1500));
        return Point{rss_kib(), heap_kib()};
    }
};

void BM_MemoryPerOrderEndToEnd(benchmark::State& state) {
    for (auto _ : state) {
        uint16_t port = 0;
        if (start_counter(&port) <= 0 || port == 0) {
            state.SkipWithError("no counter");
            return;
        }
        static Run* run = new Run();  // the library's threads outlive this function
        Run& r = *run;
        char dir[] = "/tmp/trv_memory_bench.XXXXXX";
        if (!mkdtemp(dir)) return;
        setenv("TRV_FILE_PATH", dir, 1);
        setenv("TRV_LOG_LEVEL", "warn", 1);
        r.api = nq::TRVTradeApi::create();
        r.config.set_local_addr("127.0.0.1", "127.0.0.1");
        r.config.add_agw_addr("127.0.0.1", port);
        if (const char* t = getenv("TRV_BENCH_ORDER_TIMEOUT")) r.order_timeout = std::atoi(t);
        r.config.set_order_timeout(static_cast<uint16_t>(r.order_timeout));
        if (!r.api->initialize(&r.config, &r.spi) || !r.api->login(1, 1, "memory", "pw", "key") ||
            !wait_for([&] { return r.spi.logged_in.load(); }, 20000) || r.spi.session.load() == 0) {
            state.SkipWithError("no login");
            return;
        }
        r.session = r.spi.session.load();
        for (int t = 0; t < kThreads; ++t) {
            char name[16];
            std::snprintf(name, sizeof name, "acct%d", t);
            if (!r.api->auth_trade(r.session, uint64_t(100 + t), name, "pw", "key") ||
                !wait_for([&] { return r.spi.tokens[t].load() > 1; }, 20000)) {
                state.SkipWithError("no token");
                return;
            }
        }
        const Point start = r.settle();
        r.send(kMarkPairs / kThreads);
        const Point mark = r.settle();
        const int64_t send_start = now_ms();
        r.send((kTotalPairs - kMarkPairs) / kThreads);
        const int64_t send_ms = now_ms() - send_start;
        const Point end = r.settle();
        const double pairs = static_cast<double>(kTotalPairs - kMarkPairs);
        state.counters["rss_start_MiB"] = start.rss / 1024;
        state.counters["rss_100k_MiB"] = mark.rss / 1024;
        state.counters["rss_end_MiB"] = end.rss / 1024;
        state.counters["heap_start_MiB"] = start.heap / 1024;
        state.counters["heap_100k_MiB"] = mark.heap / 1024;
        state.counters["heap_end_MiB"] = end.heap / 1024;
        state.counters["rss_KiB_per_1000_pairs"] = (end.rss - mark.rss) / pairs * 1000;
        state.counters["heap_KiB_per_1000_pairs"] = (end.heap - mark.heap) / pairs * 1000;
        state.counters["timeouts"] = static_cast<double>(r.spi.timeouts.load());
        // Orders and cancels a second while the 900,000 pairs were sent.
        state.counters["sent_per_s"] = 2 * pairs * 1000 / static_cast<double>(send_ms > 0 ? send_ms : 1);
        state.counters["failures"] = static_cast<double>(r.failures.load());
    }
}
BENCHMARK(BM_MemoryPerOrderEndToEnd)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::fflush(stdout);
    // The library's threads are never joined.
    _exit(0);
}
