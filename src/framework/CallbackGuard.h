// Which callback object each thread is calling into, so that a stop can wait
// until no callback of the stopped API runs on another thread.
//
// Every thread that calls the user's callbacks holds a mark of its own: the
// object it is calling into (null between calls) and a count of the calls it
// has ended. A call site takes the callback object from its slot through a
// CallbackGuard: the guard writes the object into the thread's mark and then
// reads the slot again, and calls only when the slot still holds it. A stop
// first clears every slot that holds its object, then waits (await_callbacks)
// for each other thread whose mark names the object. Between its write and
// its read each side has a full barrier: so either the stop sees the mark or
// the guard sees the cleared slot, and no call begins after the stop returns.
// The barrier is asymmetric: the guard's half is only a compiler barrier, the
// stop's half (membarrier) makes every running thread of the process pass a
// full barrier. Where the kernel offers no membarrier, both sides use
// sequentially consistent accesses instead (an exchange on the guard's side).
// A guard writes only a cache line of its thread's own and takes no lock.
//
// Use at a call site:
//   if (CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi}) spi->on_order_response(...);
// A thread that starts another call on the same object inside a call (not done
// by the library) is counted once, by the outer call.
#pragma once
#include <atomic>
#include <cstdint>

namespace nq { namespace api {

struct alignas(64) CallbackMark {
    std::atomic<const void*> target{nullptr};  // the object called into, null between calls
    std::atomic<uint64_t> ended{0};            // calls ended (or not made after all) by the thread
    std::atomic<unsigned char> awaiting{0};    // the thread waits in await_callbacks
    std::atomic<unsigned char> claimed{0};     // 1 while a thread owns the mark
    CallbackMark* next = nullptr;              // set once, before the mark is published
};

// The calling thread's mark; null until its first guarded call.
extern __thread CallbackMark* t_callback_mark;
// True when the stop's half of the barrier is a membarrier (set once, when
// the library is loaded): the guard's half is then a compiler barrier.
extern bool g_callback_barrier_asymmetric;
// Takes a free mark (or makes one) for the calling thread; it is given back
// when the thread ends. Marks are never freed.
CallbackMark* claim_callback_mark();

// Returns once no thread other than the caller is inside a call on `object`
// or `also` (either may be null) that began before this call, or is waiting in
// await_callbacks itself (two stops called from inside callbacks could
// otherwise wait for each other for ever). The caller clears every slot that
// holds the objects first, with sequentially consistent operations (exchange,
// compare-exchange or a plain store of the atomic). Sleeps between looks: it
// must not take the core from the callback it waits for.
void await_callbacks(const void* object, const void* also = nullptr);

template <class Spi>
class CallbackGuard {
public:
    explicit CallbackGuard(const std::atomic<Spi*>& slot) : spi_(slot.load(std::memory_order_acquire)) {
        if (spi_ == nullptr) return;
        mark_ = t_callback_mark;
        if (mark_ == nullptr) mark_ = claim_callback_mark();
        previous_ = mark_->target.load(std::memory_order_relaxed);
        Spi* again;
        if (g_callback_barrier_asymmetric) {
            mark_->target.store(spi_, std::memory_order_relaxed);
            std::atomic_signal_fence(std::memory_order_seq_cst);
            again = slot.load(std::memory_order_relaxed);
        } else {
            // Without membarrier: the write and the read are both in the
            // single order of sequentially consistent operations, as are the
            // stop's clearing of the slot and its read of the mark.
            mark_->target.store(spi_, std::memory_order_seq_cst);
            again = slot.load(std::memory_order_seq_cst);
        }
        if (again != spi_) {
            // Cleared meanwhile: its stop may be waiting for this mark.
            leave();
            spi_ = nullptr;
        }
    }
    ~CallbackGuard() {
        if (spi_ != nullptr) leave();
    }
    CallbackGuard(const CallbackGuard&) = delete;
    CallbackGuard& operator=(const CallbackGuard&) = delete;

    explicit operator bool() const { return spi_ != nullptr; }
    Spi* operator->() const { return spi_; }
    Spi* get() const { return spi_; }

private:
    void leave() {
        mark_->target.store(previous_, std::memory_order_release);
        if (previous_ != static_cast<const void*>(spi_))
            mark_->ended.store(mark_->ended.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    Spi* spi_;
    CallbackMark* mark_ = nullptr;
    const void* previous_ = nullptr;
};

}}  // namespace nq::api
