// Market-data reception: datagrams from a sender on this host to on_quote
// through one socket-mode quote receiver ("kapi_quote" thread, edge-triggered
// epoll, recvfrom per datagram), against a plain recvmmsg loop (batches of
// 64) on the same multicast stream in the same run. The stream is a group of
// this process on loopback (IP_MULTICAST_IF 127.0.0.1, TTL 0).
//
// Throughput: bursts of 64 datagrams of 64 bytes, each burst awaited before
// the next, so nothing is lost to a full socket buffer. Latency: one
// datagram at a time, from just before sendto to the callback, with p50 and
// p99 over the run. Nothing is asserted.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "api/mdata/QuoteUdpWorker.h"
#include "api/mdata/UdpReceiverConfig.h"

namespace {

constexpr size_t kPayload = 64;
constexpr int kBurst = 64;

int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

sockaddr_in make_addr(const char* ip, uint16_t port) {
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

sockaddr_in stream_group() {
    static const sockaddr_in group = [] {
        unsigned v = static_cast<unsigned>(getpid()) & 0xffffu;
        std::string ip = "239.253." + std::to_string(v >> 8) + "." + std::to_string(v & 0xff);
        int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in probe = make_addr("127.0.0.1", 0);
        bind(fd, reinterpret_cast<sockaddr*>(&probe), sizeof probe);
        socklen_t len = sizeof probe;
        getsockname(fd, reinterpret_cast<sockaddr*>(&probe), &len);
        close(fd);
        return make_addr(ip.c_str(), ntohs(probe.sin_port));
    }();
    return group;
}

// What both receivers call per datagram: count it and, when asked, take the
// latency from the send time stamped in its first 8 bytes.
struct Probe {
    std::atomic<uint64_t> received{0};
    std::vector<int64_t> samples;
    bool sampling = false;

    void on_datagram(const void* data, size_t len) {
        if (sampling && len >= 8) {
            int64_t sent;
            std::memcpy(&sent, data, 8);
            samples.push_back(now_ns() - sent);
        }
        received.fetch_add(1, std::memory_order_release);
    }
};

class ProbeSpi : public nq::TRVQuoteSpi {
public:
    explicit ProbeSpi(Probe* probe) : probe_(probe) {}
    void on_quote(nq::QuoteMCType, const void* msg_data, uint32_t msg_len) override {
        probe_->on_datagram(msg_data, msg_len);
    }

private:
    Probe* probe_;
};

class Sender {
public:
    Sender() : fd_(socket(AF_INET, SOCK_DGRAM, 0)), to_(stream_group()) {
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

private:
    int fd_;
    sockaddr_in to_;
    unsigned char buf_[kPayload];
};

// The quote receiver under test.
class LibraryReceiver {
public:
    explicit LibraryReceiver(Probe* probe) : spi_(probe), worker_("kapi_quote", &spi_) {
        nq::api::udp_receiver_config_t c;
        c.rx_mode = nq::RX_MODE_SOCKET;
        c.local_addr = make_addr("127.0.0.1", 0);
        c.rcvbuf = 4 << 20;
        c.streams.push_back(nq::api::udp_mcast_stream_t{nq::TRV_SSE_L1, stream_group()});
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
    explicit RecvmmsgReceiver(Probe* probe) : probe_(probe) {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        int one = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        int rcvbuf = 4 << 20;
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
        timeval tv{0, 100 * 1000};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        sockaddr_in g = stream_group();
        ip_mreq mreq;
        mreq.imr_multiaddr = g.sin_addr;
        inet_pton(AF_INET, "127.0.0.1", &mreq.imr_interface);
        ok_ = bind(fd_, reinterpret_cast<sockaddr*>(&g), sizeof g) == 0 &&
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
        static unsigned char bufs[kBurst][2048];
        mmsghdr msgs[kBurst];
        iovec iov[kBurst];
        for (int i = 0; i < kBurst; ++i) {
            iov[i] = iovec{bufs[i], sizeof bufs[i]};
            std::memset(&msgs[i], 0, sizeof msgs[i]);
            msgs[i].msg_hdr.msg_iov = &iov[i];
            msgs[i].msg_hdr.msg_iovlen = 1;
        }
        while (!stop_) {
            int n = recvmmsg(fd_, msgs, kBurst, MSG_WAITFORONE, nullptr);
            for (int i = 0; i < n; ++i) probe_->on_datagram(bufs[i], msgs[i].msg_len);
        }
    }

    Probe* probe_;
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

template <class Receiver>
void BM_Throughput(benchmark::State& state) {
    Probe probe;
    Receiver receiver(&probe);
    if (!receiver.ok()) {
        state.SkipWithError("receiver set-up failed");
        return;
    }
    Sender tx;
    uint64_t sent = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBurst; ++i) tx.send();
        sent += kBurst;
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
    probe.samples.reserve(1 << 22);
    Receiver receiver(&probe);
    if (!receiver.ok()) {
        state.SkipWithError("receiver set-up failed");
        return;
    }
    Sender tx;
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

BENCHMARK_TEMPLATE(BM_Throughput, LibraryReceiver)->Name("Throughput/quote_receiver")->UseRealTime();
BENCHMARK_TEMPLATE(BM_Throughput, RecvmmsgReceiver)->Name("Throughput/recvmmsg_loop")->UseRealTime();
BENCHMARK_TEMPLATE(BM_Latency, LibraryReceiver)->Name("Latency/quote_receiver")->UseRealTime();
BENCHMARK_TEMPLATE(BM_Latency, RecvmmsgReceiver)->Name("Latency/recvmmsg_loop")->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
