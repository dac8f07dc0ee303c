// Queries, the trade-message subscription, its replay and the fund trade
// account index request, read as frames by the gateway's end of the session.
// A paged query first asks for the data-table information (1041); the test
// answers it through the request ring as the 1042 handler does and then reads
// the query's own page request.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "TradeSessionFixture.h"
#include "api/business/KApiLoginAccountManager.h"
#include "api/messages/ApiDataTableInfo.h"
#include "framework/MutexGuard.h"

namespace {

using namespace trv_test;

uint64_t u64_at(const Bytes& f, size_t body_off) { return testpeer::get_u64(f.data(), 64 + body_off); }
uint32_t u32_at(const Bytes& f, size_t body_off) {
    uint32_t v;
    std::memcpy(&v, f.data() + 64 + body_off, 4);
    return v;
}
std::string text_at(const Bytes& f, size_t body_off, size_t n) {
    return std::string(reinterpret_cast<const char*>(f.data()) + 64 + body_off, n);
}

class Queries : public TradeSessionFixture {
protected:
    void SetUp() override {
        TradeSessionFixture::SetUp();
        if (HasFatalFailure()) return;
        t_ = open_session();
        ASSERT_NE(t_.id, 0u);
        authorise(&t_);  // own record: trade account index 7
    }

    // The head every request of the session carries.
    void expect_head(const Bytes& f, uint64_t request_id, uint64_t trade_account, const std::string& what) {
        EXPECT_EQ(u64_at(f, 0), t_.id) << what;
        EXPECT_EQ(u64_at(f, 8), request_id) << what;
        EXPECT_EQ(u64_at(f, 24), kLoginAccountIndex) << what;
        EXPECT_EQ(f[64 + 32], 0) << what;
        EXPECT_EQ(u64_at(f, 33), trade_account) << what;
        EXPECT_EQ(u64_at(f, 41), kAuthId) << what;
        EXPECT_EQ(u64_at(f, 49), t_.trade_token) << what;
    }

    // Reads the 1041 that starts a query and answers it with one sub-table
    // of `rows` rows; returns the query's page request.
    bool next_page_request(uint32_t query_code, Bytes* page, const std::string& what, uint32_t rows = 10) {
        Bytes info_req;
        if (!read_frame(t_.peer, &info_req)) return false;
        EXPECT_EQ(testpeer::code_of(info_req.data()), 1041u) << what;
        EXPECT_EQ(info_req.size(), 129u) << what;
        EXPECT_EQ(u64_at(info_req, 57), query_code) << what;
        const uint64_t seq = u64_at(info_req, 16);
        nq::api_data_table_info_t info{};
        info.sub_table_num = 1;
        info.sub_table_end_points[0] = rows;
        nq::api::KApiRequestManager* ring = api_->framework_->request_manager_;
        nq::api::request_info_t r = ring->on_query_data_table_info(seq, api_->framework_, &info);
        EXPECT_EQ(r.timed_out, 0) << what;
        nq::api::KApiRequestManager::release(r);
        if (!read_frame(t_.peer, page)) return false;
        EXPECT_EQ(u64_at(*page, 16), seq) << what;
        return true;
    }

    // Fills or empties the request ring: a full ring refuses every request.
    void set_ring_full(bool full) {
        nq::api::KApiRequestManager* ring = api_->framework_->request_manager_;
        nq::api::MutexGuard lock(&ring->mutex);
        if (full) {
            saved_head_ = ring->head;
            ring->head = ring->tail + nq::api::KApiRequestManager::kMaxOutstanding;
        } else {
            ring->head = saved_head_;
        }
    }

