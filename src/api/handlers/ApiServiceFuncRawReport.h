// Handler of the raw exchange report 2339.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiRawReportServiceFunc.h"

namespace nq { namespace api {

template <>
class ApiServiceFunc<RAW_REPORT_PUSH> final : public KApiRawReportServiceFunc<RAW_REPORT_PUSH> {
public:
    void raw_report_call_back(KApiSession* session, nq::Message* message) override;
};

}}  // namespace nq::api
