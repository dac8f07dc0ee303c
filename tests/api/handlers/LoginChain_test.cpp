// The login chain end to end: the library's facades against the stand-in
// counter on loopback. Each TEST is its own process (one provider each).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "counter/StandInCounter.h"
#include "support/WaitUntil.h"
#include "trv_api.h"

namespace {

using counter::AccountKind;
using counter::Reply;
using counter::StandInCounter;

constexpr int kWaitMs = 15000;

bool wait_for(const std::function<bool()>& done, int ms = kWaitMs) { return trv_test::wait_until(done, ms / 1000.0); }

void use_scratch_log_directory() {
    char tmpl[] = "/tmp/trv_login_test.XXXXXX";
    const char* dir = mkdtemp(tmpl);
    ASSERT_NE(dir, nullptr);
    setenv("TRV_FILE_PATH", dir, 1);
    setenv("TRV_LOG_LEVEL", "TRACE", 1);
}

struct LoginEvent {
    uint64_t session_id;
    uint64_t request_id;
    bool failed;
    nq::trv_error_info_t error;
};

struct AuthEvent {
    uint64_t session_id;
    uint64_t request_id;
    uint64_t trade_token;
    bool failed;
    nq::trv_error_info_t error;
};

// Records every login and authorisation end.
class RecordingSpi : public nq::TRVPrivilegeSpi {
public:
    void on_login(uint64_t session_id, uint64_t request_id, const nq::trv_error_info_t* error) override {
        LoginEvent e{session_id, request_id, error != nullptr, nq::trv_error_info_t()};
        if (error != nullptr) e.error = *error;
        std::lock_guard<std::mutex> lock(mu);
        logins.push_back(e);
    }
    void on_auth_trade(uint64_t session_id, uint64_t request_id, uint64_t trade_token,
                       const nq::trv_error_info_t* error) override {
        AuthEvent e{session_id, request_id, trade_token, error != nullptr, nq::trv_error_info_t()};
        if (error != nullptr) e.error = *error;
        std::lock_guard<std::mutex> lock(mu);
        auths.push_back(e);
    }
    std::vector<LoginEvent> login_events() {
        std::lock_guard<std::mutex> lock(mu);
        return logins;
    }
    void on_disconnect(uint64_t session_id) override {
        std::lock_guard<std::mutex> lock(mu);
        disconnects.push_back(session_id);
    }
    std::vector<uint64_t> disconnect_events() {
        std::lock_guard<std::mutex> lock(mu);
        return disconnects;
    }
    std::vector<AuthEvent> auth_events() {
        std::lock_guard<std::mutex> lock(mu);
        return auths;
    }

private:
    std::mutex mu;
    std::vector<LoginEvent> logins;
    std::vector<AuthEvent> auths;
    std::vector<uint64_t> disconnects;
};

class QuoteSpi : public nq::TRVQuoteSpi {
public:
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        if (error != nullptr) failed = true;
        session = session_id;
        ++logins;
    }
    std::atomic<int> logins{0};
    std::atomic<bool> failed{false};
    std::atomic<uint64_t> session{0};
};

// One per process, never destroyed (each test is its own process).
RecordingSpi& lasting_spi() {
    static RecordingSpi* spi = new RecordingSpi;
    return *spi;
}

// One counter and the trading (or privileged) API logged in to it.
class LoginChain : public ::testing::Test {
protected:
    void SetUp() override {
        use_scratch_log_directory();
        counter.add_account({"alice", AccountKind::Normal, 11, 22, ""});
        counter.add_account({"proxy", AccountKind::Proxy, 12, 0, ""});
        counter.add_account({"admin", AccountKind::Privileged, 13, 0, ""});
        ASSERT_TRUE(counter.start());
    }

    void init_trade() {
        trade = nq::TRVTradeApi::create();
        ASSERT_NE(trade, nullptr);
        ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
        ASSERT_TRUE(config.add_agw_addr("127.0.0.1", counter.port()));
        config.set_trading_day(20240102);
        ASSERT_TRUE(trade->initialize(&config, &spi));
    }

