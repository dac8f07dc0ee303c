// The host's wall clock stepped while the trading API runs, as time
// synchronisation does: forward by 30 s with orders in flight, then back by a
// minute while one session's peer goes silent. Intervals and deadlines run on
// the monotonic clock, so neither step changes what the program sees: orders
// answered within their timeout never time out, unanswered ones time out at
// their timeout (not earlier, not 30 s later), heartbeats keep going, the
// silent peer is found out in about seven seconds, the healthy session
// stays, and a log line still reaches the file at once. The wall clock is
// stepped for the whole process (WallClockStep.cpp), the library included.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "counter/StandInCounter.h"
#include "support/SampleOrder.h"
#include "support/WaitUntil.h"
#include "support/WallClockStep.h"
#include "trv_api.h"

namespace {

using counter::StandInCounter;

int64_t now_ms() { return StandInCounter::clock_ms(); }  // steady

constexpr uint16_t kOrderTimeoutS = 5;
constexpr int64_t kOrderTimeoutMs = kOrderTimeoutS * 1000;
// How late a time-out or a loss may come on a loaded machine (a failure bound
// only; the steps are 30 s and more).
constexpr int64_t kSlackMs = 4000;
// Timers are armed from the cached clock, which lags when the thread that
// refreshes it waits for a processor: a time-out may come this much early on
// a busy machine, never a step's worth.
constexpr int64_t kClockLagMs = 1000;

class Spi : public nq::TRVTradeSpi {
public:
    void on_login(uint64_t session_id, uint64_t request_id, const nq::trv_error_info_t* error) override {
        std::lock_guard<std::mutex> lock(mu);
        logins[request_id] = error == nullptr ? session_id : 0;
    }
    void on_disconnect(uint64_t session_id) override {
        std::lock_guard<std::mutex> lock(mu);
        lost[session_id] = now_ms();
    }
    void on_order_timeout(uint64_t, uint64_t xid) override {
        std::lock_guard<std::mutex> lock(mu);
        timeouts[xid].push_back(now_ms());
    }
    void on_order_response(uint64_t, const nq::trv_msg_desc_t*, const nq::trv_order_response_t* r) override {
        std::lock_guard<std::mutex> lock(mu);
        answered[r->xid] = now_ms();
    }
    template <class F>
    auto with(F f) {
        std::lock_guard<std::mutex> lock(mu);
        return f();
    }
    std::mutex mu;
    std::map<uint64_t, uint64_t> logins;                // request id -> session (0: failed)
    std::map<uint64_t, int64_t> lost;                   // session -> when on_disconnect came
    std::map<uint64_t, std::vector<int64_t>> timeouts;  // xid -> when each on_order_timeout came
    std::map<uint64_t, int64_t> answered;               // xid -> when its order response came
};

class ClockStep : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trv_clock_step.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        setenv("TRV_FILE_PATH", tmpl, 1);
        setenv("TRV_LOG_LEVEL", "INFO", 1);
        counter_.add_account({"alice", counter::AccountKind::Normal, 11, 21, ""});
        counter_.add_account({"bob", counter::AccountKind::Normal, 12, 22, ""});
        // Answers come 1.5 s late; every second order is never answered.
        counter::OrderReplies replies;
        replies.when = counter::OrderReplies::When::Later;
        replies.later_ms = 1500;
        replies.trade = false;
        replies.skip_every = 2;
        counter_.set_order_replies(replies);
        ASSERT_TRUE(counter_.start());
        api_ = nq::TRVTradeApi::create();
        ASSERT_TRUE(config_.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(config_.add_agw_addr("127.0.0.1", counter_.port()));
        config_.set_order_timeout(kOrderTimeoutS);
        ASSERT_TRUE(api_->initialize(&config_, &spi_));
        a_ = login(1, "alice");
        b_ = login(2, "bob");
        ASSERT_NE(a_, 0u);
        ASSERT_NE(b_, 0u);
        const std::vector<counter::LoginRecord> logins = counter_.logins();
        ASSERT_EQ(logins.size(), 2u);
        counter_a_ = logins[0].session;
        counter_b_ = logins[1].session;
    }
    void TearDown() override { trv_test::set_wall_clock_step(0); }

    uint64_t login(uint64_t request_id, const char* name) {
        if (!api_->login(request_id, 1, name, "pw", "key", nullptr)) return 0;
        uint64_t session = 0;
        trv_test::wait_until([&] {
            return spi_.with([&] {
                auto it = spi_.logins.find(request_id);
                if (it == spi_.logins.end()) return false;
                session = it->second;
                return true;
            });
        });
        return session;
    }

    // An order on session A and the steady time it left.
    struct Sent {
        uint64_t xid;
        int64_t at;
    };
    std::vector<Sent> send_orders(int count) {
        std::vector<Sent> sent;
        for (int i = 0; i < count; ++i) {
            nq::trv_order_insert_info_t o = trv_test::sh_limit_buy(101000, 100);
            const int64_t at = now_ms();
            const uint64_t xid = api_->insert_order(a_, &o);
            EXPECT_NE(xid, 0u) << api_->get_last_error().error_msg;
            sent.push_back({xid, at});
        }
        return sent;
    }

