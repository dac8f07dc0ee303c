// The counter's routine against clients written from the message offsets: a
// token is invalidated only once it was replaced, the channel table goes to
// market-data sessions alone, and the feed reaches every announced channel
// with serials that never repeat.
#include "counter/CounterRoutine.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "counter/CounterClient.h"

using namespace counter;
using namespace counter::wire;

namespace {

uint64_t u64(const Bytes& f, size_t body_off) { return get_u64(f.data(), kHeaderSize + body_off); }

constexpr uint64_t kTime = 0x0123456789abcdefULL;

struct Logged {
    CounterClient client;
    HeadFields head;
};

// A normal trading login with its own authorisation and first token.
void trade_login(StandInCounter& counter, Logged* c, const std::string& name, uint64_t trade_token) {
    ASSERT_TRUE(c->client.connect_to(counter.address()));
    c->head.request_id = 1;
    ASSERT_TRUE(c->client.send(1030, login_body(c->head, 1, name, "pw", kTime)));
    Bytes f;
    ASSERT_TRUE(c->client.next(&f));
    ASSERT_EQ(code_of(f), 1031u);
    c->head.login_account_index = u64(f, 57);
    c->head.trade_token = trade_token;
    ASSERT_TRUE(c->client.send(1046, auth_body(c->head, name, "pw", kTime)));
    ASSERT_TRUE(c->client.next(&f));
    ASSERT_EQ(code_of(f), 1047u);
    c->head.auth_id = u64(f, 57);
    ASSERT_TRUE(c->client.next(&f));  // 1032
    ASSERT_TRUE(c->client.next(&f));  // 1033
    ASSERT_TRUE(c->client.send(1411, request_body(c->head, 57)));
    ASSERT_TRUE(c->client.next(&f));
    ASSERT_EQ(code_of(f), 1923u);
}

TEST(CounterRoutineTest, InvalidatesReplacedTokensInTurnAndAnnouncesToMarketDataOnly) {
    StandInCounter counter;
    const QuoteChannel channel = QuoteFeeder::loopback_channel(1);
    ASSERT_NE(channel.mc_type, 0);
    counter.set_channels({channel});
    ASSERT_TRUE(counter.start());
    Logged a, b, md;
    trade_login(counter, &a, "alice", 0x100001);
    trade_login(counter, &b, "bob", 0x100002);
    ASSERT_TRUE(md.client.connect_to(counter.address()));
    ASSERT_TRUE(md.client.send(1030, login_body(md.head, 2, "quoter", "pw", kTime)));
    Bytes f;
    ASSERT_TRUE(md.client.next(&f));  // 1045
    ASSERT_TRUE(md.client.next(&f));  // 1031

    int rx = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(rx, 0);
    ASSERT_EQ(bind(rx, reinterpret_cast<const sockaddr*>(&channel.group), sizeof channel.group), 0);

    RoutineOptions o;
    o.token_invalidation_ms = 40;
    o.channel_announcement_ms = 30;
    o.quote_feed_ms = 10;
    CounterRoutine routine(counter, o);
    ASSERT_TRUE(routine.start());

    // Each trading session gets one 1034 naming its own record, and then no
    // other until it has a new token.
    for (Logged* c : {&a, &b}) {
        ASSERT_TRUE(c->client.next(&f, 3000));
        ASSERT_EQ(code_of(f), 1034u);
        EXPECT_EQ(u64(f, 49), c->head.trade_token);
        EXPECT_EQ(u64(f, 24), c->head.login_account_index);
        EXPECT_TRUE(c->client.quiet(300));
    }
    std::vector<TokenInvalidation> seen = routine.invalidations();
    ASSERT_EQ(seen.size(), 2u);
    std::set<uint64_t> sessions{seen[0].session, seen[1].session};
    EXPECT_EQ(sessions, (std::set<uint64_t>{1, 2}));
    for (const auto& e : seen) {
        EXPECT_EQ(e.token_id, counter.tokens_of(e.session).back());
        EXPECT_EQ(e.trade_token, e.session == 1 ? 0x100001u : 0x100002u);
    }
    // A new token is invalidated in its turn.
    ASSERT_TRUE(a.client.send(1411, request_body(a.head, 57)));
    ASSERT_TRUE(a.client.next(&f));
    ASSERT_EQ(code_of(f), 1923u);
    const uint64_t renewed = u64(f, 65);
    ASSERT_TRUE(a.client.next(&f, 3000));
    EXPECT_EQ(code_of(f), 1034u);
    seen = routine.invalidations();
    ASSERT_EQ(seen.size(), 3u) << "recorded before it is sent";
    EXPECT_EQ(seen[2].session, 1u);
    EXPECT_EQ(seen[2].token_id, renewed);
    EXPECT_GE(seen[2].at_ms, seen[1].at_ms);
    EXPECT_TRUE(b.client.quiet(200));

    // The market-data session hears its table again and again; the feed
    // reaches the channel, every datagram with a serial of its own.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(md.client.next(&f, 3000));
        EXPECT_EQ(code_of(f), 1045u);
        EXPECT_EQ(get_u32(f.data(), kHeaderSize + 61), 1u);
    }
    std::set<uint64_t> serials;
    for (int i = 0; i < 5; ++i) {
        pollfd p{rx, POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 3000), 1);
        unsigned char buf[256];
        ASSERT_EQ(recv(rx, buf, sizeof buf, 0), 64);
        EXPECT_EQ(get_u16(buf, 8), 1u);
        EXPECT_TRUE(serials.insert(CounterRoutine::serial_of(buf, 64)).second);
    }
    EXPECT_GE(routine.announcements(), 3u);
    EXPECT_GE(routine.quotes_sent(), 5u);

    // Switched off, nothing more comes.
    routine.set_options(RoutineOptions());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    while (md.client.next(&f, 100)) {
    }
    EXPECT_TRUE(md.client.quiet(300));
    routine.stop();
    close(rx);
}

}  // namespace
