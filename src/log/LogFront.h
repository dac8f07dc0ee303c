// Producer front end of the asynchronous logger. Each call site:
//  1. registers its format once (function-local static `format_id_`, at its
//     first execution whatever the level);
//  2. evaluates its arguments;
//  3. stops when the threshold is below the site's level;
//  4. takes the write position in the thread's block (stops when none);
//  5. fills the item: format id, level, channel 0, argument count, arguments;
//  6. stops without committing when the item would exceed 4096 bytes (the
//     encoder checks while writing, so nothing lands past the item), else
//     stores the size and commits.
#pragma once
#include <atomic>
#include <cstring>

#include "log/Log.h"

namespace nq { namespace log { namespace detail {

// A site whose registration found no logger (logged before initialize) or a
// full arena retries here, only when its level is enabled; null -> drop.
const char* register_format_late(std::atomic<const char*>& site, const char* fmt);

inline const char* register_format(const char* fmt) { return Log::alloc_format_id(fmt, std::strlen(fmt)); }

// Never called: lets the compiler check each site's arguments against its format.
inline void check_format(const char*, ...) __attribute__((format(printf, 1, 2)));
inline void check_format(const char*, ...) {}

template <class... A>
inline void log_at(std::atomic<const char*>& site, const char* fmt, int level, A... args) {
    if (Log::log_level_ < level) return;
    const char* id = site.load(std::memory_order_acquire);
    if (__builtin_expect(id == nullptr, 0)) {
        id = register_format_late(site, fmt);
        if (id == nullptr) return;
    }
    log_item_t* item = Log::alloc_log_item();
    if (item == nullptr) return;
    unsigned char* p = reinterpret_cast<unsigned char*>(item);
    uint64_t format = reinterpret_cast<uintptr_t>(id);
    std::memcpy(p + 8, &format, sizeof format);
    p[2] = static_cast<unsigned char>(level);
    p[3] = 0;
    long used = encode_args(p + 24, kMaxItemSize - 24, args...);
    if (used < 0) return;  // too large: not committed, the space is reused
    uint16_t size = static_cast<uint16_t>(24 + used);
    std::memcpy(p, &size, sizeof size);
    Log::commit_log_item(item);
}

}}}  // namespace nq::log::detail

#define TRV_LOG_AT(level_, fmt_, ...)                                                         \
    do {                                                                                      \
        static std::atomic<const char*> format_id_{::nq::log::detail::register_format(fmt_)}; \
        if (0) ::nq::log::detail::check_format(fmt_, ##__VA_ARGS__);                          \
        ::nq::log::detail::log_at(format_id_, fmt_, level_, ##__VA_ARGS__);                   \
    } while (0)

#define LOG_FATAL(fmt, ...) TRV_LOG_AT(0, fmt, ##__VA_ARGS__)
#define LOG_ERROR(fmt, ...) TRV_LOG_AT(1, fmt, ##__VA_ARGS__)
#define LOG_WARN(fmt, ...) TRV_LOG_AT(2, fmt, ##__VA_ARGS__)
#define LOG_INFO(fmt, ...) TRV_LOG_AT(3, fmt, ##__VA_ARGS__)
#define LOG_DEBUG(fmt, ...) TRV_LOG_AT(4, fmt, ##__VA_ARGS__)
#define LOG_TRACE(fmt, ...) TRV_LOG_AT(5, fmt, ##__VA_ARGS__)
