// Loopback latency and throughput from a peer's send to the handler's
// service_func (receiver thread -> handler worker -> handler table), side by
// side with a plain blocking recv() loop reading the same frames on its own
// connection. The two streams take turns frame by frame (batch by batch for
// throughput) with the same gaps, so both see the same load. Each frame
// carries the peer's CLOCK_MONOTONIC stamp and its sequence number in its body.
//
// Threads keep the default scheduling policy (the service provider would run
// them under SCHED_FIFO 21): the figures include the machine's other load.
// lib_at_receiver is the part of the library's latency up to "msg_receiver"
// routing the frame; the rest is the hop to the handler worker.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
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
constexpr size_t kMaxRecorded = 1 << 20;

uint64_t now_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

uint64_t thread_cpu_ns(pthread_t t) {
    clockid_t id;
    timespec ts;
    if (pthread_getcpuclockid(t, &id) != 0 || clock_gettime(id, &ts) != 0) return 0;
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

// What each consumer publishes: frames seen and the latency of each frame by
// its sequence number.
struct Sink {
    std::atomic<uint64_t> seen{0};
    std::vector<uint32_t> latency_ns = std::vector<uint32_t>(kMaxRecorded);
    void on_frame(const unsigned char* body) {
        const uint64_t t = now_ns();
        uint64_t stamp, seq;
        std::memcpy(&stamp, body, 8);
        std::memcpy(&seq, body + 8, 8);
        latency_ns[seq % kMaxRecorded] = uint32_t(std::min<uint64_t>(t - stamp, UINT32_MAX));
        seen.fetch_add(1, std::memory_order_release);
    }
};

Sink g_library_sink;
Sink g_baseline_sink;
// Send-to-receiver part of the library's latency, by sequence number: taken
// on "msg_receiver" when it routes the frame.
std::vector<uint32_t> g_receiver_ns(kMaxRecorded);
std::atomic<pthread_t> g_baseline_thread{};

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
        const uint64_t t = now_ns();
        uint64_t stamp, seq;
        std::memcpy(&stamp, m->body_, 8);
        std::memcpy(&seq, m->body_ + 8, 8);
        g_receiver_ns[seq % kMaxRecorded] = uint32_t(std::min<uint64_t>(t - stamp, UINT32_MAX));
        return nq::frame_service_code(m->header_) == kCode ? 1 : 0;
    }
};

struct Stream {
    int fd = -1;  // the peer's end
    Sink* sink = nullptr;
    uint64_t next_seq = 0;
};

struct Setup {
    bool ok = false;
    BenchFramework* fw = nullptr;
    Stream library;   // read by "msg_receiver", handled on "msg_handler"
    Stream baseline;  // read by a plain blocking recv loop
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
    g_baseline_thread.store(pthread_self());
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
        // The sending thread waits out gaps of a few microseconds.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        nq::api::ApiLocalTime::initialize();
        nq::ServiceFunc::service_func_[kCode] = &g_handler;
        r.fw = new BenchFramework();
        r.fw->handler_count_ = 1;
        if (!r.fw->initialize()) return r;
        testpeer::Listener l;
        if (!l.open()) return r;
        if (r.fw->open_session(1, reinterpret_cast<sockaddr*>(&l.addr), nullptr, 1) == 0) return r;
        r.library.fd = l.accept_one(5000);
        // The baseline connection: a plain client socket read by its own thread.
        const int client = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(client, reinterpret_cast<sockaddr*>(&l.addr), sizeof l.addr) != 0) return r;
        r.baseline.fd = l.accept_one(5000);
        l.close_fd();
        if (r.library.fd < 0 || r.baseline.fd < 0) return r;
        set_nodelay(r.library.fd);
        set_nodelay(r.baseline.fd);
        r.library.sink = &g_library_sink;
        r.baseline.sink = &g_baseline_sink;
        std::thread(baseline_loop, client).detach();
        if (!r.fw->message_io_->receiver_->start() || !r.fw->handlers_[1]->start()) return r;
        r.ok = true;
        return r;
    }();
    return s;
}

