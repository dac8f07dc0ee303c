// The privileged facade: the trading facade plus the back office's own
// requests, which forward to the service provider and are refused with 304
// while it is not ready. Its creation leaves the provider alone: initialize
// brings it up.
#include <new>

#include "api/facade/FacadeSlot.h"
#include "api/provider/KApi.h"
#include "api/security/OrderXid.h"
#include "trv_api.h"

namespace nq {

using api::KApi;

namespace api {

std::atomic<const void*> privileged_facade{nullptr};

}  // namespace api

namespace {

api::FacadeSlot<TRVPrivilege> g_slot("privilege api not initialized");

// The privileged API's own operations take its sessions only.
constexpr ApiType kOwn = ApiType::PRIVILEGE;

}  // namespace

TRVPrivilege* TRVPrivilege::create() {
    return g_slot.create([]() -> TRVPrivilege* {
        TRVPrivilege* object = g_slot.checked(new (std::nothrow) TRVPrivilege(), "create privilege api failed");
        if (object != nullptr) api::privileged_facade.store(static_cast<const TRVTradeApi*>(object));
        return object;
    });
}

uint64_t TRVPrivilege::xid_to_token_id(uint64_t xid) { return api::xid_token_id(xid); }

bool TRVPrivilege::initialize(TRVPrivilegeConfig* config, TRVPrivilegeSpi* spi) {
    KApi* api = KApi::create_singleton_or_get();
    return api != nullptr && api->initialize_privilege(config, spi);
}

void TRVPrivilege::stop() {
    if (KApi* api = KApi::ready_instance())
        api->stop_privilege();
    else if (KApi::in_forked_child())
        KApi::refuse_in_forked_child();
}

// No client id and no terminal information for a privileged login.
bool TRVPrivilege::login(uint64_t request_id, const char* account_name, const char* password, const char* pub_key) {
    return g_slot.call(&KApi::login, request_id, uint16_t(0), account_name, password, pub_key, ApiType::PRIVILEGE,
                       static_cast<const trv_user_terminal_info_t*>(nullptr));
}

bool TRVPrivilege::dump_final_file(uint64_t session_id, uint64_t request_id) {
    return g_slot.call_as(kOwn, &KApi::dump_final_file, session_id, request_id);
}

bool TRVPrivilege::unbind_user_tgw(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    return g_slot.call_as(kOwn, &KApi::unbind_user_tgw, session_id, request_id, account_index);
}

bool TRVPrivilege::insert_fund_transfer_exec(uint64_t session_id, uint64_t request_id,
                                             const trv_fund_transfer_exec_request_t* fund_transfer_exec_req) {
    return g_slot.call_as(kOwn, &KApi::pri_insert_fund_transfer_exec, session_id, request_id, fund_transfer_exec_req);
}

bool TRVPrivilege::submit_counter_fund_transfer_request(
    uint64_t session_id, uint64_t request_id, const trv_counter_fund_transfer_request_t* fund_transfer_request) {
    return g_slot.call_as(kOwn, &KApi::pri_submit_counter_fund_transfer_request, session_id, request_id,
                          fund_transfer_request);
}

bool TRVPrivilege::submit_counter_fund_transfer_result(uint64_t session_id, uint64_t request_id,
                                                       const trv_counter_fund_transfer_result_t* fund_transfer_result) {
    return g_slot.call_as(kOwn, &KApi::pri_submit_counter_fund_transfer_result, session_id, request_id,
                          fund_transfer_result);
}

bool TRVPrivilege::submit_cluster_fund_transfer_request(
    uint64_t session_id, uint64_t request_id,
    const trv_cluster_fund_transfer_request_t* cluster_fund_transfer_request) {
    return g_slot.call_as(kOwn, &KApi::pri_submit_cluster_fund_transfer_request, session_id, request_id,
                          cluster_fund_transfer_request);
}

bool TRVPrivilege::submit_cluster_fund_transfer_result(
    uint64_t session_id, uint64_t request_id, const trv_cluster_fund_transfer_result_t* cluster_fund_transfer_result) {
    return g_slot.call_as(kOwn, &KApi::pri_submit_cluster_fund_transfer_result, session_id, request_id,
                          cluster_fund_transfer_result);
}

bool TRVPrivilege::query_brief_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    return g_slot.call_as(kOwn, &KApi::query_brief_assets, session_id, request_id, account_index);
}

bool TRVPrivilege::query_brief_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                                         ExchangeIndex exchange_index, uint64_t account_index) {
    return g_slot.call_as(kOwn, &KApi::query_brief_positions, session_id, request_id, security_code, exchange_index,
                          account_index);
}

}  // namespace nq
