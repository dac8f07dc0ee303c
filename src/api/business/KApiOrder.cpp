#include "api/business/KApiOrder.h"

#include <cstdlib>
#include <new>

#include "framework/AllocMem.h"

namespace nq { namespace api {

KApiOrder* KApiOrder::make(uint32_t body_capacity) {
    void* mem = alloc_mem(size_for(body_capacity), alignof(KApiOrder));
    if (!mem) return nullptr;
    KApiOrder* o = new (mem) KApiOrder();
    o->got_report.store(0, std::memory_order_relaxed);
    o->body_capacity_ = body_capacity;
    o->resend_count = 1;
    o->next = nullptr;
    o->message_.header_ = reinterpret_cast<MessageHeader*>(o->storage_);
    o->message_.body_ = o->storage_ + kFrameHeaderSize;
    o->message_.frame_ = o->storage_;
    return o;
}

KApiOrder* KApiOrder::create(uint32_t service_code, uint64_t send_time, uint32_t length, const void* payload) {
    // A shorter body has no xid to be found by, a longer one would be stored
    // cut and resent corrupted.
    if (!payload || length < kMinBodySize || length > kMaxBodySize) return nullptr;
    KApiOrder* o = make(length > kBlankBodySize ? length : kBlankBodySize);
    if (!o) return nullptr;
    o->fill(service_code, send_time, length, payload);
    return o;
}

KApiOrder* KApiOrder::create_blank() { return make(kBlankBodySize); }

bool KApiOrder::fill(uint32_t service_code, uint64_t send_time, uint32_t length, const void* payload) {
    if (!payload || length < kMinBodySize || length > body_capacity_) return false;
    std::memset(message_.frame_, 0, kFrameHeaderSize + body_capacity_);
    got_report.store(0, std::memory_order_relaxed);
    resend_count = 1;
    next = nullptr;
    const uint32_t total = length + kFrameHeaderSize;
    // A code or length that does not fit its bits leaves the whole word zero.
    if (service_code <= 16382 && total <= 0xfffe) set_frame_code_length(storage_, service_code, total);
    set_frame_time_stamp(storage_, send_time);
    std::memcpy(message_.body_, payload, length);
    return true;
}

void KApiOrder::destroy(KApiOrder* order) {
    if (!order) return;
    order->~KApiOrder();
    std::free(order);
}

}}  // namespace nq::api