    TradeSession t_;
    uint64_t saved_head_ = 0;
};

struct QueryCase {
    const char* name;
    uint32_t code;
    uint32_t body_length;
    uint64_t account_index;  // expected at offset 33
    std::function<bool(KApi*, uint64_t session, uint64_t request_id)> call;
    std::function<void(const Bytes&)> own_fields;
    std::string session_failed;  // with session 77 and request id 5
    std::string too_fast;        // with the fixture's session (written as %s) and request id 5
};

std::vector<QueryCase> query_cases() {
    const std::string spaces(8, ' ');
    return {
        {"security info", 1035, 71, 0x4c, [](KApi* a, uint64_t s, uint64_t r) { return a->query_security_info(s, r); },
         nullptr, "query security info error, get session failed: { session_id = 77, request_id = 5 }",
         "query security info error, request too fast: { session_id = %s, request_id = 5 }"},
        {"static quote info", 1037, 71, 7,
         [](KApi* a, uint64_t s, uint64_t r) { return a->query_static_quote_info(s, r); }, nullptr,
         "query static quote info error, get session failed: { session_id = 77, request_id = 5 }",
         "query static quote info error, request too fast: { session_id = %s, request_id = 5 }"},
        {"trade account info", 1048, 71, 3,
         [](KApi* a, uint64_t s, uint64_t r) { return a->query_trade_account_info(s, r, 3); }, nullptr,
         "query trade account info error, get session failed: { session_id = 77, request_id = 5 }",
         "query trade account info error, request too fast: { session_id = %s, request_id = 5, account_index = 3 }"},
        {"orders", 1475, 104, 7,
         [](KApi* a, uint64_t s, uint64_t r) {
             nq::trv_order_query_param_t p{};
             p.xid = 0x50000106;
             std::strcpy(p.security_code, "600000");
             p.begin_time = 93000000;
             p.end_time = -1;
             p.query_unfinished = 1;
             return a->query_orders(s, r, &p, 0);
         },
         [](const Bytes& f) {
             EXPECT_EQ(u64_at(f, 71), 0x50000106u);
             EXPECT_EQ(text_at(f, 79, 8), "600000  ");
             EXPECT_EQ(u64_at(f, 87), 93000000u);
             EXPECT_EQ(u64_at(f, 95), ~0ull);
             EXPECT_EQ(f[64 + 103], 1);
         },
         "query orders error, get session failed: { session_id = 77, request_id = 5 }",
         "query orders error, request too fast: { session_id = %s, request_id = 5 }"},
        {"positions", 1476, 80, 9,
         [](KApi* a, uint64_t s, uint64_t r) { return a->query_positions(s, r, "000001", nq::ExchangeIndex::SZ, 9); },
         [](const Bytes& f) {
             EXPECT_EQ(f[64 + 71], 2);
             EXPECT_EQ(text_at(f, 72, 8), "000001  ");
         },
         "query positions error, get session failed: { session_id = 77, request_id = 5 }",
         "query positions error, request too fast: { session_id = %s, request_id = 5 }"},
        {"assets", 1477, 71, 7, [](KApi* a, uint64_t s, uint64_t r) { return a->query_assets(s, r, 0); }, nullptr,
         "query assets error, get session failed: { session_id = 77, request_id = 5 }",
         "query assets error, request too fast: { session_id = %s, request_id = 5 }"},
        {"trades", 1478, 79, 7, [](KApi* a, uint64_t s, uint64_t r) { return a->query_trades(s, r, 0xabc, 0); },
         [](const Bytes& f) { EXPECT_EQ(u64_at(f, 71), 0xabcu); },
         "query trades error, get session failed: { session_id = 77, request_id = 5 }",
         "query trades error, request too fast: { session_id = %s, request_id = 5 }"},
        {"init assets", 1479, 71, 7, [](KApi* a, uint64_t s, uint64_t r) { return a->query_init_assets(s, r, 0); },
         nullptr, "query init assets error, get session failed: { session_id = 77, request_id = 5 }",
         "query init assets error, request too fast: { session_id = %s, request_id = 5 }"},
        {"init positions", 1480, 80, 7,
         [](KApi* a, uint64_t s, uint64_t r) {
             return a->query_init_positions(s, r, "123456789", nq::ExchangeIndex::SH, 0);
         },
         [](const Bytes& f) {
             EXPECT_EQ(f[64 + 71], 1);
             EXPECT_EQ(text_at(f, 72, 8), "12345678");
         },
         "query init positions error, get session failed: { session_id = 77, request_id = 5 }",
         "query init positions error, request too fast: { session_id = %s, request_id = 5 }"},
        {"brief positions", 1546, 80, 7,
         [](KApi* a, uint64_t s, uint64_t r) {
             return a->query_brief_positions(s, r, nullptr, nq::ExchangeIndex::INIT, 0);
         },
         [=](const Bytes& f) {
             EXPECT_EQ(f[64 + 71], 0);
             EXPECT_EQ(text_at(f, 72, 8), spaces);
         },
         "query brief positions error, get session failed: { session_id = 77, request_id = 5 }",
         "query brief positions error, request too fast: { session_id = %s, request_id = 5 }"},
        {"brief assets", 1547, 71, 7, [](KApi* a, uint64_t s, uint64_t r) { return a->query_brief_assets(s, r, 0); },
         nullptr, "query brief assets error, get session failed: { session_id = 77, request_id = 5 }",
         "query brief assets error, request too fast: { session_id = %s, request_id = 5 }"},
    };
}

std::string with_session(std::string text, uint64_t id) {
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(id));
    return text;
}

