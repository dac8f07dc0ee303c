// Loopback latency and throughput from a peer's send to the handler's
// service_func (receiver thread -> handler worker -> handler table), side by
// side with a plain blocking recv() loop reading the same frames on its own
// connection. Each frame carries the peer's CLOCK_MONOTONIC stamp in its body.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "framework/AllocMem.h"
#include "framework/ApiLocalTime.h"
#include "framework/ApiMessageReceiver.h"
#include "framework/Framework.h"
#include "framework/MessageHandler.h"
#include "framework/ServiceFunc.h"
#include "framework/TcpMessageIO.h"
#include "framework/TcpSession.h"
#include "support/TestPeer.h"

namespace {

constexpr uint32_t kCode = 1600;
constexpr uint32_t kFrameLength = 80;  // header + stamp + sequence
constexpr int kBatch = 1000;

uint64_t now_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

// What each consumer publishes: frames seen and the latency of the last one.
struct Sink {
    std::atomic<uint64_t> seen{0};
    std::atomic<uint64_t> last_latency_ns{0};
    void on_frame(const unsigned char* body) {
        uint64_t stamp;
        std::memcpy(&stamp, body, 8);
        last_latency_ns.store(now_ns() - stamp, std::memory_order_relaxed);
        seen.fetch_add(1, std::memory_order_release);
    }
};

Sink g_library_sink;
Sink g_baseline_sink;

class BenchHandler : public nq::ServiceFunc {
public:
    BenchHandler() : ServiceFunc(kCode) {}
    void service_func(nq::Message* m) override { g_library_sink.on_frame(m->body_); }
};
BenchHandler g_handler;

class BenchIO : public nq::api::TcpMessageIO {
public:
    explicit BenchIO(nq::api::Framework* f) : TcpMessageIO(f) {}
    nq::api::TcpSession* create_session_object() override {
        void* mem = nq::api::alloc_mem(sizeof(nq::api::TcpSession), 8);
        auto* s = mem != nullptr ? new (mem) nq::api::TcpSession(this) : nullptr;
        return s != nullptr && s->initialize() ? s : nullptr;
    }
};

class BenchFramework : public nq::api::Framework {
public:
    nq::api::TcpMessageIO* create_message_io() override {
        auto* io = new BenchIO(this);
        return io->initialize() ? io : nullptr;
    }
    unsigned long get_message_handler(nq::Message* m) override {
        return nq::frame_service_code(m->header_) == kCode ? 1 : 0;
    }
};

struct Setup {
    bool ok = false;
    int library_peer = -1;   // the peer's end of the library's session
    int baseline_peer = -1;  // the peer's end of the plain connection
};

void set_nodelay(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

bool read_all(int fd, unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t r = recv(fd, p, n, 0);
        if (r <= 0) return false;
        p += r;
        n -= size_t(r);
    }
    return true;
}

// Baseline consumer: blocking recv of the header, then of the rest.
void baseline_loop(int fd) {
    std::vector<unsigned char> frame(65536);
    for (;;) {
        if (!read_all(fd, frame.data(), 64)) return;
        const uint32_t length = testpeer::length_of(frame.data());
        if (length < 64 || length > frame.size()) return;
        if (!read_all(fd, frame.data() + 64, length - 64)) return;
        g_baseline_sink.on_frame(frame.data() + 64);
    }
}

Setup& setup() {
    static Setup s = [] {
        Setup r;
        nq::api::ApiLocalTime::initialize();
        nq::ServiceFunc::service_func_[kCode] = &g_handler;
        auto* fw = new BenchFramework();
        fw->handler_count_ = 1;
        if (!fw->initialize()) return r;
        testpeer::Listener l;
        if (!l.open()) return r;
        if (fw->open_session(1, reinterpret_cast<sockaddr*>(&l.addr), nullptr, 1) == 0) return r;
        r.library_peer = l.accept_one(5000);
        // The baseline connection: a plain client socket read by its own thread.
        const int client = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(client, reinterpret_cast<sockaddr*>(&l.addr), sizeof l.addr) != 0) return r;
        r.baseline_peer = l.accept_one(5000);
        l.close_fd();
        if (r.library_peer < 0 || r.baseline_peer < 0) return r;
        set_nodelay(r.library_peer);
        set_nodelay(r.baseline_peer);
        std::thread(baseline_loop, client).detach();
        if (!fw->message_io_->receiver_->start() || !fw->handlers_[1]->start()) return r;
        r.ok = true;
        return r;
    }();
    return s;
}

std::vector<unsigned char> make_batch(int frames) {
    std::vector<unsigned char> out;
    for (int i = 0; i < frames; ++i) {
        testpeer::Bytes f = testpeer::make_frame(kCode, kFrameLength);
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

void stamp_batch(std::vector<unsigned char>& batch) {
    const uint64_t t = now_ns();
    for (size_t off = 0; off < batch.size(); off += kFrameLength) std::memcpy(&batch[off + 64], &t, 8);
}

bool wait_seen(const Sink& sink, uint64_t target) {
    const uint64_t deadline = now_ns() + 10'000'000'000ull;
    while (sink.seen.load(std::memory_order_acquire) < target) {
        if (now_ns() > deadline) return false;
    }
    return true;
}

// One frame at a time; the iteration time is the consumer's measured
// send-to-handler latency.
void run_latency(benchmark::State& state, int fd, Sink& sink) {
    if (!setup().ok) {
        state.SkipWithError("set-up failed");
        return;
    }
    auto frame = make_batch(1);
    for (auto _ : state) {
        const uint64_t target = sink.seen.load() + 1;
        stamp_batch(frame);
        if (!testpeer::send_all(fd, frame.data(), frame.size()) || !wait_seen(sink, target)) {
            state.SkipWithError("frame not delivered");
            return;
        }
        state.SetIterationTime(double(sink.last_latency_ns.load()) * 1e-9);
    }
}

// Batches of frames written back to back; items per second.
void run_throughput(benchmark::State& state, int fd, Sink& sink) {
    if (!setup().ok) {
        state.SkipWithError("set-up failed");
        return;
    }
    auto batch = make_batch(kBatch);
    for (auto _ : state) {
        const uint64_t target = sink.seen.load() + kBatch;
        stamp_batch(batch);
        if (!testpeer::send_all(fd, batch.data(), batch.size()) || !wait_seen(sink, target)) {
            state.SkipWithError("frames not delivered");
            return;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kBatch);
    state.SetBytesProcessed(int64_t(state.iterations()) * kBatch * kFrameLength);
}

void BM_Latency_Library(benchmark::State& s) { run_latency(s, setup().library_peer, g_library_sink); }
void BM_Latency_BlockingRecv(benchmark::State& s) { run_latency(s, setup().baseline_peer, g_baseline_sink); }
void BM_Throughput_Library(benchmark::State& s) { run_throughput(s, setup().library_peer, g_library_sink); }
void BM_Throughput_BlockingRecv(benchmark::State& s) { run_throughput(s, setup().baseline_peer, g_baseline_sink); }

}  // namespace

BENCHMARK(BM_Latency_BlockingRecv)->UseManualTime()->Iterations(20000);
BENCHMARK(BM_Latency_Library)->UseManualTime()->Iterations(20000);
BENCHMARK(BM_Throughput_BlockingRecv)->UseRealTime();
BENCHMARK(BM_Throughput_Library)->UseRealTime();

BENCHMARK_MAIN();
