// The service provider: creation from the environment, start-up, the three
// API initialisations, stopping, sessions and the last error. Every test
// runs in its own process, since the provider is one per process.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "api/business/KApiBusiness.h"
#include "api/business/KApiLoginAccountManager.h"
#include "api/monitor/KApiMon.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiCallerScope.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiPrivilegeContext.h"
#include "api/provider/KApiQuoteContext.h"
#include "api/provider/KApiSession.h"
#include "api/provider/KApiTradeContext.h"
#include "api/provider/TApiServiceFunc.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/ApiLocalTime.h"
#include "framework/ApiServiceThread.h"
#include "framework/ApiTimerManager.h"
#include "support/RunTogether.h"
#include "support/TestPeer.h"
#include "support/WaitUntil.h"

namespace {

using nq::api::KApi;
using nq::api::KApiSession;

// Handlers of this program, registered while it loads, as the library's own
// handlers are.
struct ProbeHandler : nq::api::TApiServiceFunc<2ul> {
    explicit ProbeHandler(uint32_t code) : TApiServiceFunc(code) { nq::ServiceFunc::service_func_[code] = this; }
    void service_func(nq::Message*) override {}
};
struct ForeignHandler : nq::ServiceFunc {
    explicit ForeignHandler(uint32_t code) : ServiceFunc(code) { nq::ServiceFunc::service_func_[code] = this; }
    void service_func(nq::Message*) override {}
};
ProbeHandler g_probe_low(1);
ProbeHandler g_probe_high(16382);
ForeignHandler g_foreign(9002);

using trv_test::wait_until;

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::multiset<std::string> thread_names() {
    std::multiset<std::string> names;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.') continue;
            std::string comm = read_file(std::string("/proc/self/task/") + e->d_name + "/comm");
            if (!comm.empty() && comm.back() == '\n') comm.pop_back();
            names.insert(comm);
        }
        closedir(d);
    }
    return names;
}

// Service threads of the registry that are still running.
int alive_service_threads() {
    int n = 0;
    pthread_mutex_lock(&nq::api::ApiServiceThread::os_mutex_);
    for (auto* t = nq::api::ApiServiceThread::head_; t != nullptr; t = t->next_) n += t->is_alive() ? 1 : 0;
    pthread_mutex_unlock(&nq::api::ApiServiceThread::os_mutex_);
    return n;
}

const char* const kServiceThreads[] = {"timer",         "timer_recycle", "mio_sender", "msg_receiver",
                                       "mio_heartbeat", "delay_sender",  "crontab"};

struct CountingTradeSpi : nq::TRVTradeSpi {
    std::atomic<int> disconnects{0};
    std::atomic<uint64_t> last_session{0};
    std::function<void(uint64_t)> on_lost;
    void on_disconnect(uint64_t session_id) override {
        if (on_lost) on_lost(session_id);
        last_session = session_id;
        ++disconnects;
    }
};
struct CountingPrivilegeSpi : nq::TRVPrivilegeSpi {
    std::atomic<int> disconnects{0};
    void on_disconnect(uint64_t) override { ++disconnects; }
};
struct CountingQuoteSpi : nq::TRVQuoteSpi {
    std::atomic<int> disconnects{0};
    std::atomic<uint64_t> last_session{0};
    void on_disconnect(uint64_t session_id) override {
        last_session = session_id;
        ++disconnects;
    }
};

