// Quote subscription and the quote requests of the service provider. The
// receivers run over loopback (multicast through 127.0.0.1 with TTL 0, and
// unicast); the requests go to a loopback peer that reads them off the wire.
// Every test runs in its own process, since the provider is one per process.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "api/mdata/UdpTestSupport.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiQuoteContext.h"
#include "api/provider/KApiSession.h"
#include "framework/ApiLocalTime.h"
#include "framework/Message.h"
#include "framework/ServiceFunc.h"
#include "framework/TcpMessageIO.h"
#include "support/TestPeer.h"

namespace {

using nq::api::KApi;
using nq::api::KApiQuoteContext;
using nq::api::KApiSession;
using nq::api::quote_mc_info_t;
using namespace udp_test;

struct Quote {
    nq::QuoteMCType type;
    std::string data;
};

struct QuoteSpi : nq::TRVQuoteSpi {
    void on_quote(nq::QuoteMCType mc_type, const void* msg_data, uint32_t msg_len) override {
        if (inside) inside(mc_type);
        std::lock_guard<std::mutex> lock(mutex);
        quotes.push_back(Quote{mc_type, std::string(static_cast<const char*>(msg_data), msg_len)});
    }
    size_t count() {
        std::lock_guard<std::mutex> lock(mutex);
        return quotes.size();
    }
    std::function<void(nq::QuoteMCType)> inside;
    std::mutex mutex;
    std::vector<Quote> quotes;
};

class Quotes : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trv_quotes_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("TRV_FILE_PATH", root_.c_str(), 1);
        setenv("TRV_LOG_LEVEL", "trace", 1);
        quote_config_.set_local_addr("127.0.0.1", "127.0.0.1");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    KApi* create() {
        KApi* api = KApi::create_singleton_or_get();
        if (api != nullptr) log_path_ = root_ + "/tarvel_" + std::to_string(nq::api::ApiLocalTime::date()) + ".log";
        return api;
    }
    KApi* create_quote_api() {
        KApi* api = create();
        if (api == nullptr || !api->initialize_quote(&quote_config_, &spi_)) return nullptr;
        return api;
    }
    bool log_has(const std::string& needle) const {
        return wait_until([&] {
            std::ifstream in(log_path_);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            return text.find(needle) != std::string::npos;
        });
    }
    static std::string last_message() { return KApi::get_last_error().error_msg; }
    static uint64_t last_type() { return KApi::get_last_error().error_code_type; }

    // A quote session connected to a loopback peer.
    uint64_t open_session(KApi* api, int* peer_fd) {
        testpeer::Listener listener;
        if (!listener.open()) return 0;
        const uint64_t id = api->framework_->open_session(1, reinterpret_cast<const sockaddr*>(&listener.addr), nullptr,
                                                          static_cast<unsigned char>(nq::ApiType::QUOTE));
        *peer_fd = listener.accept_one(5000);
        listener.close_fd();
        if (id == 0 || *peer_fd < 0) return 0;
        nq::api::TcpSession* tcp = api->framework_->message_io_->acquire_session(id);
        if (KApiSession* s = KApiSession::from(tcp)) {
            s->api_type = static_cast<uint8_t>(nq::ApiType::QUOTE);
            s->login_account_index = 0x1122334455667788ull;
            s->login_account_type = 2;
        }
        if (tcp != nullptr) tcp->release();
        return id;
    }

    // Adds a channel to those announced so far and announces them all, as
    // the counter's 1045 does (it replaces the whole table).
    static void announce(uint16_t type, const sockaddr_in& addr) {
        static std::vector<quote_mc_info_t> announced;
        quote_mc_info_t info;
        std::memset(&info, 0, sizeof info);
        info.mc_provider = 1;
        info.mc_type = type;
        std::memcpy(info.mc_addr, &addr, sizeof addr);
        announced.push_back(info);
        KApiQuoteContext::replace_quote_mc_infos(reinterpret_cast<const unsigned char*>(announced.data()),
                                                 announced.size(), sizeof(quote_mc_info_t));
        for (const quote_mc_info_t& a : announced)
            ASSERT_NE(KApiQuoteContext::quote_mc_infos_[a.mc_type].load(), nullptr);
    }