TEST_F(Queries, EveryQuerySendsItsPageRequestExactly) {
    uint64_t request_id = 1000;
    for (const QueryCase& c : query_cases()) {
        ++request_id;
        ASSERT_TRUE(c.call(api_, t_.id, request_id)) << c.name << ": " << last_message();
        Bytes page;
        ASSERT_TRUE(next_page_request(c.code, &page, c.name)) << c.name;
        EXPECT_EQ(testpeer::code_of(page.data()), c.code) << c.name;
        ASSERT_EQ(page.size(), 64u + c.body_length) << c.name;
        expect_head(page, request_id, c.account_index, c.name);
        EXPECT_EQ(page[64 + 57] | page[64 + 58] << 8, 0) << c.name << ": sub-table 0";
        EXPECT_EQ(u32_at(page, 59), 0u) << c.name << ": all rows";
        EXPECT_EQ(u32_at(page, 63), 0u) << c.name << ": from the start";
        EXPECT_EQ(u32_at(page, 67), 10u) << c.name << ": to the end point";
        if (c.own_fields) c.own_fields(page);
    }
}

TEST_F(Queries, UnknownSessionAndFullRingAreRefusedWithTheirTexts) {
    for (const QueryCase& c : query_cases()) {
        EXPECT_FALSE(c.call(api_, 77, 5)) << c.name;
        EXPECT_EQ(last_type(), 307u) << c.name;
        EXPECT_EQ(last_message(), c.session_failed) << c.name;
    }
    set_ring_full(true);
    for (const QueryCase& c : query_cases()) {
        EXPECT_FALSE(c.call(api_, t_.id, 5)) << c.name;
        EXPECT_EQ(last_type(), 309u) << c.name;
        EXPECT_EQ(last_message(), with_session(c.too_fast, t_.id)) << c.name;
    }
    set_ring_full(false);
    EXPECT_TRUE(no_frame(t_.peer));
}

TEST_F(Queries, NullArgumentsAndEmptyPagesAreRefusedBeforeAnythingIsSent) {
    const std::string sid = std::to_string(t_.id);
    EXPECT_FALSE(api_->query_orders(t_.id, 5, nullptr, 0));
    EXPECT_EQ(last_type(), 309u);
    EXPECT_EQ(last_message(),
              "query orders error, order_query_param is null: { session_id = " + sid + ", request_id = 5 }");
    EXPECT_FALSE(api_->query_orders_by_page(t_.id, 5, 10, nullptr, 0));
    EXPECT_EQ(last_type(), 309u);
    EXPECT_EQ(last_message(),
              "query orders by page error, query_reference is null: { session_id = " + sid + ", request_id = 5 }");
    nq::trv_page_query_reference_t ref{};
    EXPECT_FALSE(api_->query_orders_by_page(t_.id, 5, 0, &ref, 0));
    EXPECT_EQ(last_type(), 309u);
    EXPECT_EQ(last_message(), "query orders by page error, request_count below the minimum: { session_id = " + sid +
                                  ", request_id = 5, request_count = 0, min_request_count = 1 }");
    EXPECT_FALSE(api_->query_orders_by_page(77, 5, 0, nullptr, 0));
    EXPECT_EQ(last_type(), 307u);
    EXPECT_EQ(last_message(), "query orders by page error, get session failed: { session_id = 77, request_id = 5 }");
    set_ring_full(true);
    EXPECT_FALSE(api_->query_orders_by_page(t_.id, 5, 10, &ref, 4));
    EXPECT_EQ(last_message(), "query orders error, request too fast: { session_id = " + sid +
                                  ", request_id = 5, request_count = 10, account_index = 4 }");
    set_ring_full(false);
    EXPECT_TRUE(no_frame(t_.peer));
}

