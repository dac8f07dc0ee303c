#include "api/provider/KApiOrderReserve.h"

#include <new>

#include "framework/AllocMem.h"
#include "framework/ApiServiceWorker.h"

namespace nq { namespace api {

KApiOrderReserve::KApiOrderReserve() : kept_record_(nullptr), kept_node_(nullptr), ran_out_(0), depth_(kFirstDepth) {}

KApiOrderReserve* KApiOrderReserve::create() {
    void* mem = alloc_mem(sizeof(KApiOrderReserve), alignof(KApiOrderReserve));
    return mem != nullptr ? new (mem) KApiOrderReserve() : nullptr;
}

KApiOrder* KApiOrderReserve::take_record() {
    if (KApiOrder* r = kept_record_) {
        kept_record_ = nullptr;
        return r;
    }
    if (KApiOrder* r = records_.take()) return r;
    ran_out();
    return KApiOrder::create_blank();
}

void KApiOrderReserve::hand_on_record() {
    if (kept_record_ != nullptr) return;
    kept_record_ = records_.take();
    if (kept_record_ == nullptr) {
        ran_out();
        kept_record_ = KApiOrder::create_blank();
        return;
    }
    // Made on the refilling thread: brought into this thread's cache now, so
    // that storing the next order before it leaves does not wait for memory.
    const char* p = reinterpret_cast<const char*>(kept_record_);
    for (size_t at = 0; at < KApiOrder::size_for(KApiOrder::kBlankBodySize); at += 64) __builtin_prefetch(p + at, 1, 3);
}

void KApiOrderReserve::keep_record(KApiOrder* record) {
    if (record == nullptr) return;
    if (kept_record_ != nullptr) {
        KApiOrder::destroy(record);
        return;
    }
    kept_record_ = record;
}

unsigned char* KApiOrderReserve::take_copy() {
    unsigned char* c = copies_.take();
    if (c == nullptr) ran_out();
    return c;
}

KApiOrderReserve::timer_node_t* KApiOrderReserve::take_timer_node() {
    if (timer_node_t* n = kept_node_) {
        kept_node_ = nullptr;
        return n;
    }
    timer_node_t* n = nodes_.take();
    if (n == nullptr) ran_out();
    return n;
}

void KApiOrderReserve::keep_timer_node(timer_node_t* node) { kept_node_ = node; }

unsigned long KApiOrderReserve::stocked() const {
    unsigned long n = records_.count();
    if (copies_.count() < n) n = copies_.count();
    if (nodes_.count() < n) n = nodes_.count();
    return n;
}

void KApiOrderReserve::refill(ApiTimerManager* timers) {
    if (ran_out_.exchange(0, std::memory_order_relaxed) != 0)
        depth_ = depth_ * kGrowth < kCapacity ? depth_ * kGrowth : kCapacity;
    while (records_.count() < depth_) {
        KApiOrder* r = KApiOrder::create_blank();
        if (r == nullptr) break;
        records_.put(r);
    }
    while (copies_.count() < depth_) {
        unsigned char* c = ApiServiceWorker::alloc_copy(kCopySize);
        if (c == nullptr) break;
        copies_.put(c);
    }
    if (timers == nullptr) return;
    while (nodes_.count() < depth_) {
        timer_node_t* n = timers->take_node();
        if (n == nullptr) break;
        nodes_.put(n);
    }
}

}}  // namespace nq::api
