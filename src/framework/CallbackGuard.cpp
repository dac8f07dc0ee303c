#include "framework/CallbackGuard.h"

#include <errno.h>
#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <new>

#include "log/Log.h"

namespace nq { namespace api {

__thread CallbackMark* t_callback_mark = nullptr;
bool g_callback_barrier_asymmetric = false;

namespace {

long membarrier(int command) { return syscall(SYS_membarrier, command, 0, 0); }

// Registered at load, before any thread can call a guard; a fork keeps the
// registration (it belongs to the address space, which exec replaces).
bool register_membarrier() { return membarrier(MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED) == 0; }

// The stop's half of the barrier: after it, a mark written before any
// running thread's barrier point is seen, and a slot read after it sees the
// cleared slot.
void heavy_barrier() {
    // Without membarrier the guard's accesses, the clearing of the slots and
    // the reads of the marks are all sequentially consistent.
    if (!g_callback_barrier_asymmetric) return;
    if (membarrier(MEMBARRIER_CMD_PRIVATE_EXPEDITED) == 0) return;
    // Should the registration have gone (it cannot, short of exec), register
    // again, else take the slow barrier over every CPU.
    if (register_membarrier() && membarrier(MEMBARRIER_CMD_PRIVATE_EXPEDITED) == 0) return;
    if (membarrier(MEMBARRIER_CMD_GLOBAL) == 0) return;
    LOG_ERROR("callback barrier failed: { os_err_code = %d }", errno);
}

// Every mark ever made, newest first; a mark is linked once and never freed,
// so a stop can walk the list while threads come and go.
std::atomic<CallbackMark*> g_marks{nullptr};

constexpr long kAwaitStepNs = 50000;

// Gives the thread's mark back when the thread ends.
struct MarkRelease {
    CallbackMark* mark = nullptr;
    ~MarkRelease() {
        if (mark == nullptr) return;
        mark->target.store(nullptr, std::memory_order_release);
        mark->awaiting.store(0, std::memory_order_relaxed);
        t_callback_mark = nullptr;
        mark->claimed.store(0, std::memory_order_release);
    }
};

}  // namespace

CallbackMark* claim_callback_mark() {
    CallbackMark* mark = nullptr;
    for (CallbackMark* m = g_marks.load(std::memory_order_acquire); m != nullptr; m = m->next) {
        unsigned char free_mark = 0;
        if (m->claimed.load(std::memory_order_relaxed) == 0 &&
            m->claimed.compare_exchange_strong(free_mark, 1, std::memory_order_acq_rel)) {
            mark = m;
            break;
        }
    }
    if (mark == nullptr) {
        mark = new CallbackMark;
        mark->claimed.store(1, std::memory_order_relaxed);
        CallbackMark* head = g_marks.load(std::memory_order_relaxed);
        do {
            mark->next = head;
        } while (!g_marks.compare_exchange_weak(head, mark, std::memory_order_release, std::memory_order_relaxed));
    }
    static thread_local MarkRelease release;
    release.mark = mark;
    t_callback_mark = mark;
    return mark;
}

void await_callbacks(const void* object, const void* also) {
    if (object == nullptr) object = also;
    if (object == nullptr) return;
    if (also == nullptr) also = object;
    heavy_barrier();
    CallbackMark* self = t_callback_mark;
    if (self != nullptr) self->awaiting.store(1, std::memory_order_seq_cst);
    for (CallbackMark* m = g_marks.load(std::memory_order_acquire); m != nullptr; m = m->next) {
        if (m == self) continue;  // a stop from inside a callback: that callback goes on
        const void* target = m->target.load(std::memory_order_seq_cst);
        if (target == nullptr || (target != object && target != also)) continue;
        const uint64_t ended = m->ended.load(std::memory_order_acquire);
        while (m->target.load(std::memory_order_seq_cst) == target &&
               m->ended.load(std::memory_order_acquire) == ended && m->awaiting.load(std::memory_order_acquire) == 0) {
            timespec ts{0, kAwaitStepNs};
            nanosleep(&ts, nullptr);
        }
    }
    if (self != nullptr) self->awaiting.store(0, std::memory_order_release);
}

namespace {

struct BarrierSetUp {
    BarrierSetUp() { g_callback_barrier_asymmetric = register_membarrier(); }
} const g_barrier_set_up;

}  // namespace

}}  // namespace nq::api
