// Frame header and the three-pointer view of one frame.
#pragma once
#include <cstdint>
#include <cstring>

namespace nq {

// 64-byte frame header; little-endian. Word at 8: service code in bits 0-13,
// total length (header included) in bits 14-33.
struct MessageHeader {
    unsigned char bytes[64];
};
static_assert(sizeof(MessageHeader) == 64, "frame header is 64 bytes");

constexpr uint32_t kFrameHeaderSize = 64;
constexpr uint32_t kNoServiceCode = 0x3fff;

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
inline uint32_t frame_service_code(const void* hdr) { return header_word(hdr, 8) & 0x3fff; }
inline uint32_t frame_length(const void* hdr) { return (header_word(hdr, 8) >> 14) & 0xfffff; }
inline uint64_t frame_session_id(const void* hdr) { return header_word(hdr, 16); }
inline void set_frame_code_length(void* hdr, uint32_t code, uint32_t length) {
    set_header_word(hdr, 8, (uint64_t(code) & 0x3fff) | ((uint64_t(length) & 0xfffff) << 14));
}

// View of one frame: header, body (header + 64), contiguous frame or null.
struct Message {
    MessageHeader* header_;
    unsigned char* body_;
    unsigned char* frame_;
};

}  // namespace nq
