#include "support/WallClockStep.h"

#include <sys/syscall.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

namespace trv_test {
namespace {

std::atomic<int64_t> g_step_ms{0};

bool is_wall(clockid_t id) { return id == CLOCK_REALTIME || id == CLOCK_REALTIME_COARSE || id == CLOCK_TAI; }

// The kernel's clock straight from the system call: no symbol of libc's
// (which would lead back here), no sanitizer runtime in between.
int kernel_clock(clockid_t id, timespec* ts) { return static_cast<int>(syscall(SYS_clock_gettime, id, ts)); }

void add_ms(timespec* ts, int64_t ms) {
    int64_t ns = int64_t(ts->tv_nsec) + (ms % 1000) * 1000000;
    int64_t sec = int64_t(ts->tv_sec) + ms / 1000;
    if (ns < 0) {
        ns += 1000000000;
        sec -= 1;
    } else if (ns >= 1000000000) {
        ns -= 1000000000;
        sec += 1;
    }
    ts->tv_sec = static_cast<time_t>(sec);
    ts->tv_nsec = static_cast<long>(ns);
}

}  // namespace

void set_wall_clock_step(int64_t ms) { g_step_ms.store(ms); }
int64_t wall_clock_step() { return g_step_ms.load(); }

}  // namespace trv_test

// Default visibility: the project builds with hidden symbols, and a hidden
// definition would stay the executable's own.
extern "C" {

__attribute__((visibility("default"))) int clock_gettime(clockid_t id, struct timespec* ts) noexcept {
    const int r = trv_test::kernel_clock(id, ts);
    if (r == 0 && trv_test::is_wall(id)) trv_test::add_ms(ts, trv_test::g_step_ms.load(std::memory_order_relaxed));
    return r;
}

__attribute__((visibility("default"))) int gettimeofday(struct timeval* __restrict tv, void* __restrict) noexcept {
    timespec ts;
    const int r = trv_test::kernel_clock(CLOCK_REALTIME, &ts);
    if (r != 0) return r;
    trv_test::add_ms(&ts, trv_test::g_step_ms.load(std::memory_order_relaxed));
    tv->tv_sec = ts.tv_sec;
    tv->tv_usec = static_cast<suseconds_t>(ts.tv_nsec / 1000);
    return 0;
}

__attribute__((visibility("default"))) time_t time(time_t* out) noexcept {
    timespec ts;
    if (trv_test::kernel_clock(CLOCK_REALTIME, &ts) != 0) return static_cast<time_t>(-1);
    trv_test::add_ms(&ts, trv_test::g_step_ms.load(std::memory_order_relaxed));
    if (out != nullptr) *out = ts.tv_sec;
    return ts.tv_sec;
}

}  // extern "C"
