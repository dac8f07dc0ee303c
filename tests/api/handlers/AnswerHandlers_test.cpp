// Answers to requests and queries: paged answers as result lists with
// is_last set on the last page, the paged order query, single answers, error
// replies and timeouts as the same callbacks with the error, and every body
// and row count checked against the frame.
#include <gtest/gtest.h>

#include "HandlerHarness.h"
#include "api/business/KApiBusiness.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/TQueryRequest.h"
#include "api/messages/TRequest.h"
#include "api/requests/KApiRequestManager.h"
#include "support/TestPeer.h"

namespace {

using namespace handlers_test;
using nq::api::KApiRequestManager;
using nq::api::KApiServiceFuncBase;
using nq::api::request_info_t;

KApiServiceFuncBase* handler_of(uint32_t code) {
    return dynamic_cast<KApiServiceFuncBase*>(nq::ServiceFunc::service_func_[code]);
}

// The common head every answer echoes: session 0, request id 8, request
// sequence 16.
Body answer_body(size_t size, uint64_t session, uint64_t request_id, uint64_t seq) {
    Body b(size);
    b.put<uint64_t>(0, session).put<uint64_t>(8, request_id).put<uint64_t>(16, seq);
    return b;
}

// 1042: sub-table count at 57, end points from 61.
Bytes table_info(uint64_t session, uint64_t request_id, uint64_t seq, std::vector<uint32_t> ends) {
    Body b = answer_body(125, session, request_id, seq);
    b.put<uint32_t>(57, static_cast<uint32_t>(ends.size()));
    for (size_t i = 0; i < ends.size() && i < 16; ++i) b.put<uint32_t>(61 + 4 * i, ends[i]);
    return b.bytes;
}

// A page: table index 57, result count 71, result reference 75, size per
// item 79, rows from 84, each row byte = its row's mark.
Bytes page(uint64_t session, uint64_t request_id, uint64_t seq, uint16_t table, uint32_t count, uint32_t reference,
           uint32_t item_size, unsigned char mark, size_t rows_in_body = SIZE_MAX) {
    const size_t rows = rows_in_body == SIZE_MAX ? count : rows_in_body;
    Body b = answer_body(84 + rows * item_size, session, request_id, seq);
    b.put<uint16_t>(57, table).put<uint32_t>(71, count).put<uint32_t>(75, reference).put<uint32_t>(79, item_size);
    for (size_t r = 0; r < rows; ++r) b.fill(84 + r * item_size, item_size, static_cast<unsigned char>(mark + r));
    return b.bytes;
}

// 1029: service code 57, error code type 61, code 69, text 77 (256 bytes,
// by default 256 'x' without a terminator).
Bytes error_reply(uint64_t session, uint64_t request_id, uint64_t seq, uint32_t code, const char* text = nullptr) {
    Body b = answer_body(333, session, request_id, seq);
    b.put<uint32_t>(57, code).put<uint64_t>(61, 5).put<uint64_t>(69, 6).fill(77, 256, 'x');
    if (text != nullptr) b.copy(77, text, std::strlen(text) + 1);
    return b.bytes;
}

class Answers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(harness_.api(), nullptr);
        ring_ = harness_.api()->framework_->request_manager_;
        ASSERT_NE(ring_, nullptr);
        trade_ = harness_.open_session(nq::ApiType::TRADE, &spi_, nullptr, &trade_peer_);
        privileged_ = harness_.open_session(nq::ApiType::PRIVILEGE, &spi_, nullptr, &privileged_peer_);
        quote_ = harness_.open_session(nq::ApiType::QUOTE, nullptr, &qspi_, &quote_peer_);
        ASSERT_NE(trade_, 0u);
        ASSERT_NE(privileged_, 0u);
        ASSERT_NE(quote_, 0u);
    }

