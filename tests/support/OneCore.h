// A process as a trading firm runs it: pinned to one core, with the right to
// real-time scheduling. For scenarios run in a forked child
// (ForkedScenario.h), which return false (skip) when the right is missing.
#pragma once
#include <errno.h>
#include <sched.h>

#include <cstdio>
#include <cstring>

namespace trv_test {

constexpr const char* kNoRealtimeRight =
    "needs the right to real-time scheduling (CAP_SYS_NICE, or an RLIMIT_RTPRIO above 0); CI runs as root";

// Pins the calling thread (and the threads it creates later) to the core it
// runs on. With `priority` above 0 it also runs it under SCHED_FIFO at that
// priority; with 0 it only checks that the right is there. False when the
// right to SCHED_FIFO is missing or the core cannot be set.
inline bool pin_to_one_core(int priority) {
    sched_param fifo{};
    fifo.sched_priority = priority > 0 ? priority : 1;
    if (sched_setscheduler(0, SCHED_FIFO, &fifo) != 0) {
        std::printf("no SCHED_FIFO here: %s\n", std::strerror(errno));
        return false;
    }
    if (priority == 0) {
        sched_param other{};
        sched_setscheduler(0, SCHED_OTHER, &other);
    }
    const int cpu = sched_getcpu();
    if (cpu < 0) return false;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    if (sched_setaffinity(0, sizeof set, &set) != 0) {
        std::printf("cannot pin to cpu %d: %s\n", cpu, std::strerror(errno));
        return false;
    }
    std::printf("pinned to cpu %d%s\n", cpu, priority > 0 ? ", SCHED_FIFO" : "");
    return true;
}

}  // namespace trv_test
