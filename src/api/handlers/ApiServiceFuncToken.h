// Handler of the trade-token answer 1923: makes the token, attaches it to
// its authorisation record and ends the login or the auth_trade.
#pragma once
#include <netinet/in.h>

#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiRequestRspServiceFunc.h"
#include "api/messages/ServiceCode.h"

namespace nq {

template <>
struct __attribute__((packed)) MessageBody<TRADE_TOKEN_RSP> {
    api::api_body_head_t head;  // trade_token at 49: the authorisation record
    uint64_t trade_account_index;
    uint64_t token_id;
    uint64_t reserved;              // kept in the token, never read
    unsigned char fon_address[16];  // sockaddr_in of the order node
    unsigned char fon_mac[6];
};
static_assert(sizeof(MessageBody<TRADE_TOKEN_RSP>) == 103, "1923 body");

namespace api {

template <>
class ApiServiceFunc<TRADE_TOKEN_RSP> final : public KApiRequestRspServiceFunc<TRADE_TOKEN_RSP> {
public:
    // A token id of 0 or wider than kMaxTokenId is a refused token ("invalid
    // token id"): no token is made and the request is asked again as below.
    // A normal login's token also ends that login's authorisation request,
    // so its time-out finds nothing to undo. A token that comes after its
    // login timed out is not attached: that session is closed already.
    void request_call_back(KApiSession* session, nq::MessageBody<TRADE_TOKEN_RSP>* body) override;
    // A refused token request is asked again 500 ms later while its record
    // lives.
    void error_func(KApiSession* session, nq::Message* message, request_info_t* info) override;

    // Token ids number orders in the top 36 bits of an order id.
    static constexpr uint64_t kMaxTokenId = (uint64_t(1) << 36) - 1;

private:
    // A token request of the record that got no usable token: asked again
    // 500 ms later while the login is under way, or for an auth_trade record.
    void retry(KApiSession* session, uint64_t trade_token);
};

}  // namespace api
}  // namespace nq
