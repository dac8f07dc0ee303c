#include "api/handlers/ApiServiceFuncPublish.h"

#include "framework/CallbackGuard.h"

namespace nq { namespace api {

namespace {

// Calls (spi->*callback)(session id, descriptor, record) on the session's
// callback object of that slot, when it holds one.
template <class Spi, class Record>
void publish(std::atomic<Spi*>& slot, KApiSession* session, const nq::Message* message,
             void (Spi::*callback)(uint64_t, const nq::trv_msg_desc_t*, const Record*)) {
    static_assert(sizeof(Record) > 0, "complete record");
    CallbackGuard<Spi> spi{slot};
    if (!spi) return;
    (spi.get()->*callback)(session->session_id(), reinterpret_cast<const nq::trv_msg_desc_t*>(message->body_),
                           reinterpret_cast<const Record*>(message->body_ + PushedBody::kDescSize));
}

template <uint32_t N, class Record>
constexpr bool holds() {
    return body_length(N) == PushedBody::kDescSize + sizeof(Record);
}
static_assert(holds<ORDER_BOOK_INSERT_PUSH, nq::trv_order_book_insert_t>(), "2371 body");
static_assert(holds<ORDER_BOOK_UPDATE_PUSH, nq::trv_order_book_update_t>(), "2372 body");
static_assert(holds<ORDER_BOOK_ERROR_PUSH, nq::trv_order_book_error_t>(), "2373 body");
static_assert(holds<ASSET_PUSH, nq::trv_asset_info_t>(), "2403 body");
static_assert(holds<POSITION_PUSH, nq::trv_position_info_t>(), "2404 body");
static_assert(holds<FUND_TRANSFER_EXEC_RESULT_PUSH, nq::trv_fund_transfer_exec_result_t>(), "2435 body");
static_assert(holds<COUNTER_FUND_TRANSFER_REQUEST_PUSH, nq::trv_counter_fund_transfer_request_t>(), "2436 body");
static_assert(holds<COUNTER_FUND_TRANSFER_RESULT_PUSH, nq::trv_counter_fund_transfer_result_t>(), "2437 body");
static_assert(holds<CLUSTER_FUND_TRANSFER_REQUEST_PUSH, nq::trv_cluster_fund_transfer_request_t>(), "2438 body");
static_assert(holds<CLUSTER_FUND_TRANSFER_RESULT_PUSH, nq::trv_cluster_fund_transfer_result_t>(), "2439 body");
static_assert(holds<TOKEN_INFO_PUSH, nq::trv_internal_token_info_t>(), "2467 body");
static_assert(holds<QUOTE_LOGIN_INFO_PUSH, nq::trv_internal_quote_login_info_t>(), "2468 body");

}  // namespace

void ApiServiceFunc<ORDER_BOOK_INSERT_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->trade_spi, session, message, &nq::TRVTradeSpi::on_order_book_insert);
}
void ApiServiceFunc<ORDER_BOOK_UPDATE_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->trade_spi, session, message, &nq::TRVTradeSpi::on_order_book_update);
}
void ApiServiceFunc<ORDER_BOOK_ERROR_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->trade_spi, session, message, &nq::TRVTradeSpi::on_order_book_error);
}
void ApiServiceFunc<ASSET_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->trade_spi, session, message, &nq::TRVTradeSpi::on_asset);
}
void ApiServiceFunc<POSITION_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->trade_spi, session, message, &nq::TRVTradeSpi::on_position);
}
void ApiServiceFunc<FUND_TRANSFER_EXEC_RESULT_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->privilege_spi, session, message, &nq::TRVPrivilegeSpi::on_fund_transfer_exec_result);
}
void ApiServiceFunc<COUNTER_FUND_TRANSFER_REQUEST_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->trade_spi, session, message, &nq::TRVTradeSpi::on_counter_fund_transfer_request);
}
void ApiServiceFunc<COUNTER_FUND_TRANSFER_RESULT_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->trade_spi, session, message, &nq::TRVTradeSpi::on_counter_fund_transfer_result);
}
void ApiServiceFunc<CLUSTER_FUND_TRANSFER_REQUEST_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->trade_spi, session, message, &nq::TRVTradeSpi::on_cluster_fund_transfer_request);
}
void ApiServiceFunc<CLUSTER_FUND_TRANSFER_RESULT_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->trade_spi, session, message, &nq::TRVTradeSpi::on_cluster_fund_transfer_result);
}
void ApiServiceFunc<TOKEN_INFO_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->privilege_spi, session, message, &nq::TRVPrivilegeSpi::on_token);
}
void ApiServiceFunc<QUOTE_LOGIN_INFO_PUSH>::publish_call_back(KApiSession* session, nq::Message* message) {
    publish(session->privilege_spi, session, message, &nq::TRVPrivilegeSpi::on_quote_login_info);
}

TRV_REGISTER_SERVICE_FUNC(ORDER_BOOK_INSERT_PUSH);
TRV_REGISTER_SERVICE_FUNC(ORDER_BOOK_UPDATE_PUSH);
TRV_REGISTER_SERVICE_FUNC(ORDER_BOOK_ERROR_PUSH);
TRV_REGISTER_SERVICE_FUNC(ASSET_PUSH);
TRV_REGISTER_SERVICE_FUNC(POSITION_PUSH);
TRV_REGISTER_SERVICE_FUNC(FUND_TRANSFER_EXEC_RESULT_PUSH);
TRV_REGISTER_SERVICE_FUNC(COUNTER_FUND_TRANSFER_REQUEST_PUSH);
TRV_REGISTER_SERVICE_FUNC(COUNTER_FUND_TRANSFER_RESULT_PUSH);
TRV_REGISTER_SERVICE_FUNC(CLUSTER_FUND_TRANSFER_REQUEST_PUSH);
TRV_REGISTER_SERVICE_FUNC(CLUSTER_FUND_TRANSFER_RESULT_PUSH);
TRV_REGISTER_SERVICE_FUNC(TOKEN_INFO_PUSH);
TRV_REGISTER_SERVICE_FUNC(QUOTE_LOGIN_INFO_PUSH);

}}  // namespace nq::api