public:
    template <uint32_t REQ, uint32_t RSP>
    uint64_t send_query(uint64_t session, uint64_t request_id, nq::api::TQueryRequest<REQ, RSP>&& query) {
        nq::store_le<uint64_t>(query.body(), 8, request_id);
        EXPECT_TRUE(ring_->send_query_request(session, &query));
        return nq::load_le<uint64_t>(query.body(), 16);
    }
    template <uint32_t REQ, uint32_t RSP>
    uint64_t send_query(uint64_t session, uint64_t request_id) {
        return send_query(session, request_id, nq::api::TQueryRequest<REQ, RSP>());
    }
    template <uint32_t REQ, uint32_t RSP>
    uint64_t send_request(uint64_t session, uint64_t request_id) {
        nq::api::TRequest<REQ, RSP> request;
        request.head()->request_id = request_id;
        EXPECT_TRUE(ring_->send_request(session, &request));
        return request.head()->request_seq;
    }

    // What the 1029 handler does with an error reply to `seq`.
    void reply_error(uint64_t session, uint64_t request_id, uint64_t seq, uint32_t code, const char* text = nullptr) {
        FrameCopy frame(1029, session, error_reply(session, request_id, seq, code, text));
        nq::Message m = frame.message();
        request_info_t info = ring_->on_error(seq);
        ASSERT_EQ(info.timed_out, 0);
        nq::api::TcpSession* tcp = harness_.api()->framework_->message_io_->acquire_session(session);
        handler_of(code)->error_func(nq::api::KApiSession::from(tcp), &m, &info);
        tcp->release();
        KApiRequestManager::release(info);
    }
    // What the request-timeout path does when the timer of `seq` fires.
    void time_out(uint64_t session, uint64_t seq, uint32_t code) {
        request_info_t info = ring_->on_timeout(ring_->slots[seq & ring_->mask]);
        nq::trv_error_info_t error{};
        error.error_code_type = 311;
        std::strcpy(error.error_msg, "timeout");
        nq::api::TcpSession* tcp = harness_.api()->framework_->message_io_->acquire_session(session);
        handler_of(code)->timeout_func(nq::api::KApiSession::from(tcp), &info, &error);
        tcp->release();
        KApiRequestManager::release(info);
    }

protected:
    Harness harness_;
    EventLog log_;
    RecordingSpi spi_{&log_};
    RecordingQuoteSpi qspi_{&log_};
    KApiRequestManager* ring_ = nullptr;
    uint64_t trade_ = 0, privileged_ = 0, quote_ = 0;
    int trade_peer_ = -1, privileged_peer_ = -1, quote_peer_ = -1;
};

// Every paged answer code: its callback, with the rows of the page stepped
// by the counter's row size (here larger than the record).
TEST_F(Answers, EachQueryCodeDeliversItsRowsThroughItsList) {
    struct Case {
        uint32_t code;
        char session;  // t trade, p privileged, q quote
        size_t row;
        const char* callback;
        std::function<uint64_t(Answers*, uint64_t, uint64_t)> send;
    };
#define Q(REQ, RSP) [](Answers* a, uint64_t s, uint64_t r) { return a->send_query<REQ, RSP>(s, r); }
    const Case cases[] = {
        {1038, 'q', sizeof(nq::trv_static_quote_full_info_t), "on_query_static_quote_info", Q(1037, 1038)},
        {1049, 't', sizeof(nq::trv_trade_account_info_t), "on_query_trade_account_info", Q(1048, 1049)},
        {1056, 'q', sizeof(nq::trv_level1_quote_t), "on_query_all_level1_quote", Q(1055, 1056)},
        {1987, 't', sizeof(nq::trv_order_info_t), "on_query_orders", Q(1475, 1987)},
        {1988, 't', sizeof(nq::trv_position_info_t), "on_query_positions", Q(1476, 1988)},
        {1989, 't', sizeof(nq::trv_asset_info_t), "on_query_assets", Q(1477, 1989)},
        {1990, 't', sizeof(nq::trv_trade_report_t), "on_query_trades", Q(1478, 1990)},
        {1991, 't', sizeof(nq::trv_init_asset_info_t), "on_query_init_assets", Q(1479, 1991)},
        {1992, 't', sizeof(nq::trv_init_position_info_t), "on_query_init_positions", Q(1480, 1992)},
        {2058, 'p', sizeof(nq::trv_brief_position_t), "on_query_brief_positions", Q(1546, 2058)},
        {2059, 'p', sizeof(nq::trv_brief_asset_t), "on_query_brief_assets", Q(1547, 2059)},
    };
#undef Q
    uint64_t request_id = 500;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        log_.clear();
        const uint64_t s = c.session == 'q' ? quote_ : c.session == 'p' ? privileged_ : trade_;
        const uint64_t seq = c.send(this, s, ++request_id);
        deliver(1042, s, table_info(s, request_id, seq, {3}));
        deliver(c.code, s, page(s, request_id, seq, 0, 3, 3, static_cast<uint32_t>(c.row + 8), 0x40));
        auto events = log_.events();
        ASSERT_EQ(events.size(), 1u);
        const Event& e = events[0];
        EXPECT_EQ(e.name, c.callback);
        EXPECT_EQ(e.session_id, s);
        EXPECT_EQ(e.request_id, request_id);
        EXPECT_TRUE(e.is_last);
        EXPECT_FALSE(e.has_error);
        ASSERT_EQ(e.rows.size(), 3u);
        for (size_t r = 0; r < 3; ++r) EXPECT_EQ(e.rows[r], Bytes(c.row, static_cast<unsigned char>(0x40 + r)));
    }
}

