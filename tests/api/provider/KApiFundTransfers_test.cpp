// Fund transfers and privileged requests: the frames the counter receives,
// read by byte offsets, and the refusals with their texts.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "api/business/KApiAuth.h"
#include "api/business/KApiAuthManager.h"
#include "api/business/KApiBusiness.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiSession.h"
#include "api/security/ApiTradeToken.h"
#include "framework/TcpMessageIO.h"
#include "framework/TcpSession.h"
#include "support/TestPeer.h"
#include "trv_api.h"

namespace {

using nq::api::KApi;
using nq::api::KApiSession;

uint64_t u64_at(const testpeer::Bytes& f, size_t body_off) { return testpeer::get_u64(f.data(), 64 + body_off); }

class FundTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trv_fund_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("TRV_FILE_PATH", root_.c_str(), 1);
        setenv("TRV_LOG_LEVEL", "trace", 1);
        config_.set_local_addr("127.0.0.1", "127.0.0.1");
        api_ = KApi::create_singleton_or_get();
        ASSERT_NE(api_, nullptr);
        ASSERT_TRUE(api_->initialize_trade(&config_, &spi_));
        api_->business_->set_trading_day(20240102);
        sid_ = open_session(&peer_);
        ASSERT_NE(sid_, 0u);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    uint64_t open_session(int* peer_fd) {
        testpeer::Listener listener;
        if (!listener.open()) return 0;
        const uint64_t id = api_->framework_->open_session(1, reinterpret_cast<const sockaddr*>(&listener.addr),
                                                           nullptr, static_cast<unsigned char>(nq::ApiType::TRADE));
        *peer_fd = listener.accept_one(5000);
        listener.close_fd();
        return (id == 0 || *peer_fd < 0) ? 0 : id;
    }
    template <class F>
    void with_session(uint64_t id, F fn) {
        nq::api::TcpSession* tcp = api_->framework_->message_io_->acquire_session(id);
        ASSERT_NE(tcp, nullptr);
        fn(KApiSession::from(tcp));
        tcp->release();
    }
    // An authorisation record of `session` holding a token of token_id.
    uint64_t authorise(uint64_t session, uint64_t token_id, uint64_t auth_id, uint64_t trade_account_index) {
        const uint64_t id = api_->business_->auth_mgr_->open_auth();
        nq::api::KApiAuth* auth = api_->business_->auth_mgr_->get_auth(id);
        auth->session_id = session;
        auth->auth_id = auth_id;
        auth->trade_account_index = trade_account_index;
        sockaddr_in node{};
        auth->set_token(
            new nq::api::ApiTradeToken(session, id, 3, trade_account_index, token_id, 0, node, nullptr, nullptr));
        return id;
    }
    // The session's own record and token, as a finished login leaves them.
    uint64_t make_own(uint64_t token_id) {
        const uint64_t id = authorise(sid_, token_id, 0x77, 0x55);
        with_session(sid_, [&](KApiSession* s) {
            s->login_account_index = 3;
            s->login_account_type = 0;
            s->auth_id = 0x77;
            s->trade_token = id;
            s->token.store(api_->business_->auth_mgr_->get_auth(id)->current_token());
        });
        return id;
    }
    // The next non-heartbeat frame the counter receives.
    testpeer::Bytes next_frame() {
        testpeer::Bytes f;
        while (testpeer::read_frame(peer_, &f, 5000)) {
            if (testpeer::code_of(f.data()) != 2) return f;
        }
        ADD_FAILURE() << "no frame";
        return {};
    }
    static std::string last_message() { return KApi::get_last_error().error_msg; }
    static uint32_t last_type() { return KApi::get_last_error().error_code_type; }

    std::string root_;
    nq::TRVTradeConfig config_;
    nq::TRVTradeSpi spi_;
    KApi* api_ = nullptr;
    uint64_t sid_ = 0;
    int peer_ = -1;
};

