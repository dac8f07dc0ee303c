// Stopping the APIs against the stand-in counter: what a stop leaves behind
// (sockets, sessions) and what may be called after it or from inside a
// callback. Each TEST is its own process (one provider each).
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "api/mdata/UdpTestSupport.h"
#include "counter/QuoteFeeder.h"
#include "counter/StandInCounter.h"
#include "support/ScratchFilePath.h"
#include "support/WaitUntil.h"
#include "trv_api.h"

namespace {

using counter::AccountKind;
using counter::StandInCounter;

bool wait_for(const std::function<bool()>& done, double seconds = 15) { return trv_test::wait_until(done, seconds); }

// Open descriptors of this process that are sockets (the counter's ends of
// the connections included: it closes them when the library's end closes).
int open_sockets() {
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    if (d == nullptr) return -1;
    while (dirent* e = readdir(d)) {
        char path[300], target[64];  // room for any d_name
        std::snprintf(path, sizeof path, "/proc/self/fd/%s", e->d_name);
        const ssize_t len = readlink(path, target, sizeof target - 1);
        if (len <= 0) continue;
        target[len] = '\0';
        n += std::strncmp(target, "socket:", 7) == 0;
    }
    closedir(d);
    return n;
}

class LoginSpi : public nq::TRVTradeSpi {
public:
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        if (error == nullptr) session = session_id;
        if (on_login_hook) on_login_hook(session_id);
        ++logins;
    }
    std::function<void(uint64_t)> on_login_hook;
    std::atomic<uint64_t> session{0};
    std::atomic<int> logins{0};
};

// One per process, never destroyed (each test is its own process).
LoginSpi& lasting_spi() {
    static LoginSpi* spi = new LoginSpi;
    return *spi;
}

class StopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(trv_test::use_scratch_file_path("trv_stop_test"));
        counter.add_account({"alice", AccountKind::Normal, 11, 22, ""});
        ASSERT_TRUE(counter.start());
        trade = nq::TRVTradeApi::create();
        ASSERT_NE(trade, nullptr);
        ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(config.add_agw_addr("127.0.0.1", counter.port()));
        ASSERT_TRUE(trade->initialize(&config, &spi));
    }

    uint64_t log_in() {
        const int before = spi.logins.load();
        EXPECT_TRUE(trade->login(1, 3, "alice", "pw", "key"));
        EXPECT_TRUE(wait_for([&] { return spi.logins.load() > before; }));
        return spi.session.load();
    }

    StandInCounter counter;
    nq::TRVTradeConfig config;
    LoginSpi& spi = lasting_spi();  // outlives the fixture: callbacks may still come
    nq::TRVTradeApi* trade = nullptr;
};

TEST_F(StopTest, LoginAfterStopIsRefusedAndOpensNothing) {
    const uint64_t session = log_in();
    ASSERT_NE(session, 0u);
    trade->stop();
    const int sockets = open_sockets();
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(trade->login(2, 3, "alice", "pw", "key"));
        const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
        EXPECT_EQ(e.error_code_type, 304u);
        EXPECT_STREQ(e.error_msg, "trade api stopped");
    }
    EXPECT_EQ(open_sockets(), sockets);
    EXPECT_FALSE(counter.wait_sessions(2, 300));  // only the first login connected
    // A request on the stopped API's session is refused too.
    EXPECT_EQ(trade->get_account_index(session), 0u);
    EXPECT_EQ(nq::TRVTradeApi::get_last_error().error_code_type, 307u);
}

TEST_F(StopTest, StopRightAfterLogoutClosesTheSockets) {
    const int before = open_sockets();
    const uint64_t first = log_in();
    const uint64_t second = log_in();
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    // Both ends of each connection are in this process.
    EXPECT_EQ(open_sockets(), before + 4);
    ASSERT_TRUE(trade->logout(first));
    trade->stop();
    // The heartbeat thread that would close them is gone after the stop.
    EXPECT_TRUE(wait_for([&] { return open_sockets() == before; }, 3)) << open_sockets() << " vs " << before;
}

TEST_F(StopTest, StopInsideOnLoginClosesItsSessionOnceTheCallbackReturns) {
    const int before = open_sockets();
    std::atomic<bool> stopped{false};
    spi.on_login_hook = [&](uint64_t) {
        trade->stop();
        stopped = true;
    };
    ASSERT_TRUE(trade->login(1, 3, "alice", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return stopped.load(); }));
    EXPECT_TRUE(wait_for([&] { return open_sockets() == before; }, 3)) << open_sockets() << " vs " << before;
}

// ---- callbacks and stop ----------------------------------------------------

