// Frame header and the three-pointer view of one frame.
#pragma once
#include <cstdint>
#include <cstring>

namespace nq {

// 64-byte frame header; little-endian 64-bit words.
struct MessageHeader {
    unsigned char bytes[64];
};
static_assert(sizeof(MessageHeader) == 64, "frame header is 64 bytes");

constexpr uint32_t kFrameHeaderSize = 64;
constexpr uint32_t kNoServiceCode = 0x3fff;

// The header words the library reads or writes (byte offsets); senders zero
// every other header byte.
// Service code in bits 0-13, total length (header included) in bits 14-33.
constexpr unsigned kHeaderCodeLengthAt = 8;
// Session id: written from the session a frame is posted on, and on receipt
// overwritten with the id of the session it arrived on.
constexpr unsigned kHeaderSessionIdAt = 16;
// Time stamp: epoch ms of a frame held back by the delay sender, send time in
// ns of an order's TCP copy.
constexpr unsigned kHeaderTimeStampAt = 32;
// Local only: the worker that owns a queued copy. Zero on the wire.
constexpr unsigned kHeaderOwnerAt = 48;
// Not interpreted by the transport, zero on the wire; the delay sender keeps a
// queued copy's time stamp here while it waits.
constexpr unsigned kHeaderSpareAt = 56;

// Session id: the session's slot in the transport's table (bits 0-15, never
// 0), the transport's open counter (bits 16-35) and the process's start-up
// tag (bits 36-63).
constexpr uint64_t session_slot(uint64_t session_id) { return session_id & 0xffff; }
constexpr uint64_t make_session_id(uint64_t slot, uint64_t open_counter, uint64_t startup_tag) {
    return slot | ((open_counter & 0xfffff) << 16) | (startup_tag << 36);
}

// Unaligned little-endian field of a frame (x86-64 stores little-endian).
template <typename T>
inline T load_le(const void* p, unsigned off) {
    T v;
    std::memcpy(&v, static_cast<const unsigned char*>(p) + off, sizeof v);
    return v;
}
template <typename T>
inline void store_le(void* p, unsigned off, T v) {
    std::memcpy(static_cast<unsigned char*>(p) + off, &v, sizeof v);
}

inline uint64_t header_word(const void* hdr, unsigned off) { return load_le<uint64_t>(hdr, off); }
inline void set_header_word(void* hdr, unsigned off, uint64_t w) { store_le<uint64_t>(hdr, off, w); }
inline uint32_t frame_service_code(const void* hdr) { return header_word(hdr, kHeaderCodeLengthAt) & 0x3fff; }
inline uint32_t frame_length(const void* hdr) { return (header_word(hdr, kHeaderCodeLengthAt) >> 14) & 0xfffff; }
inline void set_frame_code_length(void* hdr, uint32_t code, uint32_t length) {
    set_header_word(hdr, kHeaderCodeLengthAt, (uint64_t(code) & 0x3fff) | ((uint64_t(length) & 0xfffff) << 14));
}
inline uint64_t frame_session_id(const void* hdr) { return header_word(hdr, kHeaderSessionIdAt); }
inline void set_frame_session_id(void* hdr, uint64_t session_id) {
    set_header_word(hdr, kHeaderSessionIdAt, session_id);
}
inline uint64_t frame_time_stamp(const void* hdr) { return header_word(hdr, kHeaderTimeStampAt); }
inline void set_frame_time_stamp(void* hdr, uint64_t stamp) { set_header_word(hdr, kHeaderTimeStampAt, stamp); }

// View of one frame: header, body (header + 64), contiguous frame or null.
struct Message {
    MessageHeader* header_;
    unsigned char* body_;
    unsigned char* frame_;
};

}  // namespace nq