    // Logs in and waits for on_login; the event.
    LoginEvent login_and_wait(const char* account, uint64_t request_id, size_t nth = 1,
                              const nq::trv_user_terminal_info_t* info = nullptr) {
        EXPECT_TRUE(trade->login(request_id, 3, account, "pw", "key", info));
        EXPECT_TRUE(wait_for([&] { return spi.login_events().size() >= nth; }));
        const auto events = spi.login_events();
        return events.size() >= nth ? events[nth - 1] : LoginEvent{};
    }

    // The counter's session of the n-th login.
    uint64_t counter_session(size_t n = 1) {
        const auto logins = counter.logins();
        return logins.size() >= n ? logins[n - 1].session : 0;
    }

    size_t heartbeat_count() { return counter.datagrams(1286).size(); }

    StandInCounter counter;
    // The library may still call back (a late report, a timeout) while the
    // test ends: the callback object outlives the fixture, as a program's
    // would.
    RecordingSpi& spi = lasting_spi();
    nq::TRVTradeConfig config;
    nq::TRVTradeApi* trade = nullptr;
};

bool body_text_is(const counter::Bytes& frame, size_t body_offset, const char* text) {
    const char* field = reinterpret_cast<const char*>(frame.data() + 64 + body_offset);
    return std::strncmp(field, text, std::strlen(text) + 1) == 0;
}

TEST_F(LoginChain, NormalLoginRunsTheWholeChainAndKeepsTheTokenAlive) {
    const std::vector<counter::Bytes> positions = {counter::Bytes(42, 1), counter::Bytes(42, 2)};
    counter::Bytes assets(24, 0);
    assets[0] = 100;
    counter.set_init_data(assets, positions);
    init_trade();
    const LoginEvent e = login_and_wait("alice", 77);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    EXPECT_EQ(e.request_id, 77u);
    EXPECT_NE(e.session_id, 0u);

    // The frames in order: login, the security table (its data-table request
    // first), the login's own authorisation, its token.
    const uint64_t cs = counter_session();
    const std::vector<uint32_t> codes = counter.codes(cs);
    std::vector<uint32_t> chain;
    for (uint32_t c : codes)
        if (c == 1030 || c == 1035 || c == 1046 || c == 1411) chain.push_back(c);
    ASSERT_GE(chain.size(), 4u);
    EXPECT_EQ(chain[0], 1030u);
    EXPECT_EQ(chain[1], 1035u);
    EXPECT_EQ(chain.back(), 1411u);
    EXPECT_EQ(std::count(chain.begin(), chain.end(), 1046u), 1);
    EXPECT_EQ(counter.login_of(cs).password, "pw");

    // The first heartbeat is 62 bytes (6-byte prefix, 56 zero bytes) and
    // arrives with the token; then one about every second.
    ASSERT_TRUE(wait_for([&] { return heartbeat_count() >= 1; }));
    const auto first = counter.datagrams(1286)[0];
    EXPECT_EQ(first.payload.size(), 62u);
    for (size_t i = 6; i < first.payload.size(); ++i) EXPECT_EQ(first.payload[i], 0) << i;
    ASSERT_TRUE(wait_for([&] { return heartbeat_count() >= 3; }));

    // The login's own authorisation and the notices that followed it.
    EXPECT_EQ(trade->get_account_index(e.session_id), 22u);
    ASSERT_TRUE(wait_for([&] {
        const nq::TRVInitPositionList* list = trade->get_init_positions(e.session_id);
        return list != nullptr && list->data_count() == 2;
    }));
    const nq::TRVInitPositionList* list = trade->get_init_positions(e.session_id);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(list->get(1))[0], 2);
    EXPECT_EQ(list->get(2), nullptr);
    const nq::trv_init_asset_info_t* a = trade->get_init_assets(e.session_id);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(a)[0], 100);

    // Exactly one on_login.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(spi.login_events().size(), 1u);

    // After logout the authorisation is gone and the heartbeats stop.
    EXPECT_TRUE(trade->logout(e.session_id));
    EXPECT_EQ(trade->get_account_index(e.session_id), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const size_t after = heartbeat_count();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(heartbeat_count(), after);
}

