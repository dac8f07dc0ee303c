#include "counter/QuoteFeeder.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

#include "trv_api.h"

namespace counter {

QuoteFeeder::~QuoteFeeder() {
    if (fd_ >= 0) ::close(fd_);
}

bool QuoteFeeder::open() {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    // Multicast leaves only through loopback and never crosses a router.
    in_addr local{};
    local.s_addr = htonl(INADDR_LOOPBACK);
    const unsigned char ttl = 0, loop = 1;
    if (setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0 ||
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0 ||
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

QuoteChannel QuoteFeeder::loopback_channel(uint16_t mc_type, const char* group) {
    QuoteChannel c;
    c.group.sin_family = AF_INET;
    if (inet_pton(AF_INET, group ? group : "127.0.0.1", &c.group.sin_addr) != 1) return QuoteChannel();
    // The kernel picks a free port on loopback; the receiver binds it later.
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    const bool ok = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    if (fd >= 0) ::close(fd);
    if (!ok) return QuoteChannel();
    c.group.sin_port = a.sin_port;
    c.mc_type = mc_type;
    return c;
}

bool QuoteFeeder::send(const QuoteChannel& channel, const Bytes& payload) {
    if (fd_ < 0) return false;
    const uint32_t host = ntohl(channel.group.sin_addr.s_addr);
    const bool multicast = (host >> 28) == 0xe;
    // Unicast only to loopback addresses.
    if (!multicast && (host >> 24) != 127) return false;
    const ssize_t n = sendto(fd_, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&channel.group),
                             sizeof channel.group);
    return n == ssize_t(payload.size());
}

Bytes QuoteFeeder::level1_entry(uint8_t msg_type, const Bytes& record) {
    Bytes b(16 + record.size(), 0);
    b[0] = msg_type;
    if (!record.empty()) std::memcpy(b.data() + 16, record.data(), record.size());
    return b;
}

Bytes QuoteFeeder::sse_l1_snapshot(const std::string& code, uint32_t trade_date, uint64_t last_px) {
    nq::trv_sse_l1_snapshot_t r;
    std::memset(&r, 0, sizeof r);
    r.security_type = 1;
    r.trade_date = trade_date;
    std::strncpy(r.security_code, code.c_str(), sizeof r.security_code - 1);
    r.last_px = last_px;
    const auto* p = reinterpret_cast<const unsigned char*>(&r);
    return Bytes(p, p + sizeof r);
}

Bytes QuoteFeeder::szse_l1_snapshot(const std::string& code, int64_t orig_time, uint64_t last_px) {
    nq::trv_szse_l1_snapshot_t r;
    std::memset(&r, 0, sizeof r);
    r.orig_time = orig_time;
    std::strncpy(r.security_code, code.c_str(), sizeof r.security_code - 1);
    r.last_px = last_px;
    const auto* p = reinterpret_cast<const unsigned char*>(&r);
    return Bytes(p, p + sizeof r);
}

size_t QuoteFeeder::level2_record_size(uint16_t mc_type) {
    switch (mc_type) {
        case 101: return 440;
        case 102: return 72;
        case 103: return 80;
        case 104: return 424;
        case 105: return 96;
        case 106: return 376;
        case 107: return 72;
        case 108: return 96;
        case 109: return 400;
        case 110: return 72;
        default: return 0;
    }
}

Bytes QuoteFeeder::level2_record(uint16_t mc_type, uint8_t msg_type, uint64_t serial) {
    const size_t size = level2_record_size(mc_type);
    if (size == 0) return Bytes();
    Bytes b(size, 0);
    wire::put_u64(b, 0, serial);
    b[8] = msg_type;
    return b;
}

}  // namespace counter