TEST_F(Answers, AQueryOverThreePagesEndsWithIsLastOnTheLastPage) {
    const uint64_t seq = send_query<1477, 1989>(trade_, 7);
    deliver(1042, trade_, table_info(trade_, 7, seq, {2, 1}));
    deliver(1989, trade_, page(trade_, 7, seq, 0, 1, 1, sizeof(nq::trv_asset_info_t), 1));
    deliver(1989, trade_, page(trade_, 7, seq, 0, 1, 2, sizeof(nq::trv_asset_info_t), 2));
    deliver(1989, trade_, page(trade_, 7, seq, 1, 1, 1, sizeof(nq::trv_asset_info_t), 3));
    auto events = log_.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_FALSE(events[0].is_last);
    EXPECT_FALSE(events[1].is_last);
    EXPECT_TRUE(events[2].is_last);
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(events[i].rows.size(), 1u);
        EXPECT_EQ(events[i].rows[0][0], i + 1);
    }
}

TEST_F(Answers, AnEmptyTableGivesOneEmptyLastCallback) {
    const uint64_t seq = send_query<1476, 1988>(trade_, 8);
    deliver(1042, trade_, table_info(trade_, 8, seq, {}));
    deliver(1042, trade_, table_info(trade_, 8, seq, {}));  // a repeat changes nothing
    auto events = log_.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].name, "on_query_positions");
    EXPECT_EQ(events[0].request_id, 8u);
    EXPECT_TRUE(events[0].has_list);
    EXPECT_TRUE(events[0].rows.empty());
    EXPECT_TRUE(events[0].is_last);
    // Sub-tables that are all empty end the same way.
    const uint64_t seq2 = send_query<1476, 1988>(trade_, 9);
    deliver(1042, trade_, table_info(trade_, 9, seq2, {0, 0}));
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_TRUE(log_.events()[1].is_last);
}

