// A stand-in counter peer for transport tests. It builds and reads frames from
// the wire layout alone (64-byte little-endian header; word at 8: service code
// in bits 0-13, total length in bits 14-33; session id at 16; time stamp at
// 32), so a layout mistake in the library shows up as a mismatch here.
#pragma once
#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testpeer {

using Bytes = std::vector<unsigned char>;

constexpr size_t kHeaderSize = 64;

uint64_t get_u64(const unsigned char* p, size_t off);
void put_u64(unsigned char* p, size_t off, uint64_t v);

// A frame of `length` bytes (at least 64): code and length at 8, the
// session id at 16, and a body of bytes derived from `seed` and the offset.
Bytes make_frame(uint32_t code, uint32_t length, uint64_t seed = 0, uint64_t session_id = 0);
// The word at offset 8 as the peer writes it; lets a test send lengths that
// no well-formed frame has.
Bytes make_raw_header(uint64_t word8);

uint32_t code_of(const unsigned char* frame);
uint32_t length_of(const unsigned char* frame);
uint64_t session_of(const unsigned char* frame);
// True when the body bytes are those make_frame put there for `seed`.
bool body_matches(const unsigned char* frame, uint32_t length, uint64_t seed);

// Writes all bytes (blocking); false on error.
bool send_all(int fd, const void* data, size_t size);
// Reads exactly size bytes, waiting at most timeout_ms; false on timeout,
// end of stream or error.
bool read_exact(int fd, void* data, size_t size, int timeout_ms);
// Reads one frame (header, then the rest by its length field).
bool read_frame(int fd, Bytes* frame, int timeout_ms);
// True when the peer has closed or shut down its side within timeout_ms
// (data still queued is skipped).
bool wait_eof(int fd, int timeout_ms);

// A listening TCP socket on 127.0.0.1 with a kernel-chosen port.
struct Listener {
    int fd = -1;
    sockaddr_in addr{};
    bool open();
    int accept_one(int timeout_ms);  // -1 when nobody connected in time
    void close_fd();
};

// 127.0.0.1 and a port on which nothing listens (bound once, then closed).
sockaddr_in refused_address();

}  // namespace testpeer