// A reference that still holds a full page goes straight to the page.
TEST_F(Queries, OrdersByPageContinuesFromTheCallersReference) {
    nq::trv_page_query_reference_t ref{};
    ref.sub_table_num = 2;
    ref.sub_table_end_points[0] = 5;
    ref.positions[0] = 5;  // exhausted
    ref.sub_table_end_points[1] = 100;
    ref.positions[1] = 40;
    ASSERT_TRUE(api_->query_orders_by_page(t_.id, 8, 20, &ref, 0)) << last_message();
    Bytes page;
    ASSERT_TRUE(read_frame(t_.peer, &page));
    EXPECT_EQ(testpeer::code_of(page.data()), 1475u);
    ASSERT_EQ(page.size(), 168u);
    expect_head(page, 8, 7, "by page");
    EXPECT_EQ(page[64 + 57], 1);
    EXPECT_EQ(u32_at(page, 59), 20u);
    EXPECT_EQ(u32_at(page, 63), 40u);
    EXPECT_EQ(u32_at(page, 67), 100u);
    EXPECT_EQ(u64_at(page, 71), 0u);
    EXPECT_EQ(text_at(page, 79, 8), std::string(8, ' '));
    EXPECT_EQ(u64_at(page, 87), 0u);
    EXPECT_EQ(u64_at(page, 95), 0u);
    EXPECT_EQ(page[64 + 103], 0);

    // Without a full page left it asks for the table information first.
    ref.positions[1] = 95;
    ASSERT_TRUE(api_->query_orders_by_page(t_.id, 9, 20, &ref, 0));
    ASSERT_TRUE(read_frame(t_.peer, &page));
    EXPECT_EQ(testpeer::code_of(page.data()), 1041u);
}

