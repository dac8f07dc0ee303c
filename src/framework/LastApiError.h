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
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "log/Log.h"
#include "trv_api.h"

namespace nq {

// Formats fmt by printf rules, each conversion taking the next argument of a
// last error's packed argument area (count byte, then per argument a type
// byte and its value; a string's bytes follow its type byte directly; at
// most the 4096 bytes of the area are read). Writes at most size bytes
// including the terminating NUL; returns the length the full text would
// have, or -1. It is the logger's formatter (nq::log::format_packed, which
// says what it does where printf would misbehave) with strings unaligned.
int va_printf(char* buffer, unsigned long size, const char* format, unsigned char* arguments);

namespace api {

// Error code types of the last error and of the errors handed to callbacks:
// 301 initialisation, start-up, permission and monitor failures, and "quote
// not subscribed"; 304 API not initialised, wrong API type or no gateway
// connection; 305 login refused; 307 session not found, or a request refused
// for the session; 308 invalid order, cancel, resend or fund-transfer input;
// 309 request refused; 310 market data and Level 2; 311 request time-out
// (callbacks only).
constexpr unsigned kErrorStartUp = 301;
constexpr unsigned kErrorNotInitialised = 304;
constexpr unsigned kErrorLoginRefused = 305;
constexpr unsigned kErrorNoSession = 307;
constexpr unsigned kErrorInvalidInput = 308;
constexpr unsigned kErrorRefused = 309;
constexpr unsigned kErrorMarketData = 310;
constexpr unsigned kErrorTimeout = 311;

class LastApiError {
public:
    static constexpr unsigned long kArgAreaSize = 4096;

    const char* format_;                // null until the thread's first error
    unsigned char args_[kArgAreaSize];  // count byte, then the packed arguments
    nq::trv_error_info_t info_;         // code type, code; message built on read

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

// Records the calling thread's last error (see the top of this file) and logs
// the same text at ERROR. fmt must have static lifetime.
template <typename... Args>
inline void set_last_error(unsigned long type, unsigned long code, const char* fmt, Args... args) {
    LastApiError& e = LastApiError::current();
    nq::log::pack_prefix<nq::log::StringData::kPacked>(e.args_, sizeof e.args_, args...);
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

// A text chosen at run time (static lifetime, no arguments), recorded and
// logged as it stands: it has no format for the compiler to check.
inline void set_last_error_text(unsigned long type, unsigned long code, const char* text) {
    set_last_error(type, code, text);
}

}  // namespace api
}  // namespace nq

// Every call site's arguments are checked against its format at compile time,
// as the log macros' are; the check is never evaluated. Write
// (set_last_error)(...) to call the function itself unchecked (a format that
// is not a literal, or a mismatch made on purpose).
#define set_last_error(type_, code_, ...)                                           \
    ((false ? ::nq::log::detail::check_format(__VA_ARGS__) : static_cast<void>(0)), \
     ::nq::api::set_last_error(type_, code_, __VA_ARGS__))
