#include "api/handlers/ApiServiceFuncRawReport.h"

#include "framework/CallbackGuard.h"

namespace nq { namespace api {

// The family has checked that the body holds the report it announces.
void ApiServiceFunc<RAW_REPORT_PUSH>::raw_report_call_back(KApiSession* session, nq::Message* message) {
    CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi};
    if (!spi) return;
    unsigned char* body = message->body_;
    spi->on_raw_report(session->session_id(), reinterpret_cast<const nq::trv_msg_desc_t*>(body), body[17],
                       load_le<uint64_t>(body, 50), reinterpret_cast<char*>(body + 18),
                       static_cast<nq::ExchangeIndex>(body[66]), load_le<uint16_t>(body, 67),
                       load_le<uint16_t>(body, 69), load_le<uint32_t>(body, kReportSizeOffset),
                       reinterpret_cast<char*>(body + kHeadSize));
}

TRV_REGISTER_SERVICE_FUNC(RAW_REPORT_PUSH);

}}  // namespace nq::api