TEST_F(LoginChain, LoginAndAuthorisationBodiesCarryNaWhereTheTerminalHasNoAddress) {
    init_trade();
    nq::trv_user_terminal_info_t info;
    std::memset(&info, 0, sizeof info);
    info.term_type = nq::TerminalType::PC;
    const LoginEvent e = login_and_wait("alice", 5, 1, &info);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    counter::ReceivedFrame login, auth;
    ASSERT_TRUE(counter.wait_frame(1030, 1000, &login));
    ASSERT_TRUE(counter.wait_frame(1046, 1000, &auth));
    EXPECT_TRUE(body_text_is(login.bytes, 846, "NA"));
    EXPECT_TRUE(body_text_is(login.bytes, 892, "NA"));
    EXPECT_TRUE(body_text_is(login.bytes, 257, "PC;IIP=NA;IPORT=NA;LIP=NA;MAC=NA;HD=NA;PCN=NA;CPU=NA;PI=NA;VOL=NA"));
    // The login's own authorisation speaks for the local host: its address.
    EXPECT_TRUE(body_text_is(auth.bytes, 769, "127.0.0.1"));
    EXPECT_EQ(auth.bytes[64 + 815] != 0, true);
}

TEST_F(LoginChain, SecondLoginSkipsTheSecurityTable) {
    init_trade();
    ASSERT_FALSE(login_and_wait("alice", 1).failed);
    const LoginEvent second = login_and_wait("alice", 2, 2);
    ASSERT_FALSE(second.failed) << second.error.error_msg;
    const std::vector<uint32_t> codes = counter.codes(counter_session(2));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1035u), 0);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1046u), 1);
}

TEST_F(LoginChain, PrivilegedLoginNeedsAccountType1) {
    nq::TRVPrivilege* privilege = nq::TRVPrivilege::create();
    ASSERT_NE(privilege, nullptr);
    nq::TRVPrivilegeConfig pconfig;
    ASSERT_TRUE(pconfig.set_local_addr("127.0.0.1", "127.0.0.1"));
    ASSERT_TRUE(pconfig.add_agw_addr("127.0.0.1", counter.port()));
    ASSERT_TRUE(privilege->initialize(&pconfig, &spi));

    ASSERT_TRUE(privilege->login(8, "alice", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.login_events().size() == 1; }));
    const LoginEvent refused = spi.login_events()[0];
    EXPECT_TRUE(refused.failed);
    EXPECT_EQ(refused.error.error_code_type, 301u);
    EXPECT_STREQ(refused.error.error_msg, "you do not have permission to use the privileged api");
    EXPECT_TRUE(counter.wait_closed(counter_session(1), kWaitMs));

    ASSERT_TRUE(privilege->login(9, "admin", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.login_events().size() == 2; }));
    const LoginEvent ok = spi.login_events()[1];
    EXPECT_FALSE(ok.failed) << ok.error.error_msg;
    const std::vector<uint32_t> codes = counter.codes(counter_session(2));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1046u), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(spi.login_events().size(), 2u);
}

