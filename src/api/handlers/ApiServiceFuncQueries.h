// Handlers of the paged query answers 1038, 1049, 1056, 1987-1992, 2058 and
// 2059: each page reaches the user as a result list; an error reply or a
// timeout reaches the same callback with no list.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiQueryRspServiceFunc.h"
#include "api/messages/ServiceCode.h"
#include "trv_api.h"

namespace nq { namespace api {

#define TRV_QUERY_SERVICE_FUNC(N, Row)                                                                       \
    template <>                                                                                              \
    struct QueryRowSize<N> {                                                                                 \
        static constexpr uint64_t kSize = sizeof(nq::Row);                                                   \
    };                                                                                                       \
    template <>                                                                                              \
    class ApiServiceFunc<N> final : public KApiQueryRspServiceFunc<N> {                                      \
    public:                                                                                                  \
        void error_func(KApiSession* session, nq::Message* message, request_info_t* info) override;          \
        void timeout_func(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error) override; \
        void query_call_back(KApiSession* session, uint64_t request_id, const KApiDataList* list,            \
                             const request_info_t* info) override;                                           \
    }

TRV_QUERY_SERVICE_FUNC(STATIC_QUOTE_QUERY_RSP, trv_static_quote_full_info_t);
TRV_QUERY_SERVICE_FUNC(TRADE_ACCOUNT_QUERY_RSP, trv_trade_account_info_t);
TRV_QUERY_SERVICE_FUNC(ALL_LEVEL1_QUOTE_QUERY_RSP, trv_level1_quote_t);
TRV_QUERY_SERVICE_FUNC(ORDER_QUERY_RSP, trv_order_info_t);
TRV_QUERY_SERVICE_FUNC(POSITION_QUERY_RSP, trv_position_info_t);
TRV_QUERY_SERVICE_FUNC(ASSET_QUERY_RSP, trv_asset_info_t);
TRV_QUERY_SERVICE_FUNC(TRADE_QUERY_RSP, trv_trade_report_t);
TRV_QUERY_SERVICE_FUNC(INIT_ASSET_QUERY_RSP, trv_init_asset_info_t);
TRV_QUERY_SERVICE_FUNC(INIT_POSITION_QUERY_RSP, trv_init_position_info_t);
TRV_QUERY_SERVICE_FUNC(BRIEF_POSITION_QUERY_RSP, trv_brief_position_t);
TRV_QUERY_SERVICE_FUNC(BRIEF_ASSET_QUERY_RSP, trv_brief_asset_t);

#undef TRV_QUERY_SERVICE_FUNC

}}  // namespace nq::api
