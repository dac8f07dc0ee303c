// The trading facade: an empty object whose operations forward to the service
// provider, refused with 304 while the provider is not ready. Two do more:
// the fund-transfer submissions build their request record here (account
// index, source, amount, request time) before they forward it. Each session
// operation is made for the API it is called on (trading, or privileged on
// the privileged facade).
#include <cstring>
#include <new>

#include "api/facade/FacadeSlot.h"
#include "api/provider/KApi.h"
#include "api/security/OrderXid.h"
#include "framework/ApiLocalTime.h"
#include "trv_api.h"

namespace nq {

using api::KApi;

namespace {

api::FacadeSlot<TRVTradeApi> g_slot("trade api not initialized");

// The API a trading operation acts for: the privileged one when it is called
// on the privileged facade (which inherits it), else the trading one. The
// facade that was asked for is the object the operation runs on.
ApiType own_api(const TRVTradeApi* facade) {
    return facade == api::privileged_facade.load(std::memory_order_relaxed) ? ApiType::PRIVILEGE : ApiType::TRADE;
}

// A fund-transfer request of a trading user, all zero but the account index
// of the session or token (0 included), source OTHER, the amount and the
// local time as the number yyyymmddhhmmssmmm; the provider gives it its
// business number.
template <class Record>
Record transfer_record(KApi* api, uint64_t session_id, uint64_t trade_token, amount_t amount) {
    Record record;
    std::memset(&record, 0, sizeof record);
    record.account_index = api->get_account_index(session_id, trade_token);
    record.source = FundTransSource::OTHER;
    record.amount = amount;
    record.request_time = int64_t(api::ApiLocalTime::date_time_ms());
    return record;
}

}  // namespace

TRVTradeApi* TRVTradeApi::create() {
    return g_slot.create([]() -> TRVTradeApi* {
        TRVTradeApi* object = g_slot.checked(new (std::nothrow) TRVTradeApi(), "create trade api failed");
        // The provider's own failure is reported again by initialize.
        if (object != nullptr) KApi::create_singleton_or_get();
        return object;
    });
}

const char* TRVTradeApi::get_api_version() { return KApi::get_api_version(); }

trv_error_info_t TRVTradeApi::get_last_error() { return KApi::get_last_error(); }

uint64_t TRVTradeApi::get_order_sequence(uint64_t xid) { return api::xid_sequence(xid); }

bool TRVTradeApi::initialize(TRVTradeConfig* trade_config, TRVTradeSpi* trade_spi) {
    KApi* api = KApi::create_singleton_or_get();
    return api != nullptr && api->initialize_trade(trade_config, trade_spi);
}

void TRVTradeApi::stop() {
    if (KApi* api = KApi::ready_instance())
        api->stop_trade();
    else if (KApi::in_forked_child())
        KApi::refuse_in_forked_child();
}

bool TRVTradeApi::login(uint64_t request_id, uint16_t client_id, const char* account_name, const char* password,
                        const char* pub_key, const trv_user_terminal_info_t* info) {
    return g_slot.call(&KApi::login, request_id, client_id, account_name, password, pub_key, ApiType::TRADE, info);
}

bool TRVTradeApi::logout(uint64_t session_id) { return g_slot.call_as(own_api(this), &KApi::logout, session_id); }

bool TRVTradeApi::auth_trade(uint64_t session_id, uint64_t request_id, const char* account_name, const char* password,
                             const char* pub_key, const trv_user_terminal_info_t* info) {
    return g_slot.call_as(own_api(this), &KApi::auth, session_id, request_id, account_name, password, pub_key, info,
                          true);
}

bool TRVTradeApi::deauth_trade(uint64_t session_id, uint64_t request_id, uint64_t trade_token) {
    return g_slot.call_as(own_api(this), &KApi::deauth, session_id, request_id, trade_token);
}

uint32_t TRVTradeApi::get_trading_day() {
    KApi* api = g_slot.provider();
    return api != nullptr ? api->get_trading_day() : 0;
}

const trv_init_asset_info_t* TRVTradeApi::get_init_assets(uint64_t session_id, uint64_t trade_token) {
    return g_slot.call_as(own_api(this), &KApi::get_init_asset_info, session_id, trade_token);
}

const TRVInitPositionList* TRVTradeApi::get_init_positions(uint64_t session_id, uint64_t trade_token) {
    return g_slot.call_as(own_api(this), &KApi::get_init_position_list, session_id, trade_token);
}

uint64_t TRVTradeApi::get_account_index(uint64_t session_id, uint64_t trade_token) {
    return g_slot.call_as(own_api(this), &KApi::get_account_index, session_id, trade_token);
}

// The out-references read 0 and 0 unless the provider names a sender.
void TRVTradeApi::get_xid_sender(uint64_t xid, uint64_t& session_id, uint64_t& trade_token) {
    session_id = 0;
    trade_token = 0;
    g_slot.call(&KApi::get_xid_sender, xid, session_id, trade_token);
}

void TRVTradeApi::get_biz_sender(char* biz_no, uint64_t& session_id, uint64_t& trade_token) {
    session_id = 0;
    trade_token = 0;
    g_slot.call(&KApi::get_biz_sender, biz_no, session_id, trade_token);
}

bool TRVTradeApi::subscribe_trade_message(uint64_t session_id, uint64_t request_id,
                                          trade_message_type_t trade_message_type, TradeResumeType resume_type,
                                          uint64_t start_sequence) {
    return g_slot.call_as(own_api(this), &KApi::subscribe_trade_message, session_id, request_id, trade_message_type,
                          resume_type, start_sequence);
}

bool TRVTradeApi::rebuild_trade_message(uint64_t session_id, uint64_t request_id,
                                        trade_message_type_t trade_message_type, uint64_t start_sequence,
                                        uint64_t end_sequence, uint64_t account_index) {
    return g_slot.call_as(own_api(this), &KApi::rebuild_trade_message, session_id, request_id, trade_message_type,
                          start_sequence, end_sequence, account_index);
}

bool TRVTradeApi::query_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    return g_slot.call_as(own_api(this), &KApi::query_assets, session_id, request_id, account_index);
}

