// Each API keeps to its own sessions: the trading, market-data and privileged
// facades logged in side by side to the stand-in counter, and every facade
// operation that takes a session id called with a session of another API.
// Each is refused as an unknown session (307 with the operation's own "get
// session failed" text) and that session goes on as before: nothing is sent
// on it, it is not closed, no on_disconnect comes. The privileged facade is
// a trading facade too: its trading operations act for the privileged API,
// on privileged sessions, and refuse the trading API's.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "counter/StandInCounter.h"
#include "support/SampleOrder.h"
#include "support/ScratchFilePath.h"
#include "support/WaitUntil.h"
#include "trv_api.h"

namespace {

using counter::AccountKind;
using counter::StandInCounter;

bool wait_for(const std::function<bool()>& done) { return trv_test::wait_until(done, 15.0); }

struct Ends {
    std::atomic<uint64_t> session{0};
    std::atomic<int> logins{0};
    std::atomic<int> disconnects{0};
};

// Counts one API's logins and disconnects and keeps its last session.
template <typename Spi>
struct EndsSpi : Spi {
    Ends ends;
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        if (error == nullptr) ends.session = session_id;
        ++ends.logins;
    }
    void on_disconnect(uint64_t) override { ++ends.disconnects; }
};
using TradeSpi = EndsSpi<nq::TRVTradeSpi>;
using PrivilegeSpi = EndsSpi<nq::TRVPrivilegeSpi>;
using QuoteSpi = EndsSpi<nq::TRVQuoteSpi>;

enum Api { TRADE, QUOTE, PRIVILEGE };

