// Handler of the authorisation answer 1047: fills the authorisation record
// and asks for its trade token.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiRequestRspServiceFunc.h"
#include "api/messages/ServiceCode.h"

namespace nq {

template <>
struct __attribute__((packed)) MessageBody<AUTH_RSP> {
    api::api_body_head_t head;  // trade_token at 49: the record id sent in 1046
    uint64_t auth_id;
    uint64_t trade_account_index;
};
static_assert(sizeof(MessageBody<AUTH_RSP>) == 73, "1047 body");

namespace api {

template <>
class ApiServiceFunc<AUTH_RSP> final : public KApiRequestRspServiceFunc<AUTH_RSP> {
public:
    // The authorisation request stays in the ring until the token answers.
    void service_func(nq::Message* message) override;
    void error_func(KApiSession* session, nq::Message* message, request_info_t* info) override;
    void timeout_func(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error) override;

private:
    // A failed authorisation: its record is closed, so nothing more is asked
    // for it, and an authorisation by auth_trade is reported once. Nothing
    // happens for the own authorisation of a normal login that is done.
    void fail(KApiSession* session, uint64_t trade_token, uint64_t request_id, const nq::trv_error_info_t* error);
};

}  // namespace api
}  // namespace nq