TEST_F(Queries, SecurityCodeFieldsArePaddedWithSpaces) {
    struct Case {
        const char* code;
        const char* field;
    } cases[] = {{"", "        "}, {nullptr, "        "}, {"600000", "600000  "}, {"123456789", "12345678"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(api_->query_positions(t_.id, 1, c.code, nq::ExchangeIndex::SH, 0));
        Bytes page;
        ASSERT_TRUE(next_page_request(1476, &page, c.field));
        EXPECT_EQ(text_at(page, 72, 8), c.field) << (c.code ? c.code : "(null)");
    }
}

TEST_F(Queries, SubscriptionMasksForTradeAndPrivilegedSessions) {
    struct Case {
        nq::ApiType type;
        nq::trade_message_type_t bits;
        uint64_t mask;
    } cases[] = {
        {nq::ApiType::TRADE, nq::TradeMessageType::REPORT, 0x203},
        {nq::ApiType::TRADE, nq::TradeMessageType::RAW_REPORT, 0x20c},
        {nq::ApiType::TRADE, nq::TradeMessageType::REPORT | nq::TradeMessageType::RAW_REPORT, 0x20f},
        {nq::ApiType::TRADE, 0, 0},
        {nq::ApiType::TRADE, nq::TradeMessageType::ORDER_BOOK, 0x270},
        {nq::ApiType::TRADE, nq::TradeMessageType::REPORT | nq::TradeMessageType::ORDER_BOOK, 0x273},
        {nq::ApiType::PRIVILEGE, nq::TradeMessageType::REPORT | nq::TradeMessageType::ORDER_BOOK, 0x3f3},
        {nq::ApiType::PRIVILEGE, 0, 0x180},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string account = "sub" + std::to_string(n++);
        TradeSession s = open_session(c.type, account.c_str());
        ASSERT_NE(s.id, 0u);
        ASSERT_TRUE(api_->subscribe_trade_message(s.id, 40 + n, c.bits, nq::TradeResumeType::SPECIFY, 1234))
            << last_message();
        Bytes f;
        ASSERT_TRUE(read_frame(s.peer, &f));
        EXPECT_EQ(testpeer::code_of(f.data()), 1050u);
        ASSERT_EQ(f.size(), 64u + 74u);
        EXPECT_EQ(u64_at(f, 0), s.id);
        EXPECT_EQ(u64_at(f, 8), uint64_t(40 + n));
        EXPECT_EQ(u64_at(f, 57), c.mask) << account;
        EXPECT_EQ(f[64 + 65], 3);
        EXPECT_EQ(u64_at(f, 66), 1234u);
        EXPECT_NE(session(s.id)->subscribe_account, nullptr);
    }
}

TEST_F(Queries, SubscriptionPausesAndIsOnePerAccount) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(api_->subscribe_trade_message(t_.id, 1, nq::TradeMessageType::REPORT, nq::TradeResumeType::QUICK, 0));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    Bytes f;
    ASSERT_TRUE(read_frame(t_.peer, &f));
    expect_head(f, 1, 7, "subscription");
    nq::api::KApiLoginAccount* held = session(t_.id)->subscribe_account;
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->state.load(), 1);

    // Again on this session, and from another session of the same account.
    TradeSession same_account = open_session(nq::ApiType::TRADE, "acc001");
    for (uint64_t id : {t_.id, same_account.id}) {
        EXPECT_FALSE(api_->subscribe_trade_message(id, 2, nq::TradeMessageType::REPORT, nq::TradeResumeType::QUICK, 0));
        EXPECT_EQ(last_type(), 309u);
        EXPECT_EQ(last_message(), "repeat subscribe in one account is not allowed: { session_id = " +
                                      std::to_string(id) + ", request_id = 2 }");
    }
    EXPECT_EQ(session(t_.id)->subscribe_account, held) << "the first claim stays with its session";
    EXPECT_EQ(session(same_account.id)->subscribe_account, nullptr);
    EXPECT_TRUE(no_frame(t_.peer));
    EXPECT_TRUE(no_frame(same_account.peer));

    EXPECT_FALSE(api_->subscribe_trade_message(77, 3, 1, nq::TradeResumeType::QUICK, 0));
    EXPECT_EQ(last_type(), 307u);
    EXPECT_EQ(last_message(), "subscribe error, get session failed: { session_id = 77 }");
}

// A subscription the ring refuses gives the account back, and the session
// no longer holds it; the next attempt is accepted.
TEST_F(Queries, RefusedSubscriptionReleasesTheAccount) {
    set_ring_full(true);
    EXPECT_FALSE(api_->subscribe_trade_message(t_.id, 1, nq::TradeMessageType::REPORT, nq::TradeResumeType::QUICK, 0));
    EXPECT_EQ(last_type(), 309u);
    EXPECT_EQ(last_message(),
              "subscribe trade message error, request too fast: { session_id = " + std::to_string(t_.id) + " }");
    EXPECT_EQ(session(t_.id)->subscribe_account, nullptr);
    const nq::api::KApiLoginAccount* slot = api_->business_->login_account_mgr_->subscribe_slot(0);
    EXPECT_STREQ(slot->name, "acc001");
    EXPECT_EQ(slot->state.load(), 0);
    set_ring_full(false);
    EXPECT_TRUE(api_->subscribe_trade_message(t_.id, 2, nq::TradeMessageType::REPORT, nq::TradeResumeType::QUICK, 0))
        << last_message();
    EXPECT_EQ(slot->state.load(), 1);
    EXPECT_EQ(session(t_.id)->subscribe_account, slot);
}

