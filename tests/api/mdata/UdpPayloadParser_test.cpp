// The Ethernet/IPv4/UDP frame parser of the kernel-bypass receiver.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "api/mdata/KApiEfviUdpReceiver.h"

using nq::api::parse_udp_payload_from_eth_ipv4;
using nq::api::udp_payload_view_t;

namespace {

struct FrameSpec {
    unsigned ihl = 5;
    unsigned version = 4;
    unsigned protocol = 17;
    int total_len = -1;  // -1: exact
    int udp_len = -1;    // -1: exact
    size_t payload = 10;
    size_t cut = 0;  // bytes removed from the end of the frame
};

std::vector<std::byte> make_frame(const FrameSpec& s) {
    const size_t h = s.ihl * 4;
    const size_t exact_udp = 8 + s.payload;
    std::vector<std::byte> f(14 + (h < 20 ? 20 : h) + exact_udp);
    auto put = [&](size_t at, unsigned v) { f[at] = static_cast<std::byte>(v); };
    auto put16 = [&](size_t at, unsigned v) {
        put(at, (v >> 8) & 0xff);
        put(at + 1, v & 0xff);
    };
    put(12, 0x08);
    put(14, s.version << 4 | s.ihl);
    put16(16, s.total_len < 0 ? static_cast<unsigned>(h + exact_udp) : static_cast<unsigned>(s.total_len));
    put(23, s.protocol);
    put(30, 239);
    put(31, 1);
    put(32, 2);
    put(33, 3);
    const size_t udp = 14 + h;
    if (udp + 8 <= f.size()) {
        put16(udp + 2, 30001);
        put16(udp + 4, s.udp_len < 0 ? static_cast<unsigned>(exact_udp) : static_cast<unsigned>(s.udp_len));
        for (size_t i = 0; udp + 8 + i < f.size(); ++i) put(udp + 8 + i, static_cast<unsigned>(i + 1));
    }
    f.resize(f.size() - s.cut);
    return f;
}

struct Case {
    const char* name;
    FrameSpec spec;
    bool ok;
    uint64_t payload_len;
};

TEST(UdpPayloadParser, CaseTable) {
    const Case cases[] = {
        {"plain", {}, true, 10},
        {"empty payload", {5, 4, 17, -1, -1, 0, 0}, true, 0},
        {"ip options", {6, 4, 17, -1, -1, 10, 0}, true, 10},
        {"shorter than 42 bytes", {5, 4, 17, -1, -1, 0, 1}, false, 0},
        {"ihl 4", {4, 4, 17, 28, 18, 10, 0}, false, 0},
        {"version 6", {5, 6, 17, -1, -1, 10, 0}, false, 0},
        {"tcp", {5, 4, 6, -1, -1, 10, 0}, false, 0},
        {"total length below header + 8", {5, 4, 17, 27, -1, 10, 0}, false, 0},
        {"udp length 7", {5, 4, 17, -1, 7, 10, 0}, false, 0},
        {"udp length beyond total length is clipped", {5, 4, 17, 20 + 8 + 4, -1, 10, 0}, true, 4},
        {"udp length beyond the frame is clipped", {5, 4, 17, -1, 8 + 200, 10, 3}, true, 7},
        {"udp length shorter than the frame wins", {5, 4, 17, -1, 8 + 5, 10, 0}, true, 5},
        {"longest header (ihl 15)", {15, 4, 17, -1, -1, 0, 0}, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::byte> f = make_frame(c.spec);
        udp_payload_view_t v = parse_udp_payload_from_eth_ipv4(f.data(), f.size());
        EXPECT_EQ(v.ok, c.ok);
        if (!c.ok) {
            EXPECT_EQ(v.payload, nullptr);
            EXPECT_EQ(v.payload_len, 0u);
            EXPECT_EQ(v.dst_ip, 0u);
            EXPECT_EQ(v.dst_port, 0u);
            continue;
        }
        EXPECT_EQ(v.payload_len, c.payload_len);
        EXPECT_EQ(v.payload, f.data() + 14 + c.spec.ihl * 4 + 8);
        EXPECT_EQ(v.dst_port, 30001);
        const unsigned char ip[4] = {239, 1, 2, 3};
        uint32_t want;
        std::memcpy(&want, ip, 4);
        EXPECT_EQ(v.dst_ip, want);
        if (v.payload_len > 0) {
            EXPECT_EQ(std::to_integer<unsigned>(v.payload[0]), 1u);
        }
    }
}

TEST(UdpPayloadParser, NullAndTruncatedHeaders) {
    EXPECT_FALSE(parse_udp_payload_from_eth_ipv4(nullptr, 100).ok);
    // A 60-byte IPv4 header claimed by a frame that holds only part of it.
    std::vector<std::byte> f = make_frame(FrameSpec{});
    f[14] = static_cast<std::byte>(0x4f);
    EXPECT_FALSE(parse_udp_payload_from_eth_ipv4(f.data(), f.size()).ok);
}

TEST(UdpPayloadParser, StrideRoundsBufferAndHeadroomToPages) {
    EXPECT_EQ(nq::api::KApiEfviUdpReceiver::stride_for(2048), 4096u);
    EXPECT_EQ(nq::api::KApiEfviUdpReceiver::stride_for(3840), 4096u);
    EXPECT_EQ(nq::api::KApiEfviUdpReceiver::stride_for(3841), 8192u);
    EXPECT_EQ(nq::api::KApiEfviUdpReceiver::stride_for(4000), 8192u);
}

}  // namespace
