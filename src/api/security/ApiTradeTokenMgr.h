// Table of trade tokens by id; tokens are never removed.
#pragma once
#include <cstdint>

#include "api/security/ApiTradeToken.h"

namespace nq { namespace api {

class ApiTradeTokenMgr {
public:
    static constexpr uint64_t kChains = 1u << 20;

    ApiTradeTokenMgr() : heads_(nullptr) {}
    virtual ~ApiTradeTokenMgr();
    virtual bool initialize();
    bool add_trade_token(ApiTradeToken* token);
    ApiTradeToken* get_trade_token(uint64_t token_id) const;

private:
    ApiTradeToken** heads_;
};

}}  // namespace nq::api