class Provider : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trv_kapi_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        log_dir_ = root_ + "/logs/day";
        setenv("TRV_FILE_PATH", log_dir_.c_str(), 1);
        setenv("TRV_LOG_LEVEL", "debug", 1);
        unsetenv("TRV_REQUEST_TIMEOUT");
        trade_config_.set_local_addr("127.0.0.1", "127.0.0.1");
        quote_config_.set_local_addr("127.0.0.1", "127.0.0.1");
        privilege_config_.set_local_addr("127.0.0.1", "127.0.0.1");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    KApi* create() {
        KApi* api = KApi::create_singleton_or_get();
        if (api != nullptr) log_path_ = log_dir_ + "/tarvel_" + std::to_string(nq::api::ApiLocalTime::date()) + ".log";
        return api;
    }
    std::string log_text() const { return read_file(log_path_); }
    bool log_has(const std::string& needle, double seconds = 20.0) const {
        return wait_until([&] { return log_text().find(needle) != std::string::npos; }, seconds);
    }
    static std::string last_message() { return KApi::get_last_error().error_msg; }

    // A session of the given API type connected to a loopback peer.
    uint64_t open_session(KApi* api, nq::ApiType type, int* peer_fd) {
        testpeer::Listener listener;
        if (!listener.open()) return 0;
        const uint64_t id = api->framework_->open_session(1, reinterpret_cast<const sockaddr*>(&listener.addr), nullptr,
                                                          static_cast<unsigned char>(type));
        *peer_fd = listener.accept_one(5000);
        listener.close_fd();
        if (id == 0 || *peer_fd < 0) return 0;
        with_session(api, id, [&](KApiSession* s) { s->api_type = static_cast<uint8_t>(type); });
        return id;
    }
    static bool with_session(KApi* api, uint64_t id, const std::function<void(KApiSession*)>& fn) {
        nq::api::TcpSession* tcp = api->framework_->message_io_->acquire_session(id);
        if (tcp == nullptr) return false;
        KApiSession* s = KApiSession::from(tcp);
        if (s != nullptr) fn(s);
        tcp->release();
        return s != nullptr;
    }
    static bool session_alive(KApi* api, uint64_t id) {
        bool alive = false;
        with_session(api, id, [&](KApiSession* s) { alive = s->is_alive(); });
        return alive;
    }

    std::string root_;
    std::string log_dir_;
    std::string log_path_;
    nq::TRVTradeConfig trade_config_;
    nq::TRVQuoteConfig quote_config_;
    nq::TRVPrivilegeConfig privilege_config_;
    CountingTradeSpi trade_spi_;
    CountingQuoteSpi quote_spi_;
    CountingPrivilegeSpi privilege_spi_;
};

TEST_F(Provider, StartUpBringsUpLogThreadsAndState) {
    setenv("TRV_REQUEST_TIMEOUT", "30", 1);
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    EXPECT_EQ(KApi::create_singleton_or_get(), api);
    EXPECT_EQ(KApi::instance_.load(), api);
    EXPECT_EQ(KApi::ready_instance(), api);

    // The nested log directory was made; the file is named for today.
    EXPECT_TRUE(std::filesystem::is_directory(log_dir_));
    ASSERT_TRUE(log_has("api service provider started"));
    const std::string text = log_text();
    const size_t init = text.find("api service provider initialized successfully: { api_version = v1.6.0.23 }");
    ASSERT_NE(init, std::string::npos);
    EXPECT_LT(init, text.find("api service provider started"));

    const auto names = thread_names();
    for (const char* name : kServiceThreads) EXPECT_EQ(names.count(name), 1u) << name;
    EXPECT_EQ(names.count("msg_handler"), 3u);
    EXPECT_EQ(names.count("log_main"), 1u);
    EXPECT_EQ(names.count("log_write"), 1u);

    // The creating thread runs real-time.
    sched_param param{};
    EXPECT_EQ(sched_getscheduler(0), SCHED_FIFO);
    ASSERT_EQ(sched_getparam(0, &param), 0);
    EXPECT_EQ(param.sched_priority, 21);

    ASSERT_NE(api->config_, nullptr);
    EXPECT_EQ(api->config_->log_level, 4);
    EXPECT_EQ(api->config_->request_timeout, 30);
    ASSERT_NE(api->business_, nullptr);
    ASSERT_NE(api->framework_, nullptr);
    EXPECT_EQ(api->framework_->handler_count_, 3u);
    EXPECT_NE(api->framework_->delay_sender_, nullptr);
    ASSERT_NE(api->framework_->request_manager_, nullptr);
    EXPECT_EQ(api->framework_->request_manager_->mask, 0xffffu);
    EXPECT_EQ(api->framework_->message_io_, api->framework_->api_message_io_);
    EXPECT_EQ(api->get_trading_day(), 0u);

    bool found = false;
    for (auto& q : api->timer_manager_->queues_) {
        if (q.id_.load() != 1) continue;
        found = true;
        EXPECT_EQ(q.interval_ms_, 30000u);
    }
    EXPECT_TRUE(found);

    // Registered handlers of this API got the business state and framework;
    // others were left alone.
    EXPECT_EQ(g_probe_low.business_, api->business_);
    EXPECT_EQ(g_probe_low.framework_, api->framework_);
    EXPECT_EQ(g_probe_high.business_, api->business_);
    EXPECT_EQ(g_probe_high.framework_, api->framework_);

    EXPECT_EQ(KApi::get_last_error().error_code_type, 0u);
}

