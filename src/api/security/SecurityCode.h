// Security codes as 64-bit keys and as 26-bit filter indexes.
#pragma once
#include <cstdint>
#include <cstring>
#if defined(__BMI2__)
#include <immintrin.h>
#endif

namespace nq { namespace api {

// Reads a code of at most 8 characters, stopping at its terminator (so a short
// C string is never read past), and pads it: when byte 6 is zero bytes 6 and 7
// become spaces, otherwise a zero byte 7 becomes a space.
inline uint64_t pad_security_code(const char* code) {
    unsigned char b[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    size_t n = 0;
    while (n < 8 && code[n] != '\0') {
        b[n] = static_cast<unsigned char>(code[n]);
        ++n;
    }
    if (b[6] == 0) {
        b[6] = ' ';
        b[7] = ' ';
    } else if (b[7] == 0) {
        b[7] = ' ';
    }
    uint64_t key;
    std::memcpy(&key, b, 8);
    return key;
}

// Low four bits of each byte, byte 0 in bits 0-3 up to byte 7 in bits 28-31.
inline uint32_t pack_security_key_portable(uint64_t key) {
    uint32_t out = 0;
    for (int i = 0; i < 8; ++i) out |= static_cast<uint32_t>((key >> (8 * i)) & 0xf) << (4 * i);
    return out;
}

inline uint32_t pack_security_key(uint64_t key) {
#if defined(__BMI2__)
    return static_cast<uint32_t>(_pext_u64(key, 0x0F0F0F0F0F0F0F0FULL));
#else
    return pack_security_key_portable(key);
#endif
}

constexpr uint32_t kSecurityFilterMaxIndex = 0x3ffffff;

}}  // namespace nq::api
