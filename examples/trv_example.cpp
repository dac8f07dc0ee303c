// Example trading program: creates the trading, market-data and privileged
// facades, initialises each with a configuration on loopback, prints the
// library version and the trading day, stops the three APIs and shows the
// log the library wrote.
//
// Given a gateway port (trv_example PORT, e.g. of the stand-in counter
// trv_counter), it also logs in on the trading API, which authorises the
// account and receives its trade token, queries assets and positions, sends
// an order and a cancel of it, queries the orders and trades back, submits a
// fund transfer and waits for its pushed outcome, prints each callback as it
// arrives, and logs out. It then logs in on the market-data API, subscribes
// to the channels the counter announces, decodes a few of the datagrams that
// arrive, unsubscribes and logs out.
//
// The log directory comes from TRV_FILE_PATH (default: the working
// directory); the log level from TRV_LOG_LEVEL.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#include "trv_api.h"

namespace {

const char* error_text(const nq::trv_error_info_t* e) { return e != nullptr ? e->error_msg : "none"; }

class ExampleTradeSpi : public nq::TRVTradeSpi {
public:
    void on_disconnect(uint64_t session_id) override { std::printf("trade session %" PRIu64 " lost\n", session_id); }
    void on_login(uint64_t session_id, uint64_t request_id, const nq::trv_error_info_t* error) override {
        std::printf("on_login: session %" PRIu64 ", request %" PRIu64 ", error: %s\n", session_id, request_id,
                    error_text(error));
        std::lock_guard<std::mutex> lock(mutex_);
        session_ = error == nullptr ? session_id : 0;
        ++events_;
        changed_.notify_all();
    }
    void on_query_assets(uint64_t, uint64_t request_id, const nq::TRVAssetList* assets, bool is_last,
                         const nq::trv_error_info_t* error) override {
        const size_t rows = assets != nullptr ? assets->data_count() : 0;
        for (size_t i = 0; i < rows; ++i)
            std::printf("on_query_assets: request %" PRIu64 ", account %" PRIu64 ", available %" PRId64 "\n",
                        request_id, assets->get(static_cast<int>(i))->account_index,
                        static_cast<int64_t>(assets->get(static_cast<int>(i))->available_amount));
        if (is_last || error != nullptr) end_query("on_query_assets", request_id, error);
    }
    void on_query_positions(uint64_t, uint64_t request_id, const nq::TRVPositionList* positions, bool is_last,
                            const nq::trv_error_info_t* error) override {
        const size_t rows = positions != nullptr ? positions->data_count() : 0;
        for (size_t i = 0; i < rows; ++i)
            std::printf("on_query_positions: request %" PRIu64 ", account %" PRIu64 ", code %.8s\n", request_id,
                        positions->get(static_cast<int>(i))->account_index,
                        positions->get(static_cast<int>(i))->security_code);
        if (is_last || error != nullptr) end_query("on_query_positions", request_id, error);
    }

    void on_order_response(uint64_t, const nq::trv_msg_desc_t* desc, const nq::trv_order_response_t* r) override {
        std::printf("on_order_response: xid %" PRIu64 ", sequence %" PRIu64 ", price %" PRId64 ", quantity %" PRId64
                    "\n",
                    r->xid, desc->sequence, static_cast<int64_t>(r->price), static_cast<int64_t>(r->quantity));
        count_event();
    }
    void on_trade_report(uint64_t, const nq::trv_msg_desc_t* desc, const nq::trv_trade_report_t* r) override {
        std::printf("on_trade_report: xid %" PRIu64 ", sequence %" PRIu64 "\n", r->xid, desc->sequence);
        count_event();
    }
    void on_cancel_response(uint64_t, const nq::trv_msg_desc_t* desc, const nq::trv_cancel_response_t* r) override {
        std::printf("on_cancel_response: xid %" PRIu64 ", sequence %" PRIu64 "\n", r->xid, desc->sequence);
        count_event();
    }
    void on_order_error_response(uint64_t, const nq::trv_msg_desc_t*,
                                 const nq::trv_order_error_response_t* r) override {
        std::printf("on_order_error_response: xid %" PRIu64 "\n", r->xid);
        count_event();
    }
    void on_counter_fund_transfer_request(uint64_t, const nq::trv_msg_desc_t*,
                                          const nq::trv_counter_fund_transfer_request_t* r) override {
        std::printf("on_counter_fund_transfer_request: biz_no %.20s, amount %" PRId64 "\n", r->biz_no,
                    static_cast<int64_t>(r->amount));
    }
    void on_counter_fund_transfer_result(uint64_t, const nq::trv_msg_desc_t*,
                                         const nq::trv_counter_fund_transfer_result_t* r) override {
        std::printf("on_counter_fund_transfer_result: biz_no %.20s, status %d\n", r->biz_no,
                    static_cast<int>(r->status));
        count_event();
    }
    void on_order_timeout(uint64_t session_id, uint64_t xid) override {
        std::printf("on_order_timeout: session %" PRIu64 ", xid %" PRIu64 "\n", session_id, xid);
    }
    void on_query_orders(uint64_t, uint64_t request_id, const nq::TRVOrderList* orders, bool is_last,
                         const nq::trv_error_info_t* error) override {
        const size_t rows = orders != nullptr ? orders->data_count() : 0;
        std::printf("on_query_orders: request %" PRIu64 ", %zu rows\n", request_id, rows);
        if (is_last || error != nullptr) end_query("on_query_orders", request_id, error);
    }
    void on_query_trades(uint64_t, uint64_t request_id, const nq::TRVTradeReportList* trades, bool is_last,
                         const nq::trv_error_info_t* error) override {
        const size_t rows = trades != nullptr ? trades->data_count() : 0;
        std::printf("on_query_trades: request %" PRIu64 ", %zu rows\n", request_id, rows);
        if (is_last || error != nullptr) end_query("on_query_trades", request_id, error);
    }