TEST_F(FundTransfer, CounterTransferCarriesItsBusinessNumberAndHead) {
    const uint64_t own = make_own(5);
    nq::trv_counter_fund_transfer_request_t req{};
    req.account_index = 42;
    req.source = nq::FundTransSource(1);
    req.side = nq::FundTransSide(2);
    req.amount = 123456;
    req.request_time = 20240102093000123;
    char biz_no[20];
    std::memset(biz_no, 'x', sizeof biz_no);
    ASSERT_TRUE(api_->user_submit_counter_fund_transfer_request(sid_, 9, &req, biz_no, 0)) << last_message();
    EXPECT_STREQ(biz_no, "202401020000050001");
    EXPECT_EQ(biz_no[19], '\0');

    testpeer::Bytes f = next_frame();
    ASSERT_EQ(f.size(), 64u + 103u);
    EXPECT_EQ(testpeer::code_of(f.data()), 1347u);
    EXPECT_EQ(u64_at(f, 0), sid_);
    EXPECT_EQ(u64_at(f, 8), 9u);
    const uint64_t first_seq = u64_at(f, 16);  // ring sequence
    EXPECT_EQ(u64_at(f, 24), 3u);
    EXPECT_EQ(f[64 + 32], 0);
    EXPECT_EQ(u64_at(f, 33), 0x55u);
    EXPECT_EQ(u64_at(f, 41), 0x77u);
    EXPECT_EQ(u64_at(f, 49), own);
    EXPECT_EQ(u64_at(f, 57), 42u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[64 + 65]), 20), std::string("202401020000050001\0\0", 20));
    EXPECT_EQ(f[64 + 85], 1);
    EXPECT_EQ(f[64 + 86], 2);
    EXPECT_EQ(u64_at(f, 87), 123456u);
    EXPECT_EQ(u64_at(f, 95), 20240102093000123u);

    // The next one takes the next business number, also without a buffer.
    ASSERT_TRUE(api_->user_submit_counter_fund_transfer_request(sid_, 10, &req, nullptr, 0));
    f = next_frame();
    EXPECT_EQ(u64_at(f, 16), first_seq + 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[64 + 65]), 18), "202401020000050002");
}

TEST_F(FundTransfer, BusinessNumbersUseBase32DigitsAndNeverRepeat) {
    make_own(10 * 62 + 7);  // code 0000A7
    nq::api::ApiTradeToken* token = nullptr;
    with_session(sid_, [&](KApiSession* s) { token = s->token.load(); });
    nq::trv_cluster_fund_transfer_request_t req{};
    char biz_no[20];
    token->business_sequence_ = 32;
    ASSERT_TRUE(api_->user_submit_cluster_fund_transfer_request(sid_, 1, &req, biz_no, 0));
    EXPECT_STREQ(biz_no, "202401020000A70010");
    token->business_sequence_ = (1u << 20) - 1;
    ASSERT_TRUE(api_->user_submit_cluster_fund_transfer_request(sid_, 1, &req, biz_no, 0));
    EXPECT_STREQ(biz_no, "202401020000A7VVVV");
    // Past 2^20 - 1 the four digits would wrap to numbers already given out.
    std::memset(biz_no, 'x', sizeof biz_no);
    EXPECT_FALSE(api_->user_submit_cluster_fund_transfer_request(sid_, 1, &req, biz_no, 0));
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(biz_no[0], 'x');
    testpeer::Bytes f = next_frame();
    EXPECT_EQ(testpeer::code_of(f.data()), 1348u);
    EXPECT_EQ(f.size(), 64u + 102u);
    EXPECT_EQ(f[64 + 85], 0);  // source as given: the cluster record has no side
}