bool TRVTradeApi::query_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                                  ExchangeIndex exchange_index, uint64_t account_index) {
    return g_slot.call_as(own_api(this), &KApi::query_positions, session_id, request_id, security_code, exchange_index,
                          account_index);
}

bool TRVTradeApi::query_orders(uint64_t session_id, uint64_t request_id,
                               const trv_order_query_param_t* order_query_param, uint64_t account_index) {
    return g_slot.call_as(own_api(this), &KApi::query_orders, session_id, request_id, order_query_param, account_index);
}

bool TRVTradeApi::query_orders_by_page(uint64_t session_id, uint64_t request_id, uint32_t request_count,
                                       const trv_page_query_reference_t* query_reference, uint64_t account_index) {
    return g_slot.call_as(own_api(this), &KApi::query_orders_by_page, session_id, request_id, request_count,
                          query_reference, account_index);
}

bool TRVTradeApi::query_trades(uint64_t session_id, uint64_t request_id, uint64_t xid, uint64_t account_index) {
    return g_slot.call_as(own_api(this), &KApi::query_trades, session_id, request_id, xid, account_index);
}

bool TRVTradeApi::query_init_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    return g_slot.call_as(own_api(this), &KApi::query_init_assets, session_id, request_id, account_index);
}

bool TRVTradeApi::query_init_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                                       ExchangeIndex exchange_index, uint64_t account_index) {
    return g_slot.call_as(own_api(this), &KApi::query_init_positions, session_id, request_id, security_code,
                          exchange_index, account_index);
}

bool TRVTradeApi::query_trade_account_info(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    return g_slot.call_as(own_api(this), &KApi::query_trade_account_info, session_id, request_id, account_index);
}

void TRVTradeApi::init_local_send() { g_slot.call(&KApi::init_local_send); }

uint64_t TRVTradeApi::insert_order(uint64_t session_id, trv_order_insert_info_t* order, uint64_t trade_token) {
    return g_slot.call_as(own_api(this), &KApi::insert_order, session_id, order, trade_token);
}

uint64_t TRVTradeApi::cancel_order(uint64_t session_id, trv_cancel_order_info_t* cancel_order, uint64_t trade_token) {
    return g_slot.call_as(own_api(this), &KApi::cancel_order, session_id, cancel_order, trade_token);
}

bool TRVTradeApi::resend_order_request(uint64_t session_id, uint64_t xid) {
    return g_slot.call_as(own_api(this), &KApi::resend_order_request, session_id, xid);
}

bool TRVTradeApi::submit_counter_fund_transfer_request(uint64_t session_id, uint64_t request_id, FundTransSide side,
                                                       amount_t amount, char* biz_no, uint64_t trade_token) {
    KApi* api = g_slot.provider();
    if (api == nullptr) return false;
    api::KApiCallerScope scope(own_api(this));
    trv_counter_fund_transfer_request_t request =
        transfer_record<trv_counter_fund_transfer_request_t>(api, session_id, trade_token, amount);
    request.side = side;
    return api->user_submit_counter_fund_transfer_request(session_id, request_id, &request, biz_no, trade_token);
}

bool TRVTradeApi::submit_cluster_fund_transfer_request(uint64_t session_id, uint64_t request_id, amount_t amount,
                                                       char* biz_no, uint64_t trade_token) {
    KApi* api = g_slot.provider();
    if (api == nullptr) return false;
    api::KApiCallerScope scope(own_api(this));
    const trv_cluster_fund_transfer_request_t request =
        transfer_record<trv_cluster_fund_transfer_request_t>(api, session_id, trade_token, amount);
    return api->user_submit_cluster_fund_transfer_request(session_id, request_id, &request, biz_no, trade_token);
}

bool TRVTradeApi::dump_api_performance_info() { return KApi::dump_api_performance_info(); }

}  // namespace nq
