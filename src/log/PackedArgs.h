// Packed printf arguments: the one encoder and the one formatter behind the
// log items and the thread's last error.
//
// An argument area is a count byte followed by the arguments, each a type
// byte and its value:
//   1..8       an integer, enum or pointer of that many bytes, little-endian
//              (the size of the argument's type);
//   9, 10      a float (4 bytes) or a double (8 bytes); the encoder writes
//              every floating-point value as a double, as printf would
//              receive it;
//   16 + n     a string of n bytes (its characters and one more byte): at
//              most 238 characters are kept, so type 255 is a string cut to
//              238 characters whose reader supplies the terminator. A null
//              string is stored as "(null)".
// The two users differ only in where a string's bytes start: log items put
// them at the first 8-aligned address after the type byte (so an encoded
// item must be read at an address with the same value modulo 8 as where it
// was written), the last error right after the type byte.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace nq { namespace log {

enum class StringData : unsigned char { kAligned, kPacked };

constexpr unsigned kMaxArgs = 128;
constexpr unsigned kMaxStringChars = 238;
constexpr unsigned char kFloatType = 9;
constexpr unsigned char kDoubleType = 10;
constexpr unsigned char kStringType = 16;

// Formats fmt by printf rules, each conversion taking the next argument of
// the area at args, which is read only within [args, args + room). Writes at
// most size bytes including the terminating NUL (nothing when buf is null or
// size is 0) and returns the length the whole text has, or -1 when fmt is
// null or that length does not fit an int. Strings are terminated in place,
// so the area must be writable.
//
// Where printf would misbehave, the formatter does not:
//   - a conversion without an argument takes 0 ("(null)" for %s);
//   - %s takes only a string argument: 0 prints "(null)", any other value
//     "(not a string)" (it is never read as an address);
//   - %n consumes its argument and writes nothing;
//   - widths and precisions, given or taken by '*', are capped at 2^20 in
//     size (the output is cut to size anyway, and printf's own limit is a
//     failure at 2^31);
//   - an unknown or unfinished conversion is copied as it stands;
//   - length modifiers only say how wide an integer argument is read (hh, h,
//     none, or l, ll, j, z, t, q for 64 bits); %lc and %ls are %c and %s.
int format_packed(char* buf, unsigned long size, const char* fmt, unsigned char* args, size_t room, StringData strings);

namespace detail {

struct ArgWriter {
    unsigned char* p;
    unsigned char* end;
    unsigned count;  // arguments written
    bool ok;         // false from the first argument that did not fit
};

template <StringData S>
inline void put_string(ArgWriter& w, const char* s) {
    if (!w.ok) return;
    if (s == nullptr) s = "(null)";
    const uintptr_t type_at = reinterpret_cast<uintptr_t>(w.p);
    const uintptr_t end = reinterpret_cast<uintptr_t>(w.end);
    uintptr_t data_at = type_at + 1;
    if (S == StringData::kAligned) data_at = (data_at + 7) & ~static_cast<uintptr_t>(7);
    if (type_at >= end || data_at >= end) {
        w.ok = false;
        return;
    }
    const size_t room = end - data_at;
    unsigned char* data = reinterpret_cast<unsigned char*>(data_at);
    if (S == StringData::kAligned) {
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
    *w.p = static_cast<unsigned char>(kStringType + n);
    w.p = data + n;
    ++w.count;
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
    ++w.count;
}

template <StringData S, class T>
inline void put_arg(ArgWriter& w, T v) {
    using U = typename std::decay<T>::type;
    if constexpr (std::is_same<U, char*>::value || std::is_same<U, const char*>::value) {
        put_string<S>(w, v);
    } else if constexpr (std::is_floating_point<U>::value) {
        static_assert(sizeof(U) <= sizeof(double), "long double cannot be packed");
        const double d = static_cast<double>(v);
        put_raw(w, kDoubleType, &d, sizeof d);
    } else if constexpr (std::is_same<U, std::nullptr_t>::value) {
        const uint64_t z = 0;
        put_raw(w, 8, &z, sizeof z);
    } else if constexpr (std::is_pointer<U>::value) {
        const void* q = reinterpret_cast<const void*>(v);
        put_raw(w, sizeof q, &q, sizeof q);
    } else {
        static_assert(std::is_integral<U>::value || std::is_enum<U>::value,
                      "packed arguments are integers, enums, pointers, floating point or C strings");
        static_assert(sizeof(U) <= 8, "integer arguments are at most 8 bytes");
        put_raw(w, sizeof(U), &v, sizeof(U));
    }
}

}  // namespace detail

// Writes the count byte and every argument into out[0..room), and returns
// the bytes used, or -1 when they do not all fit (nothing past out + room is
// touched). The log's producers use this: an item is all or nothing.
template <StringData S, class... A>
inline long pack_all(unsigned char* out, size_t room, A... args) {
    static_assert(sizeof...(A) <= kMaxArgs, "at most 128 packed arguments");
    if (room < 1) return -1;
    detail::ArgWriter w{out + 1, out + room, 0, true};
    *out = static_cast<unsigned char>(sizeof...(A));
    (detail::put_arg<S>(w, args), ...);
    (void)w;
    if (!w.ok) return -1;
    return static_cast<long>(w.p - out);
}

// Like pack_all, but keeps the arguments that fit: the first one that does
// not is dropped together with every later one, and the count byte says how
// many were kept. Returns the bytes used (0 when room is 0).
template <StringData S, class... A>
inline size_t pack_prefix(unsigned char* out, size_t room, A... args) {
    static_assert(sizeof...(A) <= kMaxArgs, "at most 128 packed arguments");
    if (room < 1) return 0;
    detail::ArgWriter w{out + 1, out + room, 0, true};
    (detail::put_arg<S>(w, args), ...);
    *out = static_cast<unsigned char>(w.count);
    return static_cast<size_t>(w.p - out);
}

}}  // namespace nq::log
