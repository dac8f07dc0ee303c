// Asynchronous logger: producers copy a format id and raw arguments into a
// per-thread block; "log_write" formats them later.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "log/PackedArgs.h"

namespace nq { namespace log {

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
constexpr unsigned long kItemArgsOffset = 24;

class Log {
public:
    // Also makes a child forked from this process log nothing: the region
    // is a shared mapping whose blocks and file belong to the parent.
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
// layout that encode_args writes, and bytes 24.. of a log item, so at most
// 4072 bytes are read). Writes at most `size` bytes including the NUL;
// returns the printf-style length, or -1. See format_packed for what it does
// where printf would misbehave. String arguments are NUL-terminated in place,
// so `args` must be writable.
int va_printf(char* buf, unsigned long size, const char* fmt, unsigned char* args);

// Encodes the arguments of one log item (see PackedArgs.h; string data at
// 8-aligned addresses): the count byte and each argument into out[0..room);
// the bytes used, or -1 when they do not all fit.
template <class... A>
inline long encode_args(unsigned char* out, size_t room, A... args) {
    return pack_all<StringData::kAligned>(out, room, args...);
}

}}  // namespace nq::log

// Producer front end:
//   LOG_ERROR("fmt %d", x);  LOG_WARN, LOG_INFO, LOG_DEBUG, LOG_TRACE, LOG_FATAL
#include "log/LogFront.h"
