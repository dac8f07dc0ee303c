// A limit order to buy a Shanghai cash security: the order tests and
// benchmarks send where only its price, quantity or code matter.
#pragma once
#include <cstdio>

#include "trv_api.h"

namespace trv_test {

inline nq::trv_order_insert_info_t sh_limit_buy(nq::price_t price = 123400, nq::quantity_t quantity = 300,
                                                const char* code = "600000") {
    nq::trv_order_insert_info_t o{};
    o.price = price;
    o.quantity = quantity;
    std::snprintf(o.security_code, sizeof o.security_code, "%s", code);
    o.exchange_index = nq::ExchangeIndex::SH;
    o.order_type = nq::OrderType::LIMIT_PRICE;
    o.side = nq::Side::BUY;
    o.business_type = nq::BusinessType::CASH;
    return o;
}

}  // namespace trv_test