    // Waits until `count` callbacks ended something (login, queries,
    // reports), at most `seconds`.
    bool wait_events(int count, int seconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(seconds), [&] { return events_ >= count; });
    }
    uint64_t session() {
        std::lock_guard<std::mutex> lock(mutex_);
        return session_;
    }

private:
    void end_query(const char* what, uint64_t request_id, const nq::trv_error_info_t* error) {
        std::printf("%s: request %" PRIu64 " done, error: %s\n", what, request_id, error_text(error));
        count_event();
    }
    void count_event() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++events_;
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    int events_ = 0;
    uint64_t session_ = 0;
};

class ExampleQuoteSpi : public nq::TRVQuoteSpi {
public:
    void on_disconnect(uint64_t session_id) override { std::printf("quote session %" PRIu64 " lost\n", session_id); }
    void on_login(uint64_t session_id, uint64_t request_id, const nq::trv_error_info_t* error) override {
        std::printf("quote on_login: session %" PRIu64 ", request %" PRIu64 ", error: %s\n", session_id, request_id,
                    error_text(error));
        std::lock_guard<std::mutex> lock(mutex_);
        session_ = error == nullptr ? session_id : 0;
        login_done_ = true;
        changed_.notify_all();
    }
    // Runs on the library's receiver threads: decode the payload and print
    // the first few records.
    void on_quote(nq::QuoteMCType mc_type, const void* data, uint32_t len) override {
        char line[160];
        line[0] = '\0';
        if (mc_type == nq::TRV_SSE_L1 || mc_type == nq::TRV_SZSE_L1) {
            nq::TRVQuoteDecoder decoder(mc_type, data, len);
            while (nq::TRVQuoteItem* item = decoder.get_next()) {
                if (item->data_type == nq::SSE_L1_SNAPSHOT)
                    std::snprintf(line, sizeof line, "level 1 SSE snapshot %.9s, last %" PRIu64,
                                  item->data.sse_l1_snapshot->security_code,
                                  static_cast<uint64_t>(item->data.sse_l1_snapshot->last_px));
                else if (item->data_type == nq::SZSE_L1_SNAPSHOT)
                    std::snprintf(line, sizeof line, "level 1 SZSE snapshot %.9s, last %" PRIu64,
                                  item->data.szse_l1_snapshot->security_code,
                                  static_cast<uint64_t>(item->data.szse_l1_snapshot->last_px));
            }
        } else {
            nq::mqr::MQRQuoteDecoder decoder(mc_type, data, len);
            while (nq::mqr::MQRQuoteItem* item = decoder.get_next()) {
                if (mc_type == nq::DVS_SSE_L2_STOCK_TICK)
                    std::snprintf(line, sizeof line, "level 2 SSE tick %.8s, price %u, quantity %" PRIu64,
                                  item->data.sse_lev2_tick_merge->m_symbol,
                                  static_cast<unsigned>(item->data.sse_lev2_tick_merge->m_price),
                                  static_cast<uint64_t>(item->data.sse_lev2_tick_merge->m_quantity));
                else
                    std::snprintf(line, sizeof line, "level 2 record of type %u", unsigned(item->data_type));
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (line[0] != '\0' && printed_[mc_type == nq::TRV_SSE_L1 ? 0 : 1] < 3) {
            ++printed_[mc_type == nq::TRV_SSE_L1 ? 0 : 1];
            std::printf("on_quote: channel %u, %u bytes: %s\n", unsigned(mc_type), len, line);
        }
        ++quotes_;
        changed_.notify_all();
    }

    bool wait_login(int seconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(seconds), [&] { return login_done_; }) && session_ != 0;
    }
    bool wait_quotes(int count, int seconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(seconds), [&] { return quotes_ >= count; });
    }
    uint64_t session() {
        std::lock_guard<std::mutex> lock(mutex_);
        return session_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool login_done_ = false;
    uint64_t session_ = 0;
    int quotes_ = 0;
    int printed_[2] = {0, 0};
};

class ExamplePrivilegeSpi : public nq::TRVPrivilegeSpi {
public:
    void on_disconnect(uint64_t session_id) override {
        std::printf("privileged session %" PRIu64 " lost\n", session_id);
    }
};

int fail(const char* what) {
    const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
    std::fprintf(stderr, "%s failed: [%" PRIu64 "] %s\n", what, e.error_code_type, e.error_msg);
    return 1;
}

// The counter's gateways would listen here; nothing is contacted before a login.
constexpr uint16_t kGatewayPort = 6001;

// Log in, let the library authorise the account and fetch its trade token,
// query, log out. False when the login does not succeed.
bool trade_session(nq::TRVTradeApi* trade, ExampleTradeSpi& spi) {
    if (!trade->login(1, 1, "demo", "demo-password", "demo-key")) {
        fail("login");
        return false;
    }
    if (!spi.wait_events(1, 15) || spi.session() == 0) {
        std::fprintf(stderr, "login did not succeed\n");
        return false;
    }
    const uint64_t session = spi.session();
    // A normal account's login ends once its own trade token has arrived.
    std::printf("logged in: session %" PRIu64 ", trading day %u, trade account %" PRIu64 "\n", session,
                trade->get_trading_day(), trade->get_account_index(session));
    const nq::TRVInitPositionList* init_positions = trade->get_init_positions(session);
    std::printf("start-of-day positions: %zu\n", init_positions != nullptr ? init_positions->data_count() : 0);

    int expected = 1;
    if (trade->query_assets(session, 2))
        ++expected;
    else
        fail("query_assets");
    if (trade->query_positions(session, 3, ""))
        ++expected;
    else
        fail("query_positions");
    spi.wait_events(expected, 10);

    // An order (answered by the counter with an order response and a trade
    // report) and a cancel of it (answered with a cancel response).
    nq::trv_order_insert_info_t order{};
    order.price = 105000;  // 10.50
    order.quantity = 100;
    std::snprintf(order.security_code, sizeof order.security_code, "%s", "600000");
    order.exchange_index = nq::ExchangeIndex::SH;
    order.order_type = nq::OrderType::LIMIT_PRICE;
    order.side = nq::Side::BUY;
    order.business_type = nq::BusinessType::CASH;
    const uint64_t xid = trade->insert_order(session, &order);
    if (xid != 0) {
        std::printf("insert_order: xid %" PRIu64 ", order sequence %" PRIu64 "\n", xid,
                    nq::TRVTradeApi::get_order_sequence(xid));
        expected += 2;
        spi.wait_events(expected, 10);
        nq::trv_cancel_order_info_t cancel{};
        cancel.origin_xid = xid;
        const uint64_t cancel_xid = trade->cancel_order(session, &cancel);
        if (cancel_xid != 0) {
            std::printf("cancel_order: xid %" PRIu64 " cancels %" PRIu64 "\n", cancel_xid, xid);
            ++expected;
        } else {
            fail("cancel_order");
        }
        spi.wait_events(expected, 10);
    } else {
        fail("insert_order");
    }

    nq::trv_order_query_param_t orders{};  // every order of the day
    if (trade->query_orders(session, 5, &orders))
        ++expected;
    else
        fail("query_orders");
    if (trade->query_trades(session, 6, 0))
        ++expected;
    else
        fail("query_trades");
    spi.wait_events(expected, 10);

    // A fund transfer into this counter; its outcome is pushed later.
    char biz_no[20] = {};
    if (trade->submit_counter_fund_transfer_request(session, 7, nq::FundTransSide::IN, 5000000, biz_no)) {
        std::printf("fund transfer submitted: business number %.20s\n", biz_no);
        ++expected;
    } else {
        fail("submit_counter_fund_transfer_request");
    }
    spi.wait_events(expected, 10);

    if (!trade->logout(session)) {
        fail("logout");
        return false;
    }
    std::printf("logged out: session %" PRIu64 "\n", session);
    return true;
}

// Log in for market data, receive the channels the counter announces on two
// receiver threads (level 1 and a level-2 tick channel), decode a few
// datagrams, unsubscribe and log out.
bool quote_session(nq::TRVQuoteApi* quote, ExampleQuoteSpi& spi) {
    if (!quote->login(11, 2, "demo", "demo-password", "demo-key")) {
        fail("quote login");
        return false;
    }
    if (!spi.wait_login(15)) {
        std::fprintf(stderr, "quote login did not succeed\n");
        return false;
    }
    const uint64_t session = spi.session();
    nq::quote_thread_t threads[2] = {};
    threads[0].cpu_affinity = -1;
    threads[0].mc_count = 1;
    threads[0].mc_types[0] = nq::TRV_SSE_L1;
    threads[1].cpu_affinity = -1;
    threads[1].mc_count = 1;
    threads[1].mc_types[0] = nq::DVS_SSE_L2_STOCK_TICK;
    // The channel table arrives with the login answer; give it a moment.
    bool subscribed = false;
    for (int i = 0; i < 50 && !subscribed; ++i) {
        subscribed = quote->subscribe_quote(session, 2, threads);
        if (!subscribed) usleep(100 * 1000);
    }
    if (!subscribed) {
        fail("subscribe_quote");
    } else {
        std::printf("subscribed: session %" PRIu64 ", 2 receiver threads\n", session);
        if (!spi.wait_quotes(6, 15)) std::fprintf(stderr, "fewer quotes than expected arrived\n");
        if (quote->unsubscribe_quote(session))
            std::printf("unsubscribed\n");
        else
            fail("unsubscribe_quote");
    }
    if (!quote->logout(session)) {
        fail("quote logout");
        return false;
    }
    std::printf("quote logged out: session %" PRIu64 "\n", session);
    return subscribed;
}

}  // namespace

