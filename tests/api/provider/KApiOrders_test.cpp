// Order entry: orders, cancels and resends as they reach the order node by
// UDP and the gateway by TCP, every refusal with its text, the order store,
// the order timer, custom sequences and concurrent senders.
#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TradeSessionFixture.h"
#include "api/security/OrderXid.h"
#include "api/security/SecurityCode.h"
#include "framework/ApiTimerManager.h"
#include "support/RunTogether.h"
#include "support/SampleOrder.h"

namespace {

using namespace trv_test;
using nq::api::make_xid;

constexpr uint64_t kFirstXid = 0x50000106;  // token 5, sequence 1

uint64_t u64_at(const Bytes& b, size_t off) { return testpeer::get_u64(b.data(), off); }

uint64_t realtime_ns() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

nq::trv_order_insert_info_t sh_order(const char* code = "600000") { return trv_test::sh_limit_buy(123400, 300, code); }

template <class T>
void put(Bytes* b, T v) {
    const size_t at = b->size();
    b->resize(at + sizeof v);
    std::memcpy(b->data() + at, &v, sizeof v);
}

// The 56-byte order body as the counter reads it.
Bytes order_body(uint64_t flags, uint64_t xid, uint64_t auth_id, uint32_t digits, uint32_t index, int64_t quantity,
                 int64_t price, uint8_t side, uint8_t order_type) {
    Bytes b;
    put(&b, flags);
    put(&b, xid);
    put(&b, auth_id);
    put(&b, digits);
    put(&b, index);
    put(&b, quantity);
    put(&b, price);
    put(&b, side);
    put(&b, order_type);
    b.resize(56, 0);
    return b;
}

Bytes datagram(uint16_t code, const Bytes& body) {
    Bytes d;
    put(&d, uint16_t(8999));
    put(&d, uint16_t(body.size()));
    put(&d, code);
    d.insert(d.end(), body.begin(), body.end());
    return d;
}

class Orders : public TradeSessionFixture {};

TEST_F(Orders, FirstOrderOfTokenFiveLeavesByUdpAndTcpExactToTheByte) {
    TradeSession t = open_session();
    ASSERT_NE(t.id, 0u);
    authorise(&t);
    nq::trv_order_insert_info_t o = sh_order();
    const uint64_t before = realtime_ns();
    const uint64_t xid = api_->insert_order(t.id, &o, 0);
    const uint64_t after = realtime_ns();
    ASSERT_EQ(xid, kFirstXid) << last_message();
    EXPECT_EQ(nq::api::xid_sequence(xid), 1u);

    // "600000" keyed with two trailing spaces; digits are the low nibbles.
    const uint32_t digits = 0x6;  // low nibbles of "600000  ", first character lowest
    ASSERT_EQ(nq::api::pack_security_key(nq::api::pad_security_code("600000")), digits);
    const Bytes body = order_body(0, kFirstXid, kAuthId, digits, 0x1234, 300, 123400, 1, 2);
    Bytes d;
    ASSERT_TRUE(recv_datagram(&d));
    EXPECT_EQ(d, datagram(1283, body));
    ASSERT_EQ(d.size(), 62u);
    const unsigned char head[6] = {0x27, 0x23, 0x38, 0x00, 0x03, 0x05};
    EXPECT_EQ(0, std::memcmp(d.data(), head, 6));

    Bytes f;
    ASSERT_TRUE(read_frame(t.peer, &f));
    ASSERT_EQ(f.size(), 120u);
    EXPECT_EQ(testpeer::code_of(f.data()), 1283u);
    EXPECT_EQ(testpeer::length_of(f.data()), 120u);
    EXPECT_EQ(testpeer::session_of(f.data()), t.id);
    const uint64_t stamp = u64_at(f, 32);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
    for (size_t i = 0; i < 64; ++i) {
        if ((i >= 8 && i < 24) || (i >= 32 && i < 40)) continue;
        EXPECT_EQ(f[i], 0) << "header byte " << i;
    }
    EXPECT_TRUE(std::equal(body.begin(), body.end(), f.begin() + 64));

    // Kept for report matching and resend, framed as it was sent.
    nq::api::KApiOrder* stored = api_->business_->get_api_order(xid);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(nq::frame_service_code(stored->storage_), 1283u);
    EXPECT_EQ(nq::frame_length(stored->storage_), 120u);
    EXPECT_EQ(nq::frame_time_stamp(stored->storage_), stamp);
    EXPECT_EQ(0, std::memcmp(stored->storage_ + 64, body.data(), 56));
}

// The message code comes from the exchange and business type; the security
// index from that exchange's map; 6-, 7- and 8-character codes are padded as
// the map keys them, and an unknown code is sent with index 0.
TEST_F(Orders, CodeAndSecurityIndexFollowExchangeBusinessTypeAndPadding) {
    TradeSession t = open_session();
    authorise(&t);
    struct Case {
        const char* code;
        nq::ExchangeIndex exchange;
        nq::BusinessType business;
        uint16_t msg;
        uint32_t index;
    } cases[] = {
        {"600000", nq::ExchangeIndex::SH, nq::BusinessType::CASH, 1283, 0x1234},
        {"1234567", nq::ExchangeIndex::SH, nq::BusinessType::BOND_MATCH, 1284, 0x2345},
        {"12345678", nq::ExchangeIndex::SH, nq::BusinessType::PLEDGE_STYLE_REPO, 1285, 0x3456},
        {"000001", nq::ExchangeIndex::SZ, nq::BusinessType::CASH, 1286, 0x77},
        {"600000", nq::ExchangeIndex::SZ, nq::BusinessType::BOND_MATCH, 1287, 0},
        {"000001", nq::ExchangeIndex::SZ, nq::BusinessType::PLEDGE_STYLE_REPO, 1288, 0x77},
    };
    uint64_t seq = 1;
    for (const Case& c : cases) {
        nq::trv_order_insert_info_t o = sh_order(c.code);
        if (std::strlen(c.code) == 8) std::memcpy(o.security_code, c.code, 8), o.security_code[8] = 'X';
        o.exchange_index = c.exchange;
        o.business_type = c.business;
        const uint64_t xid = api_->insert_order(t.id, &o, 0);
        ASSERT_EQ(xid, make_xid(kTokenId, seq)) << c.code << ": " << last_message();
        ++seq;
        Bytes d;
        ASSERT_TRUE(recv_datagram(&d));
        ASSERT_EQ(d.size(), 62u);
        EXPECT_EQ(testpeer::get_u64(d.data(), 0) >> 32, c.msg) << c.code;
        char padded[9] = {};
        std::snprintf(padded, sizeof padded, "%-8s", c.code);
        uint64_t key;
        std::memcpy(&key, padded, 8);
        uint32_t digits, index;
        std::memcpy(&digits, d.data() + 6 + 24, 4);
        std::memcpy(&index, d.data() + 6 + 28, 4);
        EXPECT_EQ(digits, nq::api::pack_security_key_portable(key)) << c.code;
        EXPECT_EQ(index, c.index) << c.code;
        Bytes f;
        ASSERT_TRUE(read_frame(t.peer, &f));
        EXPECT_EQ(testpeer::code_of(f.data()), c.msg);
    }
}

// Every refusal: its error type and text, whether it used up a sequence of
// the token, and that nothing left by UDP or TCP.
TEST_F(Orders, RefusalsCarryTheirTypeAndTextAndSendNothing) {
    TradeSession t = open_session();
    authorise(&t);
    TradeSession other = open_session(nq::ApiType::TRADE, "acc002");
    const uint64_t others_token = add_auth(other.id, 9, 0x99, 3);
    TradeSession quote = open_session(nq::ApiType::QUOTE, "q");
    TradeSession broker = open_session(nq::ApiType::TRADE, "broker");
    session(broker.id)->login_account_type = 1;  // authorises others only
    TradeSession tokenless = open_session(nq::ApiType::TRADE, "fresh");

    const uint64_t stale = t.id ^ (uint64_t(1) << 16);  // same slot, another connection
    struct Case {
        const char* name;
        uint64_t session;
        uint64_t trade_token;
        std::function<void(nq::trv_order_insert_info_t*)> edit;
        bool null_order;
        uint64_t type;
        std::string text;
        bool uses_sequence;
    };
    auto id = [](uint64_t v) { return std::to_string(v); };
    const std::vector<Case> cases = {
        {"unknown session", 0x12345, 0, nullptr, false, 307,
         "send order error, get session failed: { session_id = 74565, trade_token: 0 }", false},
        {"stale session id", stale, 0, nullptr, false, 307,
         "send order error, get session failed: { session_id = " + id(stale) + ", trade_token: 0 }", false},
        {"quote session", quote.id, 0, nullptr, false, 307,
         "send order error, get session failed: { session_id = " + id(quote.id) + ", trade_token: 0 }", false},
        {"null order", t.id, 0, nullptr, true, 308,
         "send order error, order info is null: { session_id = " + id(t.id) + ", trade_token: 0 }", false},
        {"unknown trade token", t.id, 0x7777, nullptr, false, 308,
         "send order error, get auth failed: { session_id = " + id(t.id) + ", trade_token: 30583 }", false},
        {"trade token of another session", t.id, others_token, nullptr, false, 308,
         "send order error, trade token belongs to another session: { session_id = " + id(t.id) +
             ", trade_token: " + id(others_token) + " }",
         false},
        {"not a trade account", broker.id, 0, nullptr, false, 308,
         "send order error, not trade account, can't send order: { session_id = " + id(broker.id) +
             ", trade_token: 0 }",
         false},
        {"no token yet", tokenless.id, 0, nullptr, false, 308,
         "send order error, invalid token: { session_id = " + id(tokenless.id) + ", trade_token: 0 }", false},
        {"exchange 0", t.id, 0, [](nq::trv_order_insert_info_t* o) { o->exchange_index = nq::ExchangeIndex::INIT; },
         false, 308,
         "send order error, invalid exchange index: { session_id = " + id(t.id) +
             ", trade_token: 0, exchange_index = 0 }",
         false},
        {"exchange 3", t.id, 0,
         [](nq::trv_order_insert_info_t* o) { o->exchange_index = static_cast<nq::ExchangeIndex>(3); }, false, 308,
         "send order error, invalid exchange index: { session_id = " + id(t.id) +
             ", trade_token: 0, exchange_index = 3 }",
         false},
        {"ETF on SH", t.id, 0, [](nq::trv_order_insert_info_t* o) { o->business_type = nq::BusinessType::ETF; }, false,
         308, "send order error, invalid order info: { session_id = " + id(t.id) + ", trade_token: 0 }", true},
        {"business type 200", t.id, 0,
         [](nq::trv_order_insert_info_t* o) { o->business_type = static_cast<nq::BusinessType>(200); }, false, 308,
         "send order error, invalid order info: { session_id = " + id(t.id) + ", trade_token: 0 }", true},
    };
    for (const Case& c : cases) {
        nq::trv_order_insert_info_t o = sh_order();
        if (c.edit) c.edit(&o);
        const uint64_t seq_before = t.token->order_sequence_.load();
        EXPECT_EQ(api_->insert_order(c.session, c.null_order ? nullptr : &o, c.trade_token), 0u) << c.name;
        EXPECT_EQ(last_type(), c.type) << c.name;
        EXPECT_EQ(last_message(), c.text) << c.name;
        EXPECT_EQ(t.token->order_sequence_.load() - seq_before, c.uses_sequence ? 1u : 0u) << c.name;
    }
    EXPECT_TRUE(no_datagram());
    EXPECT_TRUE(no_frame(t.peer));
    EXPECT_TRUE(log_has("send order error, trade token belongs to another session"));

    // A token's last sequence is 0xfffff; after it every order fails.
    t.token->order_sequence_.store(0xfffff);
    nq::trv_order_insert_info_t o = sh_order();
    EXPECT_EQ(api_->insert_order(t.id, &o, 0), make_xid(kTokenId, 0xfffff));
    EXPECT_EQ(api_->insert_order(t.id, &o, 0), 0u);
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(),
              "send order error, get xid failed, out of range: { session_id = " + id(t.id) + ", trade_token: 0 }");
    EXPECT_EQ(t.token->order_sequence_.load(), 0x100001u);
}

