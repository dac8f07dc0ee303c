// Handlers of the answers to a level-2 tick rebuild, an untracked request:
// 1053 reports a failed rebuild, each 1054 carries one rebuilt tick.
#pragma once
#include <cstdint>

#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiRequestRspServiceFunc.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ApiBodyHead.h"
#include "api/messages/MessageBody.h"
#include "trv_api.h"

namespace nq {

template <>
struct __attribute__((packed)) MessageBody<REBUILD_TICK_QUOTE_ERR_RSP> {
    api::api_body_head_t head;
    uint8_t result;  // 0: the rebuild failed
    trv_error_info_t error;
};
template <>
struct __attribute__((packed)) MessageBody<REBUILD_TICK_QUOTE_RSP> {
    api::api_body_head_t head;
    ExchangeIndex exchange_index;
    QuoteMsgType msg_type;
    trv_tick_quote_union_t tick;
};

static_assert(sizeof(MessageBody<REBUILD_TICK_QUOTE_ERR_RSP>) == body_length(REBUILD_TICK_QUOTE_ERR_RSP), "1053 body");
static_assert(sizeof(MessageBody<REBUILD_TICK_QUOTE_RSP>) == body_length(REBUILD_TICK_QUOTE_RSP), "1054 body");

namespace api {

template <>
class ApiServiceFunc<REBUILD_TICK_QUOTE_ERR_RSP> final : public KApiRequestRspServiceFunc<REBUILD_TICK_QUOTE_ERR_RSP> {
public:
    void service_func(nq::Message* message) override;
};

template <>
class ApiServiceFunc<REBUILD_TICK_QUOTE_RSP> final : public KApiServiceFuncBase {
public:
    ApiServiceFunc() : KApiServiceFuncBase(REBUILD_TICK_QUOTE_RSP) {}
    void service_func(nq::Message* message) override;
};

}  // namespace api
}  // namespace nq