TEST_F(Provider, DefaultTimeoutQueueAndNoApisBeforeInitialize) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    bool found = false;
    for (auto& q : api->timer_manager_->queues_) {
        if (q.id_.load() != 1) continue;
        found = true;
        EXPECT_EQ(q.interval_ms_, 10000u);
    }
    EXPECT_TRUE(found) << "no request-timeout queue";
    EXPECT_EQ(api->trade_context_.load(), nullptr);
    EXPECT_EQ(api->quote_context_.load(), nullptr);
    EXPECT_EQ(api->privilege_context_.load(), nullptr);
}

TEST_F(Provider, InitialiseEachApiOnceWithItsMessages) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);

    struct Step {
        std::function<bool()> call;
        bool result;
        const char* message;  // last error after a failure, log line after success
    };
    const Step steps[] = {
        {[&] { return api->initialize_trade(nullptr, &trade_spi_); }, false, "trade config is null"},
        {[&] { return api->initialize_trade(&trade_config_, &trade_spi_); }, true,
         "api trade initialized successfully: { api_version = v1.6.0.23 }"},
        {[&] { return api->initialize_trade(&trade_config_, &trade_spi_); }, false, "repeat trade api initialization"},
        {[&] { return api->initialize_trade(nullptr, nullptr); }, false, "repeat trade api initialization"},
        {[&] { return api->initialize_quote(nullptr, &quote_spi_); }, false, "quote config is null"},
        {[&] { return api->initialize_quote(&quote_config_, &quote_spi_); }, true,
         "quote api initialized successfully: { api_version = v1.6.0.23 }"},
        {[&] { return api->initialize_quote(&quote_config_, &quote_spi_); }, false, "repeat quote api initialization"},
        {[&] { return api->initialize_privilege(nullptr, &privilege_spi_); }, false, "privilege config is null"},
        {[&] { return api->initialize_privilege(&privilege_config_, &privilege_spi_); }, true,
         "privilege api initialized successfully: { api_version = v1.6.0.23 }"},
        {[&] { return api->initialize_privilege(&privilege_config_, nullptr); }, false,
         "repeat privilege api initialization"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.message);
        EXPECT_EQ(s.call(), s.result);
        if (s.result) {
            EXPECT_TRUE(log_has(s.message));
        } else {
            const nq::trv_error_info_t e = KApi::get_last_error();
            EXPECT_EQ(e.error_code_type, 301u);
            EXPECT_EQ(e.error_code, 0u);
            EXPECT_STREQ(e.error_msg, s.message);
            EXPECT_TRUE(log_has(s.message));
        }
    }
    ASSERT_NE(api->trade_context_.load(), nullptr);
    EXPECT_EQ(api->trade_context_.load()->spi_.load(), &trade_spi_);
    EXPECT_EQ(api->quote_context_.load()->spi_.load(), &quote_spi_);
    EXPECT_EQ(api->privilege_context_.load()->spi_.load(), &privilege_spi_);
    EXPECT_NE(api->trade_context_.load()->udp_sender_, nullptr);
    EXPECT_NE(api->quote_context_.load()->receivers_, nullptr);
}

