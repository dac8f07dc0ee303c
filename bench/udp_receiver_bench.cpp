// Market-data reception: datagrams from senders on this host to on_quote
// through one socket-mode quote receiver ("kapi_quote" thread), against a
// plain thread looping on recvmmsg (batches of 64) on the same kind of
// stream in the same run. Streams are groups of this process on loopback
// (IP_MULTICAST_IF 127.0.0.1, TTL 0); every receive buffer is the kernel's
// default (rcvbuf 0, as configured by default).
//
// Like for like: both receiving threads are bound to the same CPU (the last
// one this program may use) with SCHED_FIFO at the priority the library
// gives a bound receiver thread; the senders are bound to CPUs of their own,
// the same ones for both.
//
// Rows:
//   BM_Burst/quote_receiver, BM_Burst/recvmmsg_loop: 100,000 datagrams of
//     kPayload bytes from kBurstSenders senders at once, each at
//     kBurstRatePerSender datagrams per second; delivered_pct is the share
//     that reached the callback (the rest the kernel dropped).
//   BM_Fairness/quote_receiver: two streams on one receiver thread; one is
//     flooded by kFloodSenders senders as fast as they can send for
//     kFloodMs, the other gets one datagram every 500 us;
//     quiet_stream_delivered_pct is the share of the quiet stream's
//     datagrams delivered within 10 ms of their send.
//   Throughput/... (bursts of 64, each awaited) and Latency/... (one datagram
//     at a time, p50 and p99 from sendto to the callback).
//   Dispatch/quote_worker, Dispatch/virtual_call: the hand-off of one
//     datagram to on_quote alone (no network), guarded as the library does
//     it, against a plain virtual call.
// Each row but the Dispatch ones makes a fixed number of iterations (the
// names leave the count out). Nothing is asserted.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "NamedRowsReporter.h"
#include "api/mdata/QuoteUdpWorker.h"
#include "api/mdata/UdpReceiverConfig.h"
#include "support/LoopbackUdp.h"

namespace {

constexpr size_t kPayload = 256;
constexpr int kBatch = 64;
constexpr uint64_t kBurstDatagrams = 100000;
constexpr int kBurstSenders = 4;
constexpr int64_t kBurstRatePerSender = 100000;
constexpr int kFloodSenders = 2;
constexpr int64_t kFloodMs = 1000;
constexpr int64_t kQuietPeriodNs = 500000;
constexpr int64_t kQuietDeadlineNs = 10000000;
// The priority a bound library receiver thread runs at.
constexpr int kReceiverPriority = 60;

int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

using udp_test::make_addr;

// The CPUs this program may use, in order.
std::vector<int> cpus() {
    static const std::vector<int> list = [] {
        std::vector<int> l;
        cpu_set_t set;
        CPU_ZERO(&set);
        if (sched_getaffinity(0, sizeof set, &set) == 0)
            for (int c = 0; c < CPU_SETSIZE; ++c)
                if (CPU_ISSET(c, &set)) l.push_back(c);
        if (l.empty()) l.push_back(0);
        return l;
    }();
    return list;
}
int receiver_cpu() { return cpus().back(); }
// Sender k's CPU: any but the receiver's, in turn.
int sender_cpu(int k) {
    const std::vector<int>& l = cpus();
    if (l.size() < 2) return l[0];
    return l[static_cast<size_t>(k) % (l.size() - 1)];
}

void bind_self(int cpu, bool realtime) {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    pthread_setaffinity_np(pthread_self(), sizeof one, &one);
    if (realtime) {
        sched_param p{};
        p.sched_priority = kReceiverPriority;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &p);
    }
}

// Binds the calling thread for as long as it lives, then gives back the CPUs
// it had.
struct ScopedBind {
    cpu_set_t saved;
    bool ok;
    explicit ScopedBind(int cpu) {
        CPU_ZERO(&saved);
        ok = pthread_getaffinity_np(pthread_self(), sizeof saved, &saved) == 0;
        bind_self(cpu, false);
    }
    ~ScopedBind() {
        if (ok) pthread_setaffinity_np(pthread_self(), sizeof saved, &saved);
    }
};

sockaddr_in stream_group(unsigned k) {
    unsigned v = (static_cast<unsigned>(getpid()) + k * 7919u) & 0xffffu;
    std::string ip = "239.253." + std::to_string(v >> 8) + "." + std::to_string(v & 0xff);
    return make_addr(ip.c_str(), udp_test::free_port());
}

