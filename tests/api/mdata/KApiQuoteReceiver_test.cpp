// Quote workers and the quote receiver set over loopback: every quote thread
// runs one "kapi_quote" receiver and calls on_quote with the stream's type
// and the payload; the set starts and stops its threads together.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "api/mdata/KApiQuoteReceiver.h"
#include "api/mdata/QuoteUdpWorker.h"
#include "api/mdata/UdpTestSupport.h"
#include "framework/LastApiError.h"
#include "support/TestLogFile.h"

using nq::api::KApiQuoteReceiver;
using nq::api::quote_receiver_config_t;
using nq::api::quote_receiver_thread_t;
using nq::api::QuoteUdpWorker;
using nq::api::udp_mcast_stream_t;
using nq::api::udp_receiver_config_t;
using namespace udp_test;

namespace {

trv_test::TestLogFile& log_file() {
    static trv_test::TestLogFile file(nq::log::kDebug);
    return file;
}

std::string last_error_text() { return nq::api::LastApiError::get_last_error().error_msg; }

struct Quote {
    nq::QuoteMCType type;
    std::string data;
    std::string thread;
};

class RecordingSpi : public nq::TRVQuoteSpi {
public:
    void on_quote(nq::QuoteMCType mc_type, const void* msg_data, uint32_t msg_len) override {
        char name[16] = "";
        pthread_getname_np(pthread_self(), name, sizeof name);
        std::lock_guard<std::mutex> lock(mutex_);
        quotes_.push_back(Quote{mc_type, std::string(static_cast<const char*>(msg_data), msg_len), name});
    }
    std::vector<Quote> quotes() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return quotes_;
    }
    size_t count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return quotes_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Quote> quotes_;
};

udp_receiver_config_t thread_config(std::vector<udp_mcast_stream_t> streams,
                                    nq::QuoteRxMode mode = nq::RX_MODE_SOCKET) {
    udp_receiver_config_t c;
    c.rx_mode = mode;
    c.local_addr = make_addr("127.0.0.1", 0);
    c.streams = std::move(streams);
    return c;
}

TEST(QuoteUdpWorker, PayloadsReachOnQuoteWithTypeAndLength) {
    RecordingSpi spi;
    const sockaddr_in g = make_addr(own_group(0).c_str(), free_port());
    QuoteUdpWorker worker("kapi_quote", &spi);
    ASSERT_TRUE(worker.start(thread_config({{nq::DVS_SSE_L2_STOCK_TICK, g}})));
    LoopbackSender tx;
    tx.send(g, std::string("tick\0data", 9));
    ASSERT_TRUE(wait_until([&] { return spi.count() == 1; }));
    Quote q = spi.quotes()[0];
    EXPECT_EQ(q.type, nq::DVS_SSE_L2_STOCK_TICK);
    EXPECT_EQ(q.data, std::string("tick\0data", 9));
    EXPECT_EQ(q.thread, "kapi_quote");
    // Starting again replaces the running receiver.
    ASSERT_TRUE(worker.start(thread_config({{nq::TRV_SSE_L1, g}})));
    tx.send(g, "again");
    ASSERT_TRUE(wait_until([&] { return spi.count() == 2; }));
    EXPECT_EQ(spi.quotes()[1].type, nq::TRV_SSE_L1);
    EXPECT_TRUE(wait_until([] { return threads_named("kapi_quote") == 1; }));
    worker.stop();
    EXPECT_EQ(worker.receiver_, nullptr);
    EXPECT_TRUE(wait_until([] { return threads_named("kapi_quote") == 0; }));
}

TEST(QuoteUdpWorker, NullSpiIsLoggedAndRefusedAtStart) {
    ASSERT_TRUE(log_file().ok());
    QuoteUdpWorker worker("kapi_quote", nullptr);
    EXPECT_TRUE(log_file().wait_for("quote worker create failed, spi is null: { name = kapi_quote}"));
    EXPECT_FALSE(worker.start(thread_config({{1, make_addr("127.0.0.1", free_port())}})));
    EXPECT_EQ(last_error_text(), "quote worker start failed, spi is null");
    EXPECT_EQ(nq::api::LastApiError::get_last_error().error_code_type, 310u);
    EXPECT_EQ(worker.receiver_, nullptr);
}

TEST(QuoteUdpWorker, UnknownModeStartsNothing) {
    RecordingSpi spi;
    QuoteUdpWorker worker("kapi_quote", &spi);
    EXPECT_FALSE(worker.start(thread_config({{1, make_addr("127.0.0.1", free_port())}}, nq::QuoteRxMode(3))));
    EXPECT_EQ(last_error_text(), "create udp receiver failed, unknown mode");
    EXPECT_EQ(worker.receiver_, nullptr);
}