    static nq::quote_thread_t thread(std::initializer_list<uint16_t> types) {
        nq::quote_thread_t t;
        std::memset(&t, 0, sizeof t);
        t.cpu_affinity = -1;
        for (uint16_t type : types) t.mc_types[t.mc_count++] = static_cast<nq::QuoteMCType>(type);
        return t;
    }

    std::string root_;
    std::string log_path_;
    nq::TRVQuoteConfig quote_config_;
    QuoteSpi spi_;
};

TEST_F(Quotes, SubscribeRefusesBadRequestsBeforeBuildingAnything) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    nq::quote_thread_t one = thread({101});
    EXPECT_FALSE(api->subscribe_quote(1, 1, &one, nq::RX_MODE_AUTO));
    EXPECT_EQ(last_message(), "quote api has not initialized");
    EXPECT_EQ(last_type(), 310u);
    EXPECT_FALSE(api->unsubscribe_quote(1));
    EXPECT_EQ(last_message(), "quote api has not initialized");

    ASSERT_TRUE(api->initialize_quote(&quote_config_, &spi_));
    int peer = -1;
    const uint64_t sid = open_session(api, &peer);
    ASSERT_NE(sid, 0u);
    announce(101, make_addr(own_group(0).c_str(), free_port()));
    announce(102, make_addr(own_group(1).c_str(), free_port()));

    nq::quote_thread_t too_many = thread({101});
    too_many.mc_count = 65;
    nq::quote_thread_t unknown[] = {thread({101}), thread({102, 5})};
    nq::quote_thread_t across[] = {thread({101}), thread({102, 101})};
    nq::quote_thread_t within[] = {thread({102, 101, 102})};
    nq::quote_thread_t empty_thread[] = {thread({101}), thread({})};
    nq::quote_thread_t fine[] = {thread({101})};
    struct Case {
        uint64_t session;
        uint16_t count;
        nq::quote_thread_t* threads;
        nq::QuoteRxMode mode;
        uint64_t type;
        std::string message;
    };
    const Case cases[] = {
        {sid + 1, 1, fine, nq::RX_MODE_AUTO, 307, "subscribe quote error, get session failed"},
        {sid, 2, nullptr, nq::RX_MODE_AUTO, 310, "subscribe quote error, quote_threads is null: { thread_count = 2 }"},
        {sid, 1, &too_many, nq::RX_MODE_AUTO, 310,
         "subscribe quote error, too many quote multicast: { thread = 0, mc_count = 65 }"},
        {sid, 2, unknown, nq::RX_MODE_AUTO, 310, "subscribe quote error, invalid quote multicast: { type = 5 }"},
        {sid, 2, across, nq::RX_MODE_AUTO, 310,
         "subscribe quote error, duplicate quote multicast: { type = 101, thread = 0, thread = 1 }"},
        {sid, 1, within, nq::RX_MODE_AUTO, 310,
         "subscribe quote error, duplicate quote multicast: { type = 102, thread = 0, thread = 0 }"},
        {sid, 0, fine, nq::RX_MODE_AUTO, 310, "quote receiver start failed, threads empty"},
        {sid, 2, empty_thread, nq::RX_MODE_SOCKET, 310, "udp receiver init failed: streams empty."},
        {sid, 1, fine, static_cast<nq::QuoteRxMode>(3), 310, "create udp receiver failed, unknown mode"},
        {sid, 1, fine, nq::RX_MODE_EFVI, 310, "udp receiver efvi not supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_FALSE(api->subscribe_quote(c.session, c.count, c.threads, c.mode));
        EXPECT_EQ(last_message(), c.message);
        EXPECT_EQ(last_type(), c.type);
        EXPECT_FALSE(api->quote_context_.load()->receivers_->started());
        EXPECT_TRUE(wait_until([] { return threads_named("kapi_quote") == 0; }));
    }
    EXPECT_TRUE(log_has("subscribe quote error, invalid quote multicast: { type = 5 }"));
    EXPECT_FALSE(api->unsubscribe_quote(sid));
    EXPECT_EQ(last_message(), "quote not subscribed");
    EXPECT_EQ(last_type(), 301u);
}

