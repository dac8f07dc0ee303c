// Steps the wall clock that this process sees, as time synchronisation or a
// manual correction steps a host's clock: gettimeofday, time and
// clock_gettime of CLOCK_REALTIME (and its coarse and TAI forms) read the
// kernel's clock plus the step; the monotonic clocks are left alone.
//
// WallClockStep.cpp defines those three functions. Compiled into a test
// executable (as one of its sources, not through a library), its definitions
// take the place of libc's for every caller in the process, the shared
// library under test included, and for a sanitizer's interceptors alike.
#pragma once
#include <cstdint>

namespace trv_test {

// The wall clock reads `ms` milliseconds off the kernel's from now on
// (0: as the kernel's).
void set_wall_clock_step(int64_t ms);
int64_t wall_clock_step();

}  // namespace trv_test
