#include "framework/ApiLocalTime.h"

#include <gtest/gtest.h>

#include <sys/time.h>
#include <atomic>
#include <ctime>
#include <thread>

using nq::api::ApiLocalTime;

namespace {

// Epoch milliseconds of a local date and time.
uint64_t local_epoch_ms(int y, int mon, int d, int h, int mi, int s, int ms) {
    struct tm t {};
    t.tm_year = y - 1900;
    t.tm_mon = mon - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return uint64_t(mktime(&t)) * 1000 + uint64_t(ms);
}

struct ClockCase {
    int y, mon, d, h, mi, s, ms;
    uint64_t date, hhmmss, hhmmssmmm, day_ms;
};

TEST(ApiLocalTime, FieldsOfLocalTime) {
    const ClockCase cases[] = {
        // one millisecond before midnight still reads the day's own date
        {2026, 12, 31, 23, 59, 59, 999, 20261231, 235959, 235959999, 86399999},
        {2027, 1, 1, 0, 0, 0, 0, 20270101, 0, 0, 0},
        {2026, 3, 5, 9, 5, 3, 7, 20260305, 90503, 90503007, 9 * 3600000 + 5 * 60000 + 3007},
    };
    for (const ClockCase& c : cases) {
        const uint64_t epoch = local_epoch_ms(c.y, c.mon, c.d, c.h, c.mi, c.s, c.ms);
        ApiLocalTime::set_local_time(epoch);
        SCOPED_TRACE(c.date);
        EXPECT_EQ(c.date, ApiLocalTime::date());
        EXPECT_EQ(c.hhmmss, ApiLocalTime::hhmmss());
        EXPECT_EQ(c.hhmmssmmm, ApiLocalTime::hhmmssmmm());
        EXPECT_EQ(epoch, ApiLocalTime::epoch_ms());
        EXPECT_EQ(c.day_ms, ApiLocalTime::day_ms());
    }
}

// Date and time of day from one reading: a refresh at midnight never gives
// the old day with the new time, or the new day with the old time.
TEST(ApiLocalTime, DateTimeIsOneReadingAcrossMidnight) {
    const uint64_t before = local_epoch_ms(2026, 12, 31, 23, 59, 59, 999);
    const uint64_t after = local_epoch_ms(2027, 1, 1, 0, 0, 0, 0);
    EXPECT_EQ(ApiLocalTime::date_time_ms(before), 20261231235959999ull);
    EXPECT_EQ(ApiLocalTime::date_time_ms(after), 20270101000000000ull);
    ApiLocalTime::set_local_time(before);
    std::atomic<bool> done{false};
    std::thread refresher([&] {
        for (uint64_t i = 0; !done.load(); ++i) ApiLocalTime::set_local_time(i % 2 ? after : before);
    });
    long torn = 0;
    for (int i = 0; i < 200000; ++i) {
        const uint64_t v = ApiLocalTime::date_time_ms();
        torn += v != 20261231235959999ull && v != 20270101000000000ull;
    }
    done = true;
    refresher.join();
    EXPECT_EQ(torn, 0);
}

TEST(ApiLocalTime, InitializeReadsTheSystemClock) {
    timeval before, after;
    gettimeofday(&before, nullptr);
    ASSERT_TRUE(ApiLocalTime::initialize());
    gettimeofday(&after, nullptr);
    const uint64_t lo = uint64_t(before.tv_sec) * 1000 + before.tv_usec / 1000;
    const uint64_t hi = uint64_t(after.tv_sec) * 1000 + after.tv_usec / 1000;
    EXPECT_GE(ApiLocalTime::epoch_ms(), lo);
    EXPECT_LE(ApiLocalTime::epoch_ms(), hi);

    // The other fields describe the same instant.
    const time_t sec = time_t(ApiLocalTime::epoch_ms() / 1000);
    struct tm t;
    localtime_r(&sec, &t);
    EXPECT_EQ(uint64_t((t.tm_year + 1900) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday), ApiLocalTime::date());
    EXPECT_EQ(uint64_t(t.tm_hour * 10000 + t.tm_min * 100 + t.tm_sec), ApiLocalTime::hhmmss());
    EXPECT_EQ(ApiLocalTime::hhmmss() * 1000 + ApiLocalTime::epoch_ms() % 1000, ApiLocalTime::hhmmssmmm());
}

}  // namespace