// A session id whose slot was taken by a newer connection is refused; the
// newer connection's own id works.
TEST_F(Orders, ClosedSessionIdIsRefusedWhenItsSlotHoldsANewerLogin) {
    TradeSession first = open_session();
    authorise(&first);
    api_->framework_->close_session(first.id, true);
    TradeSession second = open_session();
    ASSERT_EQ(second.id & 0xffff, first.id & 0xffff) << "the slot is reused";
    ASSERT_NE(second.id, first.id);
    authorise(&second, 6);
    nq::trv_order_insert_info_t o = sh_order();
    nq::trv_cancel_order_info_t c{0, 42};
    EXPECT_EQ(api_->insert_order(first.id, &o, 0), 0u);
    EXPECT_EQ(last_type(), 307u);
    EXPECT_EQ(api_->cancel_order(first.id, &c, 0), 0u);
    EXPECT_EQ(last_type(), 307u);
    EXPECT_EQ(api_->insert_order(first.id, &o, second.trade_token), 0u);
    EXPECT_EQ(last_type(), 307u);
    EXPECT_TRUE(no_datagram());
    EXPECT_EQ(api_->insert_order(second.id, &o, 0), make_xid(6, 1));
}

// An authorised account's own token (trade_token given) is used with that
// record's authorisation id.
TEST_F(Orders, GivenTradeTokenSendsWithItsOwnTokenAndAuthId) {
    TradeSession t = open_session();
    authorise(&t);
    const uint64_t client = add_auth(t.id, 12, 0xabcdef, 21);
    nq::trv_order_insert_info_t o = sh_order();
    const uint64_t xid = api_->insert_order(t.id, &o, client);
    ASSERT_EQ(xid, make_xid(12, 1)) << last_message();
    EXPECT_EQ(nq::api::xid_token_id(xid), 12u);
    Bytes d;
    ASSERT_TRUE(recv_datagram(&d));
    EXPECT_EQ(testpeer::get_u64(d.data(), 6 + 16), 0xabcdefu);
    // The session's own token did not move.
    EXPECT_EQ(t.token->order_sequence_.load(), 1u);
}

