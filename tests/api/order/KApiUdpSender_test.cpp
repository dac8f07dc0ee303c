// UDP order sender with the shipped kernel-bypass backend (no adapter): frame
// building and checksum as pure functions, and socket mode on loopback with
// local address 127.0.0.2. Frames and datagrams are checked at the byte
// offsets of the wire format, not through the sender's structs.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "api/order/KApiUdpSender.h"
#include "log/Log.h"
#include "support/LoopbackUdp.h"
#include "support/TestLogFile.h"

using nq::api::KApiUdpSender;

namespace {

using udp_test::make_addr;

const sockaddr* sa(const sockaddr_in& a) { return reinterpret_cast<const sockaddr*>(&a); }

// Senders live until the process ends, as the library's own does: built in
// static storage, never destroyed.
KApiUdpSender* new_sender(const sockaddr_in& local) {
    alignas(KApiUdpSender) static unsigned char storage[4][sizeof(KApiUdpSender)];
    static int used = 0;
    if (used >= 4) std::abort();
    return new (storage[used++]) KApiUdpSender(sa(local));
}

uint16_t be16(const unsigned char* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// RFC 1071 over the header read as big-endian words.
uint16_t fold_sum(const unsigned char* hdr, size_t len) {
    uint32_t s = 0;
    for (size_t i = 0; i < len; i += 2) s += be16(hdr + i);
    while (s >> 16) s = (s & 0xffff) + (s >> 16);
    return static_cast<uint16_t>(s);
}

using LogFile = trv_test::TestLogFile;

// A UDP socket on 127.0.0.1 that the sender's datagrams go to.
struct Receiver {
    int fd = -1;
    sockaddr_in addr;
    Receiver() {
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        int big = 8 << 20;
        if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &big, sizeof big) != 0)
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
        addr = make_addr("127.0.0.1", 0);
        bind(fd, sa(addr), sizeof addr);
        socklen_t len = sizeof addr;
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    }
    ~Receiver() {
        if (fd >= 0) close(fd);
    }
    // One datagram, or an empty vector when none comes within `ms`.
    std::vector<unsigned char> recv(sockaddr_in* from = nullptr, int ms = 5000) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, ms) != 1) return {};
        std::vector<unsigned char> out(4096);
        sockaddr_in src;
        socklen_t len = sizeof src;
        ssize_t n = recvfrom(fd, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&src), &len);
        if (n < 0) return {};
        out.resize(static_cast<size_t>(n));
        if (from) *from = src;
        return out;
    }
};

const char kDestMac[12] = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55, 0x02, 0x66, 0x77, 0x00, 0x00, 0x01};

// ---- frame building -------------------------------------------------------

TEST(UdpFrame, OrderFrameMatchesTheWireLayout) {
    sockaddr_in local = make_addr("198.18.0.1", 0);
    KApiUdpSender sender(sa(local));
    const unsigned char src_mac[6] = {0x02, 0xaa, 0xbb, 0xcc, 0xdd, 0xee};
    std::memcpy(KApiUdpSender::local_mac_addr_, src_mac, 6);
    unsigned char frame[2048];
    std::memset(frame, 0xee, sizeof frame);
    sender.init_frame_hdr(frame);
    sockaddr_in dest = make_addr("198.18.0.2", 40000);
    KApiUdpSender::complete_frame_hdr(frame, sender.partial_csum_, 56, &dest, kDestMac);

    EXPECT_EQ(KApiUdpSender::kBodyOffset + 56, 104u) << "frame length of a 56-byte order";
    EXPECT_EQ(0, std::memcmp(frame, kDestMac, 6));
    EXPECT_EQ(0, std::memcmp(frame + 6, src_mac, 6));
    EXPECT_EQ(be16(frame + 12), 0x0800);
    EXPECT_EQ(frame[14], 0x45);
    EXPECT_EQ(frame[15], 0);
    EXPECT_EQ(be16(frame + 16), 90) << "IPv4 total length";
    EXPECT_EQ(be16(frame + 18), 0);
    EXPECT_EQ(be16(frame + 20), 0x4000);
    EXPECT_EQ(frame[22], 8);
    EXPECT_EQ(frame[23], 17);
    EXPECT_EQ(be16(frame + 24), 0xE66B) << "IPv4 header checksum";
    const unsigned char src_ip[4] = {198, 18, 0, 1}, dst_ip[4] = {198, 18, 0, 2};
    EXPECT_EQ(0, std::memcmp(frame + 26, src_ip, 4));
    EXPECT_EQ(0, std::memcmp(frame + 30, dst_ip, 4));
    EXPECT_EQ(be16(frame + 34), 0) << "source port of the configured local address";
    EXPECT_EQ(be16(frame + 36), 40000);
    EXPECT_EQ(be16(frame + 38), 70) << "UDP length";
    EXPECT_EQ(be16(frame + 40), 0) << "no UDP checksum";
    EXPECT_EQ(frame[42], 0xee) << "the prefix is not part of the header template";
    EXPECT_EQ(fold_sum(frame + 14, 20), 0xffff);
}