TEST_F(Quotes, SubscribedThreadsDeliverTheAnnouncedChannelsUntilUnsubscribed) {
    KApi* api = create_quote_api();
    ASSERT_NE(api, nullptr);
    int peer = -1;
    const uint64_t sid = open_session(api, &peer);
    ASSERT_NE(sid, 0u);
    const sockaddr_in l1 = make_addr(own_group(0).c_str(), free_port());
    const sockaddr_in tick = make_addr(own_group(1).c_str(), free_port());
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    announce(nq::TRV_SSE_L1, l1);
    announce(nq::DVS_SSE_L2_STOCK_TICK, tick);
    announce(nq::TRV_SZSE_L1, uni);
    nq::quote_thread_t threads[] = {thread({nq::TRV_SSE_L1, nq::TRV_SZSE_L1}), thread({nq::DVS_SSE_L2_STOCK_TICK})};
    threads[1].busy_poll = true;

    // No bypass adapter here: automatic mode receives through sockets.
    ASSERT_TRUE(api->subscribe_quote(sid, 2, threads, nq::RX_MODE_AUTO)) << last_message();
    EXPECT_TRUE(wait_until([] { return threads_named("kapi_quote") == 2; }));
    EXPECT_TRUE(log_has("udp receiver efvi not supported, fallback to socket: { name = kapi_quote }"));
    EXPECT_FALSE(api->subscribe_quote(sid, 2, threads, nq::RX_MODE_AUTO));
    EXPECT_EQ(last_message(), "quote already subscribed");

    LoopbackSender tx;
    for (int i = 0; i < 20; ++i) {
        tx.send(l1, "l1:" + std::to_string(i));
        tx.send(tick, "tick:" + std::to_string(i));
        tx.send(uni, "sz:" + std::to_string(i));
    }
    ASSERT_TRUE(wait_until([&] { return spi_.count() == 60; })) << spi_.count();
    int next[3] = {0, 0, 0};
    for (const Quote& q : spi_.quotes) {
        const int k = q.type == nq::TRV_SSE_L1 ? 0 : q.type == nq::DVS_SSE_L2_STOCK_TICK ? 1 : 2;
        const char* prefix[] = {"l1:", "tick:", "sz:"};
        EXPECT_EQ(q.data, prefix[k] + std::to_string(next[k]++));
    }

    ASSERT_TRUE(api->unsubscribe_quote(sid));
    EXPECT_FALSE(api->quote_context_.load()->receivers_->started());
    EXPECT_TRUE(wait_until([] { return threads_named("kapi_quote") == 0; }));
    EXPECT_FALSE(api->unsubscribe_quote(sid));
    EXPECT_EQ(last_message(), "quote not subscribed");

    // A new subscription after the unsubscribe.
    ASSERT_TRUE(api->subscribe_quote(sid, 1, &threads[1], nq::RX_MODE_SOCKET));
    tx.send(tick, "again");
    ASSERT_TRUE(wait_until([&] { return spi_.count() == 61; }));
    ASSERT_TRUE(api->unsubscribe_quote(sid));
}

TEST_F(Quotes, UnsubscribeFromInsideOnQuoteIsRefused) {
    KApi* api = create_quote_api();
    ASSERT_NE(api, nullptr);
    int peer = -1;
    const uint64_t sid = open_session(api, &peer);
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    announce(nq::TRV_SSE_L1, uni);
    std::atomic<int> refused{0};
    std::atomic<uint64_t> refusal_type{0};
    spi_.inside = [&](nq::QuoteMCType) {
        if (!api->unsubscribe_quote(sid)) {
            refusal_type = KApi::get_last_error().error_code_type;
            ++refused;
        }
    };
    nq::quote_thread_t t = thread({nq::TRV_SSE_L1});
    ASSERT_TRUE(api->subscribe_quote(sid, 1, &t, nq::RX_MODE_SOCKET));
    LoopbackSender tx;
    tx.send(uni, "first");
    ASSERT_TRUE(wait_until([&] { return spi_.count() == 1; }));
    EXPECT_EQ(refused.load(), 1);
    EXPECT_EQ(refusal_type.load(), 310u);
    EXPECT_TRUE(log_has("unsubscribe quote error, called on a quote receiver thread"));
    // The receiver it ran on is alive and still subscribed.
    EXPECT_TRUE(api->quote_context_.load()->receivers_->started());
    tx.send(uni, "second");
    ASSERT_TRUE(wait_until([&] { return spi_.count() == 2; }));
    spi_.inside = nullptr;
    EXPECT_TRUE(api->unsubscribe_quote(sid));
}

