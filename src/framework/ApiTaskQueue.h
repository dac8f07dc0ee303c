// Multi-producer, single-consumer ring of pointers.
#pragma once
#include <atomic>
#include <cstdint>

namespace nq { namespace api {

class alignas(64) ApiTaskQueue {
public:
    // One slot: its turn and its entry side by side, so that handing an entry
    // from a producer to the consumer moves one cache line, not two.
    // With L = ticket & ~mask (the ticket's lap times the capacity), the slot
    // is free for that ticket when its turn is L and holds its entry when the
    // turn is L + 1. A producer that runs a full ring ahead therefore waits
    // for its own lap and cannot overwrite the entry of an earlier one.
    // The turn is accessed atomically (acquire/release); the entry is written
    // before the turn is released and read after it is acquired.
    struct alignas(16) Cell {
        uint64_t turn;
        void* entry;
    };
    static_assert(sizeof(Cell) == 16, "a cell never straddles a cache line");

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
    // Fields in this order.
    alignas(64) uint64_t read_;
    alignas(64) std::atomic<uint64_t> write_;
    alignas(64) uint64_t mask_;
    uint64_t capacity_;
    Cell* slots_;  // zero-filled at initialisation: every turn is "free for lap 0"

    static constexpr uint64_t kMinCapacity = 1024;
    static constexpr uint64_t kMaxCapacity = 1ull << 24;
};

}}  // namespace nq::api