TEST_F(Provider, TradeContextKeepsItsOwnCopyAndOrderTimeoutQueue) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    trade_config_.set_order_timeout(7);
    trade_config_.set_trading_day(20261210);
    trade_config_.add_agw_addr("127.0.0.1", 6001);
    ASSERT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    nq::TRVTradeConfig* copy = api->trade_context_.load()->config_;
    ASSERT_NE(copy, &trade_config_);
    EXPECT_EQ(std::memcmp(copy, &trade_config_, 563), 0);
    for (size_t i = 563; i < sizeof(nq::TRVTradeConfig); ++i)
        EXPECT_EQ(reinterpret_cast<const unsigned char*>(copy)[i], 0) << i;

    trade_config_.set_order_timeout(99);  // the caller's object is not used any more
    EXPECT_EQ(copy->order_timeout(), 7);
    EXPECT_EQ(copy->trading_day(), 20261210u);

    bool found = false;
    for (auto& q : api->timer_manager_->queues_) {
        if (q.id_.load() != nq::api::KApiTradeContext::kOrderTimerQueue) continue;
        found = true;
        EXPECT_EQ(q.interval_ms_, 7000u);
    }
    EXPECT_TRUE(found);
}

TEST_F(Provider, QuoteCopyTakesTheWholeConfiguration) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    quote_config_.set_use_level2(true);
    ASSERT_TRUE(api->initialize_quote(&quote_config_, &quote_spi_));
    nq::TRVQuoteConfig* copy = api->quote_context_.load()->config_;
    EXPECT_EQ(std::memcmp(copy, &quote_config_, 577), 0);
    EXPECT_TRUE(copy->use_level2());
}

TEST_F(Provider, TradeContextRefusesAnUnusableLocalAddress) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    // 192.0.2.1 (documentation range) is not an address of this host.
    ASSERT_TRUE(trade_config_.set_local_addr("127.0.0.1", "192.0.2.1"));
    EXPECT_FALSE(api->initialize_trade(&trade_config_, &trade_spi_));
    EXPECT_EQ(KApi::get_last_error().error_code_type, 301u);
    EXPECT_EQ(last_message(), "allocate trade context failed, likely local address error (or other errors)");
    EXPECT_EQ(api->trade_context_.load(), nullptr);

    // Nothing was kept, so a corrected configuration is accepted.
    ASSERT_TRUE(trade_config_.set_local_addr("127.0.0.1", "127.0.0.1"));
    EXPECT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
}

int open_sockets() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (dirent* e = readdir(d)) {
            char target[64] = {};
            const std::string link = std::string("/proc/self/fd/") + e->d_name;
            if (readlink(link.c_str(), target, sizeof target - 1) > 0 && std::strncmp(target, "socket:", 7) == 0) ++n;
        }
        closedir(d);
    }
    return n;
}

bool has_queue(KApi* api, unsigned long id) {
    for (auto& q : api->timer_manager_->queues_)
        if (q.id_.load() == id) return true;
    return false;
}

// The order-timeout queue cannot be made after the UDP sender was: the failed
// context keeps nothing, its sender's socket included.
TEST_F(Provider, TradeContextThatFailsAtItsTimerQueueLeavesNoSocket) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    unsigned long taken = 100;
    while (api->timer_manager_->create_timer_queue(taken, 1000)) ++taken;
    ASSERT_GT(taken, 100u) << "no free timer queue slot to take";
    const int sockets = open_sockets();
    EXPECT_FALSE(api->initialize_trade(&trade_config_, &trade_spi_));
    EXPECT_EQ(KApi::get_last_error().error_code_type, 301u);
    EXPECT_EQ(last_message(), "allocate trade context failed, likely local address error (or other errors)");
    EXPECT_TRUE(log_has("timer initialization failed"));
    EXPECT_EQ(api->trade_context_.load(), nullptr);
    EXPECT_EQ(open_sockets(), sockets) << "the failed context's UDP socket is still open";
}

// A zero order timeout would report every order as timed out at once.
TEST_F(Provider, ZeroOrderTimeoutIsRefused) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    const int sockets = open_sockets();
    trade_config_.set_order_timeout(0);
    EXPECT_FALSE(api->initialize_trade(&trade_config_, &trade_spi_));
    EXPECT_EQ(KApi::get_last_error().error_code_type, 301u);
    EXPECT_EQ(last_message(), "allocate trade context failed, likely local address error (or other errors)");
    EXPECT_TRUE(log_has("timer initialization failed"));
    EXPECT_FALSE(has_queue(api, nq::api::KApiTradeContext::kOrderTimerQueue));
    EXPECT_EQ(open_sockets(), sockets);

    trade_config_.set_order_timeout(1);
    EXPECT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    EXPECT_TRUE(has_queue(api, nq::api::KApiTradeContext::kOrderTimerQueue));
}

