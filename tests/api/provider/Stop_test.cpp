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
#include <thread>

#include "counter/StandInCounter.h"
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
        char path[64], target[64];
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
        char tmpl[] = "/tmp/trv_stop_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        setenv("TRV_FILE_PATH", tmpl, 1);
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

}  // namespace