// The counter re-announces its channel table (1045, through the library's
// own handler) while the user subscribes and unsubscribes: every
// subscription sees a whole table.
TEST_F(Quotes, ChannelTableReannouncedDuringSubscriptionsIsSeenWhole) {
    KApi* api = create_quote_api();
    ASSERT_NE(api, nullptr);
    int peer = -1;
    const uint64_t sid = open_session(api, &peer);
    ASSERT_NE(sid, 0u);
    const uint16_t types[] = {nq::TRV_SSE_L1, nq::TRV_SZSE_L1, nq::DVS_SSE_L2_STOCK_TICK};
    // The 1045 frame: 57-byte head, u32 size per item, u32 count, the items.
    std::vector<unsigned char> frame(64 + 65 + 22 * 3, 0);
    const uint64_t code_length = 1045 | uint64_t(frame.size()) << 14;
    std::memcpy(&frame[8], &code_length, 8);
    std::memcpy(&frame[16], &sid, 8);
    const uint32_t item_size = 22, count = 3;
    std::memcpy(&frame[64 + 57], &item_size, 4);
    std::memcpy(&frame[64 + 61], &count, 4);
    for (unsigned i = 0; i < 3; ++i) {
        const sockaddr_in a = make_addr("127.0.0.1", free_port());
        unsigned char* item = &frame[64 + 65 + 22 * i];
        std::memcpy(item + 2, &types[i], 2);
        std::memcpy(item + 4, &a, sizeof a);
    }
    nq::ServiceFunc* handler = nq::ServiceFunc::service_func_[1045];
    ASSERT_NE(handler, nullptr);
    auto reannounce = [&] {
        std::vector<unsigned char> copy(frame);
        nq::Message m{reinterpret_cast<nq::MessageHeader*>(copy.data()), copy.data() + 64, copy.data()};
        handler->service_func(&m);
    };
    reannounce();
    std::atomic<bool> done{false};
    std::thread counter_side([&] {
        while (!done.load()) reannounce();
    });
    nq::quote_thread_t threads[] = {thread({types[0], types[1]}), thread({types[2]})};
    int failures = 0;
    std::string first_failure;
    // Bounded in time too: the test's peer sends no heartbeats, so its
    // session must not outlive the 5 s silence limit under a slow sanitizer.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (int i = 0; i < 300 && std::chrono::steady_clock::now() < end; ++i) {
        if (!api->subscribe_quote(sid, 2, threads, nq::RX_MODE_SOCKET)) {
            if (failures++ == 0) first_failure = last_message();
            continue;
        }
        ASSERT_TRUE(api->unsubscribe_quote(sid)) << last_message();
    }
    done = true;
    counter_side.join();
    EXPECT_EQ(failures, 0) << first_failure;
}

// An on_quote that calls an operation taking the API mutex while the user
// unsubscribes (which waits for that very receiver thread): neither hangs.
struct InsideCall {
    const char* name;
    std::function<void(KApi*, nq::TRVQuoteConfig*, nq::TRVQuoteSpi*)> call;
};

void PrintTo(const InsideCall& c, std::ostream* os) { *os << c.name; }

class QuotesInsideCall : public Quotes, public ::testing::WithParamInterface<InsideCall> {};

