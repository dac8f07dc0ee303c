// KApi: Fund transfers and privileged requests.
// Until this family is part of the build its operations refuse with a
// last error.
#include "api/provider/ApiUnavailable.h"
#include "api/provider/KApi.h"

namespace nq { namespace api {

bool KApi::user_submit_counter_fund_transfer_request(uint64_t, uint64_t, const nq::trv_counter_fund_transfer_request_t*,
                                                     char*, uint64_t) {
    report_unavailable("user_submit_counter_fund_transfer_request");
    return false;
}
bool KApi::user_submit_cluster_fund_transfer_request(uint64_t, uint64_t, const nq::trv_cluster_fund_transfer_request_t*,
                                                     char*, uint64_t) {
    report_unavailable("user_submit_cluster_fund_transfer_request");
    return false;
}
bool KApi::dump_final_file(uint64_t, uint64_t) {
    report_unavailable("dump_final_file");
    return false;
}
bool KApi::unbind_user_tgw(uint64_t, uint64_t, uint64_t) {
    report_unavailable("unbind_user_tgw");
    return false;
}
bool KApi::pri_insert_fund_transfer_exec(uint64_t, uint64_t, const nq::trv_fund_transfer_exec_request_t*) {
    report_unavailable("pri_insert_fund_transfer_exec");
    return false;
}
bool KApi::pri_submit_counter_fund_transfer_request(uint64_t, uint64_t, const nq::trv_counter_fund_transfer_request_t*) {
    report_unavailable("pri_submit_counter_fund_transfer_request");
    return false;
}
bool KApi::pri_submit_counter_fund_transfer_result(uint64_t, uint64_t, const nq::trv_counter_fund_transfer_result_t*) {
    report_unavailable("pri_submit_counter_fund_transfer_result");
    return false;
}
bool KApi::pri_submit_cluster_fund_transfer_request(uint64_t, uint64_t, const nq::trv_cluster_fund_transfer_request_t*) {
    report_unavailable("pri_submit_cluster_fund_transfer_request");
    return false;
}
bool KApi::pri_submit_cluster_fund_transfer_result(uint64_t, uint64_t, const nq::trv_cluster_fund_transfer_result_t*) {
    report_unavailable("pri_submit_cluster_fund_transfer_result");
    return false;
}

}}  // namespace nq::api
