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
    void push(void* p);
    void* pop();
    void* peek();
    unsigned long capacity() const { return capacity_; }
    // Fields in this order; the implementation may add per-slot state.
    alignas(64) uint64_t read_;
    alignas(64) std::atomic<uint64_t> write_;
    alignas(64) uint64_t mask_;
    uint64_t capacity_;
    void** slots_;
};

}}
