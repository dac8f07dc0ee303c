// Process-wide cached clock. One thread ("timer_recycle") refreshes it every
// 100 us so that hot paths never ask the kernel for the time.
#pragma once
#include <atomic>
#include <cstdint>

namespace nq { namespace api {

class ApiLocalTime {
public:
    // Fills the clock once from the system time; always true.
    static bool initialize();
    // Refreshes every field from gettimeofday and the local time zone.
    static void update_local_time();
    // Sets the clock to the local time of epoch_ms (milliseconds since the
    // epoch). The refresh uses it; tests use it to drive clock-dependent logic.
    static void set_local_time(uint64_t epoch_ms);

    // Readers on any thread: each field is one aligned 64-bit word, read
    // without a lock. Fields of one refresh are not published together.
    static uint64_t date() { return local_time_.date_.load(std::memory_order_relaxed); }
    static uint64_t hhmmss() { return local_time_.hhmmss_.load(std::memory_order_relaxed); }
    static uint64_t hhmmssmmm() { return local_time_.hhmmssmmm_.load(std::memory_order_relaxed); }
    static uint64_t epoch_ms() { return local_time_.epoch_ms_.load(std::memory_order_relaxed); }
    static uint64_t day_ms() { return local_time_.day_ms_.load(std::memory_order_relaxed); }

    // The cached time as the number yyyymmddhhmmssmmm, from one reading of
    // the clock: date and time of day read apart can straddle midnight.
    static uint64_t date_time_ms();
    // The same number for a given epoch_ms.
    static uint64_t date_time_ms(uint64_t epoch_ms);

    std::atomic<uint64_t> date_;       // yyyymmdd
    std::atomic<uint64_t> hhmmss_;     // time of day, hhmmss
    std::atomic<uint64_t> hhmmssmmm_;  // time of day with milliseconds
    std::atomic<uint64_t> epoch_ms_;   // milliseconds since the epoch
    std::atomic<uint64_t> day_ms_;     // milliseconds since local midnight

    static ApiLocalTime local_time_;
};

static_assert(sizeof(std::atomic<uint64_t>) == 8, "clock fields are plain 64-bit words");

}}  // namespace nq::api