// What every receiver calls per datagram: counts it per stream and, when
// asked, takes its latency from the send time stamped in its first 8 bytes.
struct Probe {
    std::atomic<uint64_t> received{0};
    std::atomic<uint64_t> quiet_received{0};
    std::atomic<uint64_t> quiet_in_time{0};
    uint16_t quiet_type = 0xffff;
    std::vector<int64_t> samples;
    bool sampling = false;

    void on_datagram(uint16_t type, const void* data, size_t len) {
        if (len >= 8 && (sampling || type == quiet_type)) {
            int64_t sent;
            std::memcpy(&sent, data, 8);
            const int64_t latency = now_ns() - sent;
            if (sampling) samples.push_back(latency);
            if (type == quiet_type) {
                quiet_received.fetch_add(1, std::memory_order_relaxed);
                if (latency <= kQuietDeadlineNs) quiet_in_time.fetch_add(1, std::memory_order_relaxed);
            }
        }
        received.fetch_add(1, std::memory_order_release);
    }
};

class ProbeSpi : public nq::TRVQuoteSpi {
public:
    explicit ProbeSpi(Probe* probe) : probe_(probe) {}
    void on_quote(nq::QuoteMCType type, const void* msg_data, uint32_t msg_len) override {
        probe_->on_datagram(static_cast<uint16_t>(type), msg_data, msg_len);
    }

private:
    Probe* probe_;
};

class Sender {
public:
    explicit Sender(const sockaddr_in& to) : fd_(socket(AF_INET, SOCK_DGRAM, 0)), to_(to) {
        in_addr lo;
        inet_pton(AF_INET, "127.0.0.1", &lo);
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &lo, sizeof lo);
        unsigned char ttl = 0;
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
        std::memset(buf_, 0x5a, sizeof buf_);
    }
    ~Sender() { close(fd_); }
    void send() {
        int64_t t = now_ns();
        std::memcpy(buf_, &t, 8);
        sendto(fd_, buf_, kPayload, 0, reinterpret_cast<const sockaddr*>(&to_), sizeof to_);
    }
    // `count` datagrams at `rate` per second (0: as fast as possible), or
    // until `stop`.
    void paced(uint64_t count, int64_t rate, const std::atomic<bool>* stop = nullptr) {
        const int64_t period = rate > 0 ? 1000000000 / rate : 0;
        int64_t next = now_ns();
        for (uint64_t i = 0; i < count; ++i) {
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
            if (period > 0) {
                while (now_ns() < next) {
                }
                next += period;
            }
            send();
        }
    }

private:
    int fd_;
    sockaddr_in to_;
    unsigned char buf_[kPayload];
};

// The quote receiver under test, bound like the baseline.
class LibraryReceiver {
public:
    LibraryReceiver(Probe* probe, const std::vector<std::pair<uint16_t, sockaddr_in>>& streams)
        : spi_(probe), worker_("kapi_quote", &spi_) {
        nq::api::udp_receiver_config_t c;
        c.rx_mode = nq::RX_MODE_SOCKET;
        c.cpu_core = receiver_cpu();
        c.local_addr = make_addr("127.0.0.1", 0);
        for (const auto& s : streams) c.streams.push_back(nq::api::udp_mcast_stream_t{s.first, s.second});
        ok_ = worker_.start(c);
    }
    ~LibraryReceiver() { worker_.stop(); }
    bool ok() const { return ok_; }

private:
    ProbeSpi spi_;
    nq::api::QuoteUdpWorker worker_;
    bool ok_ = false;
};

// The baseline: a thread blocked in recvmmsg on its own socket in the group.
class RecvmmsgReceiver {
public:
    RecvmmsgReceiver(Probe* probe, const std::vector<std::pair<uint16_t, sockaddr_in>>& streams) : probe_(probe) {
        const sockaddr_in g = streams.front().second;
        type_ = streams.front().first;
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        int one = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        timeval tv{0, 100 * 1000};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ip_mreq mreq;
        mreq.imr_multiaddr = g.sin_addr;
        inet_pton(AF_INET, "127.0.0.1", &mreq.imr_interface);
        ok_ = bind(fd_, reinterpret_cast<const sockaddr*>(&g), sizeof g) == 0 &&
              setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof mreq) == 0;
        thread_ = std::thread([this] { run(); });
    }
    ~RecvmmsgReceiver() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    bool ok() const { return ok_; }