TEST_F(Provider, LastErrorIsPerThread) {
    nq::trv_error_info_t fresh{};
    std::thread([&] { fresh = KApi::get_last_error(); }).join();
    EXPECT_EQ(fresh.error_code_type, 0u);
    EXPECT_EQ(fresh.error_code, 0u);
    EXPECT_STREQ(fresh.error_msg, "");

    KApi* api = create();
    ASSERT_NE(api, nullptr);
    EXPECT_FALSE(api->initialize_quote(nullptr, nullptr));
    EXPECT_EQ(last_message(), "quote config is null");

    nq::trv_error_info_t other{};
    std::thread([&] { other = KApi::get_last_error(); }).join();
    EXPECT_EQ(other.error_code_type, 0u);
    EXPECT_STREQ(other.error_msg, "");

    // A success does not clear the error.
    EXPECT_TRUE(api->initialize_quote(&quote_config_, &quote_spi_));
    EXPECT_EQ(last_message(), "quote config is null");
}

TEST_F(Provider, StaticOperations) {
    EXPECT_STREQ(KApi::get_api_version(), "v1.6.0.23");
    EXPECT_FALSE(KApi::dump_api_performance_info());
    const nq::trv_error_info_t e = KApi::get_last_error();
    EXPECT_EQ(e.error_code_type, 301u);
    EXPECT_STREQ(e.error_msg, "no mon instance, please use mon mode api version and initialize api first");
}

// A build that creates a monitor dumps through it.
TEST_F(Provider, PerformanceDumpGoesThroughAMonitorOnceOneIsSet) {
    char tmpl[] = "/tmp/trv_dump_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(tmpl), 0);
    nq::api::KApiMon mon("stats", 1, 1, 0);
    nq::api::KApiMon::instance_ = &mon;
    EXPECT_TRUE(KApi::dump_api_performance_info());
    EXPECT_EQ(access("trv_api_order_perf.csv", F_OK), 0);
    nq::api::KApiMon::instance_ = nullptr;
    unlink("trv_api_order_perf.csv");
    ASSERT_EQ(chdir(cwd), 0);
    rmdir(tmpl);
}

TEST_F(Provider, StoppingTheOnlyApiStopsTheService) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    ASSERT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    ASSERT_GE(alive_service_threads(), 10);

    const auto start = std::chrono::steady_clock::now();
    api->stop_trade();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(api->trade_context_.load()->spi_.load(), nullptr);
    EXPECT_TRUE(wait_until([] { return alive_service_threads() == 0; }));
    EXPECT_TRUE(log_has("stop_trade: clearing trade SPI and closing trade sessions"));
    EXPECT_TRUE(log_has("all APIs stopped, stopping service threads"));
    // The logger keeps running.
    EXPECT_EQ(thread_names().count("log_write"), 1u);

    // A stopped API stays stopped, and nothing starts on the dead service.
    EXPECT_FALSE(api->initialize_trade(&trade_config_, &trade_spi_));
    EXPECT_EQ(last_message(), "repeat trade api initialization");
    EXPECT_FALSE(api->initialize_quote(&quote_config_, &quote_spi_));
    EXPECT_EQ(KApi::get_last_error().error_code_type, 301u);
    EXPECT_EQ(last_message(), "quote api initialization refused, api service stopped");
    EXPECT_EQ(api->quote_context_.load(), nullptr);
}

TEST_F(Provider, ServiceRunsUntilEveryInitialisedApiStops) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    ASSERT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    ASSERT_TRUE(api->initialize_quote(&quote_config_, &quote_spi_));
    const int running = alive_service_threads();

    // Stops of APIs that were never initialised change nothing.
    api->stop_privilege();
    api->stop_trade();
    api->stop_trade();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(alive_service_threads(), running);
    EXPECT_EQ(api->service_stopped_.load(), 0);
    EXPECT_EQ(api->quote_context_.load()->spi_.load(), &quote_spi_);

    api->stop_quote();
    EXPECT_TRUE(wait_until([] { return alive_service_threads() == 0; }));
    EXPECT_EQ(api->quote_context_.load()->spi_.load(), nullptr);
    const std::string text = log_text();
    EXPECT_EQ(text.find("stop_privilege"), std::string::npos);
}

