#include "api/provider/KApiLoginState.h"

namespace nq { namespace api {

KApiLoginState::Slot KApiLoginState::slots_[KApiLoginState::kSlots];

void KApiLoginState::begin(uint64_t session_id, uint64_t request_id, uint8_t api_type) {
    Slot& s = slots_[session_id & (kSlots - 1)];
    s.request_id.store(request_id, std::memory_order_relaxed);
    s.api_type.store(api_type, std::memory_order_relaxed);
    s.session_id.store(session_id, std::memory_order_release);
}

bool KApiLoginState::end(uint64_t session_id, Entry* entry) {
    if (session_id == 0) return false;
    Slot& s = slots_[session_id & (kSlots - 1)];
    // Read before the claim: once the entry is free a new login of the slot
    // may overwrite it.
    const uint64_t request_id = s.request_id.load(std::memory_order_relaxed);
    const uint8_t api_type = s.api_type.load(std::memory_order_relaxed);
    uint64_t expected = session_id;
    if (!s.session_id.compare_exchange_strong(expected, 0, std::memory_order_acq_rel)) return false;
    if (entry != nullptr) *entry = Entry{session_id, request_id, api_type};
    return true;
}

bool KApiLoginState::in_progress(uint64_t session_id) {
    return session_id != 0 && slots_[session_id & (kSlots - 1)].session_id.load(std::memory_order_acquire) == session_id;
}

}}  // namespace nq::api
