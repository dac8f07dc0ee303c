// A provider with an initialised trading API and trading sessions set up by
// hand: each session is a TCP connection to a loopback peer (which receives
// the TCP copies and requests), its trade token names a loopback UDP socket
// of the test as the order node, and the security maps hold a few codes.
// One provider per process, so one fixture per TEST.
#pragma once
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "api/business/KApiBusiness.h"
#include "api/messages/ServiceCode.h"
#include "api/order/KApiUdpSender.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiSession.h"
#include "api/provider/KApiTradeContext.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/AllocMem.h"
#include "framework/ApiLocalTime.h"
#include "framework/TcpMessageIO.h"
#include "support/TestPeer.h"
#include "support/WaitUntil.h"

namespace trv_test {

using nq::api::ApiTradeToken;
using nq::api::KApi;
using nq::api::KApiSession;
using testpeer::Bytes;

// One trading session of the fixture.
struct TradeSession {
    uint64_t id = 0;
    int peer = -1;             // the gateway's end of the TCP connection
    uint64_t trade_token = 0;  // the id of its own authorisation record
    ApiTradeToken* token = nullptr;
};

class TradeSessionFixture : public ::testing::Test {
protected:
    static constexpr uint64_t kTokenId = 5;
    static constexpr uint64_t kAuthId = 0x1122334455667788ull;
    static constexpr uint64_t kTradeAccountIndex = 7;
    static constexpr uint64_t kLoginAccountIndex = 0x4c;
    static constexpr unsigned char kFonMac[6] = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};

    // Runs before SetUp: what the trading configuration holds.
    virtual void configure(nq::TRVTradeConfig* config) { config->set_order_timeout(30); }

