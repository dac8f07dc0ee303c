// Pushed trade messages: order reports delivered once per report id unless
// replayed, raw reports with a filter of their own, pushed state delivered
// every time, and every body checked against its frame before it is read.
#include <gtest/gtest.h>

#include <pthread.h>

#include "HandlerHarness.h"
#include "support/TestPeer.h"

namespace {

using namespace handlers_test;

// Body sizes from the wire layouts: descriptor (17) + record.
struct PushedCode {
    uint32_t code;
    size_t body;
    const char* callback;  // null: none
};
const PushedCode kReports[] = {
    {2307, 66, "on_order_end"},
    {2308, 115, "on_order_response"},
    {2309, 88, "on_cancel_response"},
    {2310, 125, "on_trade_report"},
    {2311, 347, "on_order_error_response"},
    {2312, 347, "on_order_error_response"},
    {2313, 58, nullptr},
};
const PushedCode kPublished[] = {
    {2371, 119, "on_order_book_insert"},
    {2372, 251, "on_order_book_update"},
    {2373, 404, "on_order_book_error"},
    {2403, 97, "on_asset"},
    {2404, 59, "on_position"},
    {2435, 337, "on_fund_transfer_exec_result"},
    {2436, 63, "on_counter_fund_transfer_request"},
    {2437, 344, "on_counter_fund_transfer_result"},
    {2438, 62, "on_cluster_fund_transfer_request"},
    {2439, 343, "on_cluster_fund_transfer_result"},
    {2467, 593, "on_token"},
    {2468, 84, "on_quote_login_info"},
};

// A pushed body: descriptor (account index, sequence, is_rebuild), then for
// reports the id at 18 and the xid at 50; the rest a pattern.
Bytes pushed(size_t size, uint64_t sequence, bool rebuild, unsigned char id = 0, uint64_t xid = 0) {
    Body b(size);
    for (size_t i = 17; i < size; ++i) b.bytes[i] = static_cast<unsigned char>(i * 7);
    b.put<uint64_t>(0, 77).put<uint64_t>(8, sequence).put<uint8_t>(16, rebuild ? 1 : 0);
    if (size >= 58) b.fill(18, 32, 0).put<uint8_t>(18, id).put<uint64_t>(50, xid);
    return b.bytes;
}

// 2339 body: client id 17, report id 18, xid 50, exchange 66, platform 67,
// gateway 69, report size 71, the report from 75.
Bytes raw_report(uint64_t sequence, bool rebuild, unsigned char id, const std::string& report, uint32_t announced_size,
                 size_t body_size = 0) {
    Body b(std::max<size_t>(body_size, 75 + report.size()));
    b.put<uint64_t>(8, sequence).put<uint8_t>(16, rebuild ? 1 : 0).put<uint8_t>(17, 9).put<uint8_t>(18, id);
    b.put<uint64_t>(50, 0x1234).put<uint8_t>(66, 2).put<uint16_t>(67, 0x0506).put<uint16_t>(69, 0x0708);
    b.put<uint32_t>(71, announced_size);
    if (!report.empty()) b.copy(75, report.data(), report.size());
    if (body_size != 0) b.bytes.resize(body_size);
    return b.bytes;
}

class Pushed : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(harness_.api(), nullptr);
        trade_ = harness_.open_session(nq::ApiType::TRADE, &spi_, nullptr, &trade_peer_);
        privileged_ = harness_.open_session(nq::ApiType::PRIVILEGE, &pspi_, nullptr, &privileged_peer_);
        ASSERT_NE(trade_, 0u);
        ASSERT_NE(privileged_, 0u);
    }
    std::vector<std::string> names() {
        std::vector<std::string> n;
        for (const Event& e : log_.events()) n.push_back(e.name);
        return n;
    }

    Harness harness_;
    EventLog log_;
    EventLog plog_;
    RecordingSpi spi_{&log_};
    RecordingSpi pspi_{&plog_};
    uint64_t trade_ = 0, privileged_ = 0;
    int trade_peer_ = -1, privileged_peer_ = -1;
};

TEST_F(Pushed, EachReportCodeReachesItsCallbackWithDescriptorAndRecordInTheMessage) {
    unsigned char id = 1;
    for (const PushedCode& c : kReports) {
        SCOPED_TRACE(c.code);
        log_.clear();
        FrameCopy frame(c.code, trade_, pushed(c.body, 100 + c.code, false, id++, 0));
        deliver(frame);
        if (c.callback == nullptr) {
            EXPECT_EQ(log_.size(), 0u);
            continue;
        }
        auto events = log_.events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].name, c.callback);
        EXPECT_EQ(events[0].session_id, trade_);
        EXPECT_EQ(events[0].desc, frame.body());
        EXPECT_EQ(events[0].record, frame.body() + 17);
        EXPECT_EQ(events[0].a, 100u + c.code);
    }
}