// The order is in the store before its datagram leaves: a report handled
// the moment the order node sees the datagram is matched to it.
TEST_F(Orders, OrderIsStoredBeforeItsDatagramLeaves) {
    TradeSession t = open_session();
    authorise(&t);
    constexpr int kOrders = 200;
    std::atomic<int> matched{0}, missing{0};
    std::thread node([&] {
        for (int i = 0; i < kOrders; ++i) {
            Bytes d;
            if (!recv_datagram(&d)) return;
            const uint64_t xid = testpeer::get_u64(d.data(), 6 + 8);
            char report_id[32] = {};
            std::memcpy(report_id, &xid, 8);
            // As a report handler would: accepted and the order marked.
            if (api_->business_->add_order_report(report_id, xid) && api_->business_->get_api_order(xid) != nullptr &&
                api_->business_->get_api_order(xid)->reported())
                ++matched;
            else
                ++missing;
        }
    });
    for (int i = 0; i < kOrders; ++i) {
        nq::trv_order_insert_info_t o = sh_order();
        ASSERT_NE(api_->insert_order(t.id, &o, 0), 0u) << last_message();
    }
    node.join();
    EXPECT_EQ(matched.load(), kOrders);
    EXPECT_EQ(missing.load(), 0);
}

// The order timer is armed with {xid, session id} on the order-timeout queue.
TEST_F(Orders, OrderAndCancelArmTheirTimerOnQueueTwo) {
    TradeSession t = open_session();
    authorise(&t);
    nq::trv_order_insert_info_t o = sh_order();
    const uint64_t xid = api_->insert_order(t.id, &o, 0);
    nq::trv_cancel_order_info_t c{0, xid};
    const uint64_t cancel = api_->cancel_order(t.id, &c, 0);
    ASSERT_NE(cancel, 0u);
    nq::api::ApiTimerManager* timers = api_->timer_manager_;
    std::vector<std::pair<uint64_t, uint64_t>> armed;
    pthread_mutex_lock(&timers->mutex_);
    for (auto& q : timers->queues_) {
        if (q.id_.load() != nq::api::KApiTradeContext::kOrderTimerQueue) continue;
        EXPECT_EQ(q.interval_ms_, 30000u);
        for (auto* n = q.head_.load(); n != nullptr; n = n->next_.load()) {
            uint64_t data[2];
            std::memcpy(data, n->data_, 16);
            armed.emplace_back(data[0], data[1]);
        }
    }
    pthread_mutex_unlock(&timers->mutex_);
    const std::vector<std::pair<uint64_t, uint64_t>> expected = {{xid, t.id}, {cancel, t.id}};
    EXPECT_EQ(armed, expected);
}

