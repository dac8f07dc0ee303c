// Pushed order reports (2308) from the stand-in counter to on_order_response
// through the provider (receiver thread, one handler worker, duplicate
// filter, callback), beside a plain recv loop reading the same stream from a
// socket of its own connected to the same counter. Per run: throughput,
// latency from the counter's send to the callback (p50, p99), and the
// reports lost or delivered twice.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiSession.h"
#include "counter/CounterWire.h"
#include "counter/StandInCounter.h"
#include "framework/Message.h"

namespace {

constexpr uint32_t kBody = 115;  // descriptor 17 + order response 98
constexpr uint32_t kFrame = 64 + kBody;
constexpr uint64_t kReports = 20000;  // per benchmark iteration
constexpr uint64_t kBatch = 32;       // frames per send

uint64_t now_ns() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

// One iteration's tally: latency per sequence, times seen per sequence.
struct Tally {
    std::vector<uint64_t> latency = std::vector<uint64_t>(kReports, 0);
    std::vector<uint32_t> seen = std::vector<uint32_t>(kReports, 0);
    std::atomic<uint64_t> received{0};

    void reset() {
        std::fill(latency.begin(), latency.end(), 0);
        std::fill(seen.begin(), seen.end(), 0);
        received.store(0);
    }
    // The record carries the report's place in the iteration (body offset
    // 58) and its send time (66).
    void on_report(const unsigned char* body) {
        const uint64_t seq = nq::load_le<uint64_t>(body, 58);
        const uint64_t t = nq::load_le<uint64_t>(body, 66);
        if (seq < kReports) {
            if (seen[seq]++ == 0) latency[seq] = now_ns() - t;
        }
        received.fetch_add(1, std::memory_order_release);
    }
    void report(benchmark::State& state, double seconds_total) {
        std::vector<uint64_t> l;
        uint64_t lost = 0, duplicated = 0;
        for (uint64_t i = 0; i < kReports; ++i) {
            if (seen[i] == 0) ++lost;
            if (seen[i] > 1) duplicated += seen[i] - 1;
            if (seen[i] != 0) l.push_back(latency[i]);
        }
        std::sort(l.begin(), l.end());
        auto pct = [&](double p) { return l.empty() ? 0.0 : l[static_cast<size_t>(p * (l.size() - 1))] / 1000.0; };
        state.counters["p50_us"] = pct(0.50);
        state.counters["p99_us"] = pct(0.99);
        state.counters["lost"] += static_cast<double>(lost);
        state.counters["duplicated"] += static_cast<double>(duplicated);
        state.counters["reports_per_s"] = benchmark::Counter(static_cast<double>(kReports) / seconds_total);
    }
};

Tally& tally() {
    static Tally t;
    return t;
}

struct ReportSpi : nq::TRVTradeSpi {
    void on_order_response(uint64_t, const nq::trv_msg_desc_t* desc, const nq::trv_order_response_t*) override {
        tally().on_report(reinterpret_cast<const unsigned char*>(desc));
    }
};

// Report ids never repeat within the process, so every report is new to the
// filter.
std::atomic<uint64_t> g_report_id{1};

counter::StandInCounter& the_counter() {
    static counter::StandInCounter* c = [] {
        auto* made = new counter::StandInCounter(counter::CounterOptions());
        if (!made->start()) std::abort();
        return made;
    }();
    return *c;
}

// The counter pushes kReports reports of 2308 on its session `peer`, in
// batches stamped as they go out.
void send_reports(uint64_t peer) {
    counter::StandInCounter::PushOptions options;
    options.keep_for_replay = false;
    std::vector<counter::Bytes> batch;
    for (uint64_t seq = 0; seq < kReports;) {
        const uint64_t n = std::min(kBatch, kReports - seq);
        batch.clear();
        const uint64_t t = now_ns();
        for (uint64_t i = 0; i < n; ++i) {
            counter::Bytes record =
                counter::wire::order_report_record(2308, std::to_string(g_report_id.fetch_add(1)), seq + i);
            counter::wire::put_u64(record, 58 - 17, seq + i);
            counter::wire::put_u64(record, 66 - 17, t);
            batch.push_back(std::move(record));
        }
        if (the_counter().push_batch(peer, 2308, batch, options) == 0) std::abort();
        seq += n;
    }
}

// The counter's number of the session it accepts next: sessions are
// numbered 1, 2, ... in accept order.
uint64_t accepted_session() {
    static size_t accepted = 0;
    if (!the_counter().wait_sessions(accepted + 1, 20000)) return 0;
    return ++accepted;
}

// Waits until every report arrived or nothing moved for a second.
void await(uint64_t expected) {
    uint64_t last = 0;
    auto still = std::chrono::steady_clock::now();
    while (true) {
        const uint64_t got = tally().received.load(std::memory_order_acquire);
        if (got >= expected) return;
        if (got != last) {
            last = got;
            still = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - still > std::chrono::seconds(1)) {
            return;
        }
        std::this_thread::yield();
    }
}

void BM_PushedReportsToCallback(benchmark::State& state) {
    static ReportSpi spi;
    static nq::api::KApi* api = [] {
        char dir[] = "/tmp/trv_handlers_bench.XXXXXX";
        if (mkdtemp(dir) == nullptr) std::abort();
        setenv("TRV_FILE_PATH", dir, 1);
        setenv("TRV_LOG_LEVEL", "error", 1);
        return nq::api::KApi::create_singleton_or_get();
    }();
    if (api == nullptr) {
        state.SkipWithError("no provider");
        return;
    }
    const sockaddr_in addr = the_counter().address();
    const uint64_t session = api->framework_->open_session(1, reinterpret_cast<const sockaddr*>(&addr), nullptr, 1);
    const uint64_t peer = session != 0 ? accepted_session() : 0;
    if (session == 0 || peer == 0) {
        state.SkipWithError("no session to the counter");
        return;
    }
    nq::api::TcpSession* tcp = api->framework_->message_io_->acquire_session(session);
    nq::api::KApiSession::from(tcp)->trade_spi.store(&spi);
    tcp->release();
    for (auto _ : state) {
        tally().reset();
        const auto start = std::chrono::steady_clock::now();
        std::thread writer(send_reports, peer);
        await(kReports);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        writer.join();
        state.SetIterationTime(seconds);
        tally().report(state, seconds);
    }
    api->framework_->close_session(session, true);
}

// Baseline: the same stream read with recv on a thread of its own, framed
// by the length in each header.
void BM_PlainRecvLoop(benchmark::State& state) {
    const sockaddr_in addr = the_counter().address();
    const int ours = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(ours, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const uint64_t peer =
        connect(ours, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 ? accepted_session() : 0;
    if (peer == 0) {
        state.SkipWithError("no connection to the counter");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        std::vector<unsigned char> buf(256 * 1024);
        size_t have = 0;
        while (!stop.load(std::memory_order_relaxed)) {
            const ssize_t n = recv(ours, buf.data() + have, buf.size() - have, 0);
            if (n <= 0) break;
            have += static_cast<size_t>(n);
            size_t at = 0;
            while (have - at >= 64) {
                const uint32_t len = nq::frame_length(buf.data() + at);
                if (len < 64 || have - at < len) break;
                if (nq::frame_service_code(buf.data() + at) == 2308) tally().on_report(buf.data() + at + 64);
                at += len;
            }
            std::memmove(buf.data(), buf.data() + at, have - at);
            have -= at;
        }
    });
    for (auto _ : state) {
        tally().reset();
        const auto start = std::chrono::steady_clock::now();
        std::thread writer(send_reports, peer);
        await(kReports);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        writer.join();
        state.SetIterationTime(seconds);
        tally().report(state, seconds);
    }
    stop.store(true);
    shutdown(ours, SHUT_RDWR);
    reader.join();
    close(ours);
}

}  // namespace

BENCHMARK(BM_PushedReportsToCallback)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_PlainRecvLoop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_MAIN();
