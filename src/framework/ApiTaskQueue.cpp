#include "framework/ApiTaskQueue.h"

#include <sched.h>

#include <cstdlib>

#include "framework/AllocMem.h"
#include "log/CpuPause.h"

namespace nq { namespace api {

namespace {
inline uint64_t load_turn(const uint64_t* t) { return __atomic_load_n(t, __ATOMIC_ACQUIRE); }
inline void store_turn(uint64_t* t, uint64_t v) { __atomic_store_n(t, v, __ATOMIC_RELEASE); }
}  // namespace

ApiTaskQueue::ApiTaskQueue(unsigned long capacity)
    : read_(0), write_(0), mask_(0), capacity_(capacity), slots_(nullptr) {}

ApiTaskQueue::~ApiTaskQueue() { std::free(slots_); }

bool ApiTaskQueue::initialize() {
    if (slots_ != nullptr) return true;
    if (capacity_ == 0) return false;
    uint64_t cap = kMinCapacity;
    if (capacity_ >= kMaxCapacity) {
        cap = kMaxCapacity;
    } else {
        while (cap < capacity_) cap <<= 1;
    }
    // Through calloc (alignment 16): large arrays then come as untouched zero
    // pages, and a 2^20-slot ring costs memory only as far as it is used.
    auto* slots = static_cast<Cell*>(alloc_mem(cap * sizeof(Cell), alignof(Cell)));
    if (slots == nullptr) return false;
    capacity_ = cap;
    mask_ = cap - 1;
    read_ = 0;
    write_.store(0, std::memory_order_relaxed);
    slots_ = slots;
    return true;
}

void ApiTaskQueue::push(void* p) {
    if (p == nullptr || slots_ == nullptr) return;
    const uint64_t ticket = write_.fetch_add(1, std::memory_order_relaxed);
    Cell& c = slots_[ticket & mask_];
    const uint64_t lap = ticket & ~mask_;
    // Only a full ring makes a producer wait here; after a short spin it
    // yields so that the consumer (or an earlier producer) can get the core.
    unsigned spins = 0;
    while (load_turn(&c.turn) != lap) {
        if (++spins < 128) {
            nq::cpu_pause();
        } else {
            spins = 0;
            sched_yield();
        }
    }
    c.entry = p;
    store_turn(&c.turn, lap + 1);
}

void* ApiTaskQueue::pop() {
    if (slots_ == nullptr) return nullptr;
    Cell& c = slots_[read_ & mask_];
    const uint64_t lap = read_ & ~mask_;
    if (load_turn(&c.turn) != lap + 1) return nullptr;
    void* p = c.entry;
    c.entry = nullptr;
    // Hand the slot to the producer of the next lap.
    store_turn(&c.turn, lap + capacity_);
    ++read_;
    return p;
}

void* ApiTaskQueue::peek() {
    if (slots_ == nullptr) return nullptr;
    const Cell& c = slots_[read_ & mask_];
    if (load_turn(&c.turn) != (read_ & ~mask_) + 1) return nullptr;
    return c.entry;
}

}}  // namespace nq::api
