// Pushed order reports (2308) from a loopback peer to on_order_response
// through the provider (receiver thread, one handler worker, duplicate
// filter, callback), beside a plain recv loop reading the same stream from
// a socket of its own. Per run: throughput, latency from the peer's send to
// the callback (p50, p99), and the reports lost or delivered twice.
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
#include "framework/Message.h"
#include "support/TestPeer.h"

namespace {

constexpr uint32_t kBody = 115;           // descriptor 17 + order response 98
constexpr uint32_t kFrame = 64 + kBody;
constexpr uint64_t kReports = 20000;      // per benchmark iteration
constexpr uint64_t kBatch = 32;           // frames per send

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
    // The descriptor carries the send time (account index, 0) and the
    // sequence within the iteration (8).
    void on_report(const unsigned char* body) {
        const uint64_t t = nq::load_le<uint64_t>(body, 0);
        const uint64_t seq = nq::load_le<uint64_t>(body, 8);
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

// The peer: writes kReports frames of 2308 to fd, stamping each batch as it
// goes out.
void send_reports(int fd, uint64_t session_id) {
    std::vector<unsigned char> batch(kBatch * kFrame, 0);
    for (uint64_t i = 0; i < kBatch; ++i) {
        unsigned char* f = batch.data() + i * kFrame;
        nq::set_frame_code_length(f, 2308, kFrame);
        nq::set_header_word(f, 16, session_id);
    }
    for (uint64_t seq = 0; seq < kReports;) {
        const uint64_t n = std::min(kBatch, kReports - seq);
        const uint64_t t = now_ns();
        for (uint64_t i = 0; i < n; ++i) {
            unsigned char* body = batch.data() + i * kFrame + 64;
            nq::store_le<uint64_t>(body, 0, t);
            nq::store_le<uint64_t>(body, 8, seq + i);
            nq::store_le<uint64_t>(body, 18, g_report_id.fetch_add(1));
            nq::store_le<uint64_t>(body, 50, seq + i);
        }
        if (!testpeer::send_all(fd, batch.data(), n * kFrame)) std::abort();
        seq += n;
    }
}

// A connected loopback TCP pair: {our end, the peer's end}.
bool tcp_pair(int* ours, int* peer) {
    testpeer::Listener l;
    if (!l.open()) return false;
    const int c = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(c, reinterpret_cast<sockaddr*>(&l.addr), sizeof l.addr) != 0) return false;
    const int a = l.accept_one(5000);
    l.close_fd();
    if (a < 0) return false;
    int one = 1;
    setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    setsockopt(a, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    *ours = c;
    *peer = a;
    return true;
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
    int ours = -1, peer = -1;
    if (!tcp_pair(&ours, &peer)) {
        state.SkipWithError("no loopback connection");
        return;
    }
    const uint64_t session = api->framework_->message_io_->open_session(ours, 1);
    nq::api::TcpSession* tcp = api->framework_->message_io_->acquire_session(session);
    nq::api::KApiSession::from(tcp)->trade_spi.store(&spi);
    tcp->release();
    for (auto _ : state) {
        tally().reset();
        const auto start = std::chrono::steady_clock::now();
        std::thread writer(send_reports, peer, session);
        await(kReports);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        writer.join();
        state.SetIterationTime(seconds);
        tally().report(state, seconds);
    }
    api->framework_->close_session(session, true);
    close(peer);
}

// Baseline: the same stream read with recv on a thread of its own, framed
// by the length in each header.
void BM_PlainRecvLoop(benchmark::State& state) {
    int ours = -1, peer = -1;
    if (!tcp_pair(&ours, &peer)) {
        state.SkipWithError("no loopback connection");
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
        std::thread writer(send_reports, peer, 0);
        await(kReports);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        writer.join();
        state.SetIterationTime(seconds);
        tally().report(state, seconds);
    }
    stop.store(true);
    shutdown(ours, SHUT_RDWR);
    close(peer);
    reader.join();
    close(ours);
}

}  // namespace

BENCHMARK(BM_PushedReportsToCallback)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_PlainRecvLoop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_MAIN();