int main(int argc, char** argv) {
    const uint16_t gateway_port = argc > 1 ? static_cast<uint16_t>(std::strtoul(argv[1], nullptr, 10)) : 0;
    const uint16_t port = gateway_port != 0 ? gateway_port : kGatewayPort;
    nq::TRVTradeApi* trade = nq::TRVTradeApi::create();
    nq::TRVQuoteApi* quote = nq::TRVQuoteApi::create();
    nq::TRVPrivilege* privilege = nq::TRVPrivilege::create();
    if (trade == nullptr || quote == nullptr || privilege == nullptr) return fail("create");

    nq::TRVTradeConfig trade_config;
    if (!trade_config.set_local_addr("127.0.0.1", "127.0.0.1") || !trade_config.add_agw_addr("127.0.0.1", port))
        return fail("trade configuration");
    trade_config.set_order_timeout(10);

    nq::TRVQuoteConfig quote_config;
    if (!quote_config.set_local_addr("127.0.0.1", "127.0.0.1") || !quote_config.add_agw_addr("127.0.0.1", port))
        return fail("quote configuration");
    quote_config.set_use_level2(true);

    nq::TRVPrivilegeConfig privilege_config;
    if (!privilege_config.set_local_addr("127.0.0.1", "127.0.0.1") || !privilege_config.add_agw_addr("127.0.0.1", port))
        return fail("privilege configuration");

    // The callback objects must outlive the APIs that use them.
    static ExampleTradeSpi trade_spi;
    static ExampleQuoteSpi quote_spi;
    static ExamplePrivilegeSpi privilege_spi;
    if (!trade->initialize(&trade_config, &trade_spi)) return fail("trade initialize");
    if (!quote->initialize(&quote_config, &quote_spi)) return fail("quote initialize");
    if (!privilege->initialize(&privilege_config, &privilege_spi)) return fail("privilege initialize");

    std::printf("api version: %s\n", nq::TRVTradeApi::get_api_version());
    // The counter names the trading day in its login answer; until a login
    // the library does not know it.
    const unsigned trading_day = trade->get_trading_day();
    if (trading_day == 0)
        std::printf("trading day: not known yet (the counter gives it at login)\n");
    else
        std::printf("trading day: %u\n", trading_day);
    const bool session_ok = gateway_port == 0 || (trade_session(trade, trade_spi) && quote_session(quote, quote_spi));

    privilege->stop();
    quote->stop();
    trade->stop();  // the last one stops the library's service threads
    std::printf("all APIs stopped\n");

    const char* dir = getenv("TRV_FILE_PATH");
    if (dir == nullptr || dir[0] == '\0') dir = ".";
    const time_t now = time(nullptr);
    struct tm day;
    localtime_r(&now, &day);
    char path[1024];
    std::snprintf(path, sizeof path, "%s/tarvel_%d.log", dir,
                  (day.tm_year + 1900) * 10000 + (day.tm_mon + 1) * 100 + day.tm_mday);
    usleep(100 * 1000);  // the logger writes on its own thread
    std::printf("log written to %s\n", path);
    if (FILE* f = std::fopen(path, "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, f)) std::fputs(line, stdout);
        std::fclose(f);
    }
    return session_ok ? 0 : 1;
}
