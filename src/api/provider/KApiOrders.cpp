// KApi: Order entry: orders, cancels and resends.
// Until this family is part of the build its operations refuse with a
// last error.
#include "api/provider/ApiUnavailable.h"
#include "api/provider/KApi.h"

namespace nq { namespace api {

void KApi::init_local_send() { report_unavailable("init_local_send"); }
uint64_t KApi::insert_order(uint64_t, nq::trv_order_insert_info_t*, uint64_t) {
    report_unavailable("insert_order");
    return 0;
}
uint64_t KApi::cancel_order(uint64_t, nq::trv_cancel_order_info_t*, uint64_t) {
    report_unavailable("cancel_order");
    return 0;
}
bool KApi::resend_order_request(uint64_t, uint64_t) {
    report_unavailable("resend_order_request");
    return false;
}

}}  // namespace nq::api