TEST(UdpFrame, ChecksumVerifiesForEveryAddressAndLength) {
    struct Case {
        const char* src;
        uint16_t sport;
        const char* dst;
        uint16_t dport;
        uint16_t n;
    };
    const Case cases[] = {
        {"198.18.0.1", 0, "198.18.0.2", 40000, 56},
        {"127.0.0.2", 0, "127.0.0.1", 1, 0},
        {"255.255.255.255", 65535, "255.255.255.254", 65535, 1024},
        {"0.0.0.0", 0, "0.0.0.0", 0, 0},
        {"10.255.0.255", 1234, "172.31.255.1", 9, 32},
        {"198.19.255.255", 7, "198.18.128.0", 8999, 1023},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.src) + " -> " + c.dst + " n=" + std::to_string(c.n));
        sockaddr_in local = make_addr(c.src, c.sport);
        KApiUdpSender sender(sa(local));
        unsigned char frame[2048] = {0};
        sender.init_frame_hdr(frame);
        // A frame completed for one destination and then reused for another:
        // the per-send fields are overwritten, never accumulated.
        sockaddr_in other = make_addr("1.2.3.4", 5);
        KApiUdpSender::complete_frame_hdr(frame, sender.partial_csum_, 77, &other, kDestMac);
        sockaddr_in dest = make_addr(c.dst, c.dport);
        KApiUdpSender::complete_frame_hdr(frame, sender.partial_csum_, c.n, &dest, kDestMac);
        EXPECT_EQ(fold_sum(frame + 14, 20), 0xffff);
        EXPECT_EQ(be16(frame + 16), 34 + c.n);
        EXPECT_EQ(be16(frame + 38), 14 + c.n);
        EXPECT_EQ(be16(frame + 34), c.sport);
        EXPECT_EQ(be16(frame + 36), c.dport);
        EXPECT_EQ(0, std::memcmp(frame + 30, &dest.sin_addr, 4));
    }
}

// ---- socket mode on loopback ------------------------------------------------

struct SocketSender : ::testing::Test {
    Receiver rx;
    sockaddr_in local = make_addr("127.0.0.2", 0);
    KApiUdpSender* sender = nullptr;
    void SetUp() override {
        sender = new_sender(local);
        ASSERT_TRUE(sender->initialize());
        ASSERT_FALSE(sender->use_efvi_) << "no adapter: kernel socket";
    }
    bool send(uint16_t code, const std::vector<unsigned char>& body) {
        unsigned char* p = sender->acquire_send_buffer(code, body.size());
        if (!p) return false;
        if (!body.empty()) std::memcpy(p, body.data(), body.size());
        bool ok = sender->send_order(p, static_cast<uint16_t>(body.size()), sa(rx.addr), kDestMac);
        sender->release_send_buffer(p);
        return ok;
    }
};

std::vector<unsigned char> pattern(size_t n, unsigned seed) {
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(seed * 31 + i * 7 + 1);
    return v;
}

