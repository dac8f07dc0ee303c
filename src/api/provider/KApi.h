// The one service provider of the process, behind all three facades. It is
// created once, from the environment, and lives until the process ends: it
// owns the business state, the framework and the three API contexts.
#pragma once
#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "TrvVersion.h"
#include "api/provider/TRVApiConfig.h"
#include "framework/ServiceProvider.h"
#include "trv_api.h"

namespace nq { namespace api {

class KApi;
class KApiBusiness;
class KApiFramework;
class KApiCrontab;
class KApiPrivilegeContext;
class KApiTradeContext;
class KApiQuoteContext;
class ApiTradeToken;
class KApiSession;
struct request_info_t;

template <unsigned long N>
class TApiServiceProvider : public ServiceProvider {
public:
    // Set as soon as the provider object exists (before its initialisation)
    // and cleared again when that initialisation fails.
    static std::atomic<KApi*> instance_;
};
template <>
std::atomic<KApi*> TApiServiceProvider<2ul>::instance_;

class KApi : public TApiServiceProvider<2ul> {
public:
    static constexpr const char* kApiVersion = kTrvVersion;
    static constexpr unsigned long kRequestTimerQueue = 1;
    static constexpr unsigned long kLogRegionMb = 128;

    KApi();
    ~KApi() override;

    // The provider, created on the first call (the caller's thread then runs
    // at SCHED_FIFO 21); null when it could not be built. A failed creation
    // is final: every later call returns null with the first failure as the
    // calling thread's last error. A caller that finds the creation under way
    // sleeps until it ends (woken by the creator) instead of spinning, which
    // under SCHED_FIFO on the creator's only core would never end. In a forked
    // child of a process whose provider exists: null, refused (304).
    static KApi* create_singleton_or_get();
    // The provider once it is ready, else null; never builds it.
    static KApi* ready_instance();
    // The provider once it is ready and an API has been initialised, else
    // null: what the facades' operations other than create, initialize and
    // stop work on (one load on the order path).
    static KApi* serving_instance() { return serving_.load(std::memory_order_acquire); }
    // True in a child forked from a process whose provider was created (or
    // being created): the provider's threads, connections and log belong to
    // the parent, so the child refuses every call (last error 304).
    static bool in_forked_child();
    // Sets the calling thread's last error for a call refused in a forked
    // child.
    static void refuse_in_forked_child();

    bool initialize() override;
    bool init_log() override;
    // "timer": queue 1 request timeouts, queue 2 order timeouts.
    void on_timer(unsigned long queue_id, void* data) override;
    // Keeps the stocks of the order-sending threads filled.
    void on_timer_recycle() override;
    void on_request_timer(void* data);
    // An order or cancel without a report when its timer fires is reported
    // once by on_order_timeout of the trading API's callback object, also
    // when its session has been lost or closed meanwhile (its datagram may
    // have reached the exchange); nothing once the trading API is stopped.
    void on_order_timer(void* data);

    bool initialize_trade(nq::TRVTradeConfig* config, nq::TRVTradeSpi* spi);
    bool initialize_quote(nq::TRVQuoteConfig* config, nq::TRVQuoteSpi* spi);
    bool initialize_privilege(nq::TRVPrivilegeConfig* config, nq::TRVPrivilegeSpi* spi);

    // Clear the API's callbacks and close its sessions; they return once no
    // callback of that API runs on another thread, and none begins later (a
    // stop called from inside a callback does not wait for that callback).
    void stop_trade();
    void stop_quote();
    void stop_privilege();
    // Clears, in every session object, the callback slots that hold own_spi
    // (the stopped API's callback object), and in the market-data receivers
    // for a market-data stop, and closes the open sessions of that API type
    // without waiting.
    void stop_sessions_by_type(nq::ApiType type, const void* own_spi);
    void check_and_stop_service();

    static nq::trv_error_info_t get_last_error();
    static const char* get_api_version() { return kApiVersion; }
    uint32_t get_trading_day() const;
    static bool dump_api_performance_info();