// Frames back to back; each gets the stamp and the next sequence of its stream.
std::vector<unsigned char> make_batch(int frames) {
    std::vector<unsigned char> out;
    for (int i = 0; i < frames; ++i) {
        testpeer::Bytes f = testpeer::make_frame(kCode, kFrameLength);
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

void stamp_batch(std::vector<unsigned char>& batch, Stream& s) {
    const uint64_t t = now_ns();
    for (size_t off = 0; off < batch.size(); off += kFrameLength) {
        const uint64_t seq = s.next_seq++;
        std::memcpy(&batch[off + 64], &t, 8);
        std::memcpy(&batch[off + 72], &seq, 8);
    }
}

bool wait_seen(const Sink& sink, uint64_t target) {
    const uint64_t deadline = now_ns() + 10'000'000'000ull;
    while (sink.seen.load(std::memory_order_acquire) < target) {
        if (now_ns() > deadline) return false;
    }
    return true;
}

void spin_for(uint64_t ns) {
    const uint64_t until = now_ns() + ns;
    while (now_ns() < until) {
    }
}

double percentile(std::vector<uint32_t> v, double p) {
    if (v.empty()) return 0;
    const size_t k = std::min(v.size() - 1, size_t(p * double(v.size())));
    std::nth_element(v.begin(), v.begin() + long(k), v.end());
    return double(v[k]);
}

// Latencies of frames [from, to) of one stream, in microseconds.
void report(benchmark::State& state, const char* name, const std::vector<uint32_t>& ns, uint64_t from, uint64_t to) {
    std::vector<uint32_t> v;
    for (uint64_t i = from; i < to; ++i) v.push_back(ns[i % kMaxRecorded]);
    const double p50 = percentile(v, 0.50), p99 = percentile(v, 0.99);
    state.counters[std::string(name) + "_p50_us"] = p50 / 1000.0;
    state.counters[std::string(name) + "_p99_us"] = p99 / 1000.0;
}

// One frame at a time, the two streams taking turns (the first alternates);
// before each frame the sender waits a gap drawn uniformly from [0, max_gap).
// max_gap 0: closed loop, the next frame leaves once the last has arrived.
void BM_Latency(benchmark::State& state) {
    Setup& su = setup();
    if (!su.ok) {
        state.SkipWithError("set-up failed");
        return;
    }
    const uint64_t max_gap_ns = uint64_t(state.range(0)) * 1000;
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<uint64_t> gap(0, max_gap_ns == 0 ? 0 : max_gap_ns - 1);
    auto frame = make_batch(1);
    const uint64_t lib_from = su.library.next_seq, base_from = su.baseline.next_seq;
    pthread_t worker = su.fw->handlers_[1]->handle_;
    const uint64_t cpu0 = thread_cpu_ns(worker), wall0 = now_ns();
    bool library_first = false;
    for (auto _ : state) {
        const uint64_t g = gap(rng);
        library_first = !library_first;
        for (Stream* s : {library_first ? &su.library : &su.baseline, library_first ? &su.baseline : &su.library}) {
            if (g != 0) spin_for(g);
            const uint64_t target = s->sink->seen.load() + 1;
            stamp_batch(frame, *s);
            if (!testpeer::send_all(s->fd, frame.data(), frame.size()) || !wait_seen(*s->sink, target)) {
                state.SkipWithError("frame not delivered");
                return;
            }
        }
    }
    const uint64_t cpu1 = thread_cpu_ns(worker), wall1 = now_ns();
    report(state, "lib", g_library_sink.latency_ns, lib_from, su.library.next_seq);
    report(state, "lib_at_receiver", g_receiver_ns, lib_from, su.library.next_seq);
    report(state, "recv", g_baseline_sink.latency_ns, base_from, su.baseline.next_seq);
    state.counters["lib_p50_over_recv_p50"] =
        state.counters["lib_p50_us"] / std::max(1e-9, double(state.counters["recv_p50_us"]));
    state.counters["worker_cpu_pct"] = 100.0 * double(cpu1 - cpu0) / double(wall1 - wall0);
}

// Batches of kBatch frames written back to back, the streams taking turns;
// items per second of each stream over the time from its first send to its
// last delivery, batch by batch.
void BM_Throughput(benchmark::State& state) {
    Setup& su = setup();
    if (!su.ok) {
        state.SkipWithError("set-up failed");
        return;
    }
    auto batch = make_batch(kBatch);
    uint64_t lib_ns = 0, base_ns = 0, batches = 0;
    for (auto _ : state) {
        for (Stream* s : {&su.library, &su.baseline}) {
            const uint64_t target = s->sink->seen.load() + kBatch;
            stamp_batch(batch, *s);
            const uint64_t t0 = now_ns();
            if (!testpeer::send_all(s->fd, batch.data(), batch.size()) || !wait_seen(*s->sink, target)) {
                state.SkipWithError("frames not delivered");
                return;
            }
            (s == &su.library ? lib_ns : base_ns) += now_ns() - t0;
        }
        ++batches;
    }
    state.counters["lib_Mframes_per_s"] = double(batches * kBatch) / double(std::max<uint64_t>(lib_ns, 1)) * 1e3;
    state.counters["recv_Mframes_per_s"] = double(batches * kBatch) / double(std::max<uint64_t>(base_ns, 1)) * 1e3;
}

// CPU used by each consuming thread while no frame arrives, in percent of one
// core: the handler worker's idle sleeps and the receiver's epoll rounds
// against the blocking loop.
void BM_IdleCpu(benchmark::State& state) {
    Setup& su = setup();
    if (!su.ok) {
        state.SkipWithError("set-up failed");
        return;
    }
    pthread_t worker = su.fw->handlers_[1]->handle_;
    pthread_t receiver = su.fw->message_io_->receiver_->handle_;
    pthread_t baseline = g_baseline_thread.load();
    usleep(200000);  // past the poll that follows the last task
    uint64_t w = 0, r = 0, b = 0, wall = 0;
    for (auto _ : state) {
        const uint64_t w0 = thread_cpu_ns(worker), r0 = thread_cpu_ns(receiver), b0 = thread_cpu_ns(baseline);
        const uint64_t t0 = now_ns();
        usleep(500000);
        wall += now_ns() - t0;
        w += thread_cpu_ns(worker) - w0;
        r += thread_cpu_ns(receiver) - r0;
        b += thread_cpu_ns(baseline) - b0;
    }
    state.counters["handler_worker_idle_cpu_pct"] = 100.0 * double(w) / double(wall);
    state.counters["receiver_idle_cpu_pct"] = 100.0 * double(r) / double(wall);
    state.counters["recv_loop_idle_cpu_pct"] = 100.0 * double(b) / double(wall);
}

}  // namespace

// Argument: largest gap before a frame, in microseconds (0: closed loop).
BENCHMARK(BM_Latency)->Arg(0)->Iterations(20000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Latency)->Arg(400)->Iterations(5000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Throughput)->Iterations(300)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IdleCpu)->Iterations(4)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