TEST_F(SocketSender, DatagramHoldsExactlyPrefixAndBody) {
    struct Case {
        const char* what;
        uint16_t code;
        std::vector<unsigned char> body;
    };
    // Longer first, so a shorter message after it would show stale bytes.
    const Case cases[] = {
        {"order", 1283, pattern(56, 1)},
        {"cancel", 1289, pattern(32, 2)},
        {"token heartbeat", 1286, std::vector<unsigned char>(56, 0)},
        {"largest body", 16382, pattern(1024, 3)},
        {"empty body", 1283, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(send(c.code, c.body));
        sockaddr_in from;
        std::vector<unsigned char> got = rx.recv(&from);
        ASSERT_EQ(got.size(), 6 + c.body.size());
        EXPECT_EQ(got[0], 0x27);
        EXPECT_EQ(got[1], 0x23);
        EXPECT_EQ(le16(got.data() + 2), c.body.size());
        EXPECT_EQ(le16(got.data() + 4), c.code);
        EXPECT_TRUE(std::equal(c.body.begin(), c.body.end(), got.begin() + 6));
        char ip[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
        EXPECT_STREQ(ip, "127.0.0.2") << "sent from the local trade address";
        EXPECT_NE(from.sin_port, 0) << "the kernel gave the bound socket a port";
    }
}

TEST_F(SocketSender, RefusedRequestsSendNothing) {
    // Codes above 16382 and bodies above 1024 bytes: no buffer, and the
    // thread's buffer stays bound and idle.
    EXPECT_EQ(sender->acquire_send_buffer(16383, 56), nullptr);
    ASSERT_NE(KApiUdpSender::local_pkt_buf(), nullptr);
    EXPECT_EQ(KApiUdpSender::local_pkt_buf()->in_use, 0u);
    EXPECT_EQ(sender->acquire_send_buffer(1286, 1025), nullptr);
    EXPECT_EQ(KApiUdpSender::local_pkt_buf()->in_use, 0u);

    unsigned char* body = sender->acquire_send_buffer(1283, 56);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(KApiUdpSender::local_pkt_buf()->in_use, 1u);
    std::memset(body, 0x5a, 56);
    unsigned char elsewhere[64] = {0};
    EXPECT_FALSE(sender->send_order(elsewhere, 56, sa(rx.addr), kDestMac)) << "not this thread's buffer";
    EXPECT_FALSE(sender->send_order(body + 1, 56, sa(rx.addr), kDestMac)) << "not the body address";
    EXPECT_FALSE(sender->send_order(body, 57, sa(rx.addr), kDestMac)) << "length differs from the prefix";
    EXPECT_FALSE(sender->send_order(body, 1500, sa(rx.addr), kDestMac)) << "length beyond the buffer";

    // Another thread's body pointer is refused on this thread.
    unsigned char* theirs = nullptr;
    std::thread([&] { theirs = sender->acquire_send_buffer(1283, 56); }).join();
    ASSERT_NE(theirs, nullptr);
    EXPECT_FALSE(sender->send_order(theirs, 56, sa(rx.addr), kDestMac));

    ASSERT_TRUE(sender->send_order(body, 56, sa(rx.addr), kDestMac));
    sender->release_send_buffer(body);
    EXPECT_EQ(KApiUdpSender::local_pkt_buf()->in_use, 0u);
    sender->release_send_buffer(body);  // twice: nothing
    std::vector<unsigned char> got = rx.recv();
    ASSERT_EQ(got.size(), 62u) << "only the valid send went out";
    EXPECT_EQ(got[6], 0x5a);
    EXPECT_TRUE(rx.recv(nullptr, 200).empty());
}

TEST_F(SocketSender, ReleaseWithoutBufferDoesNothing) {
    std::thread([&] {
        sender->release_send_buffer(nullptr);
        EXPECT_EQ(KApiUdpSender::local_pkt_buf(), nullptr);
        sender->init_local_send();
        KApiUdpSender::pkt_buf_t* mine = KApiUdpSender::local_pkt_buf();
        ASSERT_NE(mine, nullptr);
        EXPECT_EQ(mine->tid, static_cast<int32_t>(syscall(SYS_gettid)));
        sender->init_local_send();
        EXPECT_EQ(KApiUdpSender::local_pkt_buf(), mine) << "a thread keeps its buffer";
        sender->release_send_buffer(nullptr);
        EXPECT_EQ(mine->in_use, 0u);
    }).join();
}

TEST_F(SocketSender, TheThousandAndTwentyFourthThreadIsRefused) {
    // This thread takes buffer 1 (id 2); 1022 more threads take the rest.
    ASSERT_TRUE(send(1283, pattern(56, 9)));
    ASSERT_EQ(rx.recv().size(), 62u);
    EXPECT_EQ(KApiUdpSender::local_pkt_buf(), sender->bufs_[1]);
    EXPECT_EQ(KApiUdpSender::local_pkt_buf()->id, 2u);
    uint32_t last_id = 0;
    for (int t = 2; t <= 1023; ++t) {
        std::thread([&] {
            unsigned char* p = sender->acquire_send_buffer(1289, 32);
            if (p) last_id = KApiUdpSender::local_pkt_buf()->id;
            sender->release_send_buffer(p);
        }).join();
    }
    EXPECT_EQ(last_id, 1024u) << "the 1023rd thread gets buffer 1023";
    bool refused_twice = false;
    std::thread([&] {
        refused_twice = sender->acquire_send_buffer(1283, 56) == nullptr &&
                        sender->acquire_send_buffer(1283, 56) == nullptr && KApiUdpSender::local_pkt_buf() == nullptr;
        sender->init_local_send();
        refused_twice = refused_twice && KApiUdpSender::local_pkt_buf() == nullptr;
    }).join();
    EXPECT_TRUE(refused_twice);
    // Threads that have buffers go on sending.
    ASSERT_TRUE(send(1286, std::vector<unsigned char>(56, 0)));
    EXPECT_EQ(rx.recv().size(), 62u);
}

TEST(UdpSender, KernelSocketOnDescriptorZeroSendsBySocket) {
    // With standard input closed the sender's socket is descriptor 0; it must
    // still be taken for a socket.
    Receiver rx;
    close(0);
    sockaddr_in local = make_addr("127.0.0.2", 0);
    auto* sender = new_sender(local);
    ASSERT_TRUE(sender->initialize());
    ASSERT_EQ(sender->socket_, 0);
    unsigned char* p = sender->acquire_send_buffer(1283, 56);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(KApiUdpSender::local_pkt_buf()->mode, KApiUdpSender::SEND_SOCKET);
    std::memset(p, 0x42, 56);
    EXPECT_TRUE(sender->send_order(p, 56, sa(rx.addr), kDestMac));
    sender->release_send_buffer(p);
    std::vector<unsigned char> got = rx.recv();
    ASSERT_EQ(got.size(), 62u);
    EXPECT_EQ(got[61], 0x42);
}

TEST(UdpSender, NoAdapterWarnsAndUsesTheKernelSocket) {
    LogFile log(nq::log::kDebug);
    ASSERT_TRUE(log.ok());
    sockaddr_in local = make_addr("127.0.0.2", 0);
    auto* sender = new_sender(local);
    ASSERT_TRUE(sender->initialize());
    EXPECT_FALSE(sender->use_efvi_);
    ASSERT_GE(sender->socket_, 0);
    // Commands the host-information code runs must not inherit it.
    EXPECT_NE(fcntl(sender->socket_, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_TRUE(log.wait_for("[WARN] udp sender ef_driver_open failed: { rc = -19, ip = 127.0.0.2 }")) << log.text();
}

TEST(UdpSender, UnbindableAddressFailsInitialisation) {
    LogFile log(nq::log::kInfo);
    ASSERT_TRUE(log.ok());
    // Not an address of this host (outside any namespace of the test).
    sockaddr_in local = make_addr("198.18.7.7", 0);
    auto* sender = new_sender(local);
    EXPECT_FALSE(sender->initialize());
    EXPECT_EQ(sender->socket_, -1);
    EXPECT_TRUE(log.wait_for("[ERROR] bind local_ip(198.18.7.7) fail: { os_err_msg = ")) << log.text();
}

TEST_F(SocketSender, ThreadsSendSideBySideWithoutLoss) {
    constexpr int kThreads = 8, kPerThread = 200;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                unsigned char* p = sender->acquire_send_buffer(1283, 56);
                if (!p) {
                    ++failures;
                    continue;
                }
                std::memset(p, t, 56);
                std::memcpy(p, &i, sizeof i);
                if (!sender->send_order(p, 56, sa(rx.addr), kDestMac)) ++failures;
                sender->release_send_buffer(p);
            }
        });
    }
    std::vector<std::vector<bool>> seen(kThreads, std::vector<bool>(kPerThread, false));
    int received = 0, bad = 0;
    while (received < kThreads * kPerThread) {
        std::vector<unsigned char> got = rx.recv();
        if (got.empty()) break;
        ++received;
        int i;
        std::memcpy(&i, got.data() + 6, sizeof i);
        int t = got[61];
        bool intact = got.size() == 62 && le16(got.data() + 2) == 56 && le16(got.data() + 4) == 1283 && t < kThreads &&
                      i >= 0 && i < kPerThread;
        for (size_t k = 6 + sizeof i; intact && k < got.size(); ++k) intact = got[k] == t;
        if (!intact || seen[t][i]) {
            ++bad;
            continue;
        }
        seen[t][i] = true;
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(received, kThreads * kPerThread);
}

}  // namespace
