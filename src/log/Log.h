// Asynchronous logger: producers copy a format id and raw arguments into a
// per-thread block; "log_write" formats them later.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace nq {
namespace log {

// Levels 0..5, printed as FATAL, ERROR, WARN, INFO, DEBUG, TRACE. The
// enumerators avoid those bare words: DEBUG and ERROR are common macro names
// in user builds (-DDEBUG), and this header is compiled with the user's flags
// when the library is built inside a user project.
enum LogLevel : int { kFatal = 0, kError = 1, kWarn = 2, kInfo = 3, kDebug = 4, kTrace = 5 };

// One deferred line inside a thread's block (packed, little-endian):
//   0 u16 size | 2 u8 level | 3 u8 channel | 4 u32 tid | 8 u64 format id
//   16 u64 logger clock | 24 u8 argument count | 25 arguments...
struct __attribute__((packed)) log_item_t {
    uint16_t size;
    uint8_t level;
    uint8_t channel;
    uint32_t tid;
    uint64_t format;
    uint64_t clock;
    uint8_t arg_count;
};
static_assert(sizeof(log_item_t) == 25, "log item header is 25 bytes");

constexpr unsigned long kMaxItemSize = 4096;
constexpr unsigned kMaxArgs = 128;
constexpr unsigned kMaxStringChars = 238;

class Log {
public:
    static bool initialize(LogLevel level, unsigned long size_mb);
    static bool open_log(unsigned long channel, const char* path);
    static const char* alloc_format_id(const char* fmt, unsigned long length);
    static log_item_t* alloc_log_item();
    static void commit_log_item(log_item_t* item);
    static void destroy();
    static int log_level_;
};

// Formats `fmt` by printf rules with the packed arguments at `args`, which
// points at the argument-count byte followed by the encoded arguments (the
// layout that encode_args writes, and bytes 24.. of a log item). Writes at most
// `size` bytes including the NUL; returns the printf-style length, or -1.
// String arguments are NUL-terminated in place, so `args` must be writable.
int va_printf(char* buf, unsigned long size, const char* fmt, unsigned char* args);

// ---------------------------------------------------------------------------
// Argument encoding shared by the log front end and the thread's last error.
//
// encode_args(out, room, args...) writes the argument count byte and then each
// argument (type byte + value) into out[0..room), and returns the number of
// bytes used, or -1 when they do not fit (nothing past out + room is touched).
// Encoding: integers, enums and pointers by their type's size (type byte 1..8),
// floating point as a double (type 10), const char* / char* as strings (type
// 16 + n, n bytes including the NUL at the first 8-aligned address after the
// type byte; at most 238 characters are kept, a longer string gets type 255;
// a null string is stored as "(null)").
// String data is aligned on the absolute address, so an encoded buffer must be
// read (va_printf) at an address with the same value modulo 8 as where it was
// written; copy it only between 8-aligned buffers.
// ---------------------------------------------------------------------------
namespace detail {

struct ArgWriter {
    unsigned char* p;
    unsigned char* end;
    bool ok;
};

inline void put_string(ArgWriter& w, const char* s) {
    if (!w.ok) return;
    if (s == nullptr) s = "(null)";
    uintptr_t type_at = reinterpret_cast<uintptr_t>(w.p);
    uintptr_t data_at = (type_at + 1 + 7) & ~static_cast<uintptr_t>(7);
    uintptr_t end = reinterpret_cast<uintptr_t>(w.end);
    if (type_at >= end || data_at >= end) {
        w.ok = false;
        return;
    }
    const size_t room = end - data_at;
    unsigned char* data = reinterpret_cast<unsigned char*>(data_at);
    // Zero the alignment gap (at most 7 bytes), without a library call.
    switch (data - (w.p + 1)) {
        case 7: w.p[7] = 0; [[fallthrough]];
        case 6: w.p[6] = 0; [[fallthrough]];
        case 5: w.p[5] = 0; [[fallthrough]];
        case 4: w.p[4] = 0; [[fallthrough]];
        case 3: w.p[3] = 0; [[fallthrough]];
        case 2: w.p[2] = 0; [[fallthrough]];
        case 1: w.p[1] = 0; [[fallthrough]];
        default: break;
    }
    // Short strings, the usual case, are measured and copied in one pass
    // without a library call; longer ones go through strnlen and memcpy.
    size_t n = 0;  // characters kept plus one more byte
    const size_t quick = room < 16 ? room : 16;
    for (size_t i = 0; i < quick; ++i) {
        const char c = s[i];
        data[i] = static_cast<unsigned char>(c);
        if (c == '\0') {
            n = i + 1;
            break;
        }
    }
    if (n == 0) {
        n = ::strnlen(s, kMaxStringChars) + 1;
        if (room < n) {
            w.ok = false;
            return;
        }
        std::memcpy(data, s, n);
    }
    *w.p = static_cast<unsigned char>(16 + n);
    w.p = data + n;
}

inline void put_raw(ArgWriter& w, unsigned char type, const void* v, size_t n) {
    if (!w.ok) return;
    if (static_cast<size_t>(w.end - w.p) < n + 1) {
        w.ok = false;
        return;
    }
    *w.p = type;
    std::memcpy(w.p + 1, v, n);
    w.p += n + 1;
}

inline void put_arg(ArgWriter& w, const char* s) { put_string(w, s); }
inline void put_arg(ArgWriter& w, char* s) { put_string(w, s); }

template <class T>
inline void put_arg(ArgWriter& w, T v) {
    static_assert(std::is_integral<T>::value || std::is_enum<T>::value || std::is_pointer<T>::value ||
                      std::is_floating_point<T>::value || std::is_same<T, std::nullptr_t>::value,
                  "log arguments must be integers, enums, pointers, floating point or C strings");
    if constexpr (std::is_floating_point<T>::value) {
        static_assert(sizeof(T) <= sizeof(double), "long double cannot be logged");
        double d = static_cast<double>(v);
        put_raw(w, 10, &d, sizeof d);
    } else if constexpr (std::is_same<T, std::nullptr_t>::value) {
        uint64_t z = 0;
        put_raw(w, 8, &z, sizeof z);
    } else if constexpr (std::is_pointer<T>::value) {
        const void* q = reinterpret_cast<const void*>(v);
        put_raw(w, sizeof q, &q, sizeof q);
    } else {
        static_assert(sizeof(T) <= 8, "integer arguments are at most 8 bytes");
        put_raw(w, sizeof(T), &v, sizeof(T));
    }
}

}  // namespace detail

template <class... A>
inline long encode_args(unsigned char* out, size_t room, A... args) {
    static_assert(sizeof...(A) <= kMaxArgs, "at most 128 log arguments");
    if (room < 1) return -1;
    detail::ArgWriter w{out + 1, out + room, true};
    *out = static_cast<unsigned char>(sizeof...(A));
    (detail::put_arg(w, args), ...);
    (void)w;
    if (!w.ok) return -1;
    return static_cast<long>(w.p - out);
}

}  // namespace log
}  // namespace nq

// Producer front end:
//   LOG_ERROR("fmt %d", x);  LOG_WARN, LOG_INFO, LOG_DEBUG, LOG_TRACE, LOG_FATAL
#include "log/LogFront.h"
