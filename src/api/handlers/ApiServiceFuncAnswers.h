// Handlers of the single answers 1040, 1051, 1925, 2051 and 2052: one
// callback per request, with the answer's fields or with the error.
#pragma once
#include <cstddef>
#include <cstdint>

#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiRequestRspServiceFunc.h"
#include "api/messages/ApiBodyHead.h"
#include "api/messages/MessageBody.h"
#include "trv_api.h"

namespace nq {

template <>
struct __attribute__((packed)) MessageBody<LEVEL1_QUOTE_RSP> {
    api::api_body_head_t head;
    trv_level1_quote_t quote;
};
template <>
struct __attribute__((packed)) MessageBody<SUBSCRIBE_TRADE_MESSAGE_RSP> {
    api::api_body_head_t head;
    uint64_t start_sequence;
    uint64_t latest_sequence;
};
template <>
struct __attribute__((packed)) MessageBody<REBUILD_TRADE_MESSAGE_RSP> {
    api::api_body_head_t head;
    uint64_t start_sequence;
    uint64_t end_sequence;
};
template <>
struct __attribute__((packed)) MessageBody<DUMP_FINAL_FILE_RSP> {
    api::api_body_head_t head;
    uint8_t success;  // 1: the file was dumped
};
template <>
struct __attribute__((packed)) MessageBody<UNBIND_USER_TGW_RSP> {
    api::api_body_head_t head;
    uint64_t account_index;
};

static_assert(sizeof(MessageBody<LEVEL1_QUOTE_RSP>) == body_length(LEVEL1_QUOTE_RSP), "1040 body");
static_assert(sizeof(MessageBody<SUBSCRIBE_TRADE_MESSAGE_RSP>) == body_length(SUBSCRIBE_TRADE_MESSAGE_RSP),
              "1051 body");
static_assert(sizeof(MessageBody<REBUILD_TRADE_MESSAGE_RSP>) == body_length(REBUILD_TRADE_MESSAGE_RSP), "1925 body");
static_assert(sizeof(MessageBody<DUMP_FINAL_FILE_RSP>) == body_length(DUMP_FINAL_FILE_RSP), "2051 body");
static_assert(sizeof(MessageBody<UNBIND_USER_TGW_RSP>) == body_length(UNBIND_USER_TGW_RSP), "2052 body");

namespace api {

#define TRV_ANSWER_SERVICE_FUNC(N)                                                                           \
    template <>                                                                                              \
    class ApiServiceFunc<N> final : public KApiRequestRspServiceFunc<N> {                                    \
    public:                                                                                                  \
        void error_func(KApiSession* session, nq::Message* message, request_info_t* info) override;          \
        void timeout_func(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error) override; \
        void request_call_back(KApiSession* session, nq::MessageBody<N>* body) override;                     \
    }

TRV_ANSWER_SERVICE_FUNC(LEVEL1_QUOTE_RSP);
TRV_ANSWER_SERVICE_FUNC(SUBSCRIBE_TRADE_MESSAGE_RSP);
TRV_ANSWER_SERVICE_FUNC(REBUILD_TRADE_MESSAGE_RSP);
TRV_ANSWER_SERVICE_FUNC(DUMP_FINAL_FILE_RSP);
TRV_ANSWER_SERVICE_FUNC(UNBIND_USER_TGW_RSP);

#undef TRV_ANSWER_SERVICE_FUNC

}  // namespace api
}  // namespace nq