TEST_F(LoginChain, ProxyAuthorisationIsReportedOnceWithItsToken) {
    init_trade();
    const LoginEvent e = login_and_wait("proxy", 1);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    // Another trading account type ends after the security table.
    const std::vector<uint32_t> codes = counter.codes(counter_session());
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1046u), 0);
    EXPECT_EQ(trade->get_account_index(e.session_id), 0u);  // no own authorisation

    counter.script(1411, Reply::duplicate());
    ASSERT_TRUE(trade->auth_trade(e.session_id, 44, "client", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.auth_events().size() == 1; }));
    const AuthEvent a = spi.auth_events()[0];
    EXPECT_FALSE(a.failed) << a.error.error_msg;
    EXPECT_EQ(a.request_id, 44u);
    EXPECT_NE(a.trade_token, 0u);
    EXPECT_NE(trade->get_account_index(e.session_id, a.trade_token), 0u);
    ASSERT_TRUE(wait_for([&] { return heartbeat_count() >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(spi.auth_events().size(), 1u);  // the second 1923 reports nothing
}

TEST_F(LoginChain, RefusedProxyAuthorisationClosesItsRecord) {
    init_trade();
    const LoginEvent e = login_and_wait("proxy", 1);
    ASSERT_FALSE(e.failed);
    counter.script(1046, Reply::error(305, 7, "no such client"));
    ASSERT_TRUE(trade->auth_trade(e.session_id, 45, "client", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.auth_events().size() == 1; }));
    const AuthEvent a = spi.auth_events()[0];
    EXPECT_TRUE(a.failed);
    EXPECT_EQ(a.trade_token, 0u);
    EXPECT_EQ(a.error.error_code_type, 305u);
    EXPECT_STREQ(a.error.error_msg, "no such client");
    // The record of the refused authorisation is closed: no token is ever
    // asked for it.
    const auto tokens = counter.trade_tokens_of(counter_session());
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(trade->get_account_index(e.session_id, tokens[0]), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const std::vector<uint32_t> codes = counter.codes(counter_session());
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1411u), 0);
}

// A 1029 on each step of a normal login.
struct ErrorStep {
    const char* name;
    uint32_t code;     // the request answered with the error
    uint32_t table;    // for 1041: the query it belongs to
    bool login_fails;  // on_login reports the error (else the login still succeeds)
    bool timeout;      // the failure is the login's own timeout
};

void PrintTo(const ErrorStep& step, std::ostream* os) { *os << step.name; }

class LoginChainError : public LoginChain, public ::testing::WithParamInterface<ErrorStep> {};

TEST_P(LoginChainError, EndsTheLoginOnceWithTheRightOutcome) {
    const ErrorStep step = GetParam();
    // Only a step that ends by the timeout has 1 s; the others must not
    // race it (a loaded machine under a sanitizer may take longer than 1 s
    // for the chain).
    const int timeout_s = step.timeout ? 1 : 5;
    setenv("TRV_REQUEST_TIMEOUT", std::to_string(timeout_s).c_str(), 1);
    counter.script(step.code, Reply::error(305, 9, "step refused"), 1, step.table);
    init_trade();
    ASSERT_TRUE(trade->login(5, 3, "alice", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.login_events().size() == 1; }));
    // Past every request timeout of the chain: nothing more is reported.
    std::this_thread::sleep_for(std::chrono::milliseconds(timeout_s * 1000 + 1500));
    const auto events = spi.login_events();
    ASSERT_EQ(events.size(), 1u);
    if (!step.login_fails) {
        EXPECT_FALSE(events[0].failed) << events[0].error.error_msg;
        return;
    }
    ASSERT_TRUE(events[0].failed);
    if (step.timeout) {
        EXPECT_EQ(events[0].error.error_code_type, 311u);
        EXPECT_STREQ(events[0].error.error_msg, "timeout");
    } else {
        EXPECT_EQ(events[0].error.error_code_type, 305u);
        EXPECT_EQ(events[0].error.error_code, 9u);
        EXPECT_STREQ(events[0].error.error_msg, "step refused");
    }
    EXPECT_TRUE(counter.wait_closed(counter_session(), kWaitMs));
}

INSTANTIATE_TEST_SUITE_P(Steps, LoginChainError,
                         ::testing::Values(ErrorStep{"login", 1030, 0, true, false},
                                           // A failed security table ends the login by its timeout.
                                           ErrorStep{"security_table", 1041, 1035, true, true},
                                           ErrorStep{"auth", 1046, 0, true, false},
                                           // A refused token is asked again 500 ms later.
                                           ErrorStep{"token", 1411, 0, false, false}),
                         [](const ::testing::TestParamInfo<ErrorStep>& info) { return std::string(info.param.name); });