TEST_F(Answers, APagedOrderQueryReportsCountsAndAReferenceThatContinues) {
    const uint64_t seq = send_query(trade_, 10, nq::api::TQueryRequest<1475, 1987>(2, nullptr));
    deliver(1042, trade_, table_info(trade_, 10, seq, {5}));
    deliver(1987, trade_, page(trade_, 10, seq, 0, 2, 2, sizeof(nq::trv_order_info_t), 1));
    auto events = log_.events();
    ASSERT_EQ(events.size(), 1u);
    const Event& e = events[0];
    EXPECT_EQ(e.name, "on_query_orders_by_page");
    EXPECT_EQ(e.a, 2u);  // req_count
    EXPECT_EQ(e.b, 2u);  // rsp_count
    EXPECT_TRUE(e.is_last);
    ASSERT_TRUE(e.has_reference);
    EXPECT_EQ(e.reference.sub_table_num, 1u);
    EXPECT_EQ(e.reference.sub_table_end_points[0], 5u);
    EXPECT_EQ(e.reference.positions[0], 2u);
    EXPECT_EQ(e.rows.size(), 2u);

    // The reference handed over starts the next query after the last row:
    // no table information, a page from position 2.
    testpeer::Bytes frame;
    while (testpeer::read_frame(trade_peer_, &frame, 200)) {
    }
    send_query(trade_, 11, nq::api::TQueryRequest<1475, 1987>(2, &e.reference));
    ASSERT_TRUE(testpeer::read_frame(trade_peer_, &frame, 20000));
    EXPECT_EQ(testpeer::code_of(frame.data()), 1475u);
    EXPECT_EQ(nq::load_le<uint32_t>(frame.data() + 64, 63), 2u);

    // An unpaged order query never reports by page.
    log_.clear();
    const uint64_t seq3 = send_query<1475, 1987>(trade_, 12);
    deliver(1042, trade_, table_info(trade_, 12, seq3, {1}));
    deliver(1987, trade_, page(trade_, 12, seq3, 0, 1, 1, sizeof(nq::trv_order_info_t), 1));
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_EQ(log_.events()[0].name, "on_query_orders");
}

TEST_F(Answers, ErrorsAndTimeoutsOfPagedOrderQueriesKeepTheirCounts) {
    const uint64_t seq = send_query(trade_, 13, nq::api::TQueryRequest<1475, 1987>(4, nullptr));
    deliver(1042, trade_, table_info(trade_, 13, seq, {2, 5}));
    deliver(1987, trade_, page(trade_, 13, seq, 0, 2, 2, sizeof(nq::trv_order_info_t), 1));
    reply_error(trade_, 13, seq, 1987);
    auto events = log_.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_FALSE(events[0].is_last);
    const Event& e = events[1];
    EXPECT_EQ(e.name, "on_query_orders_by_page");
    EXPECT_FALSE(e.has_list);
    EXPECT_FALSE(e.has_reference);
    EXPECT_TRUE(e.is_last);
    EXPECT_EQ(e.a, 4u);
    EXPECT_EQ(e.b, 2u);
    EXPECT_EQ(e.error.error_code_type, 5u);

    const uint64_t seq2 = send_query(trade_, 14, nq::api::TQueryRequest<1475, 1987>(4, nullptr));
    time_out(trade_, seq2, 1987);
    ASSERT_EQ(log_.size(), 3u);
    EXPECT_EQ(log_.events()[2].error.error_code_type, 311u);
    EXPECT_EQ(log_.events()[2].request_id, 14u);
}

TEST_F(Answers, AnErrorReplyReachesTheQueryCallbackWithATerminatedText) {
    const uint64_t seq = send_query<1476, 1988>(trade_, 15);
    reply_error(trade_, 15, seq, 1988);
    auto events = log_.events();
    ASSERT_EQ(events.size(), 1u);
    const Event& e = events[0];
    EXPECT_EQ(e.name, "on_query_positions");
    EXPECT_EQ(e.request_id, 15u);
    EXPECT_FALSE(e.has_list);
    EXPECT_TRUE(e.is_last);
    ASSERT_TRUE(e.has_error);
    EXPECT_EQ(e.error.error_code_type, 5u);
    EXPECT_EQ(e.error.error_code, 6u);
    EXPECT_EQ(std::string(e.error.error_msg), std::string(255, 'x'));
    // A page after the error is not delivered as a success.
    deliver(1042, trade_, table_info(trade_, 15, seq, {}));
    EXPECT_EQ(log_.size(), 1u);
}

TEST_F(Answers, PagesAfterATimeoutAreDropped) {
    const uint64_t seq = send_query<1477, 1989>(trade_, 16);
    deliver(1042, trade_, table_info(trade_, 16, seq, {2}));
    deliver(1989, trade_, page(trade_, 16, seq, 0, 1, 1, sizeof(nq::trv_asset_info_t), 1));
    time_out(trade_, seq, 1989);
    deliver(1989, trade_, page(trade_, 16, seq, 0, 1, 2, sizeof(nq::trv_asset_info_t), 2));
    auto events = log_.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_FALSE(events[0].is_last);
    EXPECT_TRUE(events[1].is_last);
    EXPECT_EQ(events[1].error.error_code_type, 311u);
    EXPECT_EQ(std::string(events[1].error.error_msg), "timeout");
}