TEST_F(Pushed, ARepeatedReportIdIsDeliveredOnce) {
    deliver(2308, trade_, pushed(115, 1, false, 42, 7));
    deliver(2308, trade_, pushed(115, 2, false, 42, 7));
    // Keyed on the report id alone: another code or xid is still a repeat.
    deliver(2310, trade_, pushed(125, 3, false, 42, 8));
    deliver(2308, trade_, pushed(115, 4, false, 43, 7));
    auto events = log_.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].a, 1u);
    EXPECT_EQ(events[1].a, 4u);
}

TEST_F(Pushed, ReplayedCopiesAreAlwaysDeliveredAndDoNotEnterTheFilter) {
    deliver(2308, trade_, pushed(115, 1, true, 50, 7));
    deliver(2308, trade_, pushed(115, 2, true, 50, 7));
    deliver(2308, trade_, pushed(115, 3, false, 50, 7));  // first live copy
    deliver(2308, trade_, pushed(115, 4, false, 50, 7));  // repeat
    deliver(2308, trade_, pushed(115, 5, true, 50, 7));   // replay after the live one
    std::vector<uint64_t> seqs;
    for (const Event& e : log_.events()) seqs.push_back(e.a);
    EXPECT_EQ(seqs, (std::vector<uint64_t>{1, 2, 3, 5}));
}

TEST_F(Pushed, AFilterOnlyReportMakesALaterReportWithItsIdARepeat) {
    deliver(2313, trade_, pushed(58, 1, false, 60, 1));
    deliver(2308, trade_, pushed(115, 2, false, 60, 99));
    EXPECT_EQ(log_.size(), 0u);
}

TEST_F(Pushed, RawReportsHaveTheirOwnFilterAndCarryTheirFields) {
    deliver(2308, trade_, pushed(115, 1, false, 70, 0x1234));
    FrameCopy raw(2339, trade_, raw_report(2, false, 70, "exchange-report", 15));
    deliver(raw);
    deliver(2339, trade_, raw_report(3, false, 70, "exchange-report", 15));  // repeat among raw reports
    deliver(2339, trade_, raw_report(4, true, 70, "replayed", 8));           // replay
    auto events = log_.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].name, "on_order_response");
    const Event& r = events[1];
    EXPECT_EQ(r.name, "on_raw_report");
    EXPECT_EQ(r.desc, raw.body());
    EXPECT_EQ(r.record, raw.body() + 75);
    EXPECT_EQ(r.a, 0x1234u);
    EXPECT_EQ(r.b, (uint64_t(9) << 40) | (uint64_t(2) << 32) | (0x0506u << 16) | 0x0708u);
    EXPECT_EQ(r.data[0], 70);
    EXPECT_EQ(std::string(r.data.begin() + 32, r.data.end()), "exchange-report");
    EXPECT_EQ(events[2].name, "on_raw_report");
    EXPECT_EQ(std::string(events[2].data.begin() + 32, events[2].data.end()), "replayed");
}

TEST_F(Pushed, PushedStateIsDeliveredEveryTimeToTheSlotOfItsCallback) {
    for (const PushedCode& c : kPublished) {
        SCOPED_TRACE(c.code);
        const bool privileged_only = c.code == 2435 || c.code == 2467 || c.code == 2468;
        log_.clear();
        plog_.clear();
        FrameCopy live(c.code, trade_, pushed(c.body, 1, false));
        deliver(live);
        deliver(c.code, trade_, pushed(c.body, 1, false));
        deliver(c.code, trade_, pushed(c.body, 1, true));
        // The trade session has no privilege callback object.
        ASSERT_EQ(log_.size(), privileged_only ? 0u : 3u);
        if (!privileged_only) {
            EXPECT_EQ(log_.events()[0].name, c.callback);
            EXPECT_EQ(log_.events()[0].desc, live.body());
            EXPECT_EQ(log_.events()[0].record, live.body() + 17);
        }
        deliver(c.code, privileged_, pushed(c.body, 2, false));
        ASSERT_EQ(plog_.size(), 1u);
        EXPECT_EQ(plog_.events()[0].name, c.callback);
        EXPECT_EQ(plog_.events()[0].session_id, privileged_);
    }
}

TEST_F(Pushed, MessagesOfClosedOrUnknownSessionsReachNoCallback) {
    harness_.api()->framework_->close_session(trade_, true);
    deliver(2308, trade_, pushed(115, 1, false, 80, 1));
    deliver(2403, trade_, pushed(97, 1, false));
    deliver(2308, trade_ + (1ull << 16), pushed(115, 1, false, 81, 1));  // same slot, other id
    deliver(2308, 0, pushed(115, 1, false, 82, 1));
    EXPECT_EQ(log_.size(), 0u);
    // The report of the closed session did not enter the filter either.
    deliver(2308, privileged_, pushed(115, 1, false, 80, 1));
    EXPECT_EQ(plog_.size(), 1u);
}