TEST_P(QuotesInsideCall, OnQuoteCallingBackIntoTheApiDoesNotHangUnsubscribe) {
    KApi* api = create_quote_api();
    ASSERT_NE(api, nullptr);
    int peer = -1;
    const uint64_t sid = open_session(api, &peer);
    const sockaddr_in uni = make_addr("127.0.0.1", free_port());
    announce(nq::TRV_SSE_L1, uni);
    std::atomic<bool> entered{false}, returned{false};
    nq::TRVQuoteConfig other;
    spi_.inside = [&](nq::QuoteMCType) {
        if (entered.exchange(true)) return;
        // Long enough for the user's unsubscribe to be waiting for this thread.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        GetParam().call(api, &other, &spi_);
        returned = true;
    };
    nq::quote_thread_t t = thread({nq::TRV_SSE_L1});
    ASSERT_TRUE(api->subscribe_quote(sid, 1, &t, nq::RX_MODE_SOCKET));
    LoopbackSender tx;
    tx.send(uni, "first");
    ASSERT_TRUE(wait_until([&] { return entered.load(); }));
    std::atomic<bool> unsubscribed{false};
    std::thread user([&] {
        api->unsubscribe_quote(sid);
        unsubscribed = true;
    });
    const bool ended = wait_until([&] { return unsubscribed.load() && returned.load(); }, 10);
    if (!ended) {
        user.detach();
        FAIL() << "unsubscribe_quote and the on_quote that called back hang each other";
    }
    user.join();
}

INSTANTIATE_TEST_SUITE_P(
    Calls, QuotesInsideCall,
    ::testing::Values(InsideCall{"stop", [](KApi* api, nq::TRVQuoteConfig*, nq::TRVQuoteSpi*) { api->stop_quote(); }},
                      InsideCall{"login",
                                 [](KApi* api, nq::TRVQuoteConfig*, nq::TRVQuoteSpi*) {
                                     api->login(1, 2, "alice", "pw", "key", nq::ApiType::QUOTE, nullptr);
                                 }},
                      InsideCall{"initialize", [](KApi* api, nq::TRVQuoteConfig* c,
                                                  nq::TRVQuoteSpi* spi) { api->initialize_quote(c, spi); }}),
    [](const ::testing::TestParamInfo<InsideCall>& info) { return std::string(info.param.name); });

TEST_F(Quotes, Level1QuoteRequestOnTheWire) {
    KApi* api = create_quote_api();
    ASSERT_NE(api, nullptr);
    int peer = -1;
    const uint64_t sid = open_session(api, &peer);
    ASSERT_NE(sid, 0u);
    struct Case {
        const char* code;
        const char wire[8];
    };
    const Case cases[] = {{"600000", {'6', '0', '0', '0', '0', '0', 0, 0}},
                          {"1234567890", {'1', '2', '3', '4', '5', '6', '7', '8'}},
                          {"", {0, 0, 0, 0, 0, 0, 0, 0}}};
    uint64_t request_id = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ASSERT_TRUE(api->query_level1_quote(sid, ++request_id, nq::ExchangeIndex(2), c.code)) << last_message();
        testpeer::Bytes f;
        ASSERT_TRUE(testpeer::read_frame(peer, &f, 5000));
        ASSERT_EQ(testpeer::code_of(f.data()), 1039u);
        ASSERT_EQ(testpeer::length_of(f.data()), 131u);
        const unsigned char* body = f.data() + 64;
        EXPECT_EQ(testpeer::get_u64(body, 0), sid);
        EXPECT_EQ(testpeer::get_u64(body, 8), request_id);
        EXPECT_EQ(testpeer::get_u64(body, 24), 0x1122334455667788ull);
        EXPECT_EQ(body[32], 2);
        EXPECT_EQ(testpeer::get_u64(body, 33), 0u);
        EXPECT_EQ(body[57], 2);
        EXPECT_EQ(std::memcmp(body + 58, c.wire, 8), 0);
        EXPECT_EQ(body[66], 0);
    }
    EXPECT_TRUE(log_has("query l1 quote request: { session_id = " + std::to_string(sid) + ", request_id = 43 }"));

    EXPECT_FALSE(api->query_level1_quote(sid, 50, nq::ExchangeIndex(1), nullptr));
    EXPECT_EQ(last_type(), 310u);
    EXPECT_FALSE(api->query_level1_quote(sid + 1, 51, nq::ExchangeIndex(1), "600000"));
    EXPECT_EQ(last_message(), "query l1 quote error, get session failed: { session_id = " + std::to_string(sid + 1) +
                                  ", request_id = 51 }");
    EXPECT_EQ(last_type(), 307u);
}

