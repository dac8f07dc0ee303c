#include "counter/CounterClient.h"

#include <sys/socket.h>
#include <unistd.h>

namespace counter {

using namespace wire;

Bytes request_body(const HeadFields& h, size_t size) {
    Bytes b(size, 0);
    put_u64(b, 0, h.session);
    put_u64(b, 8, h.request_id);
    put_u64(b, 16, h.request_seq);
    put_u64(b, 24, h.login_account_index);
    b[32] = h.account_type;
    put_u64(b, 33, h.trade_account_index);
    put_u64(b, 41, h.auth_id);
    put_u64(b, 49, h.trade_token);
    return b;
}

static void put_password(Bytes& b, size_t off, const std::string& password, uint64_t t) {
    put_text(b, off, password, 129);
    for (size_t k = 0; k < 129; ++k) b[off + k] ^= uint8_t(t >> (8 * (k % 8)));
}

Bytes login_body(const HeadFields& head, uint8_t api_type, const std::string& account, const std::string& password,
                 uint64_t t, uint8_t client_id) {
    Bytes b = request_body(head, 919);
    b[57] = api_type;
    put_text(b, 58, account, 65);
    put_password(b, 123, password, t);
    b[252] = client_id;
    put_u32(b, 253, 20240102);
    put_u16(b, 796, 5);
    put_u64(b, 910, t);
    return b;
}

Bytes auth_body(const HeadFields& head, const std::string& account, const std::string& password, uint64_t t) {
    Bytes b = request_body(head, 841);
    put_text(b, 57, account, 65);
    put_password(b, 122, password, t);
    put_u32(b, 251, 20240102);
    put_u64(b, 833, t);
    return b;
}

Bytes table_info_body(const HeadFields& head, uint32_t query_code) {
    Bytes b = request_body(head, 65);
    put_u64(b, 57, query_code);
    return b;
}

Bytes page_body(const HeadFields& head, size_t size, uint16_t table_index, uint32_t count, uint32_t reference,
                uint32_t end_point) {
    Bytes b = request_body(head, size);
    put_u16(b, 57, table_index);
    put_u32(b, 59, count);
    put_u32(b, 63, reference);
    put_u32(b, 67, end_point);
    return b;
}

CounterClient::~CounterClient() {
    if (fd_ >= 0) ::close(fd_);
}

bool CounterClient::connect_to(const sockaddr_in& addr) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    return fd_ >= 0 && ::connect(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
}

bool CounterClient::send(uint32_t code, const Bytes& body) {
    const Bytes f = frame(code, body);
    return testpeer::send_all(fd_, f.data(), f.size());
}

bool CounterClient::next(Bytes* f, int timeout_ms, bool skip_heartbeats) {
    for (;;) {
        if (!testpeer::read_frame(fd_, f, timeout_ms)) return false;
        if (!skip_heartbeats || code_of(*f) != 2) return true;
    }
}

bool CounterClient::quiet(int quiet_ms) {
    Bytes f;
    return !next(&f, quiet_ms);
}

bool CounterClient::eof(int timeout_ms) { return testpeer::wait_eof(fd_, timeout_ms); }

bool send_datagram(const sockaddr_in& to, const Bytes& payload) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    const ssize_t n = sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    ::close(fd);
    return n == ssize_t(payload.size());
}

}  // namespace counter