    // Every order either answered (and never timed out) or timed out once, at
    // its timeout: no earlier, and no later than the slack allows.
    void expect_orders_end_on_time(const std::vector<Sent>& sent) {
        const bool all_ended = trv_test::wait_until(
            [&] {
                return spi_.with([&] {
                    for (const Sent& s : sent)
                        if (spi_.answered.count(s.xid) == 0 && spi_.timeouts.count(s.xid) == 0) return false;
                    return true;
                });
            },
            (kOrderTimeoutMs + kSlackMs + 1000) / 1000.0);
        EXPECT_TRUE(all_ended) << "an unanswered order did not time out at its timeout";
        std::this_thread::sleep_for(std::chrono::milliseconds(kOrderTimeoutMs + 500));
        const auto answered = spi_.with([&] { return spi_.answered; });
        const auto timeouts = spi_.with([&] { return spi_.timeouts; });
        int unanswered = 0;
        for (const Sent& s : sent) {
            SCOPED_TRACE(s.xid);
            const auto t = timeouts.find(s.xid);
            if (answered.count(s.xid) != 0) {
                EXPECT_EQ(t, timeouts.end()) << "an order answered after 1.5 s timed out";
                continue;
            }
            ++unanswered;
            ASSERT_NE(t, timeouts.end());
            ASSERT_EQ(t->second.size(), 1u);
            EXPECT_GE(t->second[0] - s.at, kOrderTimeoutMs - kClockLagMs) << "timed out early";
            EXPECT_LE(t->second[0] - s.at, kOrderTimeoutMs + kSlackMs) << "timed out late";
        }
        EXPECT_GT(unanswered, 0);
    }

    // Heartbeats (code 2) the counter received from the library on a session
    // at or after `from` (steady ms).
    size_t heartbeats_since(uint64_t counter_session, int64_t from) const {
        size_t n = 0;
        for (const counter::ReceivedFrame& f : counter_.frames(counter_session))
            if (f.code == 2 && f.received_ms >= from) ++n;
        return n;
    }

    // The log file (the only file of the directory), as written so far.
    std::string log_text() const {
        std::string text;
        if (DIR* d = opendir(dir_.c_str())) {
            while (dirent* e = readdir(d)) {
                if (e->d_name[0] == '.') continue;
                std::ifstream in(dir_ + "/" + e->d_name);
                text += std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            closedir(d);
        }
        return text;
    }

    StandInCounter counter_;
    nq::TRVTradeApi* api_ = nullptr;
    nq::TRVTradeConfig config_;
    Spi spi_;
    std::string dir_;
    uint64_t a_ = 0, b_ = 0;
    uint64_t counter_a_ = 0, counter_b_ = 0;
};

TEST_F(ClockStep, ForwardAndBackStepsMoveNoTimerHeartbeatOrFlush) {
    // Forward by 30 s with twenty orders in flight.
    const std::vector<Sent> first = send_orders(20);
    trv_test::set_wall_clock_step(30000);
    expect_orders_end_on_time(first);
    EXPECT_TRUE(spi_.with([&] { return spi_.lost.empty(); })) << "a healthy session was dropped";

    // Back by a minute (to 30 s behind the kernel's clock) with ten more
    // orders in flight, while B's peer goes silent.
    const std::vector<Sent> second = send_orders(10);
    counter_.set_silent(counter_b_, true);
    const int64_t silent_from = now_ms();
    trv_test::set_wall_clock_step(-30000);

    // A log line reaches the file at once, not when the clock catches up.
    EXPECT_FALSE(api_->query_assets(0x7777, 1));
    EXPECT_TRUE(trv_test::wait_until(
        [&] {
            return log_text().find("query assets error, get session failed: { session_id = 30583") != std::string::npos;
        },
        3.0))
        << "the ERROR line is still buffered";
    // Heartbeats go on after the step (one a second).
    const int64_t stepped_back = now_ms();
    EXPECT_TRUE(trv_test::wait_until([&] { return heartbeats_since(counter_a_, stepped_back) >= 2; }, 6.0))
        << "the library held its heartbeats back";

    // The silent peer is found out after about 5 s of silence and two sweeps.
    EXPECT_TRUE(trv_test::wait_until([&] { return spi_.with([&] { return spi_.lost.count(b_) != 0; }); },
                                     (5000 + 3000 + kSlackMs) / 1000.0))
        << "the silent peer was not found out";
    const auto lost = spi_.with([&] { return spi_.lost; });
    if (lost.count(b_) != 0) {
        EXPECT_GE(lost.at(b_) - silent_from, 5000) << "reported before 5 s of silence";
    }
    expect_orders_end_on_time(second);
    EXPECT_TRUE(spi_.with([&] { return spi_.lost.count(a_) == 0; })) << "the healthy session was dropped";
    EXPECT_TRUE(counter_.is_open(counter_a_));
    api_->stop();
}

}  // namespace