TEST_F(LoginChain, ErrorNamingAnotherCodeIsRoutedByTheRequestsOwnAwaitedCode) {
    // The peer names the answer code of an order query: the error still ends
    // the authorisation it answers, and no query handler runs.
    counter.script(1046, Reply::error(305, 4, "wrong code named", 1987));
    init_trade();
    const LoginEvent e = login_and_wait("alice", 6);
    ASSERT_TRUE(e.failed);
    EXPECT_EQ(e.error.error_code, 4u);
    EXPECT_STREQ(e.error.error_msg, "wrong code named");
}

TEST_F(LoginChain, SilentTokenStepTimesTheLoginOutOnce) {
    setenv("TRV_REQUEST_TIMEOUT", "1", 1);
    counter.script(1411, Reply::withhold(), -1);
    init_trade();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(trade->login(7, 3, "alice", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.login_events().size() == 1; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    const LoginEvent e = spi.login_events()[0];
    EXPECT_TRUE(e.failed);
    EXPECT_EQ(e.request_id, 7u);
    EXPECT_EQ(e.error.error_code_type, 311u);
    EXPECT_EQ(e.error.error_code, 0u);
    EXPECT_STREQ(e.error.error_msg, "timeout");
    EXPECT_TRUE(counter.wait_closed(counter_session(), kWaitMs));
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    EXPECT_EQ(spi.login_events().size(), 1u);
}

TEST_F(LoginChain, LoginWhoseSessionDiesEndsWithAFailedOnLogin) {
    setenv("TRV_REQUEST_TIMEOUT", "1", 1);
    counter.script(1030, Reply::close());
    init_trade();
    ASSERT_TRUE(trade->login(8, 3, "alice", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.login_events().size() == 1; }));
    const LoginEvent e = spi.login_events()[0];
    EXPECT_TRUE(e.failed);
    EXPECT_EQ(e.request_id, 8u);
    EXPECT_EQ(e.error.error_code_type, 311u);
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    EXPECT_EQ(spi.login_events().size(), 1u);
}

TEST_F(LoginChain, RepeatedLoginAnswerIsIgnored) {
    counter.script(1030, Reply::duplicate());
    init_trade();
    const LoginEvent e = login_and_wait("alice", 9);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(spi.login_events().size(), 1u);
    const std::vector<uint32_t> codes = counter.codes(counter_session());
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1046u), 1);
}

TEST_F(LoginChain, InvalidatedTokenIsRequestedAgain) {
    init_trade();
    const LoginEvent e = login_and_wait("alice", 10);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    const uint64_t cs = counter_session();
    ASSERT_TRUE(wait_for([&] { return counter.tokens_of(cs).size() == 1; }));
    const auto own = counter.trade_tokens_of(cs);
    ASSERT_EQ(own.size(), 1u);
    ASSERT_TRUE(counter.invalidate_token(cs, own[0]));
    ASSERT_TRUE(wait_for([&] { return counter.tokens_of(cs).size() == 2; }, 5000));
    // The new token lives: its heartbeats keep coming.
    const size_t before = heartbeat_count();
    ASSERT_TRUE(wait_for([&] { return heartbeat_count() >= before + 2; }, 5000));
    // One request per invalidation, not one per second.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(counter.tokens_of(cs).size(), 2u);
}

