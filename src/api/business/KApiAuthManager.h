// Authorisation records by id: slot (bits 0-19, 1..65535) | open counter << 20.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "api/business/KApiAuth.h"

namespace nq { namespace api {

class KApiAuthManager {
public:
    static constexpr uint64_t kSlots = 65536;  // slot 0 is never used
    static constexpr uint64_t kSlotMask = 0xfffff;
    static constexpr uint64_t kCounterShift = 20;
    static constexpr uint64_t kCounterLimit = 0xffffffffull;

    KApiAuthManager() : open_counter_(1), slots_(nullptr) {}
    virtual ~KApiAuthManager();
    virtual bool initialize();

    // Takes the next counter value and claims a slot: the new id, or 0 when
    // the counter is exhausted or every slot is in use.
    uint64_t open_auth();
    // Claims the first empty or free slot for counter value n: id or 0.
    uint64_t alloc_auth(uint64_t n);
    // Null for slot 0, a slot above 65535, an empty or free slot, or a stale
    // id of a reused slot.
    KApiAuth* get_auth(uint64_t id) const;
    void close_auth(uint64_t id);

    // Runs f(record) under the claim lock when id still names a record in
    // use, so a change never lands in a slot that was closed and reused
    // meanwhile. f must be short and must not call back into the manager.
    // False (f not run) for a stale or unknown id.
    template <class F>
    bool with_auth(uint64_t id, F f) {
        std::lock_guard<std::mutex> lock(claim_mutex_);
        KApiAuth* a = get_auth(id);
        if (a == nullptr) return false;
        f(a);
        return true;
    }
    // Id of the record in use opened by session_id whose authorisation
    // request has ring sequence request_seq; 0 when there is none.
    uint64_t find_by_request(uint64_t session_id, uint64_t request_seq) const;

    // The record object of a slot (in use or not), for walks over all
    // records; null for a slot never used.
    KApiAuth* record_at(uint64_t slot) const {
        return (slots_ != nullptr && slot != 0 && slot < kSlots) ? slots_[slot].load(std::memory_order_acquire)
                                                                 : nullptr;
    }

    uint64_t open_counter() const { return open_counter_.load(std::memory_order_relaxed); }

private:
    static void clear_record(KApiAuth* a, bool keep_request_seq);

    std::atomic<uint64_t> open_counter_;
    std::atomic<KApiAuth*>* slots_;
    // Claims and releases run on user threads and handler workers at once.
    std::mutex claim_mutex_;
    // Under claim_mutex_: every slot below it is in use, so a claim scans
    // from here instead of from slot 1.
    uint64_t first_maybe_free_ = 1;
};

}}  // namespace nq::api
