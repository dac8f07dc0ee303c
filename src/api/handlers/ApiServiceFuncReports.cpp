#include "api/handlers/ApiServiceFuncReports.h"

#include "framework/CallbackGuard.h"

namespace nq { namespace api {

namespace {

const nq::trv_msg_desc_t* desc_of(const nq::Message* message) {
    return reinterpret_cast<const nq::trv_msg_desc_t*>(message->body_);
}

template <class Record>
const Record* record_of(const nq::Message* message) {
    return reinterpret_cast<const Record*>(message->body_ + PushedBody::kDescSize);
}

static_assert(body_length(ORDER_END_PUSH) == 17 + sizeof(nq::trv_order_end_t), "2307 body");
static_assert(body_length(ORDER_RESPONSE_PUSH) == 17 + sizeof(nq::trv_order_response_t), "2308 body");
static_assert(body_length(CANCEL_RESPONSE_PUSH) == 17 + sizeof(nq::trv_cancel_response_t), "2309 body");
static_assert(body_length(TRADE_REPORT_PUSH) == 17 + sizeof(nq::trv_trade_report_t), "2310 body");
static_assert(body_length(ORDER_ERROR_PUSH) == 17 + sizeof(nq::trv_order_error_response_t), "2311 body");
static_assert(body_length(ORDER_ERROR2_PUSH) == 17 + sizeof(nq::trv_order_error_response_t), "2312 body");

}  // namespace

void ApiServiceFunc<ORDER_END_PUSH>::report_call_back(KApiSession* session, nq::Message* message) {
    if (CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi})
        spi->on_order_end(session->session_id(), desc_of(message), record_of<nq::trv_order_end_t>(message));
}

void ApiServiceFunc<ORDER_RESPONSE_PUSH>::report_call_back(KApiSession* session, nq::Message* message) {
    if (CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi})
        spi->on_order_response(session->session_id(), desc_of(message), record_of<nq::trv_order_response_t>(message));
}

void ApiServiceFunc<CANCEL_RESPONSE_PUSH>::report_call_back(KApiSession* session, nq::Message* message) {
    if (CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi})
        spi->on_cancel_response(session->session_id(), desc_of(message), record_of<nq::trv_cancel_response_t>(message));
}

void ApiServiceFunc<TRADE_REPORT_PUSH>::report_call_back(KApiSession* session, nq::Message* message) {
    if (CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi})
        spi->on_trade_report(session->session_id(), desc_of(message), record_of<nq::trv_trade_report_t>(message));
}

void ApiServiceFunc<ORDER_ERROR_PUSH>::report_call_back(KApiSession* session, nq::Message* message) {
    if (CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi})
        spi->on_order_error_response(session->session_id(), desc_of(message),
                                     record_of<nq::trv_order_error_response_t>(message));
}

void ApiServiceFunc<ORDER_ERROR2_PUSH>::report_call_back(KApiSession* session, nq::Message* message) {
    if (CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi})
        spi->on_order_error_response(session->session_id(), desc_of(message),
                                     record_of<nq::trv_order_error_response_t>(message));
}

// Only enters the filter, so a later copy of the report is a repeat.
void ApiServiceFunc<ORDER_REPORT_FILTER_PUSH>::report_call_back(KApiSession*, nq::Message*) {}

TRV_REGISTER_SERVICE_FUNC(ORDER_END_PUSH);
TRV_REGISTER_SERVICE_FUNC(ORDER_RESPONSE_PUSH);
TRV_REGISTER_SERVICE_FUNC(CANCEL_RESPONSE_PUSH);
TRV_REGISTER_SERVICE_FUNC(TRADE_REPORT_PUSH);
TRV_REGISTER_SERVICE_FUNC(ORDER_ERROR_PUSH);
TRV_REGISTER_SERVICE_FUNC(ORDER_ERROR2_PUSH);
TRV_REGISTER_SERVICE_FUNC(ORDER_REPORT_FILTER_PUSH);

}}  // namespace nq::api
