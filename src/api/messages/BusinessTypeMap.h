// Message code and payload length of a new order by exchange and business
// type. An entry of 0 means the pair has no order message.
#pragma once
#include <cstdint>

#include "trv_api.h"

namespace nq { namespace api {

struct BusinessTypeMap {
    // [ExchangeIndex 0-2][BusinessType 0-7]
    static constexpr uint64_t msg_types[3][8] = {
        {0, 0, 0, 0, 0, 0, 0, 0},
        {0, 1283, 1284, 0, 0, 0, 0, 1285},
        {0, 1286, 1287, 0, 0, 0, 0, 1288},
    };
    static constexpr uint64_t msg_lens[3][8] = {
        {0, 0, 0, 0, 0, 0, 0, 0},
        {0, 56, 56, 0, 0, 0, 0, 56},
        {0, 56, 56, 0, 0, 0, 0, 56},
    };

    // The enumeration bytes of an order come from the caller and may hold any
    // value; those outside the tables have no order message.
    static uint64_t msg_type(ExchangeIndex exchange, BusinessType business) {
        uint8_t e = static_cast<uint8_t>(exchange);
        uint8_t b = static_cast<uint8_t>(business);
        return (e < 3 && b < 8) ? msg_types[e][b] : 0;
    }
    static uint64_t msg_len(ExchangeIndex exchange, BusinessType business) {
        uint8_t e = static_cast<uint8_t>(exchange);
        uint8_t b = static_cast<uint8_t>(business);
        return (e < 3 && b < 8) ? msg_lens[e][b] : 0;
    }
};

}}  // namespace nq::api
