// Orders, cancels, resends, queries and trade-message replay end to end: the
// trading facade logged in to the stand-in counter on loopback, which answers
// orders with pushed reports. Each TEST is its own process (one provider).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "counter/StandInCounter.h"
#include "support/ScratchFilePath.h"
#include "support/WaitUntil.h"
#include "trv_api.h"

namespace {

using counter::StandInCounter;

constexpr int kWaitMs = 15000;

bool wait_for(const std::function<bool()>& done, int ms = kWaitMs) { return trv_test::wait_until(done, ms / 1000.0); }

uint64_t u64(const counter::Bytes& b, size_t off) {
    uint64_t v;
    std::memcpy(&v, b.data() + off, 8);
    return v;
}

struct Page {
    uint64_t request_id;
    std::vector<uint64_t> first_words;  // u64 at offset 0 of every row
    bool is_last;
    bool failed;
    nq::trv_page_query_reference_t reference;
};

// Records what the library reports, by kind.
class Spi : public nq::TRVTradeSpi {
public:
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        std::lock_guard<std::mutex> lock(mu);
        login_session = session_id;
        login_failed = error != nullptr;
        ++logins;
    }
    void on_disconnect(uint64_t session_id) override {
        std::lock_guard<std::mutex> lock(mu);
        disconnected.push_back(session_id);
    }
    void on_order_timeout(uint64_t, uint64_t xid) override {
        std::lock_guard<std::mutex> lock(mu);
        ++timeouts[xid];
        // A report already delivered should have kept the timer silent.
        if (responses.count(xid) != 0 || trades.count(xid) != 0) ++timeouts_after_report[xid];
    }
    void on_order_response(uint64_t, const nq::trv_msg_desc_t* desc, const nq::trv_order_response_t* r) override {
        std::lock_guard<std::mutex> lock(mu);
        (desc->is_rebuild ? rebuilt_responses : responses)[r->xid]++;
    }
    void on_trade_report(uint64_t, const nq::trv_msg_desc_t* desc, const nq::trv_trade_report_t* r) override {
        std::lock_guard<std::mutex> lock(mu);
        (desc->is_rebuild ? rebuilt_trades : trades)[r->xid]++;
    }
    void on_cancel_response(uint64_t, const nq::trv_msg_desc_t*, const nq::trv_cancel_response_t* r) override {
        std::lock_guard<std::mutex> lock(mu);
        cancels[r->xid] = r->origin_xid;
    }
    void on_query_orders(uint64_t, uint64_t request_id, const nq::TRVOrderList* orders, bool is_last,
                         const nq::trv_error_info_t* error) override {
        record(request_id, orders, is_last, error, nullptr);
    }
    void on_query_orders_by_page(uint64_t, uint64_t request_id, const nq::TRVOrderList* orders, uint64_t, uint64_t,
                                 const nq::trv_page_query_reference_t* reference, bool is_last,
                                 const nq::trv_error_info_t* error) override {
        record(request_id, orders, is_last, error, reference);
    }
    void on_subscribe_trade_message(uint64_t, uint64_t, uint64_t, uint64_t latest,
                                    const nq::trv_error_info_t* error) override {
        std::lock_guard<std::mutex> lock(mu);
        subscribed = error == nullptr ? 1 : -1;
        latest_sequence = latest;
    }
    void on_rebuild_trade_message(uint64_t, uint64_t, uint64_t, uint64_t, const nq::trv_error_info_t* error) override {
        std::lock_guard<std::mutex> lock(mu);
        rebuild_answered = error == nullptr ? 1 : -1;
    }

    template <class F>
    auto with(F f) {
        std::lock_guard<std::mutex> lock(mu);
        return f();
    }

    std::mutex mu;
    uint64_t login_session = 0;
    bool login_failed = false;
    int logins = 0;
    std::map<uint64_t, int> timeouts, timeouts_after_report, responses, trades, rebuilt_responses, rebuilt_trades;
    std::map<uint64_t, uint64_t> cancels;
    std::vector<uint64_t> disconnected;
    std::vector<Page> pages;
    int subscribed = 0, rebuild_answered = 0;
    uint64_t latest_sequence = 0;

private:
    void record(uint64_t request_id, const nq::TRVOrderList* orders, bool is_last, const nq::trv_error_info_t* error,
                const nq::trv_page_query_reference_t* reference) {
        Page p{request_id, {}, is_last, error != nullptr, {}};
        if (orders != nullptr) {
            for (size_t i = 0; i < orders->data_count(); ++i) {
                uint64_t w;
                std::memcpy(&w, orders->get(static_cast<int>(i)), 8);
                p.first_words.push_back(w);
            }
        }
        if (reference != nullptr) p.reference = *reference;
        std::lock_guard<std::mutex> lock(mu);
        pages.push_back(p);
    }
};

