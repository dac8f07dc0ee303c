#include "api/business/KApiLoginAccount.h"

#include <cstring>

namespace nq { namespace api {

void KApiLoginAccount::reset(const char* account_name) {
    std::memset(name, 0, sizeof name);
    if (account_name) std::strncpy(name, account_name, kNameSize - 1);
    session_id.store(0, std::memory_order_relaxed);
    state.store(kIdle, std::memory_order_release);
}

bool KApiLoginAccount::begin(uint64_t sid) {
    uint8_t idle = kIdle;
    if (!state.compare_exchange_strong(idle, kInProgress, std::memory_order_acq_rel)) return false;
    session_id.store(sid, std::memory_order_release);
    return true;
}

bool KApiLoginAccount::complete(uint64_t sid) {
    if (!owned_by(sid)) return false;
    state.store(kDone, std::memory_order_release);
    return true;
}

bool KApiLoginAccount::release(uint64_t sid) {
    if (!owned_by(sid)) return false;
    // Session first: once the state reads idle another session may claim the
    // account and store its own id.
    session_id.store(0, std::memory_order_relaxed);
    state.store(kIdle, std::memory_order_release);
    return true;
}

bool KApiLoginAccount::try_begin_login(uint64_t sid) { return begin(sid); }
bool KApiLoginAccount::try_begin_subscribe_trade(uint64_t sid) { return begin(sid); }
bool KApiLoginAccount::on_login_success(uint64_t sid) { return complete(sid); }
bool KApiLoginAccount::on_login_failed(uint64_t sid) { return release(sid); }
bool KApiLoginAccount::on_logout(uint64_t sid) { return release(sid); }
bool KApiLoginAccount::on_subscribe_trade_success(uint64_t sid) { return complete(sid); }
bool KApiLoginAccount::on_subscribe_trade_failed(uint64_t sid) { return release(sid); }
bool KApiLoginAccount::on_unsubscribe_trade(uint64_t sid) { return release(sid); }

}}  // namespace nq::api