TEST_F(FundTransfer, RefusalsNameTheirCause) {
    nq::trv_counter_fund_transfer_request_t req{};
    char biz_no[20] = {};
    // No session.
    EXPECT_FALSE(api_->user_submit_counter_fund_transfer_request(sid_ + (1u << 16), 1, &req, biz_no, 0));
    EXPECT_EQ(last_type(), 307u);
    EXPECT_EQ(last_message(), "submit fund transfer request error, get session failed: { session_id = " +
                                  std::to_string(sid_ + (1u << 16)) + " }");
    // No token yet on the session.
    EXPECT_FALSE(api_->user_submit_counter_fund_transfer_request(sid_, 1, &req, biz_no, 0));
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(), "submit fund transfer request error, no trade token: { session_id = " +
                                  std::to_string(sid_) + ", trade_token: 0 }");
    // An unknown trade token.
    EXPECT_FALSE(api_->user_submit_counter_fund_transfer_request(sid_, 1, &req, biz_no, 12345));
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(), "submit fund transfer request error, get auth failed: { session_id = " +
                                  std::to_string(sid_) + ", trade_token: 12345 }");
    // Not a normal account.
    with_session(sid_, [](KApiSession* s) { s->login_account_type = 1; });
    EXPECT_FALSE(api_->user_submit_cluster_fund_transfer_request(sid_, 1, nullptr, biz_no, 0));
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(), "submit cluster fund transfer request error, request is null: { session_id = " +
                                  std::to_string(sid_) + " }");
    nq::trv_cluster_fund_transfer_request_t cluster{};
    EXPECT_FALSE(api_->user_submit_cluster_fund_transfer_request(sid_, 1, &cluster, biz_no, 0));
    EXPECT_EQ(last_message(),
              "submit fund transfer request error: not trade account, can't send order! { session_id = " +
                  std::to_string(sid_) + ", trade_token = 0 }");

    // A token of another session: the business number is still made and
    // handed back, the request is refused.
    int other_peer = -1;
    const uint64_t other = open_session(&other_peer);
    ASSERT_NE(other, 0u);
    const uint64_t foreign = authorise(other, 5, 1, 1);
    EXPECT_FALSE(api_->user_submit_counter_fund_transfer_request(sid_, 1, &req, biz_no, foreign));
    EXPECT_EQ(last_type(), 309u);
    EXPECT_EQ(last_message(), "submit fund transfer request error, invalid trade_token: { session_id = " +
                                  std::to_string(sid_) + ", trade_token: " + std::to_string(foreign) + " }");
    EXPECT_STREQ(biz_no, "202401020000050001");
    close(other_peer);
}

TEST_F(FundTransfer, PrivilegedRequestsCarryTheSessionsOwnAuthorisation) {
    const uint64_t own = make_own(5);
    with_session(sid_, [](KApiSession* s) { s->login_account_type = 1; });

    ASSERT_TRUE(api_->dump_final_file(sid_, 1));
    testpeer::Bytes f = next_frame();
    EXPECT_EQ(testpeer::code_of(f.data()), 1539u);
    EXPECT_EQ(f.size(), 64u + 57u);
    EXPECT_EQ(f[64 + 32], 1);
    EXPECT_EQ(u64_at(f, 33), 0x55u);  // none named: the session's own record
    EXPECT_EQ(u64_at(f, 41), 0x77u);
    EXPECT_EQ(u64_at(f, 49), own);

    ASSERT_TRUE(api_->unbind_user_tgw(sid_, 2, 0));
    f = next_frame();
    EXPECT_EQ(testpeer::code_of(f.data()), 1540u);
    EXPECT_EQ(u64_at(f, 57), 0u);
    EXPECT_EQ(u64_at(f, 33), 0x55u);
    ASSERT_TRUE(api_->unbind_user_tgw(sid_, 2, 66));
    f = next_frame();
    EXPECT_EQ(u64_at(f, 57), 66u);
    EXPECT_EQ(u64_at(f, 33), 66u);

    nq::trv_counter_fund_transfer_result_t result{};
    result.account_index = 88;
    std::memcpy(result.biz_no, "caller's own number", 20);
    result.status = nq::FundTransStatus(3);
    ASSERT_TRUE(api_->pri_submit_counter_fund_transfer_result(sid_, 3, &result));
    f = next_frame();
    EXPECT_EQ(testpeer::code_of(f.data()), 1543u);
    ASSERT_EQ(f.size(), 64u + 384u);
    EXPECT_EQ(u64_at(f, 33), 88u);
    EXPECT_EQ(0, std::memcmp(&f[64 + 57], &result, sizeof result));  // carried as given

    struct Case {
        const char* name;
        std::function<bool()> call;
        uint32_t code;
        size_t body;
    } cases[] = {
        {"exec",
         [&] {
             nq::trv_fund_transfer_exec_request_t r{};
             return api_->pri_insert_fund_transfer_exec(sid_, 4, &r);
         },
         1541, 96},
        {"counter request",
         [&] {
             nq::trv_counter_fund_transfer_request_t r{};
             return api_->pri_submit_counter_fund_transfer_request(sid_, 4, &r);
         },
         1542, 103},
        {"cluster request",
         [&] {
             nq::trv_cluster_fund_transfer_request_t r{};
             return api_->pri_submit_cluster_fund_transfer_request(sid_, 4, &r);
         },
         1544, 102},
        {"cluster result",
         [&] {
             nq::trv_cluster_fund_transfer_result_t r{};
             return api_->pri_submit_cluster_fund_transfer_result(sid_, 4, &r);
         },
         1545, 383},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.call());
        f = next_frame();
        EXPECT_EQ(testpeer::code_of(f.data()), c.code);
        EXPECT_EQ(f.size(), 64u + c.body);
    }
}

