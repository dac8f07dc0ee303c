// The market-data API end to end: the quote facade against the stand-in
// counter on loopback. A market-data login brings the channel table (1045);
// a subscription receives what the feeder sends to those channels (unicast
// on 127.0.0.1, multicast on loopback with TTL 0); the quote requests are
// answered by 1040, 1056 pages, 1054 and 1053. Each TEST is its own process.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "api/mdata/UdpTestSupport.h"
#include "counter/QuoteFeeder.h"
#include "counter/StandInCounter.h"
#include "support/ScratchFilePath.h"
#include "trv_api.h"

namespace {

using counter::AccountKind;
using counter::Bytes;
using counter::QuoteChannel;
using counter::StandInCounter;

bool wait_for(const std::function<bool()>& done, int ms = 15000) { return udp_test::wait_until(done, ms / 1000.0); }

struct Event {
    uint64_t request_id;
    Bytes data;
    size_t rows;
    bool is_last;
    bool failed;
    std::string error;
};

class QuoteRecorder : public nq::TRVQuoteSpi {
public:
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        if (error == nullptr) session = session_id;
        ++logins;
    }
    void on_quote(nq::QuoteMCType mc_type, const void* msg_data, uint32_t msg_len) override {
        std::lock_guard<std::mutex> lock(mu);
        quotes.push_back({mc_type, Bytes(static_cast<const unsigned char*>(msg_data),
                                         static_cast<const unsigned char*>(msg_data) + msg_len)});
    }
    void on_query_level1_quote(uint64_t, uint64_t request_id, const nq::trv_level1_quote_t* quote,
                               const nq::trv_error_info_t* error) override {
        Event e{request_id, {}, 0, true, error != nullptr, error ? error->error_msg : ""};
        if (quote != nullptr)
            e.data.assign(reinterpret_cast<const unsigned char*>(quote),
                          reinterpret_cast<const unsigned char*>(quote) + sizeof *quote);
        record(&level1, e);
    }
    void on_query_all_level1_quote(uint64_t, uint64_t request_id, const nq::TRVLevel1QuoteList* list, bool is_last,
                                   const nq::trv_error_info_t* error) override {
        record(&pages, Event{request_id,
                             {},
                             list ? list->data_count() : 0,
                             is_last,
                             error != nullptr,
                             error ? error->error_msg : ""});
    }
    void on_request_rebuild_tick_quote_error(uint64_t, uint64_t request_id,
                                             const nq::trv_error_info_t* error) override {
        record(&rebuild_errors, Event{request_id, {}, 0, true, true, error ? error->error_msg : ""});
    }
    void on_rebuild_tick_quote(uint64_t, uint64_t request_id, nq::ExchangeIndex exchange, nq::QuoteMsgType msg_type,
                               const nq::trv_tick_quote_union_t* tick) override {
        Event e{request_id, {static_cast<unsigned char>(exchange), static_cast<unsigned char>(msg_type)},
                0,          true,
                false,      ""};
        if (tick != nullptr) {
            e.data.resize(10);
            std::memcpy(e.data.data() + 2, tick, 8);
        }
        record(&ticks, e);
    }

    size_t count(const std::vector<Event>& v) {
        std::lock_guard<std::mutex> lock(mu);
        return v.size();
    }
    size_t quote_count() {
        std::lock_guard<std::mutex> lock(mu);
        return quotes.size();
    }

    std::atomic<uint64_t> session{0};
    std::atomic<int> logins{0};
    std::mutex mu;
    std::vector<std::pair<nq::QuoteMCType, Bytes>> quotes;
    std::vector<Event> level1, pages, rebuild_errors, ticks;

private:
    void record(std::vector<Event>* v, const Event& e) {
        std::lock_guard<std::mutex> lock(mu);
        v->push_back(e);
    }
};

class QuoteSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(trv_test::use_scratch_file_path("trv_quote_session"));
        setenv("TRV_LOG_LEVEL", "TRACE", 1);
        l1.mc_provider = 1;
        l1.mc_type = nq::TRV_SSE_L1;
        l1.group = udp_test::make_addr("127.0.0.1", udp_test::free_port());
        tick.mc_provider = 2;
        tick.mc_type = nq::DVS_SSE_L2_STOCK_TICK;
        tick.group = udp_test::make_addr(udp_test::own_group(0).c_str(), udp_test::free_port());
        counter.set_channels({l1, tick});
        counter.add_account({"md", AccountKind::Normal, 31, 0, ""});
        ASSERT_TRUE(counter.start());
        api = nq::TRVQuoteApi::create();
        ASSERT_NE(api, nullptr);
        ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(config.add_agw_addr("127.0.0.1", counter.port()));
        config.set_use_level2(true);
        ASSERT_TRUE(api->initialize(&config, &spi));
        ASSERT_TRUE(api->login(1, 4, "md", "pw", "key"));
        ASSERT_TRUE(wait_for([&] { return spi.session.load() != 0; }));
        sid = spi.session.load();
    }

    StandInCounter counter;
    QuoteChannel l1, tick;
    QuoteRecorder spi;
    nq::TRVQuoteConfig config;
    nq::TRVQuoteApi* api = nullptr;
    uint64_t sid = 0;
};