// What the callback under way at the stop is, and so which thread runs it.
enum class Under {
    HandlerAnswer,  // on_query_assets answering a query: a handler worker
    TimerTimeout,   // on_query_assets with 311: the timer thread
    HeartbeatLoss,  // on_disconnect: the heartbeat thread
    QuoteReceiver,  // on_quote: a market-data receiver thread
};

std::string under_name(const ::testing::TestParamInfo<Under>& info) {
    switch (info.param) {
        case Under::HandlerAnswer: return "HandlerAnswer";
        case Under::TimerTimeout: return "TimerTimeout";
        case Under::HeartbeatLoss: return "HeartbeatLoss";
        case Under::QuoteReceiver: return "QuoteReceiver";
    }
    return "unknown";
}

// Process-wide, so that they outlive the callback object that the test frees.
std::atomic<bool> g_entered{false};  // the slow callback has begun
std::atomic<bool> g_left{false};     // ... and returned
std::atomic<bool> g_stop_returned{false};
std::atomic<int> g_calls_after_stop{0};  // callbacks begun after stop returned

// The first call of the chosen callback holds for a while and then writes to
// the object: if the object has been freed meanwhile, ASan reports a
// heap-use-after-free.
struct SlowCall {
    std::atomic<long> touched{0};
    void run(bool slow) {
        if (g_stop_returned.load()) g_calls_after_stop.fetch_add(1);
        if (!slow || g_entered.exchange(true)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        touched.fetch_add(1);
        g_left = true;
    }
};

class SlowTradeSpi : public nq::TRVTradeSpi {
public:
    explicit SlowTradeSpi(Under under) : under_(under) {}
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        if (error == nullptr) session = session_id;
        ++logins;
    }
    void on_query_assets(uint64_t, uint64_t, const nq::TRVAssetList*, bool,
                         const nq::trv_error_info_t* error) override {
        calls.run((under_ == Under::HandlerAnswer && error == nullptr) ||
                  (under_ == Under::TimerTimeout && error != nullptr && error->error_code_type == 311));
    }
    void on_disconnect(uint64_t) override { calls.run(under_ == Under::HeartbeatLoss); }
    void on_order_response(uint64_t, const nq::trv_msg_desc_t*, const nq::trv_order_response_t*) override {
        calls.run(false);
    }
    std::atomic<uint64_t> session{0};
    std::atomic<int> logins{0};
    SlowCall calls;

private:
    Under under_;
};

class SlowQuoteSpi : public nq::TRVQuoteSpi {
public:
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        if (error == nullptr) session = session_id;
    }
    void on_quote(nq::QuoteMCType, const void*, uint32_t) override {
        quotes.fetch_add(1);
        calls.run(true);
        if (stop_inside) {
            // From inside on_quote: returns without waiting for this call.
            api->stop();
            stopped_inside = true;
            stop_inside = false;
        }
    }
    std::atomic<uint64_t> session{0};
    std::atomic<long> quotes{0};
    std::atomic<bool> stop_inside{false};
    std::atomic<bool> stopped_inside{false};
    nq::TRVQuoteApi* api = nullptr;
    SlowCall calls;
};

// The callback object may be freed as soon as stop returns: no callback of
// that API runs then on any library thread, and none begins later.
class CallbackAtStop : public ::testing::TestWithParam<Under> {
protected:
    void SetUp() override {
        ASSERT_TRUE(trv_test::use_scratch_file_path("trv_stop_test"));
        setenv("TRV_REQUEST_TIMEOUT", "1", 1);
        counter.add_account({"alice", AccountKind::Normal, 11, 22, ""});
        counter.add_account({"md", AccountKind::Normal, 31, 0, ""});
        channel.mc_provider = 1;
        channel.mc_type = nq::TRV_SSE_L1;
        channel.group = udp_test::make_addr("127.0.0.1", udp_test::free_port());
        counter.set_channels({channel});
        ASSERT_TRUE(counter.start());
    }

