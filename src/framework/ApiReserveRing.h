// Single-producer, single-consumer ring of pointers: a stock of ready-made
// objects that one service thread keeps filled for one other thread, which
// then takes them without allocating and without a lock.
#pragma once
#include <atomic>
#include <cstdint>

namespace nq { namespace api {

template <class T, unsigned long N>
class ApiReserveRing {
    static_assert(N >= 2 && (N & (N - 1)) == 0, "capacity is a power of two");

public:
    static constexpr unsigned long kCapacity = N;

    ApiReserveRing() : head_(0), seen_tail_(0), tail_(0) {
        for (T*& p : slots_) p = nullptr;
    }

    // Consumer: the oldest object, or null when the ring is empty.
    T* take() {
        const uint64_t h = head_.load(std::memory_order_relaxed);
        if (h == seen_tail_) {
            seen_tail_ = tail_.load(std::memory_order_acquire);
            if (h == seen_tail_) return nullptr;
        }
        T* p = slots_[h & (N - 1)];
        // Release: the producer reuses the slot only after this read.
        head_.store(h + 1, std::memory_order_release);
        return p;
    }

    // Producer: objects in the ring.
    unsigned long count() const {
        return static_cast<unsigned long>(tail_.load(std::memory_order_relaxed) -
                                          head_.load(std::memory_order_acquire));
    }

    // Producer: adds p; false (p stays the caller's) when the ring is full.
    bool put(T* p) {
        const uint64_t t = tail_.load(std::memory_order_relaxed);
        if (t - head_.load(std::memory_order_acquire) >= N) return false;
        slots_[t & (N - 1)] = p;
        tail_.store(t + 1, std::memory_order_release);
        return true;
    }

private:
    // The consumer's line, the producer's line, then the slots.
    alignas(64) std::atomic<uint64_t> head_;
    uint64_t seen_tail_;  // consumer's last look at tail_
    alignas(64) std::atomic<uint64_t> tail_;
    alignas(64) T* slots_[N];
};

}}  // namespace nq::api