// A session held through many request timeouts keeps its own authorisation:
// the account index, the start-of-day data, the token and its heartbeats,
// and a token invalidation is healed.
TEST_F(LoginChain, NormalLoginKeepsItsAuthorisationThroughManyRequestTimeouts) {
    // Short enough to pass several times, long enough for the whole chain on
    // a loaded machine.
    setenv("TRV_REQUEST_TIMEOUT", "2", 1);
    counter.set_init_data(counter::Bytes(24, 9), {counter::Bytes(42, 1)});
    init_trade();
    // A starved machine can take longer than this short timeout over the
    // login chain itself: such a login ends with 311 and is tried again.
    LoginEvent e;
    size_t logins = 0;
    do {
        ++logins;
        e = login_and_wait("alice", 15 + logins, logins);
    } while (e.failed && e.error.error_code_type == 311 && logins < 3);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    const uint64_t cs = counter_session(counter.logins().size());
    for (int second = 0; second < 7; ++second) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        SCOPED_TRACE(second);
        EXPECT_EQ(trade->get_account_index(e.session_id), 22u);
        EXPECT_NE(trade->get_init_assets(e.session_id), nullptr);
    }
    const size_t beats = heartbeat_count();
    ASSERT_TRUE(wait_for([&] { return heartbeat_count() >= beats + 2; }, 5000));

    // An invalidated token is replaced, and orders go out under the new one
    // with the login's authorisation id.
    ASSERT_TRUE(counter.invalidate_token(cs, counter.trade_tokens_of(cs)[0]));
    ASSERT_TRUE(wait_for([&] { return counter.tokens_of(cs).size() == 2; }, 5000));
    const uint64_t new_token = counter.tokens_of(cs)[1];
    nq::trv_order_insert_info_t order;
    std::memset(&order, 0, sizeof order);
    order.exchange_index = nq::ExchangeIndex::SH;
    std::memcpy(order.security_code, "600000  ", 8);
    order.business_type = nq::BusinessType::CASH;
    order.side = nq::Side::BUY;
    order.order_type = nq::OrderType::LIMIT_PRICE;
    order.quantity = 100;
    order.price = 10000;
    uint64_t xid = 0;
    ASSERT_TRUE(wait_for([&] { return (xid = trade->insert_order(e.session_id, &order)) != 0; }, 5000));
    EXPECT_EQ(xid >> 28, new_token);
    ASSERT_TRUE(wait_for([&] {
        for (const auto& d : counter.datagrams()) {
            const auto o = d.parsed();
            if (o.well_formed && o.body.size() >= 24 && o.code != 1286 &&
                counter::wire::get_u64(o.body.data(), 8) == xid)
                return counter::wire::get_u64(o.body.data(), 16) != 0;
        }
        return false;
    }));
    // Still one on_login per login.
    EXPECT_EQ(spi.login_events().size(), logins);
}

// A token answer whose id cannot number orders is a refused token: it is
// asked for again and the login ends with a usable one.
TEST_F(LoginChain, TokenIdZeroIsRefusedAndAskedAgain) {
    counter.script(1411, Reply::with_u64(65, 0, 1923));
    init_trade();
    const LoginEvent e = login_and_wait("alice", 17);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    const uint64_t cs = counter_session();
    const std::vector<uint32_t> codes = counter.codes(cs);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1411u), 2);
    uint64_t session = 0, token = 0;
    trade->get_xid_sender(0, session, token);
    EXPECT_EQ(session, 0u);
    nq::trv_order_insert_info_t order;
    std::memset(&order, 0, sizeof order);
    order.exchange_index = nq::ExchangeIndex::SH;
    std::memcpy(order.security_code, "600000  ", 8);
    order.business_type = nq::BusinessType::CASH;
    order.quantity = 100;
    order.price = 10000;
    const uint64_t xid = trade->insert_order(e.session_id, &order);
    ASSERT_NE(xid, 0u) << nq::TRVTradeApi::get_last_error().error_msg;
    EXPECT_EQ(xid >> 28, counter.tokens_of(cs).back());
}