TEST_F(Answers, PagesWhoseRowsDoNotFitAreDroppedAndTheQueryGoesOn) {
    const size_t row = sizeof(nq::trv_position_info_t);
    const uint64_t seq = send_query<1476, 1988>(trade_, 17);
    deliver(1042, trade_, table_info(trade_, 17, seq, {2}));
    deliver(1988, trade_, page(trade_, 17, seq, 0, 2, 2, row, 1, 1));                    // one row missing
    deliver(1988, trade_, page(trade_, 17, seq, 0, 0xffffffffu, 2, 0xffffffffu, 1, 0));  // huge count
    deliver(1988, trade_, page(trade_, 17, seq, 0, 2, 2, row - 1, 1));                   // rows too small
    deliver(1988, trade_, Bytes(83, 0));                                                 // head cut short
    EXPECT_EQ(log_.size(), 0u);
    EXPECT_TRUE(harness_.log_contains("query page dropped, rows do not fit"));
    // Nothing was counted: the whole page still completes the query.
    deliver(1988, trade_, page(trade_, 17, seq, 0, 2, 2, row, 1));
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_EQ(log_.events()[0].rows.size(), 2u);
    EXPECT_TRUE(log_.events()[0].is_last);
}

// Single answers: the fields at their offsets, once per request.
TEST_F(Answers, SingleAnswersCarryTheirFields) {
    uint64_t seq = send_request<1050, 1051>(trade_, 20);
    deliver(1051, trade_, answer_body(73, trade_, 20, seq).put<uint64_t>(57, 100).put<uint64_t>(65, 200).bytes);
    seq = send_request<1413, 1925>(trade_, 21);
    deliver(1925, trade_, answer_body(73, trade_, 21, seq).put<uint64_t>(57, 300).put<uint64_t>(65, 400).bytes);
    seq = send_request<1539, 2051>(privileged_, 22);
    deliver(2051, privileged_, answer_body(58, privileged_, 22, seq).put<uint8_t>(57, 1).bytes);
    seq = send_request<1540, 2052>(privileged_, 23);
    deliver(2052, privileged_, answer_body(65, privileged_, 23, seq).put<uint64_t>(57, 900).bytes);
    seq = send_request<1039, 1040>(quote_, 24);
    FrameCopy quote(1040, quote_, answer_body(485, quote_, 24, seq).fill(57, 428, 0x33).bytes);
    deliver(quote);
    auto events = log_.events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].name, "on_subscribe_trade_message");
    EXPECT_EQ(events[0].request_id, 20u);
    EXPECT_EQ(events[0].a, 100u);
    EXPECT_EQ(events[0].b, 200u);
    EXPECT_EQ(events[1].name, "on_rebuild_trade_message");
    EXPECT_EQ(events[1].a, 300u);
    EXPECT_EQ(events[1].b, 400u);
    EXPECT_EQ(events[2].name, "on_dump_final_file");
    EXPECT_EQ(events[2].a, 1u);
    EXPECT_EQ(events[3].name, "on_unbind_user_tgw");
    EXPECT_EQ(events[3].a, 900u);
    EXPECT_EQ(events[4].name, "on_query_level1_quote");
    EXPECT_EQ(events[4].record, quote.body() + 57);
    for (const Event& e : events) EXPECT_FALSE(e.has_error);
}

