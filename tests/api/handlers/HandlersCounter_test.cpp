// The handlers end to end: a session of the provider connected to the
// stand-in counter, which pushes trade messages and answers paged queries
// from its tables, including the peer faults it can be scripted with.
#include <gtest/gtest.h>

#include "HandlerHarness.h"
#include "api/messages/TQueryRequest.h"
#include "api/requests/KApiRequestManager.h"
#include "counter/CounterWire.h"
#include "counter/StandInCounter.h"

namespace {

using namespace handlers_test;

class ThroughCounter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(harness_.api(), nullptr);
        counter::CounterOptions options;
        options.max_page_rows = 2;
        counter_.reset(new counter::StandInCounter(options));
        ASSERT_TRUE(counter_->start());
        session_ = connect(nq::ApiType::TRADE);
        ASSERT_NE(session_, 0u);
        ASSERT_TRUE(counter_->wait_sessions(1, 20000));
        peer_ = counter_->sessions().back();
    }

    // A library session to the counter with the callback slots a login of
    // that type fills.
    uint64_t connect(nq::ApiType type) {
        nq::api::KApi* api = harness_.api();
        const sockaddr_in addr = counter_->address();
        const uint64_t id = api->framework_->open_session(1, reinterpret_cast<const sockaddr*>(&addr), nullptr,
                                                          static_cast<unsigned char>(type));
        if (id == 0) return 0;
        nq::api::TcpSession* tcp = api->framework_->message_io_->acquire_session(id);
        auto* s = nq::api::KApiSession::from(tcp);
        s->api_type = static_cast<uint8_t>(type);
        s->trade_spi.store(&spi_);
        if (type == nq::ApiType::PRIVILEGE) s->privilege_spi.store(&spi_);
        tcp->release();
        return id;
    }
    std::vector<uint64_t> sequences() {
        std::vector<uint64_t> s;
        for (const Event& e : log_.events()) s.push_back(e.a);
        return s;
    }
    // A marker report after the frames under test: once it arrives, every
    // earlier frame of the session has been handled.
    void settle(const std::string& marker_id) {
        const uint64_t seq = counter_->push_report(peer_, 2308, marker_id, 1);
        ASSERT_NE(seq, 0u);
        ASSERT_TRUE(log_.wait_event([&](const Event& e) { return e.a == seq; }));
    }

    Harness harness_;
    EventLog log_;
    RecordingSpi spi_{&log_};
    std::unique_ptr<counter::StandInCounter> counter_;
    uint64_t session_ = 0;
    uint64_t peer_ = 0;
};

TEST_F(ThroughCounter, ReportsAreDeliveredOnceAndReplayedCopiesAlways) {
    const uint64_t s1 = counter_->push_report(peer_, 2308, "order-1", 11);
    counter_->push_report(peer_, 2308, "order-1", 11);  // duplicate
    const uint64_t s3 = counter_->push_report(peer_, 2310, "trade-1", 11);
    const uint64_t s4 = counter_->push_report(peer_, 2308, "order-1", 11, true);  // replay
    counter_->push_report(peer_, 2313, "filtered", 12);
    counter_->push_report(peer_, 2308, "filtered", 12);  // seen through 2313
    const uint64_t s7 = counter_->push(peer_, 2403, counter::Bytes(80, 1));
    const uint64_t s8 = counter_->push(peer_, 2403, counter::Bytes(80, 1));
    settle("marker-1");
    auto events = log_.events();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[0].name, "on_order_response");
    EXPECT_EQ(events[1].name, "on_trade_report");
    EXPECT_EQ(events[2].name, "on_order_response");
    EXPECT_EQ(events[3].name, "on_asset");
    EXPECT_EQ(events[4].name, "on_asset");
    EXPECT_EQ(sequences(), (std::vector<uint64_t>{s1, s3, s4, s7, s8, events[5].a}));
    for (const Event& e : events) EXPECT_EQ(e.session_id, session_);
}

TEST_F(ThroughCounter, RawReportsCarryTheExchangesReport) {
    const counter::Bytes report = {'8', '=', 'F', 'I', 'X', 0, 1, 2};
    counter_->send(peer_, 2339, counter::wire::raw_report_body(0, 1, false, 3, "raw-1", 77, 1, 5, 6, report));
    counter_->send(peer_, 2339, counter::wire::raw_report_body(0, 2, false, 3, "raw-1", 77, 1, 5, 6, report));
    // A peer announcing more than it sends.
    counter_->send(peer_, 2339, counter::wire::raw_report_body(0, 3, false, 3, "raw-2", 77, 1, 5, 6, report, 4096));
    settle("marker-2");
    auto events = log_.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].name, "on_raw_report");
    EXPECT_EQ(events[0].a, 77u);
    EXPECT_EQ(counter::Bytes(events[0].data.begin() + 32, events[0].data.end()), report);
    EXPECT_TRUE(harness_.log_contains("message dropped, body too short"));
}