// A login whose session died, and whose session slot a newer login took
// before the first one's timeout, is still reported.
TEST_F(LoginChain, LoginOfADeadSessionIsReportedAfterItsSlotIsReused) {
    setenv("TRV_REQUEST_TIMEOUT", "6", 1);
    counter.script(1030, Reply::close());
    init_trade();
    ASSERT_TRUE(trade->login(21, 3, "alice", "pw", "key"));
    // The library frees the lost session and reports it; then a new login
    // takes the lowest free slot, which is that one.
    ASSERT_TRUE(wait_for([&] { return spi.disconnect_events().size() == 1; }));
    ASSERT_TRUE(trade->login(22, 3, "alice", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.login_events().size() == 2; }));
    const auto events = spi.login_events();
    const LoginEvent& second = events[0].request_id == 22 ? events[0] : events[1];
    const LoginEvent& first = events[0].request_id == 21 ? events[0] : events[1];
    ASSERT_EQ(first.request_id, 21u);
    ASSERT_EQ(second.request_id, 22u);
    EXPECT_FALSE(second.failed) << second.error.error_msg;
    EXPECT_TRUE(first.failed);
    EXPECT_EQ(first.error.error_code_type, 311u);
    EXPECT_EQ(first.session_id, spi.disconnect_events()[0]);
    EXPECT_EQ(first.session_id & 0xffff, second.session_id & 0xffff);
    EXPECT_NE(first.session_id, second.session_id);
}

TEST_F(LoginChain, TokenRequestIsNotRepeatedWhileOneIsOutstanding) {
    init_trade();
    const LoginEvent e = login_and_wait("alice", 15);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    const uint64_t cs = counter_session();
    ASSERT_TRUE(wait_for([&] { return counter.tokens_of(cs).size() == 1; }));
    counter.script(1411, Reply::withhold(), -1);
    ASSERT_TRUE(counter.invalidate_token(cs, counter.trade_tokens_of(cs)[0]));
    auto token_requests = [&] {
        const std::vector<uint32_t> codes = counter.codes(cs);
        return std::count(codes.begin(), codes.end(), 1411u);
    };
    ASSERT_TRUE(wait_for([&] { return token_requests() == 2; }, 5000));
    // Unanswered, it is not sent again within the request timeout.
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    EXPECT_EQ(token_requests(), 2);
}

TEST_F(LoginChain, SenderLookupsOfOrderIdsAndBusinessNumbers) {
    init_trade();
    const LoginEvent e = login_and_wait("alice", 11);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    const uint64_t cs = counter_session();
    ASSERT_TRUE(wait_for([&] { return counter.tokens_of(cs).size() == 1; }));
    const uint64_t token_id = counter.tokens_of(cs)[0];
    const uint64_t own = counter.trade_tokens_of(cs)[0];

    uint64_t session = 1, token = 1;
    trade->get_xid_sender(token_id << 28 | 5 << 8 | ((token_id + 5) & 0xff), session, token);
    EXPECT_EQ(session, e.session_id);
    EXPECT_EQ(token, own);
    trade->get_xid_sender((token_id + 1000) << 28, session, token);
    EXPECT_EQ(session, 0u);
    EXPECT_EQ(token, 0u);

    // The business number: day, the token's code in base 62, the sequence in
    // base 32.
    static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string code(6, '0');
    uint64_t d = token_id;
    for (int i = 5; i >= 0; --i, d /= 62) code[i] = kDigits[d % 62];
    struct Case {
        std::string text;
        bool found;
    };
    const Case cases[] = {
        {"20240102" + code + "0001", true},
        {"20240102" + code + "000V", true},
        {"2024010X" + code + "0001", false},  // day not all digits
        {"20240102" + code + "000W", false},  // outside the base-32 alphabet
        {"20240102" + code + "00-1", false},
        {"20240102" + code + "00001", false},  // 19 characters
        {"20240102" + code + "001", false},    // 17 characters
        {"20240102!" + code.substr(1) + "0001", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<char> text(c.text.begin(), c.text.end());
        text.push_back('\0');
        session = 1;
        token = 1;
        trade->get_biz_sender(text.data(), session, token);
        EXPECT_EQ(session, c.found ? e.session_id : 0u);
        EXPECT_EQ(token, c.found ? own : 0u);
    }
}

// Peer faults: a truncated login answer and oversized notice counts are
// dropped; the library survives them and the login ends by its timeout.
TEST_F(LoginChain, TruncatedLoginAnswerIsDroppedAndTheLoginTimesOut) {
    setenv("TRV_REQUEST_TIMEOUT", "1", 1);
    counter.script(1030, Reply::truncated(70, 1031));
    init_trade();
    ASSERT_TRUE(trade->login(12, 3, "alice", "pw", "key"));
    ASSERT_TRUE(wait_for([&] { return spi.login_events().size() == 1; }));
    const LoginEvent e = spi.login_events()[0];
    EXPECT_TRUE(e.failed);
    EXPECT_EQ(e.error.error_code_type, 311u);
}

TEST_F(LoginChain, PositionNoticeWithTooManyItemsIsDropped) {
    counter.set_init_data(counter::Bytes(24, 0), {counter::Bytes(42, 7)});
    // Every 1033 claims a million items.
    counter.script(1046, Reply::with_u32(61, 1000000, 1033));
    init_trade();
    const LoginEvent e = login_and_wait("alice", 13);
    ASSERT_FALSE(e.failed) << e.error.error_msg;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const nq::TRVInitPositionList* list = trade->get_init_positions(e.session_id);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->data_count(), 0u);
}