TEST_F(Orders, CancelLeavesAs1289WithItsOwnXidAndNoTimeStamp) {
    TradeSession t = open_session();
    authorise(&t);
    nq::trv_cancel_order_info_t c{0, 0x123456789ull};  // never sent: sent anyway
    const uint64_t xid = api_->cancel_order(t.id, &c, 0);
    ASSERT_EQ(xid, kFirstXid) << last_message();
    Bytes body;
    put(&body, uint64_t(0));
    put(&body, kFirstXid);
    put(&body, kAuthId);
    put(&body, uint64_t(0x123456789ull));
    Bytes d;
    ASSERT_TRUE(recv_datagram(&d));
    EXPECT_EQ(d, datagram(1289, body));
    Bytes f;
    ASSERT_TRUE(read_frame(t.peer, &f));
    ASSERT_EQ(f.size(), 96u);
    EXPECT_EQ(testpeer::code_of(f.data()), 1289u);
    EXPECT_EQ(u64_at(f, 32), 0u);
    EXPECT_TRUE(std::equal(body.begin(), body.end(), f.begin() + 64));
    nq::api::KApiOrder* stored = api_->business_->get_api_order(xid);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(nq::frame_service_code(stored->storage_), 1289u);
    EXPECT_EQ(nq::frame_time_stamp(stored->storage_), 0u);
}

