// Stored copy of one sent order or cancel: kept for the order timeout, report
// matching and resend.
//
// Kept for the whole trading day, so it holds what it needs and no more: the
// frame header and the body as sent, sized to the body. A record made ahead
// of its order (create_blank) has room for the longest body the library
// sends (an order, 56 bytes; a cancel has 32); add_order makes each record
// for its own payload, up to 192 bytes.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "framework/Message.h"

namespace nq { namespace api {

struct KApiOrder {
    static constexpr uint32_t kMaxBodySize = 192;
    static constexpr uint32_t kBlankBodySize = 56;
    static constexpr uint32_t kMinBodySize = 16;  // up to the xid
    static constexpr uint32_t kXidOffset = 8;

    Message message_;                     // header, body and frame point into storage_
    std::atomic<uint8_t> got_report;      // set by the report handler, read by the timer thread
    uint32_t body_capacity_;              // body bytes the storage holds
    uint64_t resend_count;                // starts at 1
    KApiOrder* next;                      // chain link; written before the record is published
    alignas(8) unsigned char storage_[];  // 64-byte header, then body_capacity_ bytes of body

    // A zero-filled record framing `payload`, sized for it; null when the
    // allocation fails or the payload cannot hold an xid or is longer than
    // kMaxBodySize.
    static KApiOrder* create(uint32_t service_code, uint64_t send_time, uint32_t length, const void* payload);
    // An empty record with room for kBlankBodySize body bytes, filled later by
    // fill(); a sending thread keeps one in hand so that storing its next
    // order allocates nothing.
    static KApiOrder* create_blank();
    static void destroy(KApiOrder* order);
    // Bytes a record with room for `body_capacity` body bytes takes.
    static constexpr size_t size_for(uint32_t body_capacity) {
        return offsetof(KApiOrder, storage_) + kFrameHeaderSize + body_capacity;
    }

    // Frames `payload` into this unpublished record, as create() does; false
    // (record unchanged) when the payload cannot hold an xid or does not fit.
    bool fill(uint32_t service_code, uint64_t send_time, uint32_t length, const void* payload);

    // The flags word (body bytes 0-7) as resends write it: once, whole.
    void store_flags(uint64_t flags) {
        __atomic_store_n(reinterpret_cast<uint64_t*>(storage_ + kFrameHeaderSize), flags, __ATOMIC_RELAXED);
    }
    uint64_t flags() const {
        return __atomic_load_n(reinterpret_cast<const uint64_t*>(storage_ + kFrameHeaderSize), __ATOMIC_RELAXED);
    }
    // Next resend number: 1 for the first resend.
    uint64_t take_resend_number() { return __atomic_fetch_add(&resend_count, 1, __ATOMIC_RELAXED); }

    uint64_t xid() const {
        uint64_t x;
        std::memcpy(&x, storage_ + kFrameHeaderSize + kXidOffset, 8);
        return x;
    }
    bool reported() const { return got_report.load(std::memory_order_acquire) != 0; }

private:
    static KApiOrder* make(uint32_t body_capacity);
};

}}  // namespace nq::api