class FacadeSessions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(trv_test::use_scratch_file_path("trv_facade_sessions"));
        setenv("TRV_LOG_LEVEL", "DEBUG", 1);
        counter_.add_account({"trader", AccountKind::Normal, 11, 22, ""});
        counter_.add_account({"admin", AccountKind::Privileged, 12, 23, ""});
        counter_.add_account({"watcher", AccountKind::Normal, 13, 24, ""});
        ASSERT_TRUE(counter_.start());

        trade_ = nq::TRVTradeApi::create();
        quote_ = nq::TRVQuoteApi::create();
        privilege_ = nq::TRVPrivilege::create();
        ASSERT_TRUE(trade_config_.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(trade_config_.add_agw_addr("127.0.0.1", counter_.port()));
        ASSERT_TRUE(privilege_config_.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(privilege_config_.add_agw_addr("127.0.0.1", counter_.port()));
        ASSERT_TRUE(quote_config_.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(quote_config_.add_agw_addr("127.0.0.1", counter_.port()));
        ASSERT_TRUE(trade_->initialize(&trade_config_, &trade_spi_));
        ASSERT_TRUE(quote_->initialize(&quote_config_, &quote_spi_));
        ASSERT_TRUE(privilege_->initialize(&privilege_config_, &privilege_spi_));

        ASSERT_TRUE(trade_->login(1, 1, "trader", "pw", "key", nullptr));
        ASSERT_TRUE(wait_for([&] { return trade_spi_.ends.logins.load() == 1; }));
        ASSERT_TRUE(quote_->login(2, 2, "watcher", "pw", "key", nullptr));
        ASSERT_TRUE(wait_for([&] { return quote_spi_.ends.logins.load() == 1; }));
        ASSERT_TRUE(privilege_->login(3, "admin", "pw", "key"));
        ASSERT_TRUE(wait_for([&] { return privilege_spi_.ends.logins.load() == 1; }));
        session_[TRADE] = trade_spi_.ends.session;
        session_[QUOTE] = quote_spi_.ends.session;
        session_[PRIVILEGE] = privilege_spi_.ends.session;
        for (uint64_t s : session_) ASSERT_NE(s, 0u) << "a login failed";
    }

    // The answers to what a test sent may still be on their way: the callback
    // objects, members of this fixture, must outlive them.
    void TearDown() override {
        if (privilege_ != nullptr) privilege_->stop();
        if (quote_ != nullptr) quote_->stop();
        if (trade_ != nullptr) trade_->stop();
    }

    // The counter's session number of each API's session, by login order.
    uint64_t counter_session(Api api) const { return counter_.logins().at(static_cast<size_t>(api)).session; }

    StandInCounter counter_;
    nq::TRVTradeApi* trade_ = nullptr;
    nq::TRVQuoteApi* quote_ = nullptr;
    nq::TRVPrivilege* privilege_ = nullptr;
    nq::TRVTradeConfig trade_config_;
    nq::TRVQuoteConfig quote_config_;
    nq::TRVPrivilegeConfig privilege_config_;
    TradeSpi trade_spi_;
    QuoteSpi quote_spi_;
    PrivilegeSpi privilege_spi_;
    uint64_t session_[3] = {0, 0, 0};
};

// One facade operation on a session: true when it was accepted.
struct Case {
    const char* name;
    Api facade;        // the API it acts for
    const char* text;  // its own 307 text, up to the arguments ("" when it sets none)
    std::function<bool(uint64_t session)> call;
};

TEST_F(FacadeSessions, EveryOperationRefusesAnotherApisSession) {
    nq::trv_order_insert_info_t order = trv_test::sh_limit_buy(101000, 100);
    nq::trv_order_query_param_t order_query{};
    nq::trv_page_query_reference_t page{};
    nq::trv_fund_transfer_exec_request_t exec{};
    nq::trv_counter_fund_transfer_request_t counter_request{};
    nq::trv_counter_fund_transfer_result_t counter_result{};
    nq::trv_cluster_fund_transfer_request_t cluster_request{};
    nq::trv_cluster_fund_transfer_result_t cluster_result{};
    nq::trv_rebuild_tick_quote_req_t rebuild{};
    nq::quote_thread_t thread{};
    char biz_no[32] = {0};
    nq::TRVTradeApi* t = trade_;
    nq::TRVTradeApi* p = privilege_;  // the privileged facade's trading operations
    nq::TRVQuoteApi* q = quote_;
    nq::TRVPrivilege* pr = privilege_;

    // Trading operations, on the trading facade and on the privileged one.
    std::vector<Case> cases;
    for (const auto& facade : {std::make_pair(t, TRADE), std::make_pair(p, PRIVILEGE)}) {
        nq::TRVTradeApi* f = facade.first;
        const Api a = facade.second;
        const std::vector<Case> trading = {
            {"logout", a, "logout request error, get session failed", [=](uint64_t s) { return f->logout(s); }},
            {"auth_trade", a, "auth error, get session failed",
             [=](uint64_t s) { return f->auth_trade(s, 40, "other", "pw", "key", nullptr); }},
            {"deauth_trade", a, "deauth error, get session failed",
             [=](uint64_t s) { return f->deauth_trade(s, 41, 0); }},
            {"get_account_index", a, "get account index error, get session failed",
             [=](uint64_t s) { return f->get_account_index(s, 0) != 0; }},
            {"get_init_assets", a, "", [=](uint64_t s) { return f->get_init_assets(s, 0) != nullptr; }},
            {"get_init_positions", a, "", [=](uint64_t s) { return f->get_init_positions(s, 0) != nullptr; }},
            {"subscribe_trade_message", a, "subscribe error, get session failed",
             [=](uint64_t s) {
                 return f->subscribe_trade_message(s, 42, nq::TradeMessageType::REPORT, nq::TradeResumeType::QUICK, 0);
             }},
            {"rebuild_trade_message", a, "rebuild trade message error, get session failed",
             [=](uint64_t s) { return f->rebuild_trade_message(s, 43, nq::TradeMessageType::REPORT, 0, 1); }},
            {"query_assets", a, "query assets error, get session failed",
             [=](uint64_t s) { return f->query_assets(s, 44); }},
            {"query_positions", a, "query positions error, get session failed",
             [=](uint64_t s) { return f->query_positions(s, 45, "", nq::ExchangeIndex::SH); }},
            {"query_orders", a, "query orders error, get session failed",
             [=, &order_query](uint64_t s) { return f->query_orders(s, 46, &order_query); }},
            {"query_orders_by_page", a, "query orders by page error, get session failed",
             [=, &page](uint64_t s) { return f->query_orders_by_page(s, 47, 10, &page); }},
            {"query_trades", a, "query trades error, get session failed",
             [=](uint64_t s) { return f->query_trades(s, 48, 0); }},
            {"query_init_assets", a, "query init assets error, get session failed",
             [=](uint64_t s) { return f->query_init_assets(s, 49); }},
            {"query_init_positions", a, "query init positions error, get session failed",
             [=](uint64_t s) { return f->query_init_positions(s, 50, "", nq::ExchangeIndex::SH); }},
            {"query_trade_account_info", a, "query trade account info error, get session failed",
             [=](uint64_t s) { return f->query_trade_account_info(s, 51); }},
            {"insert_order", a, "send order error, get session failed",
             [=, &order](uint64_t s) { return f->insert_order(s, &order) != 0; }},
            {"cancel_order", a, "send cancel order error, get session failed",
             [=](uint64_t s) {
                 nq::trv_cancel_order_info_t c{0, 0x50000106u};
                 return f->cancel_order(s, &c) != 0;
             }},
            {"resend_order_request", a, "resend order error: get session failed",
             [=](uint64_t s) { return f->resend_order_request(s, 0x50000106u); }},
            {"submit_counter_fund_transfer_request", a, "submit fund transfer request error, get session failed",
             [=, &biz_no](uint64_t s) {
                 return f->submit_counter_fund_transfer_request(s, 52, nq::FundTransSide::IN, 100, biz_no);
             }},
            {"submit_cluster_fund_transfer_request", a,
             "submit cluster fund transfer request error, get session failed",
             [=, &biz_no](uint64_t s) { return f->submit_cluster_fund_transfer_request(s, 53, 100, biz_no); }},
        };
        cases.insert(cases.end(), trading.begin(), trading.end());
    }
    const std::vector<Case> own = {
        {"quote logout", QUOTE, "logout request error, get session failed", [=](uint64_t s) { return q->logout(s); }},
        {"subscribe_quote", QUOTE, "subscribe quote error, get session failed",
         [=, &thread](uint64_t s) { return q->subscribe_quote(s, 1, &thread, nq::RX_MODE_SOCKET); }},
        {"query_static_quote_info", QUOTE, "query static quote info error, get session failed",
         [=](uint64_t s) { return q->query_static_quote_info(s, 60); }},
        {"query_level1_quote", QUOTE, "query l1 quote error, get session failed",
         [=](uint64_t s) { return q->query_level1_quote(s, 61, nq::ExchangeIndex::SH, "600000"); }},
        {"query_all_level1_quote", QUOTE, "query all l1 quote error, get session failed",
         [=](uint64_t s) { return q->query_all_level1_quote(s, 62); }},
        {"request_rebuild_tick_quote", QUOTE, "rebuild tick quote error, get session failed",
         [=, &rebuild](uint64_t s) { return q->request_rebuild_tick_quote(s, 63, &rebuild); }},
        {"dump_final_file", PRIVILEGE, "dump final file error, get session failed",
         [=](uint64_t s) { return pr->dump_final_file(s, 70); }},
        {"unbind_user_tgw", PRIVILEGE, "unbind user tgw request error, get session failed",
         [=](uint64_t s) { return pr->unbind_user_tgw(s, 71, 22); }},
        {"insert_fund_transfer_exec", PRIVILEGE, "insert fund transfer exec error, get session failed",
         [=, &exec](uint64_t s) { return pr->insert_fund_transfer_exec(s, 72, &exec); }},
        {"privileged submit_counter_fund_transfer_request", PRIVILEGE,
         "submit fund transfer request error, get session failed",
         [=, &counter_request](uint64_t s) {
             return pr->submit_counter_fund_transfer_request(s, 73, &counter_request);
         }},
        {"submit_counter_fund_transfer_result", PRIVILEGE, "submit fund transfer result error, get session failed",
         [=, &counter_result](uint64_t s) { return pr->submit_counter_fund_transfer_result(s, 74, &counter_result); }},
        {"privileged submit_cluster_fund_transfer_request", PRIVILEGE,
         "submit cluster fund transfer request error, get session failed",
         [=, &cluster_request](uint64_t s) {
             return pr->submit_cluster_fund_transfer_request(s, 75, &cluster_request);
         }},
        {"submit_cluster_fund_transfer_result", PRIVILEGE,
         "submit cluster fund transfer result error, get session failed",
         [=, &cluster_result](uint64_t s) { return pr->submit_cluster_fund_transfer_result(s, 76, &cluster_result); }},
        {"query_brief_assets", PRIVILEGE, "query brief assets error, get session failed",
         [=](uint64_t s) { return pr->query_brief_assets(s, 77, 0); }},
        {"query_brief_positions", PRIVILEGE, "query brief positions error, get session failed",
         [=](uint64_t s) { return pr->query_brief_positions(s, 78, "", nq::ExchangeIndex::SH, 0); }},
    };
    cases.insert(cases.end(), own.begin(), own.end());

    // What the counter received on each session so far (heartbeats left out).
    std::vector<size_t> frames_before;
    for (Api a : {TRADE, QUOTE, PRIVILEGE}) frames_before.push_back(counter_.codes(counter_session(a)).size());
    const size_t datagrams_before = counter_.datagrams().size();

    const char* kApiNames[] = {"trading", "market-data", "privileged"};
    for (const Case& c : cases) {
        for (Api other : {TRADE, QUOTE, PRIVILEGE}) {
            if (other == c.facade) continue;
            SCOPED_TRACE(std::string(c.name) + " of the " + kApiNames[c.facade] + " API on a " + kApiNames[other] +
                         " session");
            const uint64_t s = session_[other];
            EXPECT_FALSE(c.call(s));
            if (c.text[0] == '\0') continue;
            const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
            EXPECT_EQ(e.error_code_type, 307u) << e.error_msg;
            EXPECT_EQ(std::string(e.error_msg).rfind(c.text, 0), 0u) << e.error_msg;
            if (std::strcmp(c.name, "subscribe_quote") != 0) {  // its text names no session
                EXPECT_NE(std::string(e.error_msg).find("session_id = " + std::to_string(s)), std::string::npos)
                    << e.error_msg;
            }
        }
    }

    // Untouched: nothing was sent on any session, none was closed or lost.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (Api a : {TRADE, QUOTE, PRIVILEGE}) {
        SCOPED_TRACE(kApiNames[a]);
        EXPECT_EQ(counter_.codes(counter_session(a)).size(), frames_before[a]);
        EXPECT_TRUE(counter_.is_open(counter_session(a)));
    }
    EXPECT_EQ(counter_.datagrams().size(), datagrams_before) << "no order left";
    // Each API's own session still serves its own operations.
    EXPECT_TRUE(trade_->query_assets(session_[TRADE], 80)) << trade_->get_last_error().error_msg;
    EXPECT_TRUE(quote_->query_static_quote_info(session_[QUOTE], 81)) << trade_->get_last_error().error_msg;
    EXPECT_TRUE(privilege_->query_brief_assets(session_[PRIVILEGE], 82, 0)) << trade_->get_last_error().error_msg;
    EXPECT_TRUE(p->query_assets(session_[PRIVILEGE], 83)) << trade_->get_last_error().error_msg;
    EXPECT_NE(trade_->insert_order(session_[TRADE], &order), 0u) << trade_->get_last_error().error_msg;
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // past a heartbeat sweep
    EXPECT_EQ(trade_spi_.ends.disconnects.load(), 0);
    EXPECT_EQ(quote_spi_.ends.disconnects.load(), 0);
    EXPECT_EQ(privilege_spi_.ends.disconnects.load(), 0);
    for (Api a : {TRADE, QUOTE, PRIVILEGE}) EXPECT_TRUE(counter_.is_open(counter_session(a))) << kApiNames[a];

    // Each facade's logout closes its own session.
    EXPECT_TRUE(quote_->logout(session_[QUOTE]));
    EXPECT_TRUE(p->logout(session_[PRIVILEGE]));
    EXPECT_TRUE(trade_->logout(session_[TRADE]));
    for (Api a : {TRADE, QUOTE, PRIVILEGE})
        EXPECT_TRUE(counter_.wait_closed(counter_session(a), 15000)) << kApiNames[a];
}

