// Thread-local last error of the library.
//
// Every failing operation of the library reports through
//
//     nq::api::set_last_error(type, code, fmt, args...);
//
// which records, for the calling thread only:
//   - fmt, a format string of static lifetime (a string literal); only the
//     pointer is kept;
//   - its arguments, packed as values (strings are copied, so the caller's
//     buffers may go away): integers and enums of 1, 2, 4 or 8 bytes, bool,
//     float, double, pointers and C strings (a null string is kept as
//     "(null)"; at most 238 characters of a string are kept);
//   - the error code type (301 initialisation and start-up, 304 API not
//     initialised, 305 login refused, 307 session not found, 308 invalid
//     input, 309 request refused, 310 market data, 311 time-out) and the
//     error code (the library's own errors always use 0);
// and logs the same text at ERROR through the logger's front end (the format
// and the arguments are handed over, not formatted on the failing thread).
// The message text of the record is built by get_last_error().
//
// A successful operation never clears the last error. A thread that has never
// failed reports all zeros.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <atomic>
#include <type_traits>

#include "log/Log.h"
#include "trv_api.h"

namespace nq {

// Formats fmt by printf rules, each conversion taking the next argument of a
// packed argument area (count byte, then per argument a type byte and its
// value; a string's bytes follow its type byte directly). Writes at most size
// bytes including the terminating NUL; returns the length the full text would
// have. Conversions beyond the packed arguments print as 0 or "(null)"; "%n"
// writes nothing.
int va_printf(char* buffer, unsigned long size, const char* format, unsigned char* arguments);

namespace api {

class LastApiError {
public:
    static constexpr unsigned long kArgAreaSize = 4096;
    static constexpr unsigned kMaxArgs = 128;
    static constexpr unsigned long kMaxStringChars = 238;

    // Argument type bytes: 1..8 integer of that many bytes (little-endian),
    // 9 float, 10 double, 16 + n a string of n bytes (terminator included);
    // 255 marks a string cut to kMaxStringChars characters.
    enum : unsigned char { kFloat = 9, kDouble = 10, kString = 16, kCutString = 255 };

    const char* format_;                  // null until the thread's first error
    unsigned char args_[kArgAreaSize];    // count byte, then the packed arguments
    nq::trv_error_info_t info_;           // code type, code; message built on read

    static thread_local LastApiError last_error_;

    // The calling thread's record (out of line: one address computation
    // instead of thread-pointer arithmetic at every field access).
    static LastApiError& current();

    // The calling thread's last error with its message formatted (at most 255
    // characters): with arguments through va_printf, without them the format
    // text as it stands.
    static nq::trv_error_info_t get_last_error();

    // The logger's format registration for fmt, one per distinct format (up
    // to 1024 of them); null once they are all taken.
    static std::atomic<const char*>* log_site(const char* fmt);

    // Logs the calling thread's current last error at ERROR as finished text
    // (used when fmt has no registration of its own).
    static void log_last_error();
};

namespace last_error_detail {

// Appends packed arguments to the argument area; an argument that does not
// fit (or beyond the 128th) is dropped together with every later one.
class ArgPacker {
public:
    explicit ArgPacker(unsigned char* area) : area_(area), pos_(1), count_(0), full_(false) {}

    void put_int(const void* v, unsigned char size) {
        if (!reserve(1u + size)) return;
        area_[pos_] = size;
        std::memcpy(area_ + pos_ + 1, v, size);  // x86-64: already little-endian
        pos_ += 1u + size;
        ++count_;
    }
    void put_float(float f) {
        if (!reserve(5)) return;
        area_[pos_] = LastApiError::kFloat;
        std::memcpy(area_ + pos_ + 1, &f, 4);
        pos_ += 5;
        ++count_;
    }
    void put_double(double d) {
        if (!reserve(9)) return;
        area_[pos_] = LastApiError::kDouble;
        std::memcpy(area_ + pos_ + 1, &d, 8);
        pos_ += 9;
        ++count_;
    }
    void put_string(const char* s) {
        if (!s) s = "(null)";
        const size_t len = strnlen(s, LastApiError::kMaxStringChars + 1);
        const bool cut = len > LastApiError::kMaxStringChars;
        const size_t kept = cut ? LastApiError::kMaxStringChars : len;
        if (!reserve(1 + kept + 1)) return;
        area_[pos_] = cut ? (unsigned char)LastApiError::kCutString : (unsigned char)(LastApiError::kString + kept + 1);
        std::memcpy(area_ + pos_ + 1, s, kept);
        area_[pos_ + 1 + kept] = 0;
        pos_ += 1 + kept + 1;
        ++count_;
    }
    void finish() { area_[0] = (unsigned char)count_; }

private:
    bool reserve(size_t n) {
        if (full_ || count_ >= LastApiError::kMaxArgs || pos_ + n > LastApiError::kArgAreaSize) {
            full_ = true;
            return false;
        }
        return true;
    }
    unsigned char* area_;
    size_t pos_;
    unsigned count_;
    bool full_;
};

template <typename T>
inline void pack(ArgPacker& p, T v) {
    using U = typename std::decay<T>::type;
    if constexpr (std::is_same<U, char*>::value || std::is_same<U, const char*>::value) {
        p.put_string(v);
    } else if constexpr (std::is_same<U, float>::value) {
        p.put_float(v);
    } else if constexpr (std::is_floating_point<U>::value) {
        p.put_double(double(v));
    } else if constexpr (std::is_same<U, std::nullptr_t>::value) {
        const uint64_t z = 0;
        p.put_int(&z, 8);
    } else if constexpr (std::is_pointer<U>::value) {
        const uint64_t a = uint64_t(reinterpret_cast<uintptr_t>(v));
        p.put_int(&a, 8);
    } else if constexpr (std::is_integral<U>::value || std::is_enum<U>::value) {
        static_assert(sizeof(U) == 1 || sizeof(U) == 2 || sizeof(U) == 4 || sizeof(U) == 8,
                      "last-error integer arguments are 1, 2, 4 or 8 bytes");
        p.put_int(&v, (unsigned char)sizeof(U));
    } else {
        static_assert(sizeof(U) == 0, "last-error arguments: integers, enums, floats, pointers, C strings");
    }
}

}  // namespace last_error_detail

// Records the calling thread's last error (see the top of this file) and logs
// the same text at ERROR. fmt must have static lifetime.
template <typename... Args>
inline void set_last_error(unsigned long type, unsigned long code, const char* fmt, Args... args) {
    LastApiError& e = LastApiError::current();
    last_error_detail::ArgPacker packer(e.args_);
    (last_error_detail::pack(packer, args), ...);
    packer.finish();
    e.format_ = fmt;
    e.info_.error_code_type = type;
    e.info_.error_code = code;
    if (nq::log::Log::log_level_ >= nq::log::kError) {
        if (std::atomic<const char*>* site = LastApiError::log_site(fmt))
            nq::log::detail::log_at(*site, fmt, nq::log::kError, args...);
        else
            LastApiError::log_last_error();
    }
}

}  // namespace api
}  // namespace nq