TEST_F(Provider, StopOfAnUninitialisedApiLeavesTheOthersRunning) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    ASSERT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    const int running = alive_service_threads();
    api->stop_quote();
    api->stop_privilege();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(alive_service_threads(), running);
    // The quote API can still come up afterwards.
    EXPECT_TRUE(api->initialize_quote(&quote_config_, &quote_spi_));
}

TEST_F(Provider, StopClearsOnlyTheStoppedApisCallbacks) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    ASSERT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    ASSERT_TRUE(api->initialize_privilege(&privilege_config_, &privilege_spi_));

    int trade_peer = -1, privilege_peer = -1;
    const uint64_t trade_sid = open_session(api, nq::ApiType::TRADE, &trade_peer);
    const uint64_t privilege_sid = open_session(api, nq::ApiType::PRIVILEGE, &privilege_peer);
    ASSERT_NE(trade_sid, 0u);
    ASSERT_NE(privilege_sid, 0u);
    EXPECT_EQ(api->framework_->api_message_io_->open_session_ids_[nq::session_slot(trade_sid)].load(), trade_sid);
    EXPECT_EQ(api->framework_->api_message_io_->open_session_count_.load(), 2u);
    nq::TRVTradeSpi* privilege_as_trade = &privilege_spi_;
    with_session(api, trade_sid, [&](KApiSession* s) { s->trade_spi = &trade_spi_; });
    with_session(api, privilege_sid, [&](KApiSession* s) {
        s->privilege_spi = &privilege_spi_;
        s->trade_spi = privilege_as_trade;
    });

    api->stop_privilege();
    // The privileged session lost both of its slots and is closing; the
    // trading session keeps its callback and its connection.
    with_session(api, privilege_sid, [&](KApiSession* s) {
        EXPECT_EQ(s->privilege_spi.load(), nullptr);
        EXPECT_EQ(s->trade_spi.load(), nullptr);
        EXPECT_FALSE(s->is_alive());
    });
    EXPECT_TRUE(testpeer::wait_eof(privilege_peer, 10000));
    EXPECT_TRUE(with_session(api, trade_sid, [&](KApiSession* s) {
        EXPECT_EQ(s->trade_spi.load(), &trade_spi_);
        EXPECT_TRUE(s->is_alive());
    }));
    EXPECT_EQ(api->trade_context_.load()->spi_.load(), &trade_spi_);
    EXPECT_EQ(alive_service_threads() > 0, true);
    // A session the user closed is not reported.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(privilege_spi_.disconnects.load(), 0);
    EXPECT_EQ(trade_spi_.disconnects.load(), 0);
    close(trade_peer);
    close(privilege_peer);
}

// Trade login records live for the life of the process; the library's
// session drops its pointer at logout, this one keeps them reachable.
std::atomic<nq::api::KApiLoginAccount*> g_login_account{nullptr};

