// Handlers of the pushed order reports 2307-2313.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiReportServiceFunc.h"

namespace nq { namespace api {

#define TRV_REPORT_SERVICE_FUNC(N)                                                  \
    template <>                                                                     \
    class ApiServiceFunc<N> final : public KApiReportServiceFunc<N> {               \
    public:                                                                         \
        void report_call_back(KApiSession* session, nq::Message* message) override; \
    }

TRV_REPORT_SERVICE_FUNC(ORDER_END_PUSH);
TRV_REPORT_SERVICE_FUNC(ORDER_RESPONSE_PUSH);
TRV_REPORT_SERVICE_FUNC(CANCEL_RESPONSE_PUSH);
TRV_REPORT_SERVICE_FUNC(TRADE_REPORT_PUSH);
TRV_REPORT_SERVICE_FUNC(ORDER_ERROR_PUSH);
TRV_REPORT_SERVICE_FUNC(ORDER_ERROR2_PUSH);
TRV_REPORT_SERVICE_FUNC(ORDER_REPORT_FILTER_PUSH);

#undef TRV_REPORT_SERVICE_FUNC

}}  // namespace nq::api
