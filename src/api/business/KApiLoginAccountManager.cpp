#include "api/business/KApiLoginAccountManager.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/AllocMem.h"
#include "framework/MutexGuard.h"

namespace nq { namespace api {

KApiLoginAccountManager::KApiLoginAccountManager() : accounts_(), quote_account_(nullptr), free_records_(nullptr) {
    pthread_mutex_init(&mutex_, nullptr);
}

KApiLoginAccountManager::~KApiLoginAccountManager() {
    std::free(quote_account_);
    while (KApiLoginAccount* a = free_records_) {
        free_records_ = a->next_free;
        std::free(a);
    }
    pthread_mutex_destroy(&mutex_);
}

KApiLoginAccount* KApiLoginAccountManager::try_begin_login(const char* name, uint64_t session_id) {
    KApiLoginAccount* a = nullptr;
    {
        MutexGuard lock(&mutex_);
        a = free_records_;
        if (a) free_records_ = a->next_free;
    }
    if (!a) a = make_object<KApiLoginAccount>();
    if (!a) return nullptr;
    a->next_free = nullptr;
    a->reset(name);
    a->try_begin_login(session_id);
    return a;
}

KApiLoginAccount* KApiLoginAccountManager::try_begin_login_quote(const char* name, uint64_t session_id) {
    MutexGuard lock(&mutex_);
    if (quote_account_ && quote_account_->state.load(std::memory_order_acquire) != KApiLoginAccount::kIdle)
        return nullptr;
    if (!quote_account_) {
        quote_account_ = make_object<KApiLoginAccount>();
        if (!quote_account_) return nullptr;
    }
    quote_account_->reset(name);
    return quote_account_->try_begin_login(session_id) ? quote_account_ : nullptr;
}

KApiLoginAccount* KApiLoginAccountManager::try_begin_subscribe_trade(const char* name, uint64_t session_id) {
    MutexGuard lock(&mutex_);
    KApiLoginAccount* unused = nullptr;
    for (unsigned i = 0; i < kSubscribeSlots; ++i) {
        KApiLoginAccount& a = accounts_[i];
        if (!a.in_use) {
            if (!unused) unused = &a;
            continue;
        }
        if (name && std::strncmp(a.name, name, KApiLoginAccount::kNameSize) == 0)
            return a.try_begin_subscribe_trade(session_id) ? &a : nullptr;
    }
    // Slots are kept by their account name for the life of the process.
    if (!unused) return nullptr;
    unused->in_use = 1;
    unused->reset(name);
    return unused->try_begin_subscribe_trade(session_id) ? unused : nullptr;
}

void KApiLoginAccountManager::discard(KApiLoginAccount* account) {
    if (account == nullptr) return;
    MutexGuard lock(&mutex_);
    if (account == quote_account_) return;
    if (account >= &accounts_[0] && account < &accounts_[kSubscribeSlots]) return;
    for (KApiLoginAccount* a = free_records_; a; a = a->next_free)
        if (a == account) return;
    account->next_free = free_records_;
    free_records_ = account;
}

template <class F>
bool KApiLoginAccountManager::locked(KApiLoginAccount* account, F f) {
    if (!account) return false;
    MutexGuard lock(&mutex_);
    return f(account);
}

bool KApiLoginAccountManager::on_login_success(KApiLoginAccount* a, uint64_t sid) {
    return locked(a, [sid](KApiLoginAccount* x) { return x->on_login_success(sid); });
}
bool KApiLoginAccountManager::on_login_failed(KApiLoginAccount* a, uint64_t sid) {
    return locked(a, [sid](KApiLoginAccount* x) { return x->on_login_failed(sid); });
}
bool KApiLoginAccountManager::on_logout(KApiLoginAccount* a, uint64_t sid) {
    return locked(a, [sid](KApiLoginAccount* x) { return x->on_logout(sid); });
}
bool KApiLoginAccountManager::on_subscribe_trade_success(KApiLoginAccount* a, uint64_t sid) {
    return locked(a, [sid](KApiLoginAccount* x) { return x->on_subscribe_trade_success(sid); });
}
bool KApiLoginAccountManager::on_subscribe_trade_failed(KApiLoginAccount* a, uint64_t sid) {
    return locked(a, [sid](KApiLoginAccount* x) { return x->on_subscribe_trade_failed(sid); });
}
bool KApiLoginAccountManager::on_unsubscribe_trade(KApiLoginAccount* a, uint64_t sid) {
    return locked(a, [sid](KApiLoginAccount* x) { return x->on_unsubscribe_trade(sid); });
}

}}  // namespace nq::api
