#include "api/security/ApiTradeTokenMgr.h"

#include <cstdlib>

#include "framework/AllocMem.h"

namespace nq { namespace api {

ApiTradeTokenMgr::~ApiTradeTokenMgr() { std::free(heads_); }

bool ApiTradeTokenMgr::initialize() {
    if (!heads_) heads_ = static_cast<ApiTradeToken**>(alloc_mem(kChains * sizeof(ApiTradeToken*), 16));
    return heads_ != nullptr;
}

// Written by one handler thread, read without a lock by order-sending threads
// and "crontab": the token is fully built before the one pointer store that
// publishes it.
bool ApiTradeTokenMgr::add_trade_token(ApiTradeToken* token) {
    if (!heads_ || !token || token->token_id == 0) return false;
    ApiTradeToken** head = &heads_[token->token_id & (kChains - 1)];
    token->next_ = __atomic_load_n(head, __ATOMIC_RELAXED);
    __atomic_store_n(head, token, __ATOMIC_RELEASE);
    return true;
}

ApiTradeToken* ApiTradeTokenMgr::get_trade_token(uint64_t token_id) const {
    if (!heads_) return nullptr;
    for (ApiTradeToken* t = __atomic_load_n(&heads_[token_id & (kChains - 1)], __ATOMIC_ACQUIRE); t; t = t->next_) {
        if (t->token_id == token_id) return t;
    }
    return nullptr;
}

}}  // namespace nq::api