TEST_F(Provider, LostSessionReleasesItsAccountBeforeTheUserHears) {
    std::atomic<int> state_at_callback{-1};
    std::atomic<uint64_t> count_at_callback{99};
    std::atomic<KApi*> provider{nullptr};
    // Set before any service thread runs.
    trade_spi_.on_lost = [&](uint64_t) {
        state_at_callback = g_login_account.load()->state.load();
        count_at_callback = provider.load()->framework_->api_message_io_->open_session_count_.load();
    };
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    provider = api;
    ASSERT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    int peer = -1;
    const uint64_t sid = open_session(api, nq::ApiType::TRADE, &peer);
    ASSERT_NE(sid, 0u);

    nq::api::KApiLoginAccountManager* accounts = api->business_->login_account_mgr_;
    nq::api::KApiLoginAccount* account = accounts->try_begin_login("acct01", sid);
    ASSERT_NE(account, nullptr);
    g_login_account = account;
    ASSERT_TRUE(accounts->on_login_success(account, sid));
    with_session(api, sid, [&](KApiSession* s) { s->login_account = account; });
    close(peer);  // the counter goes away
    ASSERT_TRUE(wait_until([&] { return trade_spi_.disconnects.load() == 1; }));
    EXPECT_EQ(trade_spi_.last_session.load(), sid);
    EXPECT_EQ(state_at_callback.load(), nq::api::KApiLoginAccount::kIdle);
    EXPECT_EQ(count_at_callback.load(), 0u);
    EXPECT_EQ(api->framework_->api_message_io_->open_session_ids_[nq::session_slot(sid)].load(), 0u);
    EXPECT_TRUE(log_has("on_disconnect: { session_id = " + std::to_string(sid) + ", session_type = 1 }"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(trade_spi_.disconnects.load(), 1);
    EXPECT_EQ(quote_spi_.disconnects.load(), 0);
}

TEST_F(Provider, LostQuoteSessionReachesOnlyARunningQuoteApi) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    ASSERT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    ASSERT_TRUE(api->initialize_quote(&quote_config_, &quote_spi_));

    int peer = -1;
    const uint64_t sid = open_session(api, nq::ApiType::QUOTE, &peer);
    ASSERT_NE(sid, 0u);
    close(peer);
    ASSERT_TRUE(wait_until([&] { return quote_spi_.disconnects.load() == 1; }));
    EXPECT_EQ(quote_spi_.last_session.load(), sid);
    EXPECT_EQ(trade_spi_.disconnects.load(), 0);

    // With the quote API stopped (the trading one keeps the service up), a
    // lost quote session reaches nobody.
    api->stop_quote();
    const uint64_t sid2 = open_session(api, nq::ApiType::QUOTE, &peer);
    ASSERT_NE(sid2, 0u);
    close(peer);
    EXPECT_TRUE(log_has("on_disconnect: { session_id = " + std::to_string(sid2) + ", session_type = 2 }"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(quote_spi_.disconnects.load(), 1);
}

// The lookup with a reference (every caller) and the one without (the order
// path) refuse the same ids: a stale id of a reused slot, slot 0, a closed
// session, a session of another type than the one wanted, and a session of
// another API than the one the call came in through.
TEST_F(Provider, SessionLookupsWithAndWithoutAReferenceFindTheSameSessions) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    ASSERT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    ASSERT_TRUE(api->initialize_quote(&quote_config_, &quote_spi_));
    nq::api::KApiMessageIO* io = api->framework_->api_message_io_;
    int trade_peer = -1, quote_peer = -1, closed_peer = -1;
    const uint64_t trade = open_session(api, nq::ApiType::TRADE, &trade_peer);
    const uint64_t quote = open_session(api, nq::ApiType::QUOTE, &quote_peer);
    const uint64_t closed = open_session(api, nq::ApiType::TRADE, &closed_peer);
    ASSERT_TRUE(trade != 0 && quote != 0 && closed != 0);
    api->framework_->close_session(closed, false);
    KApiSession* trade_session = io->acquire_api_session(trade);
    KApiSession* quote_session = io->acquire_api_session(quote);
    ASSERT_TRUE(trade_session != nullptr && quote_session != nullptr);
    trade_session->release();
    quote_session->release();

    constexpr int kNoScope = -1;
    constexpr uint8_t kAny = nq::api::KApiMessageIO::kAnyApi;
    constexpr auto kTrade = static_cast<uint8_t>(nq::ApiType::TRADE);
    constexpr auto kQuote = static_cast<uint8_t>(nq::ApiType::QUOTE);
    const struct {
        const char* name;
        uint64_t id;
        int scope;
        uint8_t wanted;
        KApiSession* found;
    } cases[] = {
        {"trade session", trade, kNoScope, kAny, trade_session},
        {"trade session, trade wanted", trade, kNoScope, kTrade, trade_session},
        {"trade session, quote wanted", trade, kNoScope, kQuote, nullptr},
        {"trade session in a trading call", trade, static_cast<int>(nq::ApiType::TRADE), kTrade, trade_session},
        {"trade session in a privileged call", trade, static_cast<int>(nq::ApiType::PRIVILEGE), kTrade, nullptr},
        {"quote session in a trading call", quote, static_cast<int>(nq::ApiType::TRADE), kAny, nullptr},
        {"quote session in a market-data call", quote, static_cast<int>(nq::ApiType::QUOTE), kAny, quote_session},
        {"stale id of the trade session's slot", trade ^ (1ull << 16), kNoScope, kAny, nullptr},
        {"slot 0", trade & ~0xffffull, kNoScope, kAny, nullptr},
        {"closed session", closed, kNoScope, kAny, nullptr},
        {"no session", 0, kNoScope, kAny, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<nq::api::KApiCallerScope> scope;
        if (c.scope != kNoScope) scope.emplace(static_cast<nq::ApiType>(c.scope));
        EXPECT_EQ(io->live_api_session(c.id, c.wanted), c.found);
        KApiSession* held = io->acquire_api_session(c.id, c.wanted);
        EXPECT_EQ(held, c.found);
        if (held == nullptr) continue;
        EXPECT_GE(held->ref_count_.load(), 1);
        held->release();
    }
    close(trade_peer);
    close(quote_peer);
    close(closed_peer);
}

TEST_F(Provider, DelayedPostLeavesHalfASecondLater) {
    KApi* api = create();
    ASSERT_NE(api, nullptr);
    ASSERT_TRUE(api->initialize_trade(&trade_config_, &trade_spi_));
    int peer = -1;
    const uint64_t sid = open_session(api, nq::ApiType::TRADE, &peer);
    ASSERT_NE(sid, 0u);

    testpeer::Bytes frame = testpeer::make_frame(1025, 128, 7);
    nq::Message message{reinterpret_cast<nq::MessageHeader*>(frame.data()), frame.data() + 64, nullptr};
    const auto start = std::chrono::steady_clock::now();
    api->framework_->delay_post_message(sid, &message);
    testpeer::Bytes got;
    // Heartbeats may come first; wait for the posted frame.
    while (testpeer::read_frame(peer, &got, 10000) && testpeer::code_of(got.data()) != 1025) {
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(got.size(), 128u);
    EXPECT_EQ(testpeer::code_of(got.data()), 1025u);
    EXPECT_EQ(testpeer::session_of(got.data()), sid);
    EXPECT_TRUE(testpeer::body_matches(got.data(), 128, 7));
    EXPECT_GE(waited, std::chrono::milliseconds(490));
    close(peer);
}

TEST_F(Provider, CreatedOnceUnderConcurrentCallers) {
    constexpr int kThreads = 8;
    std::vector<KApi*> got(kThreads, nullptr);
    trv_test::run_together(kThreads, [&](int i) { got[i] = KApi::create_singleton_or_get(); });
    ASSERT_NE(got[0], nullptr);
    for (KApi* p : got) EXPECT_EQ(p, got[0]);
    EXPECT_EQ(thread_names().count("msg_handler"), 3u);
}

TEST_F(Provider, FailedCreationIsFinalAndClean) {
    // A log directory below a regular file cannot be made.
    const std::string file = root_ + "/plain";
    std::ofstream(file) << "x";
    const std::string bad = file + "/logs";
    setenv("TRV_FILE_PATH", bad.c_str(), 1);

    constexpr int kThreads = 4;
    std::vector<KApi*> got(kThreads, reinterpret_cast<KApi*>(1));
    std::vector<std::string> messages(kThreads);
    trv_test::run_together(kThreads, [&](int i) {
        got[i] = KApi::create_singleton_or_get();
        messages[i] = last_message();
    });
    const std::string expected =
        "log initialization failed: likely insufficient permissions for log path (or other errors)";
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(got[i], nullptr);
        EXPECT_EQ(messages[i], expected);
    }
    EXPECT_EQ(KApi::instance_.load(), nullptr);
    EXPECT_EQ(KApi::ready_instance(), nullptr);

    // Later callers, even with a usable environment, get the first failure.
    setenv("TRV_FILE_PATH", log_dir_.c_str(), 1);
    EXPECT_EQ(KApi::create_singleton_or_get(), nullptr);
    EXPECT_EQ(KApi::get_last_error().error_code_type, 301u);
    EXPECT_EQ(last_message(), expected);
    // No service thread was started.
    EXPECT_EQ(alive_service_threads(), 0);
}

}  // namespace