TEST_F(ThroughCounter, TruncatedPushesAreSurvived) {
    counter::StandInCounter::PushOptions cut;
    cut.body_size = 40;
    counter_->push(peer_, 2308, counter::wire::order_report_record(2308, "cut-1", 1), cut);
    cut.body_size = 96;
    counter_->push(peer_, 2403, counter::Bytes(80, 1), cut);
    cut.body_size = 17;
    counter_->push(peer_, 2467, counter::Bytes(), cut);
    settle("marker-3");
    ASSERT_EQ(log_.size(), 1u);
    // The cut report was not remembered: its whole copy is new.
    counter_->push_report(peer_, 2308, "cut-1", 1);
    ASSERT_TRUE(log_.wait_for(2));
}

TEST_F(ThroughCounter, APagedQueryDeliversEveryRowOnceWithIsLastAtTheEnd) {
    const uint32_t row = sizeof(nq::trv_asset_info_t) + 5;
    counter_->set_table(1477, counter::StandInCounter::make_table(row, 5, 2));
    nq::api::TQueryRequest<1477, 1989> query;
    nq::store_le<uint64_t>(query.body(), 8, 99);
    ASSERT_TRUE(harness_.api()->framework_->request_manager_->send_query_request(session_, &query));
    ASSERT_TRUE(log_.wait_until_last());
    auto events = log_.events();
    ASSERT_EQ(events.size(), 6u);  // 2 + 2 + 1 rows in each of two sub-tables
    uint64_t next = 1;
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].name, "on_query_assets");
        EXPECT_EQ(events[i].request_id, 99u);
        EXPECT_EQ(events[i].is_last, i + 1 == events.size());
        for (const Bytes& r : events[i].rows) EXPECT_EQ(nq::load_le<uint64_t>(r.data(), 0), next++);
    }
    EXPECT_EQ(next, 11u);
}

TEST_F(ThroughCounter, PagesWithOversizedCountsOrShortRowsAreDropped) {
    nq::api::KApiRequestManager* ring = harness_.api()->framework_->request_manager_;
    counter_->set_table(1476, counter::StandInCounter::make_table(sizeof(nq::trv_position_info_t), 2, 1));
    counter_->script(1476, counter::Reply::with_u32(71, 0x7fffffff, 1988));  // result count
    counter_->script(1476, counter::Reply::with_u32(79, 8, 1988));           // size per item
    counter_->script(1476, counter::Reply::truncated(60, 1988));             // head cut
    for (uint64_t id = 1; id <= 3; ++id) {
        nq::api::TQueryRequest<1476, 1988> query;
        nq::store_le<uint64_t>(query.body(), 8, id);
        ASSERT_TRUE(ring->send_query_request(session_, &query));
    }
    ASSERT_TRUE(counter_->wait_until(
        [&] {
            size_t pages = 0;
            for (const auto& f : counter_->frames()) pages += f.code == 1476;
            return pages >= 3;
        },
        20000));
    // A sound query afterwards is answered whole.
    nq::api::TQueryRequest<1476, 1988> query;
    nq::store_le<uint64_t>(query.body(), 8, 4);
    ASSERT_TRUE(ring->send_query_request(session_, &query));
    ASSERT_TRUE(log_.wait_until_last());
    auto events = log_.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].request_id, 4u);
    EXPECT_EQ(events[0].rows.size(), 2u);
    EXPECT_TRUE(harness_.log_contains("query page dropped, rows do not fit"));
}

TEST_F(ThroughCounter, AnErrorReplyReachesTheQueryCallbackWithItsTextTerminated) {
    nq::api::TQueryRequest<1476, 1988> query;
    nq::store_le<uint64_t>(query.body(), 8, 5);
    // The error answers the data-table request that starts the query; with
    // 300 characters the counter's 256-byte text field has no terminator.
    counter_->script(1041, counter::Reply::error(309, 4, std::string(300, 'e'), 1988), 1, 1476);
    ASSERT_TRUE(harness_.api()->framework_->request_manager_->send_query_request(session_, &query));
    ASSERT_TRUE(log_.wait_until_last());
    auto events = log_.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].name, "on_query_positions");
    EXPECT_EQ(events[0].request_id, 5u);
    EXPECT_FALSE(events[0].has_list);
    ASSERT_TRUE(events[0].has_error);
    EXPECT_EQ(events[0].error.error_code_type, 309u);
    EXPECT_EQ(std::string(events[0].error.error_msg), std::string(255, 'e'));
}

}  // namespace