TEST_F(QuoteSession, SubscriptionReceivesTheAnnouncedChannels) {
    nq::quote_thread_t threads[2];
    std::memset(threads, 0, sizeof threads);
    threads[0].cpu_affinity = -1;
    threads[0].mc_count = 1;
    threads[0].mc_types[0] = nq::TRV_SSE_L1;
    threads[1].cpu_affinity = -1;
    threads[1].mc_count = 1;
    threads[1].mc_types[0] = nq::DVS_SSE_L2_STOCK_TICK;
    // The channel table follows the login answer on the same worker.
    ASSERT_TRUE(wait_for([&] { return api->subscribe_quote(sid, 2, threads); }))
        << nq::TRVQuoteApi::get_last_error().error_msg;

    counter::QuoteFeeder feeder;
    ASSERT_TRUE(feeder.open());
    std::vector<Bytes> sent_l1, sent_tick;
    for (int i = 0; i < 10; ++i) {
        sent_l1.push_back(counter::QuoteFeeder::level1_entry(
            1, counter::QuoteFeeder::sse_l1_snapshot("600000", 20240102, 1000 + static_cast<uint64_t>(i))));
        sent_tick.push_back(counter::QuoteFeeder::level2_record(tick.mc_type, 2, static_cast<uint64_t>(i)));
        ASSERT_TRUE(feeder.send(l1, sent_l1.back()));
        ASSERT_TRUE(feeder.send(tick, sent_tick.back()));
    }
    ASSERT_TRUE(wait_for([&] { return spi.quote_count() == 20; })) << spi.quote_count();
    size_t a = 0, b = 0;
    for (const auto& q : spi.quotes) {
        if (q.first == nq::TRV_SSE_L1)
            EXPECT_EQ(q.second, sent_l1[a++]);
        else
            EXPECT_EQ(q.second, sent_tick[b++]) << "type " << q.first;
    }
    EXPECT_TRUE(api->unsubscribe_quote(sid));
    EXPECT_FALSE(api->unsubscribe_quote(sid));
    EXPECT_STREQ(nq::TRVQuoteApi::get_last_error().error_msg, "quote not subscribed");
}

TEST_F(QuoteSession, QuoteRequestsAreAnswered) {
    Bytes record(428, 0);
    record[0] = 1;
    for (size_t i = 1; i < record.size(); ++i) record[i] = static_cast<unsigned char>(i * 7);
    counter.set_level1_quote(record);
    ASSERT_TRUE(api->query_level1_quote(sid, 11, nq::ExchangeIndex(1), "600000"));
    ASSERT_TRUE(wait_for([&] { return spi.count(spi.level1) == 1; }));
    EXPECT_EQ(spi.level1[0].request_id, 11u);
    EXPECT_FALSE(spi.level1[0].failed);
    ASSERT_GE(spi.level1[0].data.size(), 1u);
    EXPECT_EQ(Bytes(spi.level1[0].data.begin(), spi.level1[0].data.begin() + 8),
              Bytes(record.begin(), record.begin() + 8));

    const counter::CounterTable table = StandInCounter::make_table(428, 7, 2);
    counter.set_table(1055, table);
    ASSERT_TRUE(api->query_all_level1_quote(sid, 12));
    ASSERT_TRUE(wait_for([&] {
        std::lock_guard<std::mutex> lock(spi.mu);
        return !spi.pages.empty() && spi.pages.back().is_last;
    }));
    size_t rows = 0;
    for (const Event& e : spi.pages) {
        EXPECT_EQ(e.request_id, 12u);
        EXPECT_FALSE(e.failed) << e.error;
        rows += e.rows;
    }
    EXPECT_EQ(rows, table.row_count());
    EXPECT_GT(spi.count(spi.pages), 1u) << "more than one page";

    nq::trv_rebuild_tick_quote_req_t req;
    std::memset(&req, 0, sizeof req);
    req.exchange_index = nq::ExchangeIndex(1);
    req.channel_no = 1;
    req.begin_sequence = 1;
    req.end_sequence = 3;
    ASSERT_TRUE(api->request_rebuild_tick_quote(sid, 13, &req));
    ASSERT_TRUE(wait_for([&] { return spi.count(spi.rebuild_errors) == 1; }));
    EXPECT_EQ(spi.rebuild_errors[0].request_id, 13u);
    EXPECT_EQ(spi.rebuild_errors[0].error, "no tick data");

    Bytes t1(70, 0), t2(70, 0);
    t1[0] = 1;
    t2[0] = 2;
    counter.set_rebuild_ticks(1, nq::SSE_L2_TICK, {t1, t2});
    ASSERT_TRUE(api->request_rebuild_tick_quote(sid, 14, &req));
    ASSERT_TRUE(wait_for([&] { return spi.count(spi.ticks) == 2; }));
    EXPECT_EQ(spi.ticks[0].request_id, 14u);
    EXPECT_EQ(spi.ticks[0].data[0], 1);
    EXPECT_EQ(spi.ticks[0].data[1], static_cast<unsigned char>(nq::SSE_L2_TICK));
    EXPECT_EQ(spi.ticks[0].data[2], 1);
    EXPECT_EQ(spi.ticks[1].data[2], 2);
}

}  // namespace