TEST_F(Quotes, AllLevel1QuoteQueryStartsWithTheTableInformation) {
    KApi* api = create_quote_api();
    ASSERT_NE(api, nullptr);
    int peer = -1;
    const uint64_t sid = open_session(api, &peer);
    ASSERT_TRUE(api->query_all_level1_quote(sid, 77)) << last_message();
    testpeer::Bytes f;
    ASSERT_TRUE(testpeer::read_frame(peer, &f, 5000));
    EXPECT_EQ(testpeer::code_of(f.data()), 1041u);
    const unsigned char* body = f.data() + 64;
    EXPECT_EQ(testpeer::get_u64(body, 0), sid);
    EXPECT_EQ(testpeer::get_u64(body, 8), 77u);
    EXPECT_EQ(testpeer::get_u64(body, 24), 0x1122334455667788ull);
    EXPECT_EQ(testpeer::get_u64(body, 57), 1055u) << "the table asked about";
    EXPECT_TRUE(log_has("query all l1 quote request: { session_id = " + std::to_string(sid) + ", request_id = 77 }"));
    EXPECT_FALSE(api->query_all_level1_quote(sid + 1, 78));
    EXPECT_EQ(last_type(), 307u);
}

TEST_F(Quotes, RebuildTickQuote) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    nq::trv_rebuild_tick_quote_req_t req;
    req.exchange_index = nq::ExchangeIndex(1);
    req.channel_no = 2011;
    req.begin_sequence = 100;
    req.end_sequence = 250;
    EXPECT_FALSE(api->request_rebuild_tick_quote(1, 1, &req));
    EXPECT_EQ(last_message(), "quote api has not initialized");
    EXPECT_EQ(last_type(), 310u);

    ASSERT_TRUE(api->initialize_quote(&quote_config_, &spi_));
    int peer = -1;
    const uint64_t sid = open_session(api, &peer);
    EXPECT_FALSE(api->request_rebuild_tick_quote(sid, 5, nullptr));
    EXPECT_EQ(last_type(), 310u);
    EXPECT_FALSE(api->request_rebuild_tick_quote(sid, 6, &req));
    EXPECT_EQ(last_message(), "rebuild tick quote error, level2 not enabled in your config: { session_id = " +
                                  std::to_string(sid) + ", request_id = 6 }");
    EXPECT_EQ(last_type(), 310u);
    EXPECT_FALSE(api->request_rebuild_tick_quote(sid + 1, 7, &req));
    EXPECT_EQ(last_type(), 307u);

    api->quote_context_.load()->config_->set_use_level2(true);
    ASSERT_TRUE(api->request_rebuild_tick_quote(sid, 8, &req));
    testpeer::Bytes f;
    ASSERT_TRUE(testpeer::read_frame(peer, &f, 5000));
    ASSERT_EQ(testpeer::code_of(f.data()), 1052u);
    ASSERT_EQ(testpeer::length_of(f.data()), 140u);
    const unsigned char* body = f.data() + 64;
    EXPECT_EQ(testpeer::get_u64(body, 0), sid);
    EXPECT_EQ(testpeer::get_u64(body, 8), 8u);
    EXPECT_EQ(testpeer::get_u64(body, 16), 0u) << "untracked";
    EXPECT_EQ(testpeer::get_u64(body, 24), 0x1122334455667788ull);
    EXPECT_EQ(body[32], 2);
    for (int i = 33; i < 57; ++i) EXPECT_EQ(body[i], 0) << i;
    EXPECT_EQ(std::memcmp(body + 57, &req, sizeof req), 0);
    EXPECT_TRUE(log_has("rebuild tick quote request: { session_id = " + std::to_string(sid) +
                        ", request_id = 8, channel_num = 2011, start_sequence = 100, end_sequence = 250 }"));
}

}  // namespace