TEST_F(Orders, CancelRefusalsCarryTheirTypeAndText) {
    TradeSession t = open_session();
    authorise(&t);
    TradeSession broker = open_session(nq::ApiType::TRADE, "broker");
    session(broker.id)->login_account_type = 1;
    const std::string sid = std::to_string(t.id);
    nq::trv_cancel_order_info_t c{0, 0};
    EXPECT_EQ(api_->cancel_order(t.id, &c, 0), 0u);
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(), "send cancel order error, invalid origin_xid, please set origin_xid: { session_id = " +
                                  sid + ", origin_xid: 0, trade_token: 0 }");
    EXPECT_EQ(api_->cancel_order(t.id, nullptr, 0), 0u);
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(),
              "send cancel order error, cancel order info is null: { session_id = " + sid + ", trade_token: 0 }");
    c.origin_xid = 99;
    EXPECT_EQ(api_->cancel_order(77, &c, 0), 0u);
    EXPECT_EQ(last_type(), 307u);
    EXPECT_EQ(last_message(),
              "send cancel order error, get session failed: { session_id = 77, origin_xid: 99, trade_token: 0 }");
    EXPECT_EQ(api_->cancel_order(t.id, &c, 0x55), 0u);
    EXPECT_EQ(last_message(),
              "send cancel order error, get auth failed: { session_id = " + sid + ", trade_token: 85 }");
    EXPECT_EQ(api_->cancel_order(broker.id, &c, 0), 0u);
    EXPECT_EQ(last_message(), "send cancel order error, not trade account, can't send cancel order: { session_id = " +
                                  std::to_string(broker.id) + ", trade_token: 0 }");
    const uint64_t brokers_client = add_auth(broker.id, 9, 0x99, 3);
    EXPECT_EQ(api_->cancel_order(t.id, &c, brokers_client), 0u);
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(), "send cancel order error, trade token belongs to another session: { session_id = " + sid +
                                  ", trade_token: " + std::to_string(brokers_client) + " }");
    EXPECT_NE(api_->cancel_order(broker.id, &c, brokers_client), 0u) << "on its own session it is used";
    Bytes sent;
    ASSERT_TRUE(recv_datagram(&sent));
    ASSERT_TRUE(read_frame(broker.peer, &sent));
    EXPECT_EQ(t.token->order_sequence_.load(), 1u);
    t.token->order_sequence_.store(0x100000);
    EXPECT_EQ(api_->cancel_order(t.id, &c, 0), 0u);
    EXPECT_EQ(last_message(),
              "send cancel order error, get xid failed: { session_id = " + sid + ", origin_xid: 99, trade_token: 0 }");
    EXPECT_TRUE(no_datagram());
    EXPECT_TRUE(no_frame(t.peer));
}

// With the datagram refused by the network, the order still goes by TCP,
// is stored and its xid returned.
TEST_F(Orders, FailedUdpSendStillPostsTheTcpCopy) {
    TradeSession t = open_session();
    authorise(&t);
    t.token->fon_address.sin_port = 0;  // the kernel refuses port 0
    nq::trv_order_insert_info_t o = sh_order();
    const uint64_t xid = api_->insert_order(t.id, &o, 0);
    ASSERT_EQ(xid, kFirstXid);
    Bytes f;
    ASSERT_TRUE(read_frame(t.peer, &f));
    EXPECT_EQ(testpeer::code_of(f.data()), 1283u);
    EXPECT_NE(api_->business_->get_api_order(xid), nullptr);
    EXPECT_TRUE(log_has("send order to fon failed: { session_id = " + std::to_string(t.id)));
}

