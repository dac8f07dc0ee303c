// The public facades, reached only through the shared library. Each TEST runs
// in its own process: most of them must see a process without the service
// provider, the rest create it.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "trv_api.h"

namespace {

std::set<std::string> thread_names() {
    std::set<std::string> names;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.') continue;
            std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/comm");
            std::string comm((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!comm.empty() && comm.back() == '\n') comm.pop_back();
            names.insert(comm);
        }
        closedir(d);
    }
    return names;
}

const std::vector<std::string> kServiceThreads = {"timer",        "timer_recycle", "log_main",      "log_write",
                                                  "mio_sender",   "msg_receiver",  "mio_heartbeat", "msg_handler",
                                                  "delay_sender", "crontab"};
const std::vector<std::string> kLoggerThreads = {"log_main", "log_write"};

// The service threads that run now, in the order of kServiceThreads.
std::vector<std::string> running_service_threads() {
    const std::set<std::string> names = thread_names();
    std::vector<std::string> running;
    for (const std::string& name : kServiceThreads)
        if (names.count(name)) running.push_back(name);
    return running;
}

// Polls until exactly `expected` run; 20 s is a failure bound only.
bool service_threads_become(const std::vector<std::string>& expected) {
    for (int round = 0; round < 4000 && running_service_threads() != expected; ++round)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return running_service_threads() == expected;
}

// Log files of the tests that start the provider go to a scratch directory.
void use_scratch_log_directory() {
    char tmpl[] = "/tmp/trv_facade_test.XXXXXX";
    const char* dir = mkdtemp(tmpl);
    ASSERT_NE(dir, nullptr);
    setenv("TRV_FILE_PATH", dir, 1);
}

void expect_error(uint64_t type, const char* message) {
    const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
    EXPECT_EQ(e.error_code_type, type);
    EXPECT_EQ(e.error_code, 0u);
    EXPECT_STREQ(e.error_msg, message);
}

// Order id of token t and sequence s, as the counter forms it.
uint64_t make_xid(uint64_t t, uint64_t s) { return t << 28 | s << 8 | ((t + s) & 0xff); }

TEST(FacadeStatics, VersionAndOrderIdFields) {
    EXPECT_STREQ(nq::TRVTradeApi::get_api_version(), "v1.6.0.23");
    EXPECT_STREQ(nq::TRVQuoteApi::get_api_version(), "v1.6.0.23");
    struct Case {
        uint64_t token, sequence;
    } const cases[] = {{1, 1}, {7, 0}, {0, 0xfffff}, {0xfffffffffull, 0xfffff}, {0x123456789ull, 0x8000f}, {255, 1}};
    for (const Case& c : cases) {
        const uint64_t xid = make_xid(c.token, c.sequence);
        EXPECT_EQ(nq::TRVTradeApi::get_order_sequence(xid), c.sequence) << std::hex << xid;
        EXPECT_EQ(nq::TRVPrivilege::get_order_sequence(xid), c.sequence) << std::hex << xid;
        EXPECT_EQ(nq::TRVPrivilege::xid_to_token_id(xid), c.token) << std::hex << xid;
    }
    // Static queries never need the provider.
    EXPECT_TRUE(running_service_threads().empty());
}

TEST(FacadeStatics, FreshThreadHasNoLastError) {
    const nq::trv_error_info_t e = nq::TRVQuoteApi::get_last_error();
    EXPECT_EQ(e.error_code_type, 0u);
    EXPECT_EQ(e.error_code, 0u);
    EXPECT_STREQ(e.error_msg, "");
}

TEST(FacadeStatics, PerformanceDumpWithoutMonitorFails) {
    nq::TRVPrivilege* privilege = nq::TRVPrivilege::create();
    ASSERT_NE(privilege, nullptr);
    EXPECT_FALSE(privilege->dump_api_performance_info());
    expect_error(301, "no mon instance, please use mon mode api version and initialize api first");
}