TEST_F(Queries, RebuildSendsTheReplayMaskAndBothSequences) {
    struct Case {
        nq::trade_message_type_t bits;
        uint64_t account_index;
        uint64_t mask;
        uint64_t expected_account;
    } cases[] = {
        {nq::TradeMessageType::RAW_REPORT, 0, 0xc, 7},
        {nq::TradeMessageType::REPORT, 4, 0x3, 4},
        {nq::TradeMessageType::REPORT | nq::TradeMessageType::RAW_REPORT | nq::TradeMessageType::ORDER_BOOK, 0, 0x27f,
         7},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(api_->rebuild_trade_message(t_.id, 6, c.bits, 100, 50, c.account_index)) << last_message();
        Bytes f;
        ASSERT_TRUE(read_frame(t_.peer, &f));
        EXPECT_EQ(testpeer::code_of(f.data()), 1413u);
        ASSERT_EQ(f.size(), 64u + 81u);
        expect_head(f, 6, c.expected_account, "rebuild");
        EXPECT_EQ(u64_at(f, 57), c.mask);
        EXPECT_EQ(u64_at(f, 65), 100u);
        EXPECT_EQ(u64_at(f, 73), 50u) << "sent as given";
    }
    // The privileged bits belong to subscriptions only.
    TradeSession p = open_session(nq::ApiType::PRIVILEGE, "admin");
    ASSERT_TRUE(api_->rebuild_trade_message(p.id, 6, nq::TradeMessageType::REPORT, 1, 2, 0));
    Bytes f;
    ASSERT_TRUE(read_frame(p.peer, &f));
    EXPECT_EQ(u64_at(f, 57), 0x3u);

    EXPECT_FALSE(api_->rebuild_trade_message(77, 6, 1, 1, 2, 0));
    EXPECT_EQ(last_type(), 307u);
    EXPECT_EQ(last_message(), "rebuild trade message error, get session failed: { session_id = 77 }");
    set_ring_full(true);
    EXPECT_FALSE(api_->rebuild_trade_message(t_.id, 6, 1, 1, 2, 0));
    EXPECT_EQ(last_type(), 309u);
    EXPECT_EQ(last_message(),
              "rebuild trade message error, request too fast: { session_id = " + std::to_string(t_.id) + " }");
    set_ring_full(false);
}

TEST_F(Queries, FundTradeAccountIndexCarriesTheNameWithItsTerminator) {
    ASSERT_TRUE(api_->query_fund_trade_account_index(t_.id, 12, "F0123456789abc"));  // 14 characters
    Bytes f;
    ASSERT_TRUE(read_frame(t_.peer, &f));
    EXPECT_EQ(testpeer::code_of(f.data()), 1043u);
    ASSERT_EQ(f.size(), 64u + 72u);
    expect_head(f, 12, 7, "fund account");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(f.data()) + 64 + 57, 15), std::string("F0123456789abc\0", 15));

    const std::string sid = std::to_string(t_.id);
    for (const char* name : {"F0123456789abcd", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(api_->query_fund_trade_account_index(t_.id, 13, name));
        EXPECT_EQ(last_type(), 309u);
        EXPECT_EQ(last_message(),
                  "query account index error, fund account missing or longer than 14 characters: { "
                  "session_id = " +
                      sid + ", request_id = 13 }");
    }
    EXPECT_FALSE(api_->query_fund_trade_account_index(77, 13, "F1"));
    EXPECT_EQ(last_type(), 307u);
    EXPECT_EQ(last_message(), "query account index error, get session failed: { session_id = 77, request_id = 13 }");
    set_ring_full(true);
    EXPECT_FALSE(api_->query_fund_trade_account_index(t_.id, 13, "F1"));
    EXPECT_EQ(last_message(),
              "query account index error, request too fast: { session_id = " + sid + ", request_id = 13 }");
    set_ring_full(false);
    EXPECT_TRUE(no_frame(t_.peer));
}

}  // namespace
