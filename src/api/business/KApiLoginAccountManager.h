// Login accounts: one record per trade or privileged login, one quote-login
// account per process, and 1024 trade-message subscription slots.
#pragma once
#include <pthread.h>

#include <cstdint>

#include "api/business/KApiLoginAccount.h"

namespace nq { namespace api {

class KApiLoginAccountManager {
public:
    static constexpr unsigned kSubscribeSlots = 1024;

    KApiLoginAccountManager();
    ~KApiLoginAccountManager();
    bool initialize() { return true; }

    // A fresh (or reused) account record begun for session_id (trade logins
    // are not de-duplicated by name); null when it cannot be allocated. The
    // record's memory lives for the rest of the process.
    KApiLoginAccount* try_begin_login(const char* name, uint64_t session_id);
    // The subscription slot of name begun for session_id; null when that
    // account's subscription is in progress or done, or all slots are taken.
    KApiLoginAccount* try_begin_subscribe_trade(const char* name, uint64_t session_id);
    // The process's quote account begun for session_id; null while a quote
    // login is in progress or done.
    KApiLoginAccount* try_begin_login_quote(const char* name, uint64_t session_id);

    // Forward to the account for the session that owns it; nothing for null
    // or another session (false). Shared accounts change under the mutex.
    bool on_login_success(KApiLoginAccount* account, uint64_t session_id);
    bool on_login_failed(KApiLoginAccount* account, uint64_t session_id);
    bool on_logout(KApiLoginAccount* account, uint64_t session_id);
    bool on_subscribe_trade_success(KApiLoginAccount* account, uint64_t session_id);
    bool on_subscribe_trade_failed(KApiLoginAccount* account, uint64_t session_id);
    bool on_unsubscribe_trade(KApiLoginAccount* account, uint64_t session_id);

    // Takes back a trade login record that its session has let go of (after
    // its logout or failure) for reuse by a later login, so records are not
    // made anew for every login; the record stays valid memory. The shared
    // quote account and the subscription slots are not taken. Null is ignored.
    void discard(KApiLoginAccount* account);

    const KApiLoginAccount* subscribe_slot(unsigned i) const { return i < kSubscribeSlots ? &accounts_[i] : nullptr; }
    const KApiLoginAccount* quote_account() const { return quote_account_; }

private:
    template <class F>
    bool locked(KApiLoginAccount* account, F f);

    pthread_mutex_t mutex_;
    KApiLoginAccount accounts_[kSubscribeSlots];
    KApiLoginAccount* quote_account_;
    KApiLoginAccount* free_records_;
};

}}  // namespace nq::api