    // Sends level-1 datagrams to the channel until told to end.
    void feed() {
        counter::QuoteFeeder feeder;
        if (!feeder.open()) return;
        const counter::Bytes entry =
            counter::QuoteFeeder::level1_entry(1, counter::QuoteFeeder::sse_l1_snapshot("600000", 20240102, 1000));
        while (feeding.load()) {
            feeder.send(channel, entry);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    StandInCounter counter;
    counter::QuoteChannel channel;
    std::atomic<bool> feeding{true};
};

TEST_P(CallbackAtStop, TheObjectMayBeFreedAsSoonAsStopReturns) {
    const Under under = GetParam();
    std::thread feeder;
    std::function<void()> stop;
    std::function<void()> free_object;
    if (under == Under::QuoteReceiver) {
        nq::TRVQuoteApi* api = nq::TRVQuoteApi::create();
        nq::TRVQuoteConfig config;
        ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(config.add_agw_addr("127.0.0.1", counter.port()));
        auto* spi = new SlowQuoteSpi;
        ASSERT_TRUE(api->initialize(&config, spi));
        ASSERT_TRUE(api->login(1, 4, "md", "pw", "key"));
        ASSERT_TRUE(wait_for([&] { return spi->session.load() != 0; }));
        nq::quote_thread_t thread;
        std::memset(&thread, 0, sizeof thread);
        thread.cpu_affinity = -1;
        thread.mc_count = 1;
        thread.mc_types[0] = nq::TRV_SSE_L1;
        ASSERT_TRUE(wait_for([&] { return api->subscribe_quote(spi->session.load(), 1, &thread); }))
            << nq::TRVQuoteApi::get_last_error().error_msg;
        feeder = std::thread([this] { feed(); });
        stop = [api] { api->stop(); };
        free_object = [spi] { delete spi; };
    } else {
        nq::TRVTradeApi* api = nq::TRVTradeApi::create();
        nq::TRVTradeConfig config;
        ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(config.add_agw_addr("127.0.0.1", counter.port()));
        auto* spi = new SlowTradeSpi(under);
        ASSERT_TRUE(api->initialize(&config, spi));
        ASSERT_TRUE(api->login(1, 3, "alice", "pw", "key"));
        ASSERT_TRUE(wait_for([&] { return spi->logins.load() == 1; }));
        const uint64_t session = spi->session.load();
        ASSERT_NE(session, 0u);
        switch (under) {
            case Under::HandlerAnswer: ASSERT_TRUE(api->query_assets(session, 7)); break;
            case Under::TimerTimeout:
                counter.script(1477, counter::Reply::withhold());
                ASSERT_TRUE(api->query_assets(session, 7));
                break;
            case Under::HeartbeatLoss: counter.close_session(counter.logins().at(0).session); break;
            default: break;
        }
        stop = [api] { api->stop(); };
        free_object = [spi] { delete spi; };
    }
    ASSERT_TRUE(wait_for([] { return g_entered.load(); })) << "the slow callback never came";
    stop();
    const bool left_at_return = g_left.load();
    g_stop_returned = true;
    free_object();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    feeding = false;
    if (feeder.joinable()) feeder.join();
    EXPECT_TRUE(left_at_return) << "stop returned while a callback of its API was still running";
    EXPECT_EQ(g_calls_after_stop.load(), 0) << "callbacks began after stop returned";
}

INSTANTIATE_TEST_SUITE_P(Threads, CallbackAtStop,
                         ::testing::Values(Under::HandlerAnswer, Under::TimerTimeout, Under::HeartbeatLoss,
                                           Under::QuoteReceiver),
                         under_name);

// A stop called from inside on_quote returns (it does not wait for the call
// it is made from), and no on_quote follows it while datagrams keep coming,
// though the service goes on for the trading API.
TEST_F(CallbackAtStop, StopFromInsideOnQuoteEndsTheQuotes) {
    nq::TRVTradeApi* trade = nq::TRVTradeApi::create();
    nq::TRVTradeConfig trade_config;
    ASSERT_TRUE(trade_config.set_local_addr("127.0.0.1", "127.0.0.1"));
    static nq::TRVTradeSpi trade_spi;
    ASSERT_TRUE(trade->initialize(&trade_config, &trade_spi));
    nq::TRVQuoteApi* api = nq::TRVQuoteApi::create();
    nq::TRVQuoteConfig config;
    ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
    ASSERT_TRUE(config.add_agw_addr("127.0.0.1", counter.port()));
    static SlowQuoteSpi spi;  // not freed: the receiver's own call goes on after its stop
    spi.api = api;
    ASSERT_TRUE(api->initialize(&config, &spi));
    ASSERT_TRUE(api->login(1, 4, "md", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.session.load() != 0; }));
    nq::quote_thread_t thread;
    std::memset(&thread, 0, sizeof thread);
    thread.cpu_affinity = -1;
    thread.mc_count = 1;
    thread.mc_types[0] = nq::TRV_SSE_L1;
    ASSERT_TRUE(wait_for([&] { return api->subscribe_quote(spi.session.load(), 1, &thread); }));
    std::thread feeder([this] { feed(); });
    ASSERT_TRUE(wait_for([&] { return spi.quotes.load() > 10; }));
    spi.stop_inside = true;
    ASSERT_TRUE(wait_for([&] { return spi.stopped_inside.load(); })) << "stop inside on_quote did not return";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the call that stopped ends
    const long at_stop = spi.quotes.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(spi.quotes.load(), at_stop) << "on_quote went on after the stop";
    feeding = false;
    feeder.join();
    trade->stop();
}

}  // namespace
