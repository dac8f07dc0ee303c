// Multi-producer, single-consumer ring of pointers.
#pragma once
#include <atomic>
#include <cstdint>

namespace nq { namespace api {

class alignas(64) ApiTaskQueue {
public:
    explicit ApiTaskQueue(unsigned long capacity);
    ~ApiTaskQueue();
    bool initialize();
    // Never fails and never drops; waits while the ring is full. A null
    // pointer carries nothing and is ignored.
    void push(void* p);
    // Consumer only (one thread).
    void* pop();
    void* peek();
    unsigned long capacity() const { return capacity_; }
    // Fields in this order; the implementation may add per-slot state.
    alignas(64) uint64_t read_;
    alignas(64) std::atomic<uint64_t> write_;
    alignas(64) uint64_t mask_;
    uint64_t capacity_;
    void** slots_;
    // Per-slot turn, L = ticket & ~mask (the ticket's lap times the capacity):
    // the slot is free for that ticket when its turn is L and holds its entry
    // when the turn is L + 1. A producer that runs a full ring ahead therefore
    // waits for its own lap and cannot overwrite the entry of an earlier one.
    // Accessed atomically (acquire/release); zero-filled at initialisation.
    uint64_t* seq_;

    static constexpr uint64_t kMinCapacity = 1024;
    static constexpr uint64_t kMaxCapacity = 1ull << 24;
};

}}