TEST_F(LoginChain, UnterminatedErrorTextReachesTheUserTerminated) {
    Reply refusal = Reply::error(305, 3, "x");
    // The 256 bytes of the text all 'y', no terminator.
    refusal.edit = [](counter::Bytes& frame) {
        if (counter::wire::code_of(frame) == 1029 && frame.size() >= 64 + 333) std::memset(&frame[64 + 77], 'y', 256);
    };
    counter.script(1030, refusal);
    init_trade();
    const LoginEvent e = login_and_wait("alice", 14);
    ASSERT_TRUE(e.failed);
    EXPECT_EQ(e.error.error_code_type, 305u);
    EXPECT_EQ(std::string(e.error.error_msg), std::string(255, 'y'));
}

TEST_F(LoginChain, QuoteLoginTakesTheChannelTableAndSurvivesABadOne) {
    counter::QuoteChannel a, b;
    a.mc_type = 3;
    b.mc_type = 3;
    b.mc_provider = 1;
    counter.set_channels({a, b});
    nq::TRVQuoteApi* quote = nq::TRVQuoteApi::create();
    ASSERT_NE(quote, nullptr);
    nq::TRVQuoteConfig qconfig;
    ASSERT_TRUE(qconfig.set_local_addr("127.0.0.1", "127.0.0.1"));
    ASSERT_TRUE(qconfig.add_agw_addr("127.0.0.1", counter.port()));
    QuoteSpi qspi;
    ASSERT_TRUE(quote->initialize(&qconfig, &qspi));
    ASSERT_TRUE(quote->login(1, 2, "alice", "pw", "key", nullptr));
    ASSERT_TRUE(wait_for([&] { return qspi.logins.load() == 1; }));
    EXPECT_FALSE(qspi.failed.load());
    // A second market-data login while the first is done is refused.
    EXPECT_FALSE(quote->login(2, 2, "alice", "pw", "key", nullptr));
    EXPECT_EQ(nq::TRVQuoteApi::get_last_error().error_code_type, 305u);
    quote->logout(qspi.session.load());

    // A table whose count does not fit its body is dropped; the login goes on.
    counter.script(1030, Reply::with_u32(61, 0x10000000, 1045));
    ASSERT_TRUE(wait_for([&] { return quote->login(3, 2, "alice", "pw", "key", nullptr); }));
    ASSERT_TRUE(wait_for([&] { return qspi.logins.load() == 2; }));
    EXPECT_FALSE(qspi.failed.load());
}

}  // namespace
