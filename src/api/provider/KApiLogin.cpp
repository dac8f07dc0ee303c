// KApi: Login, logout, authorisation and trade-token lookups.
// Until this family is part of the build its operations refuse with a
// last error.
#include "api/provider/ApiUnavailable.h"
#include "api/provider/KApi.h"

namespace nq { namespace api {

bool KApi::login(uint64_t, uint16_t, const char*, const char*, const char*, nq::ApiType,
                 const nq::trv_user_terminal_info_t*) {
    report_unavailable("login");
    return false;
}
bool KApi::logout(uint64_t) {
    report_unavailable("logout");
    return false;
}
bool KApi::auth(uint64_t, uint64_t, const char*, const char*, const char*, const nq::trv_user_terminal_info_t*, bool) {
    report_unavailable("auth");
    return false;
}
bool KApi::deauth(uint64_t, uint64_t, uint64_t) {
    report_unavailable("deauth");
    return false;
}
uint64_t KApi::get_account_index(uint64_t, uint64_t) {
    report_unavailable("get_account_index");
    return 0;
}
const nq::trv_init_asset_info_t* KApi::get_init_asset_info(uint64_t, uint64_t) {
    report_unavailable("get_init_asset_info");
    return nullptr;
}
const nq::TRVInitPositionList* KApi::get_init_position_list(uint64_t, uint64_t) {
    report_unavailable("get_init_position_list");
    return nullptr;
}
void KApi::get_xid_sender(uint64_t, uint64_t& session_id, uint64_t& trade_token) {
    session_id = 0;
    trade_token = 0;
    report_unavailable("get_xid_sender");
}
void KApi::get_biz_sender(char*, uint64_t& session_id, uint64_t& trade_token) {
    session_id = 0;
    trade_token = 0;
    report_unavailable("get_biz_sender");
}

}}  // namespace nq::api
