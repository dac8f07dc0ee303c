// Stored copy of one sent order or cancel: kept for the order timeout, report
// matching and resend.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstring>

#include "framework/Message.h"

namespace nq { namespace api {

struct KApiOrder {
    static constexpr uint32_t kStorageSize = 256;
    static constexpr uint32_t kMaxBodySize = kStorageSize - kFrameHeaderSize;  // 192
    static constexpr uint32_t kMinBodySize = 16;                               // up to the xid
    static constexpr uint32_t kXidOffset = 8;

    Message message_;                  // header, body and frame point into storage_
    std::atomic<uint8_t> got_report;   // set by the report handler, read by the timer thread
    uint64_t resend_count;             // starts at 1
    alignas(8) unsigned char storage_[kStorageSize];  // 64-byte header, then the body
    KApiOrder* next;                   // chain link; written before the record is published

    // A zero-filled record framing `payload`; null when the allocation fails
    // or the payload cannot hold an xid or does not fit the storage.
    static KApiOrder* create(uint32_t service_code, uint64_t send_time, uint32_t length, const void* payload);
    static void destroy(KApiOrder* order);

    uint64_t xid() const {
        uint64_t x;
        std::memcpy(&x, storage_ + kFrameHeaderSize + kXidOffset, 8);
        return x;
    }
    bool reported() const { return got_report.load(std::memory_order_acquire) != 0; }
};

}}  // namespace nq::api