// A thread that finds no send buffer left fails with its own error and a
// log line, and sends nothing.
TEST_F(Orders, NoSendBufferLeftIsAnErrorOfItsOwn) {
    TradeSession t = open_session();
    authorise(&t);
    api_->init_local_send();  // this thread keeps the buffer it took before
    nq::api::KApiUdpSender* sender = api_->trade_context_.load()->udp_sender_;
    sender->next_buf_index_.store(nq::api::KApiUdpSender::kBufferCount);  // every buffer handed out
    uint64_t insert = 1, cancel = 1;
    bool resend = true;
    std::string insert_text, cancel_text, resend_text;
    uint64_t insert_type = 0;
    std::thread late([&] {
        nq::trv_order_insert_info_t o = sh_order();
        insert = api_->insert_order(t.id, &o, 0);
        insert_type = last_type();
        insert_text = last_message();
        nq::trv_cancel_order_info_t c{0, 42};
        cancel = api_->cancel_order(t.id, &c, 0);
        cancel_text = last_message();
    });
    late.join();
    EXPECT_EQ(insert, 0u);
    EXPECT_EQ(insert_type, 309u);
    EXPECT_EQ(insert_text, "send order error, no send buffer for this thread: { session_id = " + std::to_string(t.id) +
                               ", trade_token: 0, xid: " + std::to_string(kFirstXid) + " }");
    EXPECT_EQ(cancel, 0u);
    EXPECT_EQ(cancel_text, "send cancel order error, no send buffer for this thread: { session_id = " +
                               std::to_string(t.id) + ", origin_xid: 42, trade_token: 0 }");
    EXPECT_TRUE(no_datagram());
    EXPECT_TRUE(no_frame(t.peer));
    EXPECT_TRUE(log_has("send order error, no send buffer for this thread"));

    // A resend from such a thread fails the same way.
    nq::trv_order_insert_info_t o = sh_order();
    const uint64_t xid = api_->insert_order(t.id, &o, 0);
    ASSERT_NE(xid, 0u) << last_message();
    Bytes d;
    ASSERT_TRUE(recv_datagram(&d));
    std::thread late_resend([&] {
        resend = api_->resend_order_request(t.id, xid);
        resend_text = last_message();
    });
    late_resend.join();
    EXPECT_FALSE(resend);
    EXPECT_EQ(resend_text, "resend order error: no send buffer for this thread: { session_id = " +
                               std::to_string(t.id) + ", xid: " + std::to_string(xid) + " }");
}

TEST_F(Orders, ResendCarriesFlagBitTwoAndItsNumberAndStopsAfter1023) {
    TradeSession t = open_session();
    authorise(&t);
    nq::trv_order_insert_info_t o = sh_order();
    const uint64_t xid = api_->insert_order(t.id, &o, 0);
    Bytes first, f;
    ASSERT_TRUE(recv_datagram(&first));
    ASSERT_TRUE(read_frame(t.peer, &f));
    const uint64_t stamp = u64_at(f, 32);

    ASSERT_TRUE(api_->resend_order_request(t.id, xid)) << last_message();
    Bytes d;
    ASSERT_TRUE(recv_datagram(&d));
    const uint64_t flags1 = 4ull | (1ull << 54);
    EXPECT_EQ(testpeer::get_u64(d.data(), 6), flags1);
    EXPECT_TRUE(std::equal(first.begin() + 14, first.end(), d.begin() + 14)) << "only the flags word differs";
    ASSERT_TRUE(read_frame(t.peer, &f));
    EXPECT_EQ(f.size(), 120u);
    EXPECT_EQ(testpeer::code_of(f.data()), 1283u);
    EXPECT_EQ(u64_at(f, 32), stamp) << "the stored time stamp goes again";
    EXPECT_EQ(u64_at(f, 64), flags1);
    EXPECT_EQ(api_->business_->get_api_order(xid)->flags(), flags1);

    for (uint64_t n = 2; n <= 1023; ++n) ASSERT_TRUE(api_->resend_order_request(t.id, xid)) << n;
    EXPECT_EQ(api_->business_->get_api_order(xid)->flags(), 4ull | (1023ull << 54));
    EXPECT_FALSE(api_->resend_order_request(t.id, xid));
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(), "resend order error, order resend too many times, no more than 1023: { session_id = " +
                                  std::to_string(t.id) + ", xid: " + std::to_string(xid) + ", resend_num: 1024 }");

    // A new order from the same thread starts with a clean flags word.
    while (recv_datagram(&d, 100)) {
    }
    const uint64_t next = api_->insert_order(t.id, &o, 0);
    ASSERT_NE(next, 0u);
    ASSERT_TRUE(recv_datagram(&d));
    EXPECT_EQ(testpeer::get_u64(d.data(), 6 + 8), next);
    EXPECT_EQ(testpeer::get_u64(d.data(), 6), 0u);
}

