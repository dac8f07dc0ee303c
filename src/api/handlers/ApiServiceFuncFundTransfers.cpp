#include "api/handlers/ApiServiceFuncFundTransfers.h"

#include "api/messages/ApiBodyHead.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

struct ErrorLine {
    nq::trv_error_info_t error;
    uint64_t session_id;
    uint64_t request_id;
};

// The error of the reply with its text terminated; false when too short.
bool read_error(KApiSession* session, nq::Message* message, ErrorLine* line) {
    if (session == nullptr || !KApiServiceFuncBase::error_of(message, &line->error)) return false;
    line->session_id = session->session_id();
    line->request_id = load_le<uint64_t>(message->body_, kRequestIdAt);
    return true;
}

}  // namespace

#define TRV_FUND_TRANSFER_ERROR(N, TEXT)                                                                      \
    void ApiServiceFunc<N>::error_func(KApiSession* session, nq::Message* message, request_info_t*) {         \
        ErrorLine l;                                                                                          \
        if (!read_error(session, message, &l)) return;                                                        \
        LOG_WARN(TEXT                                                                                         \
                 " submit error: { error_code_type = %lu, error_code = %lu, error_msg = %s, "                 \
                 "session_id = %lu, request_id = %lu }",                                                      \
                 l.error.error_code_type, l.error.error_code, l.error.error_msg, l.session_id, l.request_id); \
    }                                                                                                         \
    TRV_REGISTER_SERVICE_FUNC(N)

TRV_FUND_TRANSFER_ERROR(COUNTER_FUND_TRANSFER_RSP, "counter fund trans request");
TRV_FUND_TRANSFER_ERROR(PRIV_COUNTER_FUND_TRANSFER_REQUEST_RSP, "counter fund trans request");
TRV_FUND_TRANSFER_ERROR(CLUSTER_FUND_TRANSFER_RSP, "cluster fund trans request");
TRV_FUND_TRANSFER_ERROR(PRIV_CLUSTER_FUND_TRANSFER_REQUEST_RSP, "cluster fund trans request");
TRV_FUND_TRANSFER_ERROR(PRIV_COUNTER_FUND_TRANSFER_RESULT_RSP, "counter fund trans result");
TRV_FUND_TRANSFER_ERROR(PRIV_CLUSTER_FUND_TRANSFER_RESULT_RSP, "cluster fund trans result");
TRV_FUND_TRANSFER_ERROR(FUND_TRANSFER_EXEC_RSP, "fund trans exec request");

#undef TRV_FUND_TRANSFER_ERROR

}}  // namespace nq::api
