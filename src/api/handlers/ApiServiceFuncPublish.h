// Handlers of the pushed state messages: order book 2371-2373, assets and
// positions 2403-2404, fund transfers 2435-2439, tokens and market-data
// logins 2467-2468.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiPublishServiceFuncBase.h"

namespace nq { namespace api {

#define TRV_PUBLISH_SERVICE_FUNC(N)                                                  \
    template <>                                                                      \
    class ApiServiceFunc<N> final : public KApiPublishServiceFuncBase<N> {           \
    public:                                                                          \
        void publish_call_back(KApiSession* session, nq::Message* message) override; \
    }

TRV_PUBLISH_SERVICE_FUNC(ORDER_BOOK_INSERT_PUSH);
TRV_PUBLISH_SERVICE_FUNC(ORDER_BOOK_UPDATE_PUSH);
TRV_PUBLISH_SERVICE_FUNC(ORDER_BOOK_ERROR_PUSH);
TRV_PUBLISH_SERVICE_FUNC(ASSET_PUSH);
TRV_PUBLISH_SERVICE_FUNC(POSITION_PUSH);
TRV_PUBLISH_SERVICE_FUNC(FUND_TRANSFER_EXEC_RESULT_PUSH);
TRV_PUBLISH_SERVICE_FUNC(COUNTER_FUND_TRANSFER_REQUEST_PUSH);
TRV_PUBLISH_SERVICE_FUNC(COUNTER_FUND_TRANSFER_RESULT_PUSH);
TRV_PUBLISH_SERVICE_FUNC(CLUSTER_FUND_TRANSFER_REQUEST_PUSH);
TRV_PUBLISH_SERVICE_FUNC(CLUSTER_FUND_TRANSFER_RESULT_PUSH);
TRV_PUBLISH_SERVICE_FUNC(TOKEN_INFO_PUSH);
TRV_PUBLISH_SERVICE_FUNC(QUOTE_LOGIN_INFO_PUSH);

#undef TRV_PUBLISH_SERVICE_FUNC

}}  // namespace nq::api