private:
    void run() {
        bind_self(receiver_cpu(), true);
        static unsigned char bufs[kBatch][2048];
        mmsghdr msgs[kBatch];
        iovec iov[kBatch];
        for (int i = 0; i < kBatch; ++i) {
            iov[i] = iovec{bufs[i], sizeof bufs[i]};
            std::memset(&msgs[i], 0, sizeof msgs[i]);
            msgs[i].msg_hdr.msg_iov = &iov[i];
            msgs[i].msg_hdr.msg_iovlen = 1;
        }
        while (!stop_) {
            int n = recvmmsg(fd_, msgs, kBatch, MSG_WAITFORONE, nullptr);
            for (int i = 0; i < n; ++i) probe_->on_datagram(type_, bufs[i], msgs[i].msg_len);
        }
    }

    Probe* probe_;
    uint16_t type_ = 0;
    int fd_;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool await(const Probe& probe, uint64_t count) {
    const int64_t give_up = now_ns() + 2000000000LL;
    while (probe.received.load(std::memory_order_acquire) < count) {
        if (now_ns() > give_up) return false;
    }
    return true;
}

// Waits until no datagram has arrived for 200 ms (at most 10 s).
void settle(const Probe& probe) {
    const int64_t give_up = now_ns() + 10000000000LL;
    uint64_t last = probe.received.load();
    int64_t quiet_since = now_ns();
    while (now_ns() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const uint64_t n = probe.received.load();
        if (n != last) {
            last = n;
            quiet_since = now_ns();
        } else if (now_ns() - quiet_since > 200000000LL) {
            return;
        }
    }
}

