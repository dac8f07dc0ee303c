#include "framework/ApiLocalTime.h"

#include <sys/time.h>
#include <time.h>

#include <ctime>

namespace nq { namespace api {

ApiLocalTime ApiLocalTime::local_time_{};
std::atomic<bool> ApiLocalTime::mono_driven_{false};

bool ApiLocalTime::initialize() {
    update_local_time();
    return true;
}

void ApiLocalTime::update_local_time() {
    timeval tv;
    gettimeofday(&tv, nullptr);
    set_local_time(uint64_t(tv.tv_sec) * 1000 + uint64_t(tv.tv_usec) / 1000);
    local_time_.mono_ms_.store(read_mono_ms(), std::memory_order_relaxed);
}

uint64_t ApiLocalTime::read_mono_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    // Offset by one: 0 means "never" to the users of the clock.
    return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000 + 1;
}

void ApiLocalTime::set_mono_ms(uint64_t mono_ms) {
    mono_driven_.store(true, std::memory_order_relaxed);
    local_time_.mono_ms_.store(mono_ms, std::memory_order_relaxed);
}

void ApiLocalTime::set_local_time(uint64_t epoch_ms) {
    // The broken-down time changes once a second; the refresh runs every
    // 100 us, so keep the last conversion per thread.
    thread_local time_t last_sec = -1;
    thread_local struct tm last_tm;
    const time_t sec = time_t(epoch_ms / 1000);
    const uint64_t ms = epoch_ms % 1000;
    if (sec != last_sec) {
        if (!localtime_r(&sec, &last_tm)) return;
        last_sec = sec;
    }
    const struct tm& t = last_tm;
    const uint64_t date = uint64_t(t.tm_year + 1900) * 10000 + uint64_t(t.tm_mon + 1) * 100 + uint64_t(t.tm_mday);
    const uint64_t hhmmss = uint64_t(t.tm_hour) * 10000 + uint64_t(t.tm_min) * 100 + uint64_t(t.tm_sec);
    const uint64_t day_ms = uint64_t(t.tm_hour) * 3600000 + uint64_t(t.tm_min) * 60000 + uint64_t(t.tm_sec) * 1000 + ms;
    ApiLocalTime& c = local_time_;
    c.date_.store(date, std::memory_order_relaxed);
    c.hhmmss_.store(hhmmss, std::memory_order_relaxed);
    c.hhmmssmmm_.store(hhmmss * 1000 + ms, std::memory_order_relaxed);
    c.epoch_ms_.store(epoch_ms, std::memory_order_relaxed);
    c.day_ms_.store(day_ms, std::memory_order_relaxed);
}

uint64_t ApiLocalTime::date_time_ms() { return date_time_ms(epoch_ms()); }

uint64_t ApiLocalTime::date_time_ms(uint64_t epoch_ms) {
    const time_t sec = time_t(epoch_ms / 1000);
    struct tm t;
    if (!localtime_r(&sec, &t)) return 0;
    const uint64_t date = uint64_t(t.tm_year + 1900) * 10000 + uint64_t(t.tm_mon + 1) * 100 + uint64_t(t.tm_mday);
    const uint64_t hhmmss = uint64_t(t.tm_hour) * 10000 + uint64_t(t.tm_min) * 100 + uint64_t(t.tm_sec);
    return date * 1000000000ull + hhmmss * 1000 + epoch_ms % 1000;
}

}}  // namespace nq::api