TEST_F(Answers, SingleAnswerErrorsAndTimeoutsReachTheSameCallback) {
    struct Case {
        uint32_t code;
        uint64_t session;
        const char* callback;
        uint64_t (Answers::*send)(uint64_t, uint64_t);
    };
    const Case cases[] = {
        {1051, trade_, "on_subscribe_trade_message", &Answers::send_request<1050, 1051>},
        {1925, trade_, "on_rebuild_trade_message", &Answers::send_request<1413, 1925>},
        {2051, privileged_, "on_dump_final_file", &Answers::send_request<1539, 2051>},
        {2052, privileged_, "on_unbind_user_tgw", &Answers::send_request<1540, 2052>},
        {1040, quote_, "on_query_level1_quote", &Answers::send_request<1039, 1040>},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        log_.clear();
        const uint64_t seq = (this->*c.send)(c.session, 30);
        reply_error(c.session, 30, seq, c.code);
        const uint64_t seq2 = (this->*c.send)(c.session, 31);
        time_out(c.session, seq2, c.code);
        // An answer after the timeout is dropped.
        deliver(c.code, c.session, answer_body(485, c.session, 31, seq2).bytes);
        auto events = log_.events();
        ASSERT_EQ(events.size(), 2u);
        for (const Event& e : events) {
            EXPECT_EQ(e.name, c.callback);
            EXPECT_EQ(e.a, 0u);
            EXPECT_EQ(e.b, 0u);
            EXPECT_EQ(e.record, nullptr);
        }
        EXPECT_EQ(events[0].request_id, 30u);
        EXPECT_EQ(events[0].error.error_code_type, 5u);
        EXPECT_EQ(std::string(events[0].error.error_msg), std::string(255, 'x'));
        EXPECT_EQ(events[1].request_id, 31u);
        EXPECT_EQ(events[1].error.error_code_type, 311u);
    }
}

TEST_F(Answers, TheSubscriptionAccountLearnsTheOutcomeFirst) {
    nq::api::KApiLoginAccountManager* accounts = harness_.api()->business_->login_account_mgr_;
    auto subscribe = [&](const char* name) {
        nq::api::TcpSession* tcp = harness_.api()->framework_->message_io_->acquire_session(trade_);
        auto* s = nq::api::KApiSession::from(tcp);
        s->subscribe_account = accounts->try_begin_subscribe_trade(name, trade_);
        nq::api::KApiLoginAccount* account = s->subscribe_account;
        tcp->release();
        return account;
    };
    nq::api::KApiLoginAccount* ok = subscribe("sub-ok");
    ASSERT_NE(ok, nullptr);
    uint64_t seq = send_request<1050, 1051>(trade_, 40);
    deliver(1051, trade_, answer_body(73, trade_, 40, seq).bytes);
    EXPECT_EQ(ok->state.load(), nq::api::KApiLoginAccount::kDone);

    nq::api::KApiLoginAccount* late = subscribe("sub-late");
    ASSERT_NE(late, nullptr);
    seq = send_request<1050, 1051>(trade_, 41);
    time_out(trade_, seq, 1051);
    EXPECT_EQ(late->state.load(), nq::api::KApiLoginAccount::kIdle);
    EXPECT_EQ(log_.events().back().error.error_code_type, 311u);
}

TEST_F(Answers, RepeatedAnswersReachTheUserOnce) {
    const uint64_t seq = send_request<1050, 1051>(trade_, 45);
    const Bytes answer = answer_body(73, trade_, 45, seq).put<uint64_t>(57, 1).bytes;
    deliver(1051, trade_, answer);
    deliver(1051, trade_, answer);
    const uint64_t seq2 = send_query<1477, 1989>(trade_, 46);
    deliver(1042, trade_, table_info(trade_, 46, seq2, {1}));
    const Bytes last = page(trade_, 46, seq2, 0, 1, 1, sizeof(nq::trv_asset_info_t), 1);
    deliver(1989, trade_, last);
    deliver(1989, trade_, last);
    deliver(1042, trade_, table_info(trade_, 46, seq2, {}));
    auto events = log_.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].name, "on_subscribe_trade_message");
    EXPECT_EQ(events[1].name, "on_query_assets");
    EXPECT_EQ(events[1].rows.size(), 1u);
}

