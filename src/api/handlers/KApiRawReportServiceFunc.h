// Handler family of the raw exchange report: the same delivery rule as the
// order reports, with a filter of its own.
#pragma once
#include <cstdint>

#include "api/business/KApiBusiness.h"
#include "api/handlers/KApiReportServiceFunc.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ServiceCode.h"
#include "api/provider/ApiSessionGuard.h"

namespace nq { namespace api {

template <uint32_t N>
class KApiRawReportServiceFunc : public KApiServiceFuncBase {
public:
    static constexpr uint32_t kHeadSize = kRawReportBodyHead;  // 75; the report follows
    static constexpr uint32_t kReportSizeOffset = 71;

    KApiRawReportServiceFunc() : KApiServiceFuncBase(N) {}

    void service_func(nq::Message* message) override {
        ApiSessionGuard<2ul> guard(acquire_session(message));
        ApiSession<2ul>* session = guard.get();
        if (session == nullptr || !check_body(message, kHeadSize)) return;
        const unsigned char* body = message->body_;
        // The report the user is handed must lie inside the message.
        if (!check_body(message, uint64_t(kHeadSize) + load_le<uint32_t>(body, kReportSizeOffset))) return;
        if (body[PushedBody::kIsRebuildOffset] == 0 &&
            !business_->add_order_raw_report(body + PushedBody::kReportIdOffset,
                                             load_le<uint64_t>(body, PushedBody::kXidOffset)))
            return;
        raw_report_call_back(session, message);
    }

    virtual void raw_report_call_back(KApiSession* session, nq::Message* message) = 0;
};

}}  // namespace nq::api