template <class Receiver>
void BM_Burst(benchmark::State& state) {
    const sockaddr_in group = stream_group(0);
    double delivered_pct = 0, burst_ms = 0;
    for (auto _ : state) {
        Probe probe;
        Receiver receiver(&probe, {{nq::TRV_SSE_L1, group}});
        if (!receiver.ok()) {
            state.SkipWithError("receiver set-up failed");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the receiver waits
        std::vector<std::thread> senders;
        std::atomic<int> started{0};
        const int64_t t0 = now_ns();
        for (int k = 0; k < kBurstSenders; ++k)
            senders.emplace_back([&, k] {
                bind_self(sender_cpu(k), false);
                Sender tx(group);
                started.fetch_add(1);
                while (started.load() < kBurstSenders) {
                }
                tx.paced(kBurstDatagrams / kBurstSenders, kBurstRatePerSender);
            });
        for (std::thread& t : senders) t.join();
        burst_ms = static_cast<double>(now_ns() - t0) / 1e6;
        settle(probe);
        delivered_pct = 100.0 * static_cast<double>(probe.received.load()) / static_cast<double>(kBurstDatagrams);
    }
    state.counters["delivered_pct"] = delivered_pct;
    state.counters["burst_ms"] = burst_ms;
    state.counters["offered_per_s"] = static_cast<double>(kBurstSenders * kBurstRatePerSender);
}

template <class Receiver>
void BM_Fairness(benchmark::State& state) {
    const sockaddr_in flooded = stream_group(1);
    const sockaddr_in quiet = stream_group(2);
    double pct = 0, flood_delivered = 0;
    uint64_t quiet_sent = 0;
    for (auto _ : state) {
        Probe probe;
        probe.quiet_type = nq::TRV_SZSE_L1;
        Receiver receiver(&probe, {{nq::TRV_SSE_L1, flooded}, {nq::TRV_SZSE_L1, quiet}});
        if (!receiver.ok()) {
            state.SkipWithError("receiver set-up failed");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::atomic<bool> stop{false};
        std::vector<std::thread> flood;
        for (int k = 0; k < kFloodSenders; ++k)
            flood.emplace_back([&, k] {
                bind_self(sender_cpu(k), false);
                Sender tx(flooded);
                tx.paced(~0ull, 0, &stop);
            });
        std::thread quiet_sender([&] {
            bind_self(sender_cpu(kFloodSenders), false);
            Sender tx(quiet);
            const uint64_t n = static_cast<uint64_t>(kFloodMs * 1000000 / kQuietPeriodNs);
            tx.paced(n, 1000000000 / kQuietPeriodNs);
            quiet_sent = n;
        });
        quiet_sender.join();
        stop.store(true);
        for (std::thread& t : flood) t.join();
        settle(probe);
        pct = 100.0 * static_cast<double>(probe.quiet_in_time.load()) / static_cast<double>(quiet_sent);
        flood_delivered = static_cast<double>(probe.received.load() - probe.quiet_received.load());
    }
    state.counters["quiet_stream_delivered_pct"] = pct;
    state.counters["quiet_stream_sent"] = static_cast<double>(quiet_sent);
    state.counters["flooded_stream_delivered"] = flood_delivered;
}

template <class Receiver>
void BM_Throughput(benchmark::State& state) {
    Probe probe;
    const sockaddr_in group = stream_group(3);
    Receiver receiver(&probe, {{nq::TRV_SSE_L1, group}});
    if (!receiver.ok()) {
        state.SkipWithError("receiver set-up failed");
        return;
    }
    ScopedBind bind(sender_cpu(0));
    Sender tx(group);
    uint64_t sent = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) tx.send();
        sent += kBatch;
        if (!await(probe, sent)) {
            state.SkipWithError("datagrams lost");
            return;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(sent));
}

template <class Receiver>
void BM_Latency(benchmark::State& state) {
    Probe probe;
    probe.samples.reserve(1 << 20);
    const sockaddr_in group = stream_group(4);
    Receiver receiver(&probe, {{nq::TRV_SSE_L1, group}});
    if (!receiver.ok()) {
        state.SkipWithError("receiver set-up failed");
        return;
    }
    ScopedBind bind(sender_cpu(0));
    Sender tx(group);
    // Warm the path before sampling.
    for (int i = 0; i < 1000; ++i) {
        tx.send();
        await(probe, static_cast<uint64_t>(i + 1));
    }
    uint64_t sent = probe.received.load();
    probe.sampling = true;
    for (auto _ : state) {
        tx.send();
        if (!await(probe, ++sent)) {
            state.SkipWithError("datagram lost");
            return;
        }
    }
    probe.sampling = false;
    std::vector<int64_t>& s = probe.samples;
    if (s.empty()) return;
    std::sort(s.begin(), s.end());
    state.counters["p50_ns"] = static_cast<double>(s[s.size() / 2]);
    state.counters["p99_ns"] = static_cast<double>(s[s.size() * 99 / 100]);
    state.SetItemsProcessed(static_cast<int64_t>(s.size()));
}

// The hand-off of one received datagram to on_quote, without the network:
// the receiver's call into its quote worker (which marks the thread as
// calling into the callback object, so that a stop can wait for the call),
// against a plain virtual call through a pointer, what the hand-off was
// without the mark.
class CountingSpi : public nq::TRVQuoteSpi {
public:
    void on_quote(nq::QuoteMCType, const void* msg_data, uint32_t msg_len) override {
        benchmark::DoNotOptimize(msg_data);
        calls += msg_len != 0;
    }
    uint64_t calls = 0;
};

void BM_DispatchQuoteWorker(benchmark::State& state) {
    CountingSpi spi;
    nq::api::QuoteUdpWorker worker("kapi_quote", &spi);
    nq::api::IUdpDataSink* sink = &worker;
    benchmark::DoNotOptimize(sink);
    unsigned char payload[kPayload] = {};
    for (auto _ : state) sink->on_data(nq::TRV_SSE_L1, payload, sizeof payload);
    state.SetItemsProcessed(static_cast<int64_t>(spi.calls));
}

void BM_DispatchVirtualCall(benchmark::State& state) {
    CountingSpi spi;
    nq::TRVQuoteSpi* target = &spi;
    benchmark::DoNotOptimize(target);
    unsigned char payload[kPayload] = {};
    for (auto _ : state) target->on_quote(nq::TRV_SSE_L1, payload, sizeof payload);
    state.SetItemsProcessed(static_cast<int64_t>(spi.calls));
}

BENCHMARK_TEMPLATE(BM_Burst, LibraryReceiver)->Name("BM_Burst/quote_receiver")->Iterations(1);
BENCHMARK_TEMPLATE(BM_Burst, RecvmmsgReceiver)->Name("BM_Burst/recvmmsg_loop")->Iterations(1);
BENCHMARK_TEMPLATE(BM_Fairness, LibraryReceiver)->Name("BM_Fairness/quote_receiver")->Iterations(1);
BENCHMARK_TEMPLATE(BM_Throughput, LibraryReceiver)->Name("Throughput/quote_receiver")->Iterations(4000)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Throughput, RecvmmsgReceiver)->Name("Throughput/recvmmsg_loop")->Iterations(4000)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Latency, LibraryReceiver)->Name("Latency/quote_receiver")->Iterations(20000)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Latency, RecvmmsgReceiver)->Name("Latency/recvmmsg_loop")->Iterations(20000)->UseRealTime();
BENCHMARK(BM_DispatchQuoteWorker)->Name("Dispatch/quote_worker");
BENCHMARK(BM_DispatchVirtualCall)->Name("Dispatch/virtual_call");

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    NamedRowsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