TEST_F(Orders, ResendRefusals) {
    TradeSession t = open_session();
    authorise(&t);
    TradeSession other = open_session(nq::ApiType::TRADE, "acc002");
    authorise(&other, 8);
    nq::trv_order_insert_info_t o = sh_order();
    const uint64_t xid = api_->insert_order(t.id, &o, 0);
    const std::string sid = std::to_string(t.id), sx = std::to_string(xid);

    EXPECT_FALSE(api_->resend_order_request(t.id ^ (1ull << 16), xid));
    EXPECT_EQ(last_type(), 307u);
    EXPECT_EQ(last_message(), "resend order error: get session failed: { session_id = " +
                                  std::to_string(t.id ^ (1ull << 16)) + ", xid: " + sx + " }");
    EXPECT_FALSE(api_->resend_order_request(other.id, xid));
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(), "resend order error: session_id not match: { session_id = " + std::to_string(other.id) +
                                  ", token_session_id = " + sid + ", xid: " + sx + " }");
    const uint64_t unknown_token = make_xid(99, 1);
    EXPECT_FALSE(api_->resend_order_request(t.id, unknown_token));
    EXPECT_EQ(last_message(), "resend order error: no trade token: { session_id = " + sid +
                                  ", xid: " + std::to_string(unknown_token) + " }");
    const uint64_t never_sent = make_xid(kTokenId, 500);
    EXPECT_FALSE(api_->resend_order_request(t.id, never_sent));
    EXPECT_EQ(last_message(), "resend order error: order is not exist: { session_id = " + sid +
                                  ", xid: " + std::to_string(never_sent) + " }");
    char report_id[32] = {1};
    ASSERT_TRUE(api_->business_->add_order_report(report_id, xid));
    EXPECT_FALSE(api_->resend_order_request(t.id, xid));
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(),
              "resend order error, order can't resend, has got report: { session_id = " + sid + ", xid: " + sx + " }");
    Bytes d;
    ASSERT_TRUE(recv_datagram(&d));  // the order itself
    EXPECT_TRUE(no_datagram());
}

// Concurrent resends of one order each send their own number, every number
// once; no resend mixes another's flags into its datagram or TCP copy.
TEST_F(Orders, ConcurrentResendsEachSendTheirOwnNumber) {
    TradeSession t = open_session();
    authorise(&t);
    nq::trv_order_insert_info_t o = sh_order();
    const uint64_t xid = api_->insert_order(t.id, &o, 0);
    Bytes d, f;
    ASSERT_TRUE(recv_datagram(&d));
    ASSERT_TRUE(read_frame(t.peer, &f));
    constexpr int kThreads = 8, kEach = 20;
    std::atomic<int> ok{0};
    run_together(kThreads, [&](int) {
        for (int i = 0; i < kEach; ++i) ok += api_->resend_order_request(t.id, xid) ? 1 : 0;
    });
    ASSERT_EQ(ok.load(), kThreads * kEach);
    std::set<uint64_t> udp_numbers, tcp_numbers;
    for (int i = 0; i < kThreads * kEach; ++i) {
        ASSERT_TRUE(recv_datagram(&d)) << i;
        const uint64_t flags = testpeer::get_u64(d.data(), 6);
        EXPECT_EQ(flags & ~(0x3ffull << 54), 4u);
        udp_numbers.insert(flags >> 54);
        ASSERT_TRUE(read_frame(t.peer, &f)) << i;
        const uint64_t tcp_flags = u64_at(f, 64);
        EXPECT_EQ(tcp_flags & ~(0x3ffull << 54), 4u);
        tcp_numbers.insert(tcp_flags >> 54);
    }
    EXPECT_EQ(udp_numbers.size(), size_t(kThreads * kEach));
    EXPECT_EQ(tcp_numbers.size(), size_t(kThreads * kEach));
    EXPECT_EQ(*udp_numbers.begin(), 1u);
    EXPECT_EQ(*udp_numbers.rbegin(), uint64_t(kThreads * kEach));
}

// Many threads sending on one token: every xid once, every order stored.
TEST_F(Orders, ConcurrentSendersGetDistinctXidsAndAllAreStored) {
    TradeSession t = open_session();
    authorise(&t);
    constexpr int kThreads = 8, kEach = 50;
    std::vector<std::vector<uint64_t>> xids(kThreads);
    run_together(kThreads, [&](int i) {
        api_->init_local_send();
        for (int k = 0; k < kEach; ++k) {
            nq::trv_order_insert_info_t o = sh_order();
            if (k % 5 == 4) {
                nq::trv_cancel_order_info_t c{0, 1};
                xids[i].push_back(api_->cancel_order(t.id, &c, 0));
            } else {
                xids[i].push_back(api_->insert_order(t.id, &o, 0));
            }
        }
    });
    std::set<uint64_t> all;
    for (auto& v : xids)
        for (uint64_t x : v) {
            EXPECT_NE(x, 0u);
            all.insert(x);
            EXPECT_NE(api_->business_->get_api_order(x), nullptr);
        }
    EXPECT_EQ(all.size(), size_t(kThreads * kEach));
    EXPECT_EQ(t.token->order_sequence_.load(), uint64_t(kThreads * kEach + 1));
}

