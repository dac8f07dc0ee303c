// Handlers of the fund-transfer submit answers 1859, 1860 and 2053-2057.
// Their outcome reaches the user through the pushed transfer messages; an
// error reply is only logged.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiRequestRspServiceFunc.h"
#include "api/messages/ApiBodyHead.h"
#include "api/messages/MessageBody.h"

namespace nq {

#define TRV_HEAD_ONLY_BODY(N)                       \
    template <>                                     \
    struct __attribute__((packed)) MessageBody<N> { \
        api::api_body_head_t head;                  \
    }

TRV_HEAD_ONLY_BODY(COUNTER_FUND_TRANSFER_RSP);
TRV_HEAD_ONLY_BODY(CLUSTER_FUND_TRANSFER_RSP);
TRV_HEAD_ONLY_BODY(FUND_TRANSFER_EXEC_RSP);
TRV_HEAD_ONLY_BODY(PRIV_COUNTER_FUND_TRANSFER_REQUEST_RSP);
TRV_HEAD_ONLY_BODY(PRIV_COUNTER_FUND_TRANSFER_RESULT_RSP);
TRV_HEAD_ONLY_BODY(PRIV_CLUSTER_FUND_TRANSFER_REQUEST_RSP);
TRV_HEAD_ONLY_BODY(PRIV_CLUSTER_FUND_TRANSFER_RESULT_RSP);

#undef TRV_HEAD_ONLY_BODY

namespace api {

#define TRV_FUND_TRANSFER_SERVICE_FUNC(N)                                                           \
    template <>                                                                                     \
    class ApiServiceFunc<N> final : public KApiRequestRspServiceFunc<N> {                           \
    public:                                                                                         \
        void error_func(KApiSession* session, nq::Message* message, request_info_t* info) override; \
    }

TRV_FUND_TRANSFER_SERVICE_FUNC(COUNTER_FUND_TRANSFER_RSP);
TRV_FUND_TRANSFER_SERVICE_FUNC(CLUSTER_FUND_TRANSFER_RSP);
TRV_FUND_TRANSFER_SERVICE_FUNC(FUND_TRANSFER_EXEC_RSP);
TRV_FUND_TRANSFER_SERVICE_FUNC(PRIV_COUNTER_FUND_TRANSFER_REQUEST_RSP);
TRV_FUND_TRANSFER_SERVICE_FUNC(PRIV_COUNTER_FUND_TRANSFER_RESULT_RSP);
TRV_FUND_TRANSFER_SERVICE_FUNC(PRIV_CLUSTER_FUND_TRANSFER_REQUEST_RSP);
TRV_FUND_TRANSFER_SERVICE_FUNC(PRIV_CLUSTER_FUND_TRANSFER_RESULT_RSP);

#undef TRV_FUND_TRANSFER_SERVICE_FUNC

}  // namespace api
}  // namespace nq