    // Operations whose behaviour is added by the login, order, query, quote
    // and fund-transfer layers.
    // login: the API mutex is not held while connecting, only before (the
    // API's state) and after (the session's login state, with the API's state
    // looked at again: a stop meanwhile refuses the login and closes the new
    // session), so a gateway that drops the attempts holds up no other login
    // and no stop; the attempts take at most the request timeout together.
    bool login(uint64_t request_id, uint16_t client_id, const char* account_name, const char* password,
               const char* pub_key, nq::ApiType type, const nq::trv_user_terminal_info_t* info);
    bool logout(uint64_t session_id);
    bool auth(uint64_t session_id, uint64_t request_id, const char* account_name, const char* password,
              const char* pub_key, const nq::trv_user_terminal_info_t* info, bool on_behalf);
    bool deauth(uint64_t session_id, uint64_t request_id, uint64_t trade_token);
    // Token requests (1411) the library makes by itself: they only log.
    bool request_token(uint64_t session_id, uint64_t request_id, uint64_t trade_token);
    bool delay_request_token(uint64_t session_id, uint64_t request_id, uint64_t trade_token);
    // The security table (1035), asked for during the first login.
    bool query_security_info(uint64_t session_id, uint64_t request_id);

    // The one place where a login ends. Runs once per login: a second call
    // for the same session finds the login done and does nothing. With an
    // error the login account is released and the session closed after the
    // user's on_login, which gets the id of that (closing) session.
    void on_login(uint64_t session_id, const nq::trv_error_info_t* error);
    // Completes the login request and reports success, unless the login
    // request already timed out.
    void on_login_end(uint64_t session_id);
    // One UDP heartbeat (1286) for the token at its order node.
    void heart_beat_trade(ApiTradeToken* token);
    // One "crontab" pass: missing tokens are asked for, live ones kept alive.
    void refresh_token();
    // Closes the session's own authorisation record and forgets its token.
    void release_own_auth(uint64_t session_id);