    void SetUp() override {
        char tmpl[] = "/tmp/trv_orders_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("TRV_FILE_PATH", root_.c_str(), 1);
        setenv("TRV_LOG_LEVEL", "trace", 1);
        unsetenv("TRV_REQUEST_TIMEOUT");
        ASSERT_TRUE(config_.set_local_addr("127.0.0.1", "127.0.0.1"));
        configure(&config_);
        api_ = KApi::create_singleton_or_get();
        ASSERT_NE(api_, nullptr);
        log_path_ = root_ + "/tarvel_" + std::to_string(nq::api::ApiLocalTime::date()) + ".log";
        ASSERT_TRUE(api_->initialize_trade(&config_, &spi_)) << KApi::get_last_error().error_msg;

        fon_ = socket(AF_INET, SOCK_DGRAM, 0);
        ASSERT_GE(fon_, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(bind(fon_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        socklen_t len = sizeof fon_addr_;
        ASSERT_EQ(getsockname(fon_, reinterpret_cast<sockaddr*>(&fon_addr_), &len), 0);
        int rcvbuf = 8 << 20;
        setsockopt(fon_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);

        nq::api::SecurityMap* sh = api_->business_->security_map(1);
        nq::api::SecurityMap* sz = api_->business_->security_map(2);
        ASSERT_TRUE(sh->set_security_index("600000", 0x1234));
        ASSERT_TRUE(sh->set_security_index("1234567", 0x2345));
        ASSERT_TRUE(sh->set_security_index("12345678", 0x3456));
        ASSERT_TRUE(sz->set_security_index("000001", 0x77));
    }
    void TearDown() override {
        if (fon_ >= 0) close(fon_);
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    // A connected session of `type`, logged in as a normal account (login
    // account type 0) of `account_name`, without a token yet.
    TradeSession open_session(nq::ApiType type = nq::ApiType::TRADE, const char* account_name = "acc001") {
        TradeSession t;
        testpeer::Listener listener;
        if (!listener.open()) return t;
        t.id = api_->framework_->open_session(1, reinterpret_cast<const sockaddr*>(&listener.addr), nullptr,
                                              static_cast<unsigned char>(type));
        t.peer = listener.accept_one(5000);
        listener.close_fd();
        if (t.id == 0 || t.peer < 0) return TradeSession{};
        KApiSession* s = session(t.id);
        s->api_type = static_cast<uint8_t>(type);
        s->login_account_index = kLoginAccountIndex;
        s->login_account_type = 0;
        std::strncpy(s->account_name, account_name, sizeof s->account_name - 1);
        return t;
    }

    // Authorises the session's own account: an authorisation record with a
    // token of token_id naming the test's order node.
    void authorise(TradeSession* t, uint64_t token_id = kTokenId, uint64_t auth_id = kAuthId,
                   uint64_t trade_account_index = kTradeAccountIndex) {
        const uint64_t record = add_auth(t->id, token_id, auth_id, trade_account_index);
        nq::api::KApiAuth* auth = api_->business_->auth_mgr_->get_auth(record);
        KApiSession* s = session(t->id);
        s->auth_id = auth_id;
        s->trade_token = record;
        s->token.store(auth->current_token());
        t->trade_token = record;
        t->token = auth->current_token();
    }

    // An authorisation record of session_id with its own token; its id.
    uint64_t add_auth(uint64_t session_id, uint64_t token_id, uint64_t auth_id, uint64_t trade_account_index) {
        nq::api::KApiBusiness* b = api_->business_;
        const uint64_t record = b->auth_mgr_->open_auth();
        nq::api::KApiAuth* auth = b->auth_mgr_->get_auth(record);
        auth->session_id = session_id;
        auth->auth_id = auth_id;
        auth->trade_account_index = trade_account_index;
        const unsigned char local_mac[6] = {0};
        auto* token =
            nq::api::make_object_aligned<ApiTradeToken>(64, session_id, record, kLoginAccountIndex, trade_account_index,
                                                        token_id, uint64_t(0), fon_addr_, kFonMac, local_mac);
        b->token_mgr_->add_trade_token(token);
        auth->set_token(token);
        return record;
    }

    KApiSession* session(uint64_t id) const {
        nq::api::TcpSession* tcp = api_->framework_->message_io_->sessions_[nq::session_slot(id)].load();
        return tcp != nullptr ? KApiSession::from(tcp) : nullptr;
    }

    // The next order or cancel datagram that reached the order node, or
    // false. The token heartbeat that "crontab" sends every live token once a
    // second (TRADE_HEARTBEAT with a zero body) reaches the same node at any
    // moment of a test: it is passed over.
    bool recv_datagram(Bytes* out, int timeout_ms = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{fon_, POLLIN, 0};
            if (poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0) != 1) return false;
            out->assign(2048, 0);
            const ssize_t n = recv(fon_, out->data(), out->size(), 0);
            if (n < 0) return false;
            out->resize(static_cast<size_t>(n));
            if (!is_token_heartbeat(*out)) return true;
        }
    }
    static bool is_token_heartbeat(const Bytes& d) {
        constexpr size_t kPrefix = 6;
        if (d.size() != kPrefix + nq::body_length(nq::TRADE_HEARTBEAT)) return false;
        if ((d[4] | d[5] << 8) != nq::TRADE_HEARTBEAT) return false;
        return std::all_of(d.begin() + kPrefix, d.end(), [](unsigned char c) { return c == 0; });
    }
    // True when no order or cancel datagram arrives within timeout_ms.
    bool no_datagram(int timeout_ms = 200) {
        Bytes b;
        return !recv_datagram(&b, timeout_ms);
    }

    static bool read_frame(int fd, Bytes* frame, int timeout_ms = 5000) {
        return testpeer::read_frame(fd, frame, timeout_ms);
    }
    // True when the peer receives no frame within timeout_ms.
    static bool no_frame(int fd, int timeout_ms = 200) {
        Bytes b;
        return !testpeer::read_frame(fd, &b, timeout_ms);
    }

    static std::string last_message() { return KApi::get_last_error().error_msg; }
    static uint64_t last_type() { return KApi::get_last_error().error_code_type; }

    std::string log_text() const {
        std::ifstream in(log_path_);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool log_has(const std::string& needle, double seconds = 20.0) const {
        return wait_until([&] { return log_text().find(needle) != std::string::npos; }, seconds);
    }

    KApi* api_ = nullptr;
    nq::TRVTradeConfig config_;
    struct Spi : nq::TRVTradeSpi {};
    Spi spi_;
    std::string root_;
    std::string log_path_;
    int fon_ = -1;
    sockaddr_in fon_addr_{};
};

}  // namespace trv_test