TEST_F(Answers, AnswersOnAnotherSessionDoNotCompleteTheRequest) {
    const uint64_t seq = send_request<1050, 1051>(trade_, 47);
    deliver(1051, privileged_, answer_body(73, privileged_, 47, seq).bytes);
    const uint64_t seq2 = send_query<1477, 1989>(trade_, 48);
    deliver(1042, privileged_, table_info(privileged_, 48, seq2, {}));
    deliver(1989, privileged_, page(privileged_, 48, seq2, 0, 1, 1, sizeof(nq::trv_asset_info_t), 1));
    EXPECT_EQ(log_.size(), 0u);
    EXPECT_TRUE(harness_.log_contains("answer dropped, its request was sent on another session"));
    deliver(1051, trade_, answer_body(73, trade_, 47, seq).bytes);
    deliver(1042, trade_, table_info(trade_, 48, seq2, {}));
    auto events = log_.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].session_id, trade_);
    EXPECT_EQ(events[1].name, "on_query_assets");
    EXPECT_EQ(events[1].session_id, trade_);
}

TEST_F(Answers, ShortSingleAnswersAreDroppedAndLeaveTheRequestOpen) {
    const uint64_t seq = send_request<1050, 1051>(trade_, 50);
    deliver(1051, trade_, answer_body(72, trade_, 50, seq).bytes);
    deliver(1051, trade_, Bytes(10, 0));
    const uint64_t seq2 = send_request<1039, 1040>(quote_, 51);
    deliver(1040, quote_, answer_body(484, quote_, 51, seq2).bytes);
    EXPECT_EQ(log_.size(), 0u);
    deliver(1051, trade_, answer_body(73, trade_, 50, seq).put<uint64_t>(57, 1).bytes);
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_EQ(log_.events()[0].a, 1u);
}

TEST_F(Answers, FundTransferAnswersReachNoCallbackAndTheirErrorsAreLogged) {
    const uint32_t codes[] = {1859, 1860, 2053, 2054, 2055, 2056, 2057};
    for (uint32_t code : codes) {
        nq::api::TRequest<1347, 1859> request;  // any request waiting for an answer
        request.desire_response = code;
        request.head()->request_id = 60;
        ASSERT_TRUE(ring_->send_request(privileged_, &request));
        deliver(code, privileged_, answer_body(57, privileged_, 60, request.head()->request_seq).bytes);
        reply_error(privileged_, 61, request.head()->request_seq, code, "refused");
        time_out(privileged_, request.head()->request_seq, code);
    }
    EXPECT_EQ(log_.size(), 0u);
    const std::string text = "submit error: { error_code_type = 5, error_code = 6, error_msg = refused, session_id = " +
                             std::to_string(privileged_) + ", request_id = 61 }";
    for (const char* what : {"counter fund trans request ", "cluster fund trans request ", "counter fund trans result ",
                             "cluster fund trans result ", "fund trans exec request "})
        EXPECT_TRUE(harness_.log_contains(what + text)) << what;
}

TEST_F(Answers, RebuildTickAnswers) {
    // 1053: result flag 57, error record 58 (text unterminated).
    deliver(1053, quote_, answer_body(330, quote_, 70, 0).put<uint8_t>(57, 1).bytes);
    deliver(1053, quote_, answer_body(330, quote_, 71, 0).put<uint64_t>(58, 7).fill(74, 256, 'y').bytes);
    deliver(1053, quote_, answer_body(329, quote_, 72, 0).bytes);  // short
    // 1054: exchange 57, message type 58, tick 59.
    FrameCopy tick(1054, quote_, answer_body(129, quote_, 73, 0).put<uint8_t>(57, 2).put<uint8_t>(58, 3).bytes);
    deliver(tick);
    deliver(1054, quote_, answer_body(128, quote_, 74, 0).bytes);  // short
    auto events = log_.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].name, "on_request_rebuild_tick_quote_error");
    EXPECT_EQ(events[0].request_id, 71u);
    EXPECT_EQ(events[0].error.error_code_type, 7u);
    EXPECT_EQ(std::string(events[0].error.error_msg), std::string(255, 'y'));
    EXPECT_EQ(events[1].name, "on_rebuild_tick_quote");
    EXPECT_EQ(events[1].request_id, 73u);
    EXPECT_EQ(events[1].a, 2u);
    EXPECT_EQ(events[1].b, 3u);
    EXPECT_EQ(events[1].record, tick.body() + 59);
}

}  // namespace
