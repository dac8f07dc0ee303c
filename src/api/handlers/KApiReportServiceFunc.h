// Handlers of the pushed order reports: each report is delivered once per
// process, keyed on its report id; replayed copies are always delivered.
#pragma once
#include <cstdint>

#include "api/business/KApiBusiness.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/handlers/PushedBody.h"
#include "api/messages/ServiceCode.h"
#include "api/provider/ApiSessionGuard.h"

namespace nq { namespace api {

template <uint32_t N>
class KApiReportServiceFunc : public KApiServiceFuncBase {
public:
    // The full body the counter sends: descriptor and record; a report
    // without a record of its own (2313) needs its id and xid.
    static constexpr uint32_t kBodySize = body_length(N) != 0 ? body_length(N) : PushedBody::kXidOffset + 8;
    static_assert(kBodySize >= PushedBody::kXidOffset + 8, "a report holds its id and xid");

    KApiReportServiceFunc() : KApiServiceFuncBase(N) {}

    void service_func(nq::Message* message) override {
        ApiSessionGuard<2ul> guard(acquire_session(message));
        ApiSession<2ul>* session = guard.get();
        if (session == nullptr || !check_body(message, kBodySize)) return;
        const unsigned char* body = message->body_;
        if (body[PushedBody::kIsRebuildOffset] == 0 &&
            !business_->add_order_report(body + PushedBody::kReportIdOffset,
                                         load_le<uint64_t>(body, PushedBody::kXidOffset)))
            return;  // seen before
        report_call_back(session, message);
    }

    virtual void report_call_back(KApiSession* session, nq::Message* message) = 0;
};

}}  // namespace nq::api
