// The market-data facade: an empty object whose operations forward to the
// service provider, refused with 304 while the provider is not ready. Its
// creation leaves the provider alone: initialize brings it up.
#include <new>

#include "api/facade/FacadeSlot.h"
#include "api/provider/KApi.h"
#include "trv_api.h"

namespace nq {

using api::KApi;

namespace {

api::FacadeSlot<TRVQuoteApi> g_slot("quote api not initialized");

// The market-data API's operations take its sessions only.
constexpr ApiType kOwn = ApiType::QUOTE;

}  // namespace

TRVQuoteApi* TRVQuoteApi::create() {
    return g_slot.create(
        []() -> TRVQuoteApi* { return g_slot.checked(new (std::nothrow) TRVQuoteApi(), "create quote api failed"); });
}

const char* TRVQuoteApi::get_api_version() { return KApi::get_api_version(); }

trv_error_info_t TRVQuoteApi::get_last_error() { return KApi::get_last_error(); }

bool TRVQuoteApi::initialize(TRVQuoteConfig* quote_config, TRVQuoteSpi* quote_spi) {
    KApi* api = KApi::create_singleton_or_get();
    return api != nullptr && api->initialize_quote(quote_config, quote_spi);
}

void TRVQuoteApi::stop() {
    if (KApi* api = KApi::ready_instance())
        api->stop_quote();
    else if (KApi::in_forked_child())
        KApi::refuse_in_forked_child();
}

uint32_t TRVQuoteApi::get_trading_day() {
    KApi* api = g_slot.provider();
    return api != nullptr ? api->get_trading_day() : 0;
}

bool TRVQuoteApi::login(uint64_t request_id, uint16_t client_id, const char* account_name, const char* password,
                        const char* pub_key, const trv_user_terminal_info_t* info) {
    return g_slot.call(&KApi::login, request_id, client_id, account_name, password, pub_key, ApiType::QUOTE, info);
}

bool TRVQuoteApi::logout(uint64_t session_id) { return g_slot.call_as(kOwn, &KApi::logout, session_id); }

bool TRVQuoteApi::subscribe_quote(uint64_t session_id, uint16_t thread_count, quote_thread_t* quote_threads,
                                  QuoteRxMode rx_mode) {
    return g_slot.call_as(kOwn, &KApi::subscribe_quote, session_id, thread_count, quote_threads, rx_mode);
}

bool TRVQuoteApi::unsubscribe_quote(uint64_t session_id) { return g_slot.call(&KApi::unsubscribe_quote, session_id); }

bool TRVQuoteApi::query_static_quote_info(uint64_t session_id, uint64_t request_id) {
    return g_slot.call_as(kOwn, &KApi::query_static_quote_info, session_id, request_id);
}

bool TRVQuoteApi::query_level1_quote(uint64_t session_id, uint64_t request_id, ExchangeIndex exchange_index,
                                     const char* security_code) {
    return g_slot.call_as(kOwn, &KApi::query_level1_quote, session_id, request_id, exchange_index, security_code);
}

bool TRVQuoteApi::query_all_level1_quote(uint64_t session_id, uint64_t request_id) {
    return g_slot.call_as(kOwn, &KApi::query_all_level1_quote, session_id, request_id);
}

bool TRVQuoteApi::request_rebuild_tick_quote(uint64_t session_id, uint64_t request_id,
                                             const trv_rebuild_tick_quote_req_t* request) {
    return g_slot.call_as(kOwn, &KApi::request_rebuild_tick_quote, session_id, request_id, request);
}

}  // namespace nq
