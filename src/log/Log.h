// Asynchronous logger: producers copy a format id and raw arguments into a
// per-thread block; "log_write" formats them later.
#pragma once
#include <cstddef>
#include <cstdint>

namespace nq {
namespace log {

enum LogLevel : int { FATAL = 0, ERROR = 1, WARN = 2, INFO = 3, DEBUG = 4, TRACE = 5 };

struct log_item_t;

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

}  // namespace log
}  // namespace nq

// Producer front end (implemented in LogFront.h):
//   LOG_ERROR("fmt %d", x);  LOG_WARN, LOG_INFO, LOG_DEBUG, LOG_TRACE, LOG_FATAL
#include "log/LogFront.h"
