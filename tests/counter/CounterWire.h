// Byte-level helpers of the stand-in counter. Everything is built and read
// from explicit little-endian offsets of the counter protocol, never from the
// library's structs, so a layout mistake on either side shows up as a
// mismatch in the tests.
#pragma once
#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/TestPeer.h"

namespace counter {

using Bytes = testpeer::Bytes;

namespace wire {

constexpr size_t kHeaderSize = 64;    // frame header
constexpr size_t kHeadSize = 57;      // common body head of requests and answers
constexpr size_t kDescSize = 17;      // descriptor in front of pushed messages
constexpr size_t kPageHeadSize = 84;  // query-response head in front of page rows
constexpr size_t kErrorBodySize = 333;
constexpr size_t kMaxFrame = 65536;  // largest frame the library takes
constexpr size_t kErrorMsgSize = 256;
constexpr uint16_t kOrderMagic = 8999;

// Common body head offsets.
constexpr size_t kHeadSession = 0, kHeadRequestId = 8, kHeadRequestSeq = 16, kHeadLoginAccountIndex = 24,
                 kHeadAccountType = 32, kHeadTradeAccountIndex = 33, kHeadAuthId = 41, kHeadTradeToken = 49;

uint16_t get_u16(const unsigned char* p, size_t off);
uint32_t get_u32(const unsigned char* p, size_t off);
uint64_t get_u64(const unsigned char* p, size_t off);
void put_u16(unsigned char* p, size_t off, uint16_t v);
void put_u32(unsigned char* p, size_t off, uint32_t v);
void put_u64(unsigned char* p, size_t off, uint64_t v);
void put_u16(Bytes& b, size_t off, uint16_t v);
void put_u32(Bytes& b, size_t off, uint32_t v);
void put_u64(Bytes& b, size_t off, uint64_t v);
// Copies at most `width` bytes of `text` to off and zero-fills the rest; a
// text of `width` characters or more arrives without a terminator.
void put_text(Bytes& b, size_t off, const std::string& text, size_t width);
// Reads a text field of `width` bytes up to its first NUL, never beyond.
std::string get_text(const unsigned char* p, size_t off, size_t width);

// Frame header word at 8: code in bits 0-13, total length in bits 14-33.
uint32_t code_of(const Bytes& frame);
uint32_t length_of(const Bytes& frame);
// A frame of header + body: code and length at 8, session id at 16, every
// other header byte zero.
Bytes frame(uint32_t code, const Bytes& body, uint64_t session_id = 0);
// Resizes a frame (whole bytes) and rewrites its length field to match.
void set_frame_size(Bytes& frame, size_t total);
// The body bytes (after the 64-byte header) of a frame.
Bytes body_of(const Bytes& frame);

// The answer code of a tracked request (1030-1056: +1; 1347-1547: +512);
// 0 for codes that get no answer of their own (orders, 1041, 1052).
uint32_t answer_code(uint32_t request_code);
// The request code that `answer` answers (inverse of answer_code), or 0.
uint32_t request_code_of(uint32_t answer);

// A body of `size` bytes whose first 57 bytes echo the head of `request_body`
// (zero where the request is shorter).
Bytes answer_body(const Bytes& request_body, size_t size);
// Error answer 1029: head echo, u32 service code at 57, error code type at 61,
// error code at 69, 256-byte message at 77 (unterminated when the text has
// 256 characters or more).
Bytes error_body(const Bytes& request_body, uint32_t service_code, uint64_t error_type, uint64_t error_code,
                 const std::string& text);

// Body length of a pushed message of `code` (descriptor included), as the
// counter sends it; 0 for the raw report 2339 (variable) and unknown codes.
size_t pushed_body_size(uint32_t code);
// Descriptor (u64 account index at 0, u64 sequence at 8, u8 is_rebuild at 16)
// followed by `record`; the record is zero-padded up to the code's size when
// shorter (a longer record is kept whole).
Bytes pushed_body(uint32_t code, uint64_t account_index, uint64_t sequence, bool rebuild, const Bytes& record);
// Record of an order report (2307-2313): client id at 0, 32-byte report id at
// 1 and xid at 33 (body offsets 17, 18 and 50), zero elsewhere; `size` is the
// record size of the code.
Bytes order_report_record(uint32_t code, const std::string& report_id, uint64_t xid, uint8_t client_id = 0);
// Raw report 2339 body: descriptor, client id 17, report id 18, xid 50,
// exchange 66, platform type 67, gateway 69, u32 report size 71, report at 75.
// `declared_size` overrides the size field (for lying peers); -1 = real size.
Bytes raw_report_body(uint64_t account_index, uint64_t sequence, bool rebuild, uint8_t client_id,
                      const std::string& report_id, uint64_t xid, uint8_t exchange, uint16_t platform, uint16_t gateway,
                      const Bytes& report, int64_t declared_size = -1);

// The 16-byte sockaddr_in as the counter writes it into 1923 and 1045: family
// (host order) at 0, port and IPv4 address in network order at 2 and 4.
void put_sockaddr(Bytes& b, size_t off, const sockaddr_in& addr);

// Password field of 1030/1046: 129 bytes, byte k xor-ed with byte k % 8 of the
// little-endian time value. Returns the clear text up to its first NUL.
std::string decode_password(const unsigned char* field, uint64_t time_value);

// Order datagram prefix: u16 magic 8999, u16 body length, u16 code.
struct OrderDatagram {
    bool well_formed = false;  // magic right and length matches the payload
    uint16_t magic = 0, body_length = 0, code = 0;
    Bytes body;
};
OrderDatagram parse_order_datagram(const Bytes& payload);

}  // namespace wire
}  // namespace counter
