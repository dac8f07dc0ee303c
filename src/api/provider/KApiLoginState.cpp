#include "api/provider/KApiLoginState.h"

#include "framework/MutexGuard.h"

namespace nq { namespace api {

KApiLoginState::Entry KApiLoginState::entries_[KApiLoginState::kSlots];
unsigned long KApiLoginState::used_ = 0;
pthread_mutex_t KApiLoginState::mutex_ = PTHREAD_MUTEX_INITIALIZER;

namespace {

constexpr unsigned long kMask = KApiLoginState::kSlots - 1;

}  // namespace

bool KApiLoginState::begin(uint64_t session_id, uint64_t request_id, uint8_t api_type) {
    if (session_id == 0) return false;
    MutexGuard lock(&mutex_);
    for (unsigned long i = 0, at = session_id & kMask; i < kSlots; ++i, at = (at + 1) & kMask) {
        Entry& e = entries_[at];
        if (e.session_id != 0 && e.session_id != session_id) continue;
        if (e.session_id == 0) {
            if (used_ + 1 >= kSlots) return false;
            ++used_;
        }
        e = Entry{session_id, request_id, api_type};
        return true;
    }
    return false;
}

bool KApiLoginState::end(uint64_t session_id, Entry* entry) {
    if (session_id == 0) return false;
    MutexGuard lock(&mutex_);
    unsigned long at = session_id & kMask;
    unsigned long i = 0;
    for (; i < kSlots; ++i, at = (at + 1) & kMask) {
        if (entries_[at].session_id == session_id) break;
        if (entries_[at].session_id == 0) return false;
    }
    if (i == kSlots) return false;
    if (entry != nullptr) *entry = entries_[at];
    // Backward-shift deletion keeps every later entry of the probe run
    // reachable without tombstones.
    unsigned long hole = at;
    for (unsigned long next = (hole + 1) & kMask; entries_[next].session_id != 0; next = (next + 1) & kMask) {
        const unsigned long home = entries_[next].session_id & kMask;
        // The entry may move into the hole when its home is not in (hole, next].
        const bool stays = hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
        if (stays) continue;
        entries_[hole] = entries_[next];
        hole = next;
    }
    entries_[hole] = Entry{0, 0, 0};
    --used_;
    return true;
}

}}  // namespace nq::api
