// Blocking waits on a 32-bit state word, for start-up steps that wait for
// another thread. A waiter that only polls (pausing or sleeping a
// microsecond) never leaves the processor when it runs under SCHED_FIFO:
// on a process pinned to one core, the thread it waits for never runs. A
// waiter here sleeps in the kernel until the word changes.
#pragma once
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace nq { namespace api {

// Returns once `word` no longer holds `value` (at once when it does not), or
// after `timeout_ns` when that is above 0; the caller looks at the word again.
inline void wait_word_change(const std::atomic<int>& word, int value, long timeout_ns = 0) {
    if (word.load(std::memory_order_acquire) != value) return;
    timespec ts{timeout_ns / 1000000000L, timeout_ns % 1000000000L};
    // The kernel compares the word with value before it sleeps, so a change
    // (and its wake) that comes before the sleep is never missed.
    syscall(SYS_futex, reinterpret_cast<const uint32_t*>(&word), FUTEX_WAIT_PRIVATE, static_cast<uint32_t>(value),
            timeout_ns > 0 ? &ts : nullptr, nullptr, 0);
}

// Wakes every thread in wait_word_change on `word`; call it after the change.
inline void wake_word_waiters(const std::atomic<int>& word) {
    syscall(SYS_futex, reinterpret_cast<const uint32_t*>(&word), FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr, nullptr, 0);
}

}}  // namespace nq::api
