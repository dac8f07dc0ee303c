// Handler of the notice 1045: the quote multicast channels of a market-data
// login.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiRequestRspServiceFunc.h"
#include "api/messages/ServiceCode.h"

namespace nq {

template <>
struct __attribute__((packed)) MessageBody<QUOTE_CHANNEL_NOTICE> {
    api::api_body_head_t head;
    uint32_t size_per_item;
    uint32_t data_count;
};
static_assert(sizeof(MessageBody<QUOTE_CHANNEL_NOTICE>) == 65, "1045 body head");

namespace api {

template <>
class ApiServiceFunc<QUOTE_CHANNEL_NOTICE> final : public KApiRequestRspServiceFunc<QUOTE_CHANNEL_NOTICE> {
public:
    static constexpr uint32_t kHeadSize = 65;  // items start here
    static constexpr uint32_t kItemSize = 22;

    // Only on a market-data session; the items must lie inside the body.
    void service_func(nq::Message* message) override;
};

}  // namespace api
}  // namespace nq
