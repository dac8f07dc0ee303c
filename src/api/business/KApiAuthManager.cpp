#include "api/business/KApiAuthManager.h"

#include <cstdlib>
#include <new>

#include "framework/AllocMem.h"

namespace nq { namespace api {

KApiAuthManager::~KApiAuthManager() {
    if (!slots_) return;
    for (uint64_t i = 1; i < kSlots; ++i) {
        if (KApiAuth* a = slots_[i].load(std::memory_order_relaxed)) {
            a->~KApiAuth();
            std::free(a);
        }
    }
    std::free(slots_);
}

bool KApiAuthManager::initialize() {
    if (!slots_) {
        void* mem = alloc_mem(kSlots * sizeof(std::atomic<KApiAuth*>), 16);
        if (!mem) return false;
        slots_ = new (mem) std::atomic<KApiAuth*>[kSlots];
        for (uint64_t i = 0; i < kSlots; ++i) slots_[i].store(nullptr, std::memory_order_relaxed);
    }
    return true;
}

uint64_t KApiAuthManager::open_auth() {
    const uint64_t n = open_counter_.fetch_add(1, std::memory_order_relaxed);
    if (n >= kCounterLimit) return 0;
    return alloc_auth(n);
}

void KApiAuthManager::clear_record(KApiAuth* a, bool keep_request_seq) {
    a->reported = 0;
    a->request_id = 0;
    if (!keep_request_seq) a->request_seq = 0;
    a->session_id = 0;
    a->auth_id = 0;
    a->trade_account_index = 0;
    a->token_request_no = 1;
    a->token_request_pending.store(0, std::memory_order_relaxed);
    a->token.store(nullptr, std::memory_order_relaxed);
    a->init_assets = nq::trv_init_asset_info_t();
    a->init_positions.clear();
}

uint64_t KApiAuthManager::alloc_auth(uint64_t n) {
    if (!slots_ || n >= kCounterLimit) return 0;
    std::lock_guard<std::mutex> lock(claim_mutex_);
    for (uint64_t slot = first_maybe_free_; slot < kSlots; ++slot) {
        KApiAuth* a = slots_[slot].load(std::memory_order_relaxed);
        if (a && !a->free.load(std::memory_order_relaxed)) continue;
        if (!a) {
            a = make_object<KApiAuth>();
            if (!a) return 0;
        } else {
            clear_record(a, false);
        }
        const uint64_t id = slot | (n << kCounterShift);
        a->id.store(id, std::memory_order_relaxed);
        // The record is complete before it reads as in use or is reachable.
        a->free.store(0, std::memory_order_release);
        slots_[slot].store(a, std::memory_order_release);
        first_maybe_free_ = slot + 1;
        return id;
    }
    first_maybe_free_ = kSlots;
    return 0;
}

KApiAuth* KApiAuthManager::get_auth(uint64_t id) const {
    const uint64_t slot = id & kSlotMask;
    if (!slots_ || slot == 0 || slot >= kSlots) return nullptr;
    KApiAuth* a = slots_[slot].load(std::memory_order_acquire);
    if (!a || a->free.load(std::memory_order_acquire) != 0) return nullptr;
    if (a->id.load(std::memory_order_acquire) != id) return nullptr;
    return a;
}

uint64_t KApiAuthManager::find_by_request(uint64_t session_id, uint64_t request_seq) const {
    if (!slots_) return 0;
    for (uint64_t slot = 1; slot < kSlots; ++slot) {
        KApiAuth* a = slots_[slot].load(std::memory_order_acquire);
        if (!a || !a->in_use()) continue;
        if (a->session_id == session_id && a->request_seq.load(std::memory_order_acquire) == request_seq)
            return a->id.load(std::memory_order_acquire);
    }
    return 0;
}

void KApiAuthManager::close_auth(uint64_t id) {
    std::lock_guard<std::mutex> lock(claim_mutex_);
    KApiAuth* a = get_auth(id);
    if (!a) return;
    a->free.store(1, std::memory_order_release);
    a->id.store(0, std::memory_order_release);
    clear_record(a, true);
    const uint64_t slot = id & kSlotMask;
    if (slot < first_maybe_free_) first_maybe_free_ = slot;
}

}}  // namespace nq::api
