// Process-wide cached clock. One thread ("timer_recycle") refreshes it every
// 100 us so that hot paths never ask the kernel for the time.
//
// Two clocks: the wall clock (date, times of day, epoch ms) names times and
// dates (protocol stamps, the trading day, file names); the monotonic clock
// (mono_ms) measures every interval and deadline (timers, heartbeats, the
// delay sender), so that a step of the host's clock (time synchronisation,
// a manual correction) neither fires them early nor holds them back.
#pragma once
#include <atomic>
#include <cstdint>

namespace nq { namespace api {

class ApiLocalTime {
public:
    // Fills the clock once from the system time; always true.
    static bool initialize();
    // Refreshes every field: the wall-clock fields from gettimeofday and the
    // local time zone, mono_ms from CLOCK_MONOTONIC.
    static void update_local_time();
    // Sets the wall-clock fields to the local time of epoch_ms (milliseconds
    // since the epoch); mono_ms is left as it is. The refresh uses it; tests
    // use it to drive what names a time or a date.
    static void set_local_time(uint64_t epoch_ms);
    // Sets mono_ms; tests use it to drive intervals and deadlines. From the
    // first call on, mono_ms_now gives the driven value too.
    static void set_mono_ms(uint64_t mono_ms);
    // CLOCK_MONOTONIC now, in ms (never 0), read from the kernel.
    static uint64_t read_mono_ms();

    // Readers on any thread: each field is one aligned 64-bit word, read
    // without a lock. Fields of one refresh are not published together.
    static uint64_t date() { return local_time_.date_.load(std::memory_order_relaxed); }
    static uint64_t hhmmss() { return local_time_.hhmmss_.load(std::memory_order_relaxed); }
    static uint64_t hhmmssmmm() { return local_time_.hhmmssmmm_.load(std::memory_order_relaxed); }
    static uint64_t epoch_ms() { return local_time_.epoch_ms_.load(std::memory_order_relaxed); }
    static uint64_t day_ms() { return local_time_.day_ms_.load(std::memory_order_relaxed); }
    // Monotonic milliseconds (an arbitrary start, never stepped): the clock
    // of every interval and deadline.
    static uint64_t mono_ms() { return local_time_.mono_ms_.load(std::memory_order_relaxed); }
    // The monotonic clock read now, for the start of a deadline: the cached
    // field lags while its refresh thread waits for a processor, and a
    // deadline counted from a lagging reading would come early. (The cached
    // field, where a test drives the clock.)
    static uint64_t mono_ms_now() { return mono_driven_.load(std::memory_order_relaxed) ? mono_ms() : read_mono_ms(); }

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
    std::atomic<uint64_t> mono_ms_;    // CLOCK_MONOTONIC in milliseconds

    static ApiLocalTime local_time_;
    static std::atomic<bool> mono_driven_;  // set_mono_ms has been called
};

static_assert(sizeof(std::atomic<uint64_t>) == 8, "clock fields are plain 64-bit words");

}}  // namespace nq::api