TEST_F(Pushed, ShortBodiesAreDroppedWithoutAReadPastTheMessage) {
    for (const PushedCode& c : kReports) {
        SCOPED_TRACE(c.code);
        deliver(c.code, trade_, pushed(c.body - 1, 1, false, 90, 1));
        deliver(c.code, trade_, Bytes(17, 0));
        deliver(c.code, trade_, Bytes());
    }
    for (const PushedCode& c : kPublished) {
        SCOPED_TRACE(c.code);
        deliver(c.code, privileged_, pushed(c.body - 1, 1, false));
        deliver(c.code, privileged_, Bytes(3, 0));
    }
    EXPECT_EQ(log_.size(), 0u);
    EXPECT_EQ(plog_.size(), 0u);
    // A dropped report was not remembered: its full copy is delivered.
    deliver(2308, trade_, pushed(115, 2, false, 90, 1));
    EXPECT_EQ(log_.size(), 1u);
    EXPECT_TRUE(harness_.log_contains("message dropped, body too short"));
}

TEST_F(Pushed, ARawReportMustHoldTheReportItAnnounces) {
    deliver(2339, trade_, raw_report(1, false, 1, "abc", 4));         // one byte missing
    deliver(2339, trade_, raw_report(1, false, 2, "", 0xffffffffu));  // huge size
    deliver(2339, trade_, raw_report(1, false, 3, "", 0, 74));        // head cut short
    EXPECT_EQ(log_.size(), 0u);
    deliver(2339, trade_, raw_report(1, false, 1, "abc", 3));     // exact
    deliver(2339, trade_, raw_report(1, false, 4, "", 0));        // empty report
    deliver(2339, trade_, raw_report(1, false, 5, "abcdef", 2));  // shorter than the body
    auto events = log_.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(std::string(events[0].data.begin() + 32, events[0].data.end()), "abc");
    EXPECT_EQ(events[1].data.size(), 32u);
    EXPECT_EQ(std::string(events[2].data.begin() + 32, events[2].data.end()), "ab");
}

TEST_F(Pushed, AnEmptyCallbackSlotIsHandledWithoutACall) {
    nq::api::TcpSession* tcp = harness_.api()->framework_->message_io_->acquire_session(trade_);
    ASSERT_NE(tcp, nullptr);
    nq::api::KApiSession::from(tcp)->trade_spi.store(nullptr);
    tcp->release();
    deliver(2308, trade_, pushed(115, 1, false, 95, 1));
    deliver(2339, trade_, raw_report(1, false, 95, "x", 1));
    deliver(2403, trade_, pushed(97, 1, false));
    EXPECT_EQ(log_.size(), 0u);
}

// The whole road: frames written by the peer reach the callback on the
// "msg_handler" worker, once per report id.
TEST_F(Pushed, ReportsFromThePeerReachTheCallbackThroughTheWorker) {
    struct NamingSpi : RecordingSpi {
        using RecordingSpi::RecordingSpi;
        std::string thread;
        void on_order_response(uint64_t s, const nq::trv_msg_desc_t* d, const nq::trv_order_response_t* r) override {
            char name[32] = {};
            pthread_getname_np(pthread_self(), name, sizeof name);
            thread = name;
            RecordingSpi::on_order_response(s, d, r);
        }
    };
    EventLog log;
    NamingSpi spi(&log);
    int peer = -1;
    const uint64_t session = harness_.open_session(nq::ApiType::TRADE, &spi, nullptr, &peer);
    ASSERT_NE(session, 0u);
    Bytes stream;
    for (uint64_t i = 0; i < 100; ++i) {
        Bytes f = FrameCopy(2308, session, pushed(115, i, false, static_cast<unsigned char>(i % 50), i)).wire();
        stream.insert(stream.end(), f.begin(), f.end());
    }
    ASSERT_TRUE(testpeer::send_all(peer, stream.data(), stream.size()));
    ASSERT_TRUE(log.wait_for(50));
    // Anything after the fiftieth would be a repeat; a marker shows the
    // worker got past them all.
    Bytes marker = FrameCopy(2308, session, pushed(115, 1000, false, 200, 1)).wire();
    ASSERT_TRUE(testpeer::send_all(peer, marker.data(), marker.size()));
    ASSERT_TRUE(log.wait_for(51));
    auto events = log.events();
    ASSERT_EQ(events.size(), 51u);
    for (uint64_t i = 0; i < 50; ++i) EXPECT_EQ(events[i].a, i);
    EXPECT_EQ(events[50].a, 1000u);
    EXPECT_EQ(spi.thread, "msg_handler");
}

}  // namespace