// What the privileged interface's inherited trading operations do on its own
// session, as its header says: a privileged login is no trading account.
TEST_F(FacadeSessions, PrivilegedSessionTakesTheQueriesButNoTradingAccountOperation) {
    nq::TRVTradeApi* p = privilege_;
    const uint64_t s = session_[PRIVILEGE];
    nq::trv_order_insert_info_t order = trv_test::sh_limit_buy(101000, 100);
    nq::trv_cancel_order_info_t cancel{};
    cancel.origin_xid = (uint64_t(1) << 28) | (1u << 8);
    nq::trv_order_query_param_t order_query{};
    nq::trv_page_query_reference_t page{};
    char biz_no[32] = {0};
    struct Expect {
        const char* name;
        uint64_t refusal;  // 0: sent
        std::function<bool()> call;
    };
    const Expect cases[] = {
        {"query_assets", 0, [&] { return p->query_assets(s, 90); }},
        {"query_positions", 0, [&] { return p->query_positions(s, 91, "600000", nq::ExchangeIndex::SH); }},
        {"query_orders", 0, [&] { return p->query_orders(s, 92, &order_query); }},
        {"query_orders_by_page", 0, [&] { return p->query_orders_by_page(s, 93, 100, &page); }},
        {"query_trades", 0, [&] { return p->query_trades(s, 94, 0); }},
        {"query_init_assets", 0, [&] { return p->query_init_assets(s, 95); }},
        {"query_init_positions", 0, [&] { return p->query_init_positions(s, 96, "600000", nq::ExchangeIndex::SH); }},
        {"query_trade_account_info", 0, [&] { return p->query_trade_account_info(s, 97); }},
        {"subscribe_trade_message", 0,
         [&] { return p->subscribe_trade_message(s, 98, 1, nq::TradeResumeType::RESTART, 0); }},
        {"rebuild_trade_message", 0, [&] { return p->rebuild_trade_message(s, 99, 1, 1, 2, 0); }},
        {"auth_trade", 307, [&] { return p->auth_trade(s, 100, "trader", "pw", "key", nullptr); }},
        {"get_account_index", 307, [&] { return p->get_account_index(s, 0) != 0; }},
        {"get_init_assets", 307, [&] { return p->get_init_assets(s, 0) != nullptr; }},
        {"get_init_positions", 307, [&] { return p->get_init_positions(s, 0) != nullptr; }},
        {"deauth_trade", 309, [&] { return p->deauth_trade(s, 101, 5); }},
        // The trading interface is initialised in this fixture.
        {"insert_order", 307, [&] { return p->insert_order(s, &order) != 0; }},
        {"cancel_order", 307, [&] { return p->cancel_order(s, &cancel) != 0; }},
        {"resend_order_request", 307, [&] { return p->resend_order_request(s, cancel.origin_xid); }},
        {"submit_counter_fund_transfer_request", 308,
         [&] { return p->submit_counter_fund_transfer_request(s, 102, nq::FundTransSide::IN, 100, biz_no); }},
        {"submit_cluster_fund_transfer_request", 308,
         [&] { return p->submit_cluster_fund_transfer_request(s, 103, 100, biz_no); }},
    };
    for (const Expect& c : cases) {
        SCOPED_TRACE(c.name);
        const bool sent = c.call();
        EXPECT_EQ(sent, c.refusal == 0) << nq::TRVTradeApi::get_last_error().error_msg;
        if (c.refusal != 0) {
            EXPECT_EQ(nq::TRVTradeApi::get_last_error().error_code_type, c.refusal);
        }
    }
    EXPECT_TRUE(counter_.is_open(counter_session(PRIVILEGE)));
}

}  // namespace