// An authorisation withdrawn and made again while orders are built on it:
// every order that leaves carries its own token's authorisation id, never 0
// and never the id of the record that took the slot next.
TEST_F(Orders, ReauthorisationDuringSendsNeverPairsATokenWithAnotherAuthId) {
    TradeSession t = open_session();
    authorise(&t);
    constexpr uint64_t kAuth[2] = {0xA1A1, 0xB2B2};
    constexpr uint64_t kToken[2] = {6, 7};
    std::atomic<uint64_t> current{add_auth(t.id, kToken[0], kAuth[0], 9)};
    std::atomic<bool> done{false};
    std::atomic<long> sent{0}, mismatched{0}, datagrams{0};

    std::thread drain_tcp([&] {
        Bytes frame;
        while (!done.load()) read_frame(t.peer, &frame, 50);
    });
    std::thread order_node([&] {
        Bytes d;
        while (recv_datagram(&d, done.load() ? 200 : 1000)) {
            if (d.size() != 62 || (d[4] | d[5] << 8) == 1286) continue;
            ++datagrams;
            const uint64_t xid = u64_at(d, 6 + 8), auth = u64_at(d, 6 + 16);
            const uint64_t token = xid >> 28;
            if ((token == kToken[0] && auth != kAuth[0]) || (token == kToken[1] && auth != kAuth[1])) ++mismatched;
        }
    });
    std::thread flipper([&] {
        for (int generation = 1; !done.load(); ++generation) {
            api_->business_->auth_mgr_->close_auth(current.load());
            current = add_auth(t.id, kToken[generation % 2], kAuth[generation % 2], 9);
        }
    });
    api_->init_local_send();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < end && sent.load() < 60000) {
        nq::trv_order_insert_info_t o = sh_order();
        if (api_->insert_order(t.id, &o, current.load()) != 0) ++sent;
    }
    done = true;
    flipper.join();
    drain_tcp.join();
    order_node.join();
    EXPECT_GT(sent.load(), 0);
    EXPECT_EQ(mismatched.load(), 0) << "of " << datagrams.load() << " orders";
}

class CustomSequence : public TradeSessionFixture {
protected:
    void configure(nq::TRVTradeConfig* config) override {
        config->set_order_timeout(30);
        config->set_order_seq_self_define(true);
    }
};

TEST_F(CustomSequence, CallersSequenceWithinBoundsAndZeroFallsBackToTheToken) {
    TradeSession t = open_session();
    authorise(&t);
    const std::string sid = std::to_string(t.id);
    nq::trv_order_insert_info_t o = sh_order();
    o.order_sequence = 0xfffff;
    EXPECT_EQ(api_->insert_order(t.id, &o, 0), make_xid(kTokenId, 0xfffff));
    o.order_sequence = 0x100000;
    EXPECT_EQ(api_->insert_order(t.id, &o, 0), 0u);
    EXPECT_EQ(last_type(), 308u);
    EXPECT_EQ(last_message(), "send order error, order_sequence out of range: { session_id = " + sid +
                                  ", trade_token: 0, order_sequence: 1048576 }");
    EXPECT_EQ(t.token->order_sequence_.load(), 1u) << "the token's counter is not used";
    o.order_sequence = 0;
    EXPECT_EQ(api_->insert_order(t.id, &o, 0), make_xid(kTokenId, 1));
    EXPECT_EQ(t.token->order_sequence_.load(), 2u);
    o.order_sequence = 77;
    EXPECT_EQ(api_->insert_order(t.id, &o, 0), make_xid(kTokenId, 77));

    // A repeated sequence repeats the xid: sent again, but the first stays stored.
    nq::api::KApiOrder* first = api_->business_->get_api_order(make_xid(kTokenId, 77));
    o.price = 999;
    const uint64_t dup = api_->insert_order(t.id, &o, 0);
    EXPECT_EQ(dup, make_xid(kTokenId, 77));
    EXPECT_EQ(api_->business_->get_api_order(dup), first);
    EXPECT_EQ(testpeer::get_u64(first->storage_, 64 + 40), 123400u);

    nq::trv_cancel_order_info_t c{0x100000, 5};
    EXPECT_EQ(api_->cancel_order(t.id, &c, 0), 0u);
    EXPECT_EQ(last_message(), "send cancel order error, order_sequence out of range: { session_id = " + sid +
                                  ", origin_xid: 5, trade_token: 0 }");
    c.order_sequence = 9;
    EXPECT_EQ(api_->cancel_order(t.id, &c, 0), make_xid(kTokenId, 9));

    // The automatic counter running out in custom mode reports the sequence text.
    t.token->order_sequence_.store(0x100000);
    o.order_sequence = 0;
    EXPECT_EQ(api_->insert_order(t.id, &o, 0), 0u);
    EXPECT_EQ(last_message(), "send order error, order_sequence out of range: { session_id = " + sid +
                                  ", trade_token: 0, order_sequence: 0 }");
}

}  // namespace