class OrderFlow : public ::testing::Test {
protected:
    virtual counter::CounterOptions options() { return counter::CounterOptions(); }
    virtual uint16_t order_timeout() { return 1; }

    void SetUp() override {
        ASSERT_TRUE(trv_test::use_scratch_file_path("trv_order_flow"));
        setenv("TRV_LOG_LEVEL", "DEBUG", 1);
        counter_.reset(new StandInCounter(options()));
        counter_->add_account({"alice", counter::AccountKind::Normal, 11, 22, ""});
        ASSERT_TRUE(counter_->start());
        trade_ = nq::TRVTradeApi::create();
        ASSERT_NE(trade_, nullptr);
        ASSERT_TRUE(config_.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(config_.add_agw_addr("127.0.0.1", counter_->port()));
        config_.set_trading_day(20240102);
        config_.set_order_timeout(order_timeout());
        ASSERT_TRUE(trade_->initialize(&config_, &spi_));
        ASSERT_TRUE(trade_->login(1, 3, "alice", "pw", "key", nullptr));
        ASSERT_TRUE(wait_for([&] { return spi_.with([&] { return spi_.logins; }) == 1; }));
        ASSERT_FALSE(spi_.with([&] { return spi_.login_failed; }));
        session_ = spi_.with([&] { return spi_.login_session; });
        counter_session_ = counter_->logins().at(0).session;
    }

    uint64_t insert(const char* code = "600000") {
        nq::trv_order_insert_info_t o{};
        o.price = 101000;
        o.quantity = 200;
        std::strncpy(o.security_code, code, sizeof o.security_code);
        o.exchange_index = nq::ExchangeIndex::SH;
        o.order_type = nq::OrderType::LIMIT_PRICE;
        o.side = nq::Side::SELL;
        o.business_type = nq::BusinessType::CASH;
        return trade_->insert_order(session_, &o, 0);
    }
    int count(std::map<uint64_t, int> Spi::*m, uint64_t xid) {
        return spi_.with([&] {
            auto it = (spi_.*m).find(xid);
            return it == (spi_.*m).end() ? 0 : it->second;
        });
    }

    std::unique_ptr<StandInCounter> counter_;
    Spi spi_;
    nq::TRVTradeConfig config_;
    nq::TRVTradeApi* trade_ = nullptr;
    uint64_t session_ = 0;
    uint64_t counter_session_ = 0;
};

// The first order of token 5 reaches the order node and the gateway exactly,
// and its reports (sent at once, possibly before the call returned) are
// matched: none of them times out.
TEST_F(OrderFlow, OrdersReachTheCounterAndTheirReportsAreMatched) {
    const uint64_t xid = insert();
    ASSERT_EQ(xid, 0x50000106u) << trade_->get_last_error().error_msg;
    ASSERT_TRUE(counter_->wait_frame(1283, kWaitMs));
    ASSERT_TRUE(wait_for([&] { return counter_->datagrams(1283).size() == 1; }));
    const counter::Bytes d = counter_->datagrams(1283)[0].payload;
    ASSERT_EQ(d.size(), 62u);
    EXPECT_EQ(u64(d, 6), 0u);
    EXPECT_EQ(u64(d, 14), xid);
    EXPECT_NE(u64(d, 22), 0u) << "the counter's authorisation id";
    uint32_t index;
    std::memcpy(&index, d.data() + 6 + 28, 4);
    EXPECT_EQ(index, 1u) << "600000 is row 1 of the counter's security table";
    EXPECT_EQ(u64(d, 6 + 32), 200u);
    EXPECT_EQ(u64(d, 6 + 40), 101000u);
    counter::ReceivedFrame copy;
    ASSERT_TRUE(counter_->wait_frame(1283, kWaitMs, &copy));
    ASSERT_EQ(copy.bytes.size(), 120u);
    EXPECT_TRUE(std::equal(d.begin() + 6, d.end(), copy.bytes.begin() + 64));
    EXPECT_NE(u64(copy.bytes, 32), 0u) << "send time";

    std::vector<uint64_t> xids{xid};
    for (int i = 0; i < 40; ++i) xids.push_back(insert());
    for (uint64_t x : xids) {
        ASSERT_NE(x, 0u);
        EXPECT_TRUE(wait_for([&] { return count(&Spi::responses, x) == 1 && count(&Spi::trades, x) == 1; })) << x;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // past the 1 s order timeout
    // A report that overtook the rest of the call must have found the order
    // stored, so its timer stays silent. (On a starved machine an answer can
    // take longer than the timeout itself; that order's timeout then came
    // first, rightly, and is not counted here.)
    int late = 0;
    for (uint64_t x : xids) {
        EXPECT_EQ(count(&Spi::timeouts_after_report, x), 0) << x;
        late += count(&Spi::timeouts, x);
    }
    if (late != 0) std::printf("%d orders answered after their 1 s timeout\n", late);
    // A resend of an answered order is refused.
    EXPECT_FALSE(trade_->resend_order_request(session_, xid));
    EXPECT_STREQ(trade_->get_last_error().error_msg,
                 ("resend order error, order can't resend, has got report: { session_id = " + std::to_string(session_) +
                  ", xid: " + std::to_string(xid) + " }")
                     .c_str());
}

TEST_F(OrderFlow, UnansweredOrderTimesOutOnceAndCanBeResent) {
    counter::OrderReplies silent;
    silent.when = counter::OrderReplies::When::Never;
    counter_->set_order_replies(silent);
    const uint64_t xid = insert();
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(wait_for([&] { return count(&Spi::timeouts, xid) == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(count(&Spi::timeouts, xid), 1) << "reported once";

    const size_t frames_before = counter_->frame_count();
    ASSERT_TRUE(trade_->resend_order_request(session_, xid)) << trade_->get_last_error().error_msg;
    ASSERT_TRUE(wait_for([&] { return counter_->datagrams(1283).size() == 2; }));
    const counter::Bytes again = counter_->datagrams(1283)[1].payload;
    EXPECT_EQ(u64(again, 6), 4u | (1ull << 54));
    EXPECT_EQ(u64(again, 14), xid);
    counter::ReceivedFrame copy;
    ASSERT_TRUE(counter_->wait_frame(1283, kWaitMs, &copy, frames_before));
    EXPECT_EQ(u64(copy.bytes, 64), 4u | (1ull << 54));
    EXPECT_EQ(count(&Spi::timeouts, xid), 1) << "a resend arms no new timer";

    // Once a report came, no more resends.
    ASSERT_NE(counter_->push_report(counter_session_, 2308, "REPORT-AFTER-RESEND", xid), 0u);
    ASSERT_TRUE(wait_for([&] { return count(&Spi::responses, xid) == 1; }));
    EXPECT_FALSE(trade_->resend_order_request(session_, xid));
    EXPECT_EQ(trade_->get_last_error().error_code_type, 308u);
}

TEST_F(OrderFlow, CancelReachesTheCounterAndItsResponseComesBack) {
    const uint64_t xid = insert();
    ASSERT_NE(xid, 0u);
    nq::trv_cancel_order_info_t c{0, xid};
    const uint64_t cancel = trade_->cancel_order(session_, &c, 0);
    ASSERT_EQ(cancel, 0x50000207u) << trade_->get_last_error().error_msg;
    ASSERT_TRUE(wait_for([&] { return counter_->datagrams(1289).size() == 1; }));
    const counter::Bytes d = counter_->datagrams(1289)[0].payload;
    ASSERT_EQ(d.size(), 38u);
    EXPECT_EQ(u64(d, 14), cancel);
    EXPECT_EQ(u64(d, 30), xid);
    counter::ReceivedFrame copy;
    ASSERT_TRUE(counter_->wait_frame(1289, kWaitMs, &copy));
    EXPECT_EQ(copy.bytes.size(), 96u);
    ASSERT_TRUE(wait_for([&] { return spi_.with([&] { return spi_.cancels.count(cancel); }) == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    EXPECT_EQ(count(&Spi::timeouts, cancel), 0);
}

// Reports pushed while subscribed are replayed on request as rebuild copies,
// which are delivered even though their report ids were seen before.
TEST_F(OrderFlow, ReplayDeliversRebuildCopies) {
    ASSERT_TRUE(
        trade_->subscribe_trade_message(session_, 7, nq::TradeMessageType::REPORT, nq::TradeResumeType::QUICK, 0));
    ASSERT_TRUE(wait_for([&] { return spi_.with([&] { return spi_.subscribed; }) != 0; }));
    EXPECT_EQ(spi_.with([&] { return spi_.subscribed; }), 1);
    const uint64_t xid = insert();
    ASSERT_TRUE(wait_for([&] { return count(&Spi::responses, xid) == 1 && count(&Spi::trades, xid) == 1; }));
    const uint64_t last = counter_->last_sequence(counter_session_);
    ASSERT_GE(last, 2u);
    ASSERT_TRUE(trade_->rebuild_trade_message(session_, 8, nq::TradeMessageType::REPORT, 0, last));
    counter::ReceivedFrame request;
    ASSERT_TRUE(counter_->wait_frame(1413, kWaitMs, &request));
    EXPECT_EQ(u64(request.bytes, 64 + 57), 0x3u);
    ASSERT_TRUE(
        wait_for([&] { return count(&Spi::rebuilt_responses, xid) == 1 && count(&Spi::rebuilt_trades, xid) == 1; }));
    EXPECT_EQ(spi_.with([&] { return spi_.rebuild_answered; }), 1);
    EXPECT_EQ(count(&Spi::responses, xid), 1) << "live reports are not repeated";

    // One subscription per account.
    EXPECT_FALSE(
        trade_->subscribe_trade_message(session_, 9, nq::TradeMessageType::REPORT, nq::TradeResumeType::QUICK, 0));
    EXPECT_EQ(trade_->get_last_error().error_code_type, 309u);
}

// A session lost while four threads send orders and cancels on it, the
// counter answering only some of them: every xid the library handed out
// ends exactly once, by its report or by on_order_timeout at its order
// timeout, which comes after the loss was reported. Its datagram may have
// reached the exchange, so an order of a lost session is never left without
// an end.
class LostSessionOrderFlow : public OrderFlow {
protected:
    uint16_t order_timeout() override { return 4; }
};

TEST_F(LostSessionOrderFlow, EveryOrderInFlightEndsExactlyOnce) {
    counter::OrderReplies replies;
    replies.skip_every = 2;  // every second sequence is never answered
    counter_->set_order_replies(replies);
    std::mutex mu;
    std::vector<uint64_t> xids;
    std::atomic<int> sent{0};
    std::atomic<bool> lost{false};
    std::vector<std::thread> senders;
    for (int t = 0; t < 4; ++t) {
        senders.emplace_back([&] {
            trade_->init_local_send();
            for (int i = 0; i < 400 && !lost.load(); ++i) {
                const uint64_t xid = insert();
                if (xid == 0) {
                    // Refused only once the session is gone.
                    EXPECT_EQ(trade_->get_last_error().error_code_type, 307u) << trade_->get_last_error().error_msg;
                    break;
                }
                uint64_t cancel = 0;
                if (i % 3 == 0) {
                    nq::trv_cancel_order_info_t c{0, xid};
                    cancel = trade_->cancel_order(session_, &c, 0);
                }
                {
                    std::lock_guard<std::mutex> lock(mu);
                    xids.push_back(xid);
                    if (cancel != 0) xids.push_back(cancel);
                }
                sent.fetch_add(1);
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        });
    }
    ASSERT_TRUE(wait_for([&] { return sent.load() >= 100; }));
    counter_->close_session(counter_session_);
    ASSERT_TRUE(wait_for([&] { return !spi_.with([&] { return spi_.disconnected.empty(); }); }));
    lost.store(true);
    for (auto& t : senders) t.join();
    EXPECT_EQ(spi_.with([&] { return spi_.disconnected; }), std::vector<uint64_t>{session_});
    ASSERT_GE(xids.size(), 100u);

    // An xid has ended when a report of it (order or cancel response) came
    // or it timed out.
    auto ended = [&](uint64_t x) {
        return spi_.responses.count(x) != 0 || spi_.cancels.count(x) != 0 || spi_.timeouts.count(x) != 0;
    };
    EXPECT_TRUE(wait_for([&] {
        return spi_.with([&] {
            for (uint64_t x : xids)
                if (!ended(x)) return false;
            return true;
        });
    })) << "an order or cancel of the lost session never ended";
    std::this_thread::sleep_for(std::chrono::milliseconds(4500));  // one more order timeout: nothing repeats
    spi_.with([&] {
        int unanswered = 0;
        for (uint64_t x : xids) {
            const bool answered = spi_.responses.count(x) != 0 || spi_.cancels.count(x) != 0;
            const int timeouts = spi_.timeouts.count(x) != 0 ? spi_.timeouts.at(x) : 0;
            EXPECT_EQ(answered ? 0 : 1, timeouts) << "xid " << x << (answered ? " answered" : " unanswered");
            if (!answered) ++unanswered;
        }
        EXPECT_GT(unanswered, 0) << "the counter left some orders unanswered";
        EXPECT_EQ(spi_.timeouts.size(), static_cast<size_t>(unanswered)) << "a time-out of an xid never sent";
        return 0;
    });
}

class PagedOrderFlow : public OrderFlow {
protected:
    counter::CounterOptions options() override {
        counter::CounterOptions o;
        o.default_rows = 3;
        o.default_sub_tables = 3;
        o.max_page_rows = 2;
        return o;
    }
};

// The orders table lies in three sub-tables; the answers walk them all, in
// pages, and only the last page says so.
TEST_F(PagedOrderFlow, QueryAnswersSpanEverySubTable) {
    nq::trv_order_query_param_t param{};
    ASSERT_TRUE(trade_->query_orders(session_, 31, &param));
    ASSERT_TRUE(wait_for([&] { return spi_.with([&] { return !spi_.pages.empty() && spi_.pages.back().is_last; }); }));
    const std::vector<Page> pages = spi_.with([&] { return spi_.pages; });
    std::vector<uint64_t> rows;
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i].request_id, 31u);
        EXPECT_FALSE(pages[i].failed);
        EXPECT_EQ(pages[i].is_last, i + 1 == pages.size()) << i;
        rows.insert(rows.end(), pages[i].first_words.begin(), pages[i].first_words.end());
    }
    EXPECT_EQ(rows, (std::vector<uint64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_GE(pages.size(), 5u) << "two rows a page at most";
}

// A paged order query returns at most request_count rows and a reference
// that the next call continues from.
TEST_F(PagedOrderFlow, OrdersByPageContinueFromTheReference) {
    nq::trv_page_query_reference_t ref{};
    ASSERT_TRUE(trade_->query_orders_by_page(session_, 41, 4, &ref));
    ASSERT_TRUE(wait_for([&] { return spi_.with([&] { return !spi_.pages.empty() && spi_.pages.back().is_last; }); }));
    std::vector<Page> pages = spi_.with([&] { return spi_.pages; });
    std::vector<uint64_t> rows;
    for (const Page& p : pages) rows.insert(rows.end(), p.first_words.begin(), p.first_words.end());
    EXPECT_EQ(rows, (std::vector<uint64_t>{1, 2, 3, 4}));
    const nq::trv_page_query_reference_t next = pages.back().reference;
    EXPECT_EQ(next.sub_table_num, 3u);

    spi_.with([&] {
        spi_.pages.clear();
        return 0;
    });
    ASSERT_TRUE(trade_->query_orders_by_page(session_, 42, 4, &next));
    ASSERT_TRUE(wait_for([&] { return spi_.with([&] { return !spi_.pages.empty() && spi_.pages.back().is_last; }); }));
    pages = spi_.with([&] { return spi_.pages; });
    rows.clear();
    for (const Page& p : pages) rows.insert(rows.end(), p.first_words.begin(), p.first_words.end());
    EXPECT_EQ(rows, (std::vector<uint64_t>{5, 6, 7, 8}));

    EXPECT_FALSE(trade_->query_orders_by_page(session_, 43, 0, &next));
    EXPECT_EQ(trade_->get_last_error().error_code_type, 309u);
}

}  // namespace
