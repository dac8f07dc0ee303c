// KApi: Market-data subscription and quote requests.
// Until this family is part of the build its operations refuse with a
// last error.
#include "api/provider/ApiUnavailable.h"
#include "api/provider/KApi.h"

namespace nq { namespace api {

bool KApi::subscribe_quote(uint64_t, uint16_t, nq::quote_thread_t*, nq::QuoteRxMode) {
    report_unavailable("subscribe_quote");
    return false;
}
bool KApi::unsubscribe_quote(uint64_t) {
    report_unavailable("unsubscribe_quote");
    return false;
}
bool KApi::query_static_quote_info(uint64_t, uint64_t) {
    report_unavailable("query_static_quote_info");
    return false;
}
bool KApi::query_level1_quote(uint64_t, uint64_t, nq::ExchangeIndex, const char*) {
    report_unavailable("query_level1_quote");
    return false;
}
bool KApi::query_all_level1_quote(uint64_t, uint64_t) {
    report_unavailable("query_all_level1_quote");
    return false;
}
bool KApi::request_rebuild_tick_quote(uint64_t, uint64_t, const nq::trv_rebuild_tick_quote_req_t*) {
    report_unavailable("request_rebuild_tick_quote");
    return false;
}

}}  // namespace nq::api