TEST(KApiQuoteReceiver, SeveralThreadsDeliverTheirOwnStreams) {
    RecordingSpi spi;
    std::vector<sockaddr_in> groups;
    for (unsigned k = 0; k < 4; ++k) groups.push_back(make_addr(own_group(k).c_str(), free_port()));
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    quote_receiver_config_t c;
    c.spi = &spi;
    c.threads.push_back({"kapi_quote", thread_config({{101, groups[0]}, {102, groups[1]}})});
    c.threads.push_back({"kapi_quote", thread_config({{106, groups[2]}})});
    c.threads.push_back({"kapi_quote", thread_config({{107, groups[3]}, {1, uni}})});
    KApiQuoteReceiver set;
    ASSERT_TRUE(set.start(c));
    EXPECT_TRUE(set.started());
    EXPECT_EQ(set.workers_.size(), 3u);
    EXPECT_TRUE(wait_until([] { return threads_named("kapi_quote") == 3; }));

    LoopbackSender tx;
    const int n = 100;
    const uint16_t types[] = {101, 102, 106, 107, 1};
    const sockaddr_in dests[] = {groups[0], groups[1], groups[2], groups[3], uni};
    for (int i = 0; i < n; ++i) {
        for (int s = 0; s < 5; ++s) tx.send(dests[s], std::to_string(types[s]) + ":" + std::to_string(i));
        if (i % 20 == 19) wait_until([&] { return spi.count() >= static_cast<size_t>(5 * (i + 1)); });
    }
    ASSERT_TRUE(wait_until([&] { return spi.count() == 5u * n; })) << spi.count();
    std::map<int, int> next;
    for (const Quote& q : spi.quotes()) {
        std::string prefix = std::to_string(q.type) + ":";
        ASSERT_EQ(q.data.compare(0, prefix.size(), prefix), 0) << q.data;
        EXPECT_EQ(std::stoi(q.data.substr(prefix.size())), next[q.type]++);
        EXPECT_EQ(q.thread, "kapi_quote");
    }

    set.stop();
    EXPECT_FALSE(set.started());
    EXPECT_TRUE(set.workers_.empty());
    EXPECT_EQ(set.threads_.size(), 3u) << "thread records stay until the next start";
    EXPECT_TRUE(wait_until([] { return threads_named("kapi_quote") == 0; }));

    // And again, on the kept configuration.
    ASSERT_TRUE(set.start(c));
    tx.send(groups[2], "106:restart");
    ASSERT_TRUE(wait_until([&] { return spi.count() == 5u * n + 1; }));
    set.stop();
}

TEST(KApiQuoteReceiver, StartRefusals) {
    RecordingSpi spi;
    KApiQuoteReceiver set;
    set.stop();  // never started: nothing to do
    EXPECT_FALSE(set.started());

    quote_receiver_config_t c;
    c.threads.push_back({"kapi_quote", thread_config({{1, make_addr("127.0.0.1", free_port())}})});
    EXPECT_FALSE(set.start(c));
    EXPECT_EQ(last_error_text(), "quote receiver start failed, spi is null");

    c.spi = &spi;
    c.threads.clear();
    EXPECT_FALSE(set.start(c));
    EXPECT_EQ(last_error_text(), "quote receiver start failed, threads empty");

    c.threads.push_back({"kapi_quote", thread_config({{1, make_addr("127.0.0.1", free_port())}})});
    ASSERT_TRUE(set.start(c));
    EXPECT_FALSE(set.start(c));
    EXPECT_EQ(last_error_text(), "quote receiver already started");
    EXPECT_EQ(nq::api::LastApiError::get_last_error().error_code_type, 310u);
    set.stop();
}

TEST(KApiQuoteReceiver, AFailedThirdThreadLeavesNoThreadRunning) {
    RecordingSpi spi;
    quote_receiver_config_t c;
    c.spi = &spi;
    c.threads.push_back({"kapi_quote", thread_config({{1, make_addr("127.0.0.1", free_port())}})});
    c.threads.push_back({"kapi_quote", thread_config({{2, make_addr("127.0.0.1", free_port())}})});
    c.threads.push_back({"kapi_quote", thread_config({})});
    KApiQuoteReceiver set;
    EXPECT_FALSE(set.start(c));
    EXPECT_EQ(last_error_text(), "udp receiver init failed: streams empty.");
    EXPECT_FALSE(set.started());
    EXPECT_TRUE(set.workers_.empty());
    EXPECT_TRUE(wait_until([] { return threads_named("kapi_quote") == 0; }));
}

}  // namespace