// Every operation but create, initialize and stop is refused with 304 before
// any initialize, naming the facade whose operation was called (the trading
// operations are reached through the privileged object).
void expect_refused_before_initialize(nq::TRVPrivilege* privilege, nq::TRVQuoteApi* quote) {
    nq::TRVTradeApi* trade = privilege;

    nq::trv_order_insert_info_t order = nq::trv_order_insert_info_t();
    nq::trv_cancel_order_info_t cancel = nq::trv_cancel_order_info_t();
    nq::trv_order_query_param_t query = nq::trv_order_query_param_t();
    nq::trv_page_query_reference_t page = nq::trv_page_query_reference_t();
    nq::trv_counter_fund_transfer_request_t counter_request = nq::trv_counter_fund_transfer_request_t();
    nq::trv_counter_fund_transfer_result_t counter_result = nq::trv_counter_fund_transfer_result_t();
    nq::trv_cluster_fund_transfer_request_t cluster_request = nq::trv_cluster_fund_transfer_request_t();
    nq::trv_cluster_fund_transfer_result_t cluster_result = nq::trv_cluster_fund_transfer_result_t();
    nq::trv_fund_transfer_exec_request_t exec = nq::trv_fund_transfer_exec_request_t();
    nq::trv_rebuild_tick_quote_req_t rebuild = nq::trv_rebuild_tick_quote_req_t();
    nq::quote_thread_t threads = nq::quote_thread_t();
    char biz_no[64];
    std::memset(biz_no, 'x', sizeof biz_no);

    // Each call returns true only when it did not fail as it should.
    struct Case {
        const char* name;
        const char* message;
        std::function<bool()> call;
    };
    const char* const T = "trade api not initialized";
    const char* const Q = "quote api not initialized";
    const char* const P = "privilege api not initialized";
    const Case cases[] = {
        {"trade login", T, [&] { return trade->login(1, 2, "user", "pass", "key"); }},
        {"trade logout", T, [&] { return trade->logout(1); }},
        {"auth_trade", T, [&] { return trade->auth_trade(1, 2, "user", "pass", "key"); }},
        {"deauth_trade", T, [&] { return trade->deauth_trade(1, 2, 3); }},
        {"trade get_trading_day", T, [&] { return trade->get_trading_day() != 0; }},
        {"get_init_assets", T, [&] { return trade->get_init_assets(1) != nullptr; }},
        {"get_init_positions", T, [&] { return trade->get_init_positions(1, 2) != nullptr; }},
        {"get_account_index", T, [&] { return trade->get_account_index(1) != 0; }},
        {"get_xid_sender", T,
         [&] {
             uint64_t session = 5, token = 6;
             trade->get_xid_sender(make_xid(3, 4), session, token);
             return session != 0 || token != 0;
         }},
        {"get_biz_sender", T,
         [&] {
             uint64_t session = 5, token = 6;
             char text[] = "20261210ABCDEF0001";
             trade->get_biz_sender(text, session, token);
             return session != 0 || token != 0;
         }},
        {"subscribe_trade_message", T,
         [&] {
             return trade->subscribe_trade_message(1, 2, nq::TradeMessageType::REPORT, nq::TradeResumeType::QUICK, 0);
         }},
        {"rebuild_trade_message", T, [&] { return trade->rebuild_trade_message(1, 2, 1, 1, 9); }},
        {"query_assets", T, [&] { return trade->query_assets(1, 2); }},
        {"query_positions", T, [&] { return trade->query_positions(1, 2, ""); }},
        {"query_orders", T, [&] { return trade->query_orders(1, 2, &query); }},
        {"query_orders_by_page", T, [&] { return trade->query_orders_by_page(1, 2, 10, &page); }},
        {"query_trades", T, [&] { return trade->query_trades(1, 2, 0); }},
        {"query_init_assets", T, [&] { return trade->query_init_assets(1, 2); }},
        {"query_init_positions", T, [&] { return trade->query_init_positions(1, 2, "600000", nq::ExchangeIndex::SH); }},
        {"query_trade_account_info", T, [&] { return trade->query_trade_account_info(1, 2); }},
        {"init_local_send", T,
         [&] {
             trade->init_local_send();
             return false;
         }},
        {"insert_order", T, [&] { return trade->insert_order(1, &order) != 0; }},
        {"cancel_order", T, [&] { return trade->cancel_order(1, &cancel, 3) != 0; }},
        {"resend_order_request", T, [&] { return trade->resend_order_request(1, make_xid(3, 4)); }},
        {"counter fund transfer", T,
         [&] {
             return trade->submit_counter_fund_transfer_request(1, 2, nq::FundTransSide::IN, 10000, biz_no) ||
                    biz_no[0] != 'x';
         }},
        {"cluster fund transfer", T,
         [&] { return trade->submit_cluster_fund_transfer_request(1, 2, 10000, biz_no, 3) || biz_no[0] != 'x'; }},
        {"privilege login", P, [&] { return privilege->login(1, "admin", "pass", "key"); }},
        {"dump_final_file", P, [&] { return privilege->dump_final_file(1, 2); }},
        {"unbind_user_tgw", P, [&] { return privilege->unbind_user_tgw(1, 2, 3); }},
        {"insert_fund_transfer_exec", P, [&] { return privilege->insert_fund_transfer_exec(1, 2, &exec); }},
        {"privilege counter request", P,
         [&] { return privilege->submit_counter_fund_transfer_request(1, 2, &counter_request); }},
        {"privilege counter result", P,
         [&] { return privilege->submit_counter_fund_transfer_result(1, 2, &counter_result); }},
        {"privilege cluster request", P,
         [&] { return privilege->submit_cluster_fund_transfer_request(1, 2, &cluster_request); }},
        {"privilege cluster result", P,
         [&] { return privilege->submit_cluster_fund_transfer_result(1, 2, &cluster_result); }},
        {"query_brief_assets", P, [&] { return privilege->query_brief_assets(1, 2); }},
        {"query_brief_positions", P,
         [&] { return privilege->query_brief_positions(1, 2, "000001", nq::ExchangeIndex::SZ); }},
        {"quote login", Q, [&] { return quote->login(1, 2, "user", "pass", "key", nullptr); }},
        {"quote logout", Q, [&] { return quote->logout(1); }},
        {"quote get_trading_day", Q, [&] { return quote->get_trading_day() != 0; }},
        {"subscribe_quote", Q, [&] { return quote->subscribe_quote(1, 1, &threads); }},
        {"unsubscribe_quote", Q, [&] { return quote->unsubscribe_quote(1); }},
        {"query_static_quote_info", Q, [&] { return quote->query_static_quote_info(1, 2); }},
        {"query_level1_quote", Q, [&] { return quote->query_level1_quote(1, 2, nq::ExchangeIndex::SH, "600000"); }},
        {"query_all_level1_quote", Q, [&] { return quote->query_all_level1_quote(1, 2); }},
        {"request_rebuild_tick_quote", Q, [&] { return quote->request_rebuild_tick_quote(1, 2, &rebuild); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A different failure first, so each case shows its own message.
        EXPECT_FALSE(privilege->dump_api_performance_info());
        EXPECT_FALSE(c.call());
        expect_error(304, c.message);
    }
    // Stopping before any initialisation does nothing.
    trade->stop();
    privilege->stop();
    quote->stop();
}

// While the provider does not exist.
TEST(FacadeBeforeInitialize, OperationsFailWith304) {
    nq::TRVPrivilege* privilege = nq::TRVPrivilege::create();
    nq::TRVQuoteApi* quote = nq::TRVQuoteApi::create();
    ASSERT_NE(privilege, nullptr);
    ASSERT_NE(quote, nullptr);
    // Only the trading facade's create brings the provider up.
    expect_refused_before_initialize(privilege, quote);
    EXPECT_TRUE(running_service_threads().empty()) << "nothing above brought the provider up";
}

// Once the trading facade's create has brought the provider up, but before
// any initialize: the same refusals, not the provider's "get session failed".
TEST(FacadeBeforeInitialize, OperationsFailWith304AfterTheProviderIsUp) {
    use_scratch_log_directory();
    ASSERT_NE(nq::TRVTradeApi::create(), nullptr);
    EXPECT_TRUE(service_threads_become(kServiceThreads));
    nq::TRVPrivilege* privilege = nq::TRVPrivilege::create();
    nq::TRVQuoteApi* quote = nq::TRVQuoteApi::create();
    ASSERT_NE(privilege, nullptr);
    ASSERT_NE(quote, nullptr);
    expect_refused_before_initialize(privilege, quote);
    // The first initialize makes every facade's operations reach the provider.
    nq::TRVQuoteConfig config;
    ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
    static nq::TRVQuoteSpi spi;
    ASSERT_TRUE(quote->initialize(&config, &spi)) << nq::TRVQuoteApi::get_last_error().error_msg;
    EXPECT_FALSE(privilege->query_assets(1, 2));
    expect_error(307, "query assets error, get session failed: { session_id = 1, request_id = 2 }");
    quote->stop();
}

TEST(FacadeQuote, CreateStartsNoThreadAndInitializeStartsTheService) {
    use_scratch_log_directory();
    const size_t before = thread_names().size();
    nq::TRVQuoteApi* quote = nq::TRVQuoteApi::create();
    ASSERT_NE(quote, nullptr);
    EXPECT_EQ(nq::TRVQuoteApi::create(), quote);
    EXPECT_EQ(thread_names().size(), before);
    EXPECT_TRUE(running_service_threads().empty());

    nq::TRVQuoteConfig config;
    ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
    static nq::TRVQuoteSpi spi;
    ASSERT_TRUE(quote->initialize(&config, &spi)) << nq::TRVQuoteApi::get_last_error().error_msg;
    EXPECT_TRUE(service_threads_become(kServiceThreads))
        << "running: " << ::testing::PrintToString(running_service_threads());

    // The provider is there now: the trading day reads without an error.
    EXPECT_EQ(quote->get_trading_day(), 0u);
    EXPECT_EQ(nq::TRVQuoteApi::get_last_error().error_code_type, 0u);
    EXPECT_FALSE(quote->initialize(&config, &spi));
    expect_error(301, "repeat quote api initialization");
    // Other operations now reach the provider, which answers for itself.
    EXPECT_FALSE(quote->query_all_level1_quote(1, 2));
    expect_error(307, "query all l1 quote error, get session failed: { session_id = 1, request_id = 2 }");

    // The only API stopped: the service ends, the logger keeps running.
    quote->stop();
    EXPECT_TRUE(service_threads_become(kLoggerThreads))
        << "running: " << ::testing::PrintToString(running_service_threads());
}

TEST(FacadePrivilege, InitializeBringsUpTheProviderForTradingToo) {
    use_scratch_log_directory();
    nq::TRVPrivilege* privilege = nq::TRVPrivilege::create();
    ASSERT_NE(privilege, nullptr);
    EXPECT_TRUE(running_service_threads().empty());
    nq::TRVPrivilegeConfig config;
    ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
    static nq::TRVPrivilegeSpi spi;
    EXPECT_FALSE(privilege->initialize(nullptr, &spi));
    expect_error(301, "privilege config is null");
    ASSERT_TRUE(privilege->initialize(&config, &spi)) << nq::TRVTradeApi::get_last_error().error_msg;
    EXPECT_FALSE(privilege->initialize(&config, &spi));
    expect_error(301, "repeat privilege api initialization");
    EXPECT_TRUE(service_threads_become(kServiceThreads));

    // Trading operations of the same object reach the provider now.
    EXPECT_EQ(privilege->get_trading_day(), 0u);
    EXPECT_FALSE(privilege->query_brief_assets(1, 2));
    expect_error(307, "query brief assets error, get session failed: { session_id = 1, request_id = 2 }");
    uint64_t session = 5, token = 6;
    privilege->get_xid_sender(make_xid(3, 4), session, token);
    EXPECT_EQ(session, 0u);
    EXPECT_EQ(token, 0u);
    privilege->stop();
}

}  // namespace