TEST_F(FundTransfer, PrivilegedRefusals) {
    const uint64_t gone = sid_ + (1u << 16);
    struct Case {
        const char* name;
        std::function<bool()> call;
        uint32_t type;
        std::string text;
    } cases[] = {
        {"dump, no session", [&] { return api_->dump_final_file(gone, 7); }, 307,
         "dump final file error, get session failed: { session_id = " + std::to_string(gone) + ", request_id = 7 }"},
        {"unbind, no session", [&] { return api_->unbind_user_tgw(gone, 7, 1); }, 307,
         "unbind user tgw request error, get session failed: { session_id = " + std::to_string(gone) +
             ", request_id = 7 }"},
        {"exec, null", [&] { return api_->pri_insert_fund_transfer_exec(sid_, 7, nullptr); }, 308,
         "insert fund transfer exec error, request is null: { session_id = " + std::to_string(sid_) + " }"},
        {"exec, no session",
         [&] {
             nq::trv_fund_transfer_exec_request_t r{};
             return api_->pri_insert_fund_transfer_exec(gone, 7, &r);
         },
         307, "insert fund transfer exec error, get session failed: { session_id = " + std::to_string(gone) + " }"},
        {"counter request, null", [&] { return api_->pri_submit_counter_fund_transfer_request(sid_, 7, nullptr); }, 308,
         "submit fund transfer request error, request is null: { session_id = " + std::to_string(sid_) + " }"},
        {"counter result, null", [&] { return api_->pri_submit_counter_fund_transfer_result(sid_, 7, nullptr); }, 308,
         "submit fund transfer result error, request is null: { session_id = " + std::to_string(sid_) + " }"},
        {"cluster request, null", [&] { return api_->pri_submit_cluster_fund_transfer_request(sid_, 7, nullptr); }, 308,
         "submit cluster fund transfer request error, request is null: { session_id = " + std::to_string(sid_) + " }"},
        {"cluster result, null", [&] { return api_->pri_submit_cluster_fund_transfer_result(sid_, 7, nullptr); }, 308,
         "submit cluster fund transfer result error, request is null: { session_id = " + std::to_string(sid_) + " }"},
        {"cluster result, no session",
         [&] {
             nq::trv_cluster_fund_transfer_result_t r{};
             return api_->pri_submit_cluster_fund_transfer_result(gone, 7, &r);
         },
         307,
         "submit cluster fund transfer result error, get session failed: { session_id = " + std::to_string(gone) +
             ", request_id = 7 }"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(last_type(), c.type);
        EXPECT_EQ(last_message(), c.text);
    }
}

}  // namespace
