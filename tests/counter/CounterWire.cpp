#include "counter/CounterWire.h"

#include <cstring>

namespace counter { namespace wire {

uint16_t get_u16(const unsigned char* p, size_t off) { return uint16_t(p[off] | (p[off + 1] << 8)); }
uint32_t get_u32(const unsigned char* p, size_t off) {
    return uint32_t(p[off]) | uint32_t(p[off + 1]) << 8 | uint32_t(p[off + 2]) << 16 | uint32_t(p[off + 3]) << 24;
}
uint64_t get_u64(const unsigned char* p, size_t off) { return testpeer::get_u64(p, off); }
void put_u16(unsigned char* p, size_t off, uint16_t v) {
    p[off] = uint8_t(v);
    p[off + 1] = uint8_t(v >> 8);
}
void put_u32(unsigned char* p, size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[off + i] = uint8_t(v >> (8 * i));
}
void put_u64(unsigned char* p, size_t off, uint64_t v) { testpeer::put_u64(p, off, v); }

static void grow(Bytes& b, size_t end) {
    if (b.size() < end) b.resize(end, 0);
}
void put_u16(Bytes& b, size_t off, uint16_t v) {
    grow(b, off + 2);
    put_u16(b.data(), off, v);
}
void put_u32(Bytes& b, size_t off, uint32_t v) {
    grow(b, off + 4);
    put_u32(b.data(), off, v);
}
void put_u64(Bytes& b, size_t off, uint64_t v) {
    grow(b, off + 8);
    put_u64(b.data(), off, v);
}

void put_text(Bytes& b, size_t off, const std::string& text, size_t width) {
    grow(b, off + width);
    std::memset(b.data() + off, 0, width);
    std::memcpy(b.data() + off, text.data(), text.size() < width ? text.size() : width);
}

std::string get_text(const unsigned char* p, size_t off, size_t width) {
    const auto* s = reinterpret_cast<const char*>(p + off);
    size_t n = 0;
    while (n < width && s[n] != '\0') ++n;
    return std::string(s, n);
}

uint32_t code_of(const Bytes& frame) { return frame.size() < 16 ? 0 : testpeer::code_of(frame.data()); }
uint32_t length_of(const Bytes& frame) { return frame.size() < 16 ? 0 : testpeer::length_of(frame.data()); }

Bytes frame(uint32_t code, const Bytes& body, uint64_t session_id) {
    Bytes f(kHeaderSize, 0);
    f.insert(f.end(), body.begin(), body.end());
    put_u64(f.data(), 8, (uint64_t(code) & 0x3fff) | (uint64_t(f.size() & 0xfffff) << 14));
    put_u64(f.data(), 16, session_id);
    return f;
}

void set_frame_size(Bytes& frame, size_t total) {
    frame.resize(total < 16 ? 16 : total, 0);
    const uint64_t word = get_u64(frame.data(), 8);
    put_u64(frame.data(), 8, (word & 0x3fff) | (uint64_t(total & 0xfffff) << 14));
}

Bytes body_of(const Bytes& frame) {
    if (frame.size() <= kHeaderSize) return Bytes();
    return Bytes(frame.begin() + kHeaderSize, frame.end());
}

uint32_t answer_code(uint32_t request_code) {
    if (request_code == 1041) return 1042;
    if (request_code == 1052) return 0;
    if (request_code >= 1030 && request_code <= 1056) return request_code + 1;
    if (request_code >= 1347 && request_code <= 1547) return request_code + 512;
    return 0;
}

uint32_t request_code_of(uint32_t answer) {
    if (answer == 1053 || answer == 1054) return 1052;
    if (answer >= 1031 && answer <= 1057 && answer_code(answer - 1) == answer) return answer - 1;
    if (answer >= 1859 && answer <= 2059) return answer - 512;
    return 0;
}

Bytes answer_body(const Bytes& request_body, size_t size) {
    Bytes b(size < kHeadSize ? kHeadSize : size, 0);
    if (!request_body.empty())
        std::memcpy(b.data(), request_body.data(), request_body.size() < kHeadSize ? request_body.size() : kHeadSize);
    return b;
}

Bytes error_body(const Bytes& request_body, uint32_t service_code, uint64_t error_type, uint64_t error_code,
                 const std::string& text) {
    Bytes b = answer_body(request_body, kErrorBodySize);
    put_u32(b, 57, service_code);
    put_u64(b, 61, error_type);
    put_u64(b, 69, error_code);
    put_text(b, 77, text, kErrorMsgSize);
    return b;
}

size_t pushed_body_size(uint32_t code) {
    switch (code) {
        case 2307: return 66;
        case 2308: return 115;
        case 2309: return 88;
        case 2310: return 125;
        case 2311:
        case 2312: return 347;
        case 2313: return 115;
        case 2371: return 119;
        case 2372: return 251;
        case 2373: return 404;
        case 2403: return 97;
        case 2404: return 59;
        case 2435: return 337;
        case 2436: return 63;
        case 2437: return 344;
        case 2438: return 62;
        case 2439: return 343;
        case 2467: return 593;
        case 2468: return 84;
        default: return 0;
    }
}

Bytes pushed_body(uint32_t code, uint64_t account_index, uint64_t sequence, bool rebuild, const Bytes& record) {
    Bytes b(kDescSize, 0);
    put_u64(b, 0, account_index);
    put_u64(b, 8, sequence);
    b[16] = rebuild ? 1 : 0;
    b.insert(b.end(), record.begin(), record.end());
    const size_t full = pushed_body_size(code);
    if (b.size() < full) b.resize(full, 0);
    return b;
}

Bytes order_report_record(uint32_t code, const std::string& report_id, uint64_t xid, uint8_t client_id) {
    const size_t full = pushed_body_size(code);
    Bytes r(full > kDescSize ? full - kDescSize : 41, 0);
    r[0] = client_id;
    put_text(r, 1, report_id, 32);
    put_u64(r, 33, xid);
    return r;
}

Bytes raw_report_body(uint64_t account_index, uint64_t sequence, bool rebuild, uint8_t client_id,
                      const std::string& report_id, uint64_t xid, uint8_t exchange, uint16_t platform, uint16_t gateway,
                      const Bytes& report, int64_t declared_size) {
    Bytes b(75, 0);
    put_u64(b, 0, account_index);
    put_u64(b, 8, sequence);
    b[16] = rebuild ? 1 : 0;
    b[17] = client_id;
    put_text(b, 18, report_id, 32);
    put_u64(b, 50, xid);
    b[66] = exchange;
    put_u16(b, 67, platform);
    put_u16(b, 69, gateway);
    put_u32(b, 71, declared_size < 0 ? uint32_t(report.size()) : uint32_t(declared_size));
    b.insert(b.end(), report.begin(), report.end());
    return b;
}

void put_sockaddr(Bytes& b, size_t off, const sockaddr_in& addr) {
    grow(b, off + 16);
    std::memset(b.data() + off, 0, 16);
    put_u16(b.data(), off, uint16_t(addr.sin_family));
    std::memcpy(b.data() + off + 2, &addr.sin_port, 2);
    std::memcpy(b.data() + off + 4, &addr.sin_addr.s_addr, 4);
}

std::string decode_password(const unsigned char* field, uint64_t time_value) {
    std::string s;
    for (size_t k = 0; k < 129; ++k) {
        const char c = char(field[k] ^ uint8_t(time_value >> (8 * (k % 8))));
        if (c == '\0') break;
        s.push_back(c);
    }
    return s;
}

OrderDatagram parse_order_datagram(const Bytes& payload) {
    OrderDatagram d;
    if (payload.size() < 6) return d;
    d.magic = get_u16(payload.data(), 0);
    d.body_length = get_u16(payload.data(), 2);
    d.code = get_u16(payload.data(), 4);
    d.body.assign(payload.begin() + 6, payload.end());
    d.well_formed = d.magic == kOrderMagic && d.body.size() == d.body_length;
    return d;
}

}}  // namespace counter::wire
