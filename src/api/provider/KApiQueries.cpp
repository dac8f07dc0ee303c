// KApi: Paged queries and trade-message subscription.
// Until this family is part of the build its operations refuse with a
// last error.
#include "api/provider/ApiUnavailable.h"
#include "api/provider/KApi.h"

namespace nq { namespace api {

bool KApi::subscribe_trade_message(uint64_t, uint64_t, nq::trade_message_type_t, nq::TradeResumeType, uint64_t) {
    report_unavailable("subscribe_trade_message");
    return false;
}
bool KApi::rebuild_trade_message(uint64_t, uint64_t, nq::trade_message_type_t, uint64_t, uint64_t, uint64_t) {
    report_unavailable("rebuild_trade_message");
    return false;
}
bool KApi::query_assets(uint64_t, uint64_t, uint64_t) {
    report_unavailable("query_assets");
    return false;
}
bool KApi::query_positions(uint64_t, uint64_t, const char*, nq::ExchangeIndex, uint64_t) {
    report_unavailable("query_positions");
    return false;
}
bool KApi::query_orders(uint64_t, uint64_t, const nq::trv_order_query_param_t*, uint64_t) {
    report_unavailable("query_orders");
    return false;
}
bool KApi::query_orders_by_page(uint64_t, uint64_t, uint32_t, const nq::trv_page_query_reference_t*, uint64_t) {
    report_unavailable("query_orders_by_page");
    return false;
}
bool KApi::query_trades(uint64_t, uint64_t, uint64_t, uint64_t) {
    report_unavailable("query_trades");
    return false;
}
bool KApi::query_init_assets(uint64_t, uint64_t, uint64_t) {
    report_unavailable("query_init_assets");
    return false;
}
bool KApi::query_init_positions(uint64_t, uint64_t, const char*, nq::ExchangeIndex, uint64_t) {
    report_unavailable("query_init_positions");
    return false;
}
bool KApi::query_trade_account_info(uint64_t, uint64_t, uint64_t) {
    report_unavailable("query_trade_account_info");
    return false;
}
bool KApi::query_brief_assets(uint64_t, uint64_t, uint64_t) {
    report_unavailable("query_brief_assets");
    return false;
}
bool KApi::query_brief_positions(uint64_t, uint64_t, const char*, nq::ExchangeIndex, uint64_t) {
    report_unavailable("query_brief_positions");
    return false;
}

}}  // namespace nq::api