    // Runs the timeout operation of the handler of the request's awaited
    // answer; set by the handler component when it is loaded.
    typedef void (*request_timeout_func_t)(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error);
    static request_timeout_func_t request_timeout_func_;
    uint64_t get_account_index(uint64_t session_id, uint64_t trade_token);
    const nq::trv_init_asset_info_t* get_init_asset_info(uint64_t session_id, uint64_t trade_token);
    const nq::TRVInitPositionList* get_init_position_list(uint64_t session_id, uint64_t trade_token);
    void get_xid_sender(uint64_t xid, uint64_t& session_id, uint64_t& trade_token);
    void get_biz_sender(char* biz_no, uint64_t& session_id, uint64_t& trade_token);
    bool subscribe_trade_message(uint64_t session_id, uint64_t request_id, nq::trade_message_type_t type,
                                 nq::TradeResumeType resume_type, uint64_t start_sequence);
    bool rebuild_trade_message(uint64_t session_id, uint64_t request_id, nq::trade_message_type_t type,
                               uint64_t start_sequence, uint64_t end_sequence, uint64_t account_index);
    bool query_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index);
    bool query_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                         nq::ExchangeIndex exchange_index, uint64_t account_index);
    bool query_orders(uint64_t session_id, uint64_t request_id, const nq::trv_order_query_param_t* param,
                      uint64_t account_index);
    bool query_orders_by_page(uint64_t session_id, uint64_t request_id, uint32_t request_count,
                              const nq::trv_page_query_reference_t* reference, uint64_t account_index);
    bool query_trades(uint64_t session_id, uint64_t request_id, uint64_t xid, uint64_t account_index);
    bool query_init_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index);
    bool query_init_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                              nq::ExchangeIndex exchange_index, uint64_t account_index);
    bool query_trade_account_info(uint64_t session_id, uint64_t request_id, uint64_t account_index);
    bool query_brief_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index);
    bool query_brief_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                               nq::ExchangeIndex exchange_index, uint64_t account_index);
    // fund_account: at most 14 characters; a longer name is refused (309)
    // rather than cut, which would ask for another account. No facade sends it.
    __attribute__((visibility("default"))) bool query_fund_trade_account_index(uint64_t session_id, uint64_t request_id,
                                                                               const char* fund_account);
    void init_local_send();
    uint64_t insert_order(uint64_t session_id, nq::trv_order_insert_info_t* order, uint64_t trade_token);
    uint64_t cancel_order(uint64_t session_id, nq::trv_cancel_order_info_t* cancel_order, uint64_t trade_token);
    bool resend_order_request(uint64_t session_id, uint64_t xid);
    bool user_submit_counter_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                                   const nq::trv_counter_fund_transfer_request_t* request, char* biz_no,
                                                   uint64_t trade_token);
    bool user_submit_cluster_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                                   const nq::trv_cluster_fund_transfer_request_t* request, char* biz_no,
                                                   uint64_t trade_token);
    bool dump_final_file(uint64_t session_id, uint64_t request_id);
    bool unbind_user_tgw(uint64_t session_id, uint64_t request_id, uint64_t account_index);
    bool pri_insert_fund_transfer_exec(uint64_t session_id, uint64_t request_id,
                                       const nq::trv_fund_transfer_exec_request_t* request);
    bool pri_submit_counter_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                                  const nq::trv_counter_fund_transfer_request_t* request);
    bool pri_submit_counter_fund_transfer_result(uint64_t session_id, uint64_t request_id,
                                                 const nq::trv_counter_fund_transfer_result_t* result);
    bool pri_submit_cluster_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                                  const nq::trv_cluster_fund_transfer_request_t* request);
    bool pri_submit_cluster_fund_transfer_result(uint64_t session_id, uint64_t request_id,
                                                 const nq::trv_cluster_fund_transfer_result_t* result);
    bool subscribe_quote(uint64_t session_id, uint16_t thread_count, nq::quote_thread_t* quote_threads,
                         nq::QuoteRxMode rx_mode);
    bool unsubscribe_quote(uint64_t session_id);
    bool query_static_quote_info(uint64_t session_id, uint64_t request_id);
    bool query_level1_quote(uint64_t session_id, uint64_t request_id, nq::ExchangeIndex exchange_index,
                            const char* security_code);
    bool query_all_level1_quote(uint64_t session_id, uint64_t request_id);
    bool request_rebuild_tick_quote(uint64_t session_id, uint64_t request_id,
                                    const nq::trv_rebuild_tick_quote_req_t* request);

    ApiConfig<2ul>* config_;
    KApiBusiness* business_;
    KApiFramework* framework_;
    pthread_mutex_t api_mutex_;
    std::atomic<KApiPrivilegeContext*> privilege_context_;
    std::atomic<KApiTradeContext*> trade_context_;
    std::atomic<KApiQuoteContext*> quote_context_;
    std::atomic<unsigned char> trade_stopped_;
    std::atomic<unsigned char> quote_stopped_;
    std::atomic<unsigned char> privilege_stopped_;
    // Set once every service thread has been told to stop: nothing can be
    // initialised on a dead service.
    std::atomic<unsigned char> service_stopped_;
    KApiCrontab* crontab_;

    // The callback objects that each stopped API waits for, indexed by API
    // type (its trading form second, for the privileged API).
    std::atomic<const void*> stopped_spi_[3][2];

    static std::atomic<int> singleton_init_flag_;  // 0 none, 1 being built, 2 ready, 3 failed, 4 forked
    static std::atomic<KApi*> singleton_ptr_;
    static std::atomic<KApi*> serving_;

private:
    // True for the first stop of the API (the stopped byte goes from 0 to 1);
    // any other waits until that stop has cleared the callbacks, then for
    // the callbacks under way, and returns false.
    bool begin_stop(std::atomic<unsigned char>& stopped, nq::ApiType type);
    // The callbacks are cleared: marks the API stopped (2) and waits for its
    // callbacks under way on other threads.
    void end_stop(std::atomic<unsigned char>& stopped, nq::ApiType type, const void* spi, const void* also);

    // The calling thread's last error after a failed creation: the first
    // failure, as it was reported to the thread that saw it.
    static void report_creation_failure();

    static nq::trv_error_info_t creation_error_;
};

}}  // namespace nq::api
