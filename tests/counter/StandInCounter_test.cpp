// The stand-in counter against a client written from the message offsets:
// the login chains, paging, scripting, pushes, orders, quotes and transfers.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <iterator>
#include <thread>

#include "counter/CounterClient.h"
#include "counter/QuoteFeeder.h"
#include "counter/StandInCounter.h"
#include "trv_api.h"

using namespace counter;
using namespace counter::wire;

namespace {

QuoteChannel channel(uint16_t provider, uint16_t type, uint16_t port, const char* group = "127.0.0.1") {
    QuoteChannel c;
    c.mc_provider = provider;
    c.mc_type = type;
    c.group.sin_family = AF_INET;
    c.group.sin_port = htons(port);
    inet_pton(AF_INET, group, &c.group.sin_addr);
    return c;
}

uint64_t u64(const Bytes& f, size_t body_off) { return get_u64(f.data(), kHeaderSize + body_off); }
uint32_t u32(const Bytes& f, size_t body_off) { return get_u32(f.data(), kHeaderSize + body_off); }
uint16_t u16(const Bytes& f, size_t body_off) { return get_u16(f.data(), kHeaderSize + body_off); }
uint8_t u8(const Bytes& f, size_t body_off) { return f[kHeaderSize + body_off]; }

constexpr uint64_t kTime = 0x0123456789abcdefULL;

// A heartbeat already on its way when the counter fell silent is read and
// dropped; anything else would be a fault.
void drain_heartbeats(CounterClient& client) {
    Bytes f;
    while (client.next(&f, 300, false)) EXPECT_EQ(code_of(f), 2u);
}

struct CounterTest : ::testing::Test {
    StandInCounter counter;
    CounterClient client;
    HeadFields head;

    explicit CounterTest(CounterOptions o = CounterOptions()) : counter(o) {}
    void SetUp() override {
        ASSERT_TRUE(counter.start());
        ASSERT_TRUE(client.connect_to(counter.address()));
        ASSERT_TRUE(counter.wait_sessions(1, 3000));
    }
    // Sends a request and returns the next non-heartbeat frame.
    Bytes ask(uint32_t code, const Bytes& body) {
        Bytes f;
        EXPECT_TRUE(client.send(code, body));
        EXPECT_TRUE(client.next(&f)) << "no answer to " << code;
        return f;
    }
    // Logs in and keeps the login account index and type in `head`.
    Bytes login(const std::string& account, uint8_t api_type = 1, const std::string& password = "pw") {
        head.request_id = 77;
        head.request_seq = 3;
        Bytes f = ask(1030, login_body(head, api_type, account, password, kTime, 9));
        if (code_of(f) == 1031) {
            head.login_account_index = u64(f, 57);
            head.account_type = u8(f, 69);
        }
        return f;
    }
};

TEST_F(CounterTest, NormalLoginChainAnswersEveryStepFromTheOffsets) {
    counter.add_account({"alice", AccountKind::Normal, 11, 22, "secret"});
    const Bytes r1031 = login("alice", 1, "secret");
    ASSERT_EQ(code_of(r1031), 1031u);
    EXPECT_EQ(length_of(r1031), r1031.size());
    EXPECT_EQ(u64(r1031, 8), 77u);  // request id echoed
    EXPECT_EQ(u64(r1031, 16), 3u);  // request sequence echoed
    EXPECT_EQ(u64(r1031, 57), 11u);
    EXPECT_EQ(u32(r1031, 65), 20240102u);
    EXPECT_EQ(u8(r1031, 69), 0u);
    EXPECT_EQ(u64(r1031, 74), 7u);

    const LoginRecord rec = counter.login_of(1);
    EXPECT_EQ(rec.account, "alice");
    EXPECT_EQ(rec.password, "secret");
    EXPECT_EQ(rec.api_type, 1);
    EXPECT_EQ(rec.client_id, 9);
    EXPECT_EQ(rec.trading_day, 20240102u);

    // Security table: 1041 -> 1042, then one page -> 1036.
    head.request_seq = 4;
    const Bytes info = ask(1041, table_info_body(head, 1035));
    ASSERT_EQ(code_of(info), 1042u);
    EXPECT_EQ(info.size(), 64u + 125u);
    EXPECT_EQ(u64(info, 16), 4u);
    ASSERT_EQ(u32(info, 57), 1u);
    ASSERT_EQ(u32(info, 61), 4u);
    const Bytes page = ask(1035, page_body(head, 71, 0, 0, 0, 4));
    ASSERT_EQ(code_of(page), 1036u);
    EXPECT_EQ(u32(page, 71), 4u);
    EXPECT_EQ(u32(page, 75), 4u);
    EXPECT_EQ(u32(page, 79), 16u);
    EXPECT_EQ(u8(page, 83), 1u);
    ASSERT_EQ(page.size(), 64u + 84u + 4 * 16u);
    EXPECT_EQ(get_u32(page.data(), 64 + 84), 1u);  // security index
    EXPECT_EQ(page[64 + 84 + 5], 1u);              // SH
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(page.data()) + 64 + 84 + 6, 8), "600000  ");

    // Authorisation: 1047, then the start-of-day notices.
    head.request_seq = 5;
    head.trade_token = 1 | (1u << 20);
    const Bytes r1047 = ask(1046, auth_body(head, "alice", "secret", kTime + 1));
    ASSERT_EQ(code_of(r1047), 1047u);
    EXPECT_EQ(u64(r1047, 49), head.trade_token);
    const uint64_t auth_id = u64(r1047, 57);
    EXPECT_NE(auth_id, 0u);
    EXPECT_EQ(u64(r1047, 65), 22u);
    Bytes f;
    ASSERT_TRUE(client.next(&f));
    EXPECT_EQ(code_of(f), 1032u);
    EXPECT_EQ(f.size(), 64u + 57u + 24u);
    ASSERT_TRUE(client.next(&f));
    EXPECT_EQ(code_of(f), 1033u);
    EXPECT_EQ(u32(f, 57), 42u);
    EXPECT_EQ(f.size(), 64u + 65u + u32(f, 61) * 42u);

    // Token: names the counter's own order node.
    head.request_seq = 6;
    head.trade_account_index = 22;
    head.auth_id = auth_id;
    const Bytes r1923 = ask(1411, request_body(head, 57));
    ASSERT_EQ(code_of(r1923), 1923u);
    EXPECT_EQ(r1923.size(), 64u + 103u);
    EXPECT_EQ(u64(r1923, 49), head.trade_token);
    EXPECT_EQ(u64(r1923, 57), 22u);
    EXPECT_EQ(u64(r1923, 65), 5u);  // first token id
    const sockaddr_in node = counter.order_node();
    EXPECT_EQ(u16(r1923, 81), AF_INET);
    EXPECT_EQ(0, std::memcmp(r1923.data() + 64 + 83, &node.sin_port, 2));
    EXPECT_EQ(0, std::memcmp(r1923.data() + 64 + 85, &node.sin_addr, 4));
    EXPECT_EQ(counter.tokens_of(1), std::vector<uint64_t>{5});

    // The token heartbeat datagram (62 bytes) is recorded as it arrived.
    Bytes hb(6, 0);
    put_u16(hb, 0, 8999);
    put_u16(hb, 2, 56);
    put_u16(hb, 4, 1286);
    hb.resize(62, 0);
    ASSERT_TRUE(send_datagram(node, hb));
    ASSERT_TRUE(counter.wait_datagrams(1, 3000));
    ASSERT_EQ(counter.datagrams(1286).size(), 1u);
    EXPECT_TRUE(counter.datagrams(1283).empty());
    const auto d = counter.datagrams()[0];
    EXPECT_EQ(d.payload, hb);
    EXPECT_TRUE(d.parsed().well_formed);
    EXPECT_EQ(d.parsed().code, 1286);

    // Every request was recorded in order, with its exact bytes.
    EXPECT_EQ(counter.codes(1), (std::vector<uint32_t>{1030, 1041, 1035, 1046, 1411}));
    const auto frames = counter.frames(1);
    ASSERT_GE(frames.size(), 1u);
    EXPECT_EQ(frames[0].length, 983u);
    EXPECT_EQ(frames[0].bytes, frame(1030, login_body(HeadFields{0, 77, 3}, 1, "alice", "secret", kTime, 9)));
}

struct KindCase {
    const char* name;
    AccountKind kind;
    uint8_t api_type;
    uint8_t expected_type;
};

TEST_F(CounterTest, AccountKindsAnswerTheirLoginAccountType) {
    const KindCase cases[] = {
        {"norm", AccountKind::Normal, 1, 0},
        {"prox", AccountKind::Proxy, 1, 2},
        {"priv", AccountKind::Privileged, 0, 1},
    };
    for (const auto& c : cases) counter.add_account({c.name, c.kind, 0, 0, ""});
    for (const auto& c : cases) {
        CounterClient cl;
        ASSERT_TRUE(cl.connect_to(counter.address()));
        ASSERT_TRUE(cl.send(1030, login_body(HeadFields{}, c.api_type, c.name, "x", kTime)));
        Bytes f;
        ASSERT_TRUE(cl.next(&f)) << c.name;
        ASSERT_EQ(code_of(f), 1031u) << c.name;
        EXPECT_EQ(u8(f, 69), c.expected_type) << c.name;
    }
    // A wrong password is refused with a 1029 naming the login answer.
    counter.add_account({"locked", AccountKind::Normal, 0, 0, "right"});
    const Bytes f = login("locked", 1, "wrong");
    ASSERT_EQ(code_of(f), 1029u);
    EXPECT_EQ(u32(f, 57), 1031u);
    EXPECT_EQ(u64(f, 61), 305u);
}

TEST_F(CounterTest, MarketDataLoginSendsTheChannelTableFirst) {
    const QuoteChannel a = channel(3, 1, 30001);
    const QuoteChannel b = channel(3, 102, 30001, "239.1.2.3");
    counter.set_channels({a, b});
    const Bytes table = login("quoter", 2);
    ASSERT_EQ(code_of(table), 1045u);
    EXPECT_EQ(u32(table, 57), 22u);
    ASSERT_EQ(u32(table, 61), 2u);
    ASSERT_EQ(table.size(), 64u + 65u + 44u);
    EXPECT_EQ(u16(table, 65), 3u);
    EXPECT_EQ(u16(table, 67), 1u);
    EXPECT_EQ(u16(table, 69), AF_INET);
    EXPECT_EQ(0, std::memcmp(table.data() + 64 + 71, &a.group.sin_port, 2));
    EXPECT_EQ(0, std::memcmp(table.data() + 64 + 73, &a.group.sin_addr, 4));
    EXPECT_EQ(u16(table, 87 + 2), 102u);
    Bytes f;
    ASSERT_TRUE(client.next(&f));
    EXPECT_EQ(code_of(f), 1031u);
}

// The channel table goes out again, as it stands, whenever the test says.
TEST_F(CounterTest, ChannelTableIsAnnouncedAgainOnCommand) {
    const QuoteChannel a = channel(2, 2, 30002);
    counter.set_channels({a});
    ASSERT_EQ(code_of(login("quoter", 2)), 1045u);
    Bytes f;
    ASSERT_TRUE(client.next(&f));
    ASSERT_EQ(code_of(f), 1031u);
    const uint64_t login_account_index = u64(f, 57);
    const QuoteChannel b = channel(2, 107, 30002);
    counter.set_channels({a, b});
    ASSERT_TRUE(counter.announce_channels(1));
    ASSERT_TRUE(client.next(&f));
    ASSERT_EQ(code_of(f), 1045u);
    EXPECT_EQ(get_u64(f.data(), 16), 1u);  // the session number in the frame header
    EXPECT_EQ(u64(f, 24), login_account_index);
    EXPECT_EQ(u32(f, 57), 22u);
    ASSERT_EQ(u32(f, 61), 2u);
    ASSERT_EQ(f.size(), 64u + 65u + 44u);
    EXPECT_EQ(u16(f, 65 + 2), 2u);
    EXPECT_EQ(u16(f, 87 + 2), 107u);
    EXPECT_EQ(0, std::memcmp(f.data() + 64 + 87 + 6, &b.group.sin_port, 2));
    EXPECT_FALSE(counter.announce_channels(99));
}

// Walks a query the way the library does: 1041, then page after page.
std::vector<Bytes> walk(CounterTest& t, uint32_t query_code, size_t body_size, uint32_t count, int* pages,
                        std::vector<uint8_t>* last_flags) {
    std::vector<Bytes> rows;
    const Bytes info = t.ask(1041, table_info_body(t.head, query_code));
    EXPECT_EQ(code_of(info), 1042u);
    const uint32_t n = u32(info, 57);
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t end = u32(info, 61 + 4 * i);
        uint32_t pos = 0;
        while (pos < end) {
            const Bytes page = t.ask(query_code, page_body(t.head, body_size, uint16_t(i), count, pos, end));
            EXPECT_EQ(code_of(page), answer_code(query_code));
            EXPECT_EQ(u16(page, 57), i);
            EXPECT_EQ(u32(page, 63), pos);
            const uint32_t got = u32(page, 71), size = u32(page, 79);
            EXPECT_EQ(page.size(), 64u + 84u + size_t(got) * size);
            for (uint32_t r = 0; r < got; ++r)
                rows.emplace_back(page.begin() + 64 + 84 + r * size, page.begin() + 64 + 84 + (r + 1) * size);
            EXPECT_EQ(u32(page, 75), pos + got);
            if (got == 0) break;
            pos = u32(page, 75);
            ++*pages;
            last_flags->push_back(u8(page, 83));
        }
    }
    return rows;
}

struct CounterPagingTest : CounterTest {
    static CounterOptions opts() {
        CounterOptions o;
        o.max_page_rows = 2;
        return o;
    }
    CounterPagingTest() : CounterTest(opts()) {}
};

TEST_F(CounterPagingTest, PagesCrossSubTablesWithPositionsAndTheLastFlag) {
    CounterTable t;
    t.item_size = 80;
    t.sub_tables.resize(3);
    for (int i = 0; i < 5; ++i) t.sub_tables[0].push_back(Bytes(80, uint8_t(0x10 + i)));
    for (int i = 0; i < 3; ++i) t.sub_tables[2].push_back(Bytes(80, uint8_t(0x30 + i)));
    counter.set_table(1477, t);
    int pages = 0;
    std::vector<uint8_t> last;
    const auto rows = walk(*this, 1477, 71, 0, &pages, &last);
    ASSERT_EQ(rows.size(), 8u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rows[i], Bytes(80, uint8_t(0x10 + i)));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rows[5 + i], Bytes(80, uint8_t(0x30 + i)));
    EXPECT_EQ(pages, 5);  // 2+2+1 and 2+1
    EXPECT_EQ(last, (std::vector<uint8_t>{0, 0, 0, 0, 1}));

    // A request count smaller than the page bounds the page; default tables
    // carry their serial number in the first 8 bytes.
    counter.set_table(1476, StandInCounter::make_table(42, 3, 2));
    pages = 0;
    last.clear();
    const auto pos = walk(*this, 1476, 80, 1, &pages, &last);
    ASSERT_EQ(pos.size(), 6u);
    EXPECT_EQ(pages, 6);
    for (uint64_t i = 0; i < 6; ++i) EXPECT_EQ(get_u64(pos[i].data(), 0), i + 1);
}

TEST_F(CounterTest, PagesStayWithinTheLargestFrame) {
    counter.set_table(1475, StandInCounter::make_table(450, 200));
    int pages = 0;
    std::vector<uint8_t> last;
    const auto rows = walk(*this, 1475, 104, 0, &pages, &last);
    ASSERT_EQ(rows.size(), 200u);
    EXPECT_EQ(pages, 2);  // 145 rows fit into one 65,536-byte frame
    EXPECT_EQ(last, (std::vector<uint8_t>{0, 1}));
    for (const auto& f : counter.frames()) EXPECT_LE(f.length, kMaxFrame);
    EXPECT_EQ(get_u64(rows[199].data(), 0), 200u);
}

TEST_F(CounterTest, ScriptedErrorsWithholdDuplicateDelayAndClose) {
    // Error with a text of 300 characters: 256 bytes, no terminator.
    const std::string text(300, 'e');
    counter.script(1030, Reply::error(305, 42, text));
    Bytes f = login("alice");
    ASSERT_EQ(code_of(f), 1029u);
    ASSERT_EQ(f.size(), 64u + 333u);
    EXPECT_EQ(u64(f, 8), 77u);
    EXPECT_EQ(u64(f, 16), 3u);
    EXPECT_EQ(u32(f, 57), 1031u);
    EXPECT_EQ(u64(f, 61), 305u);
    EXPECT_EQ(u64(f, 69), 42u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(f.data()) + 64 + 77, 256), std::string(256, 'e'));

    // The rule was used up: the next login is answered.
    EXPECT_EQ(code_of(login("alice")), 1031u);

    // An error on the data-table step of one query names that query's answer.
    counter.script(1041, Reply::error(309, 1, "busy"), 1, 1477);
    f = ask(1041, table_info_body(head, 1476));
    EXPECT_EQ(code_of(f), 1042u);
    f = ask(1041, table_info_body(head, 1477));
    ASSERT_EQ(code_of(f), 1029u);
    EXPECT_EQ(u32(f, 57), 1989u);

    // Withheld once, then answered.
    counter.script(1411, Reply::withhold());
    ASSERT_TRUE(client.send(1411, request_body(head, 57)));
    EXPECT_TRUE(client.quiet(300));
    EXPECT_EQ(code_of(ask(1411, request_body(head, 57))), 1923u);

    // Duplicated: the same bytes twice.
    counter.script(1050, Reply::duplicate());
    const Bytes a = ask(1050, request_body(head, 74));
    Bytes b;
    ASSERT_TRUE(client.next(&b));
    EXPECT_EQ(code_of(a), 1051u);
    EXPECT_EQ(a, b);

    // Edited: truncated body with a consistent length field.
    counter.script(1039, Reply::edited([](Bytes& fr) { set_frame_size(fr, 64 + 60); }));
    f = ask(1039, request_body(head, 67));
    EXPECT_EQ(code_of(f), 1040u);
    EXPECT_EQ(f.size(), 124u);

    // Peer faults on one frame of a step: an oversized count in 1033 only.
    counter.script(1046, Reply::with_u32(61, 100000, 1033));
    f = ask(1046, auth_body(head, "alice", "pw", kTime));
    EXPECT_EQ(code_of(f), 1047u);
    Bytes notice;
    ASSERT_TRUE(client.next(&notice));
    EXPECT_EQ(code_of(notice), 1032u);
    ASSERT_TRUE(client.next(&notice));
    EXPECT_EQ(code_of(notice), 1033u);
    EXPECT_EQ(u32(notice, 61), 100000u);
    EXPECT_EQ(notice.size(), 64u + 65u + 2 * 42u);
    counter.script(1051 - 1, Reply::truncated(20));
    f = ask(1050, request_body(head, 74));
    EXPECT_EQ(f.size(), 84u);
    EXPECT_EQ(length_of(f), 84u);

    // Delayed: nothing at once, the answer later.
    counter.script(1539, Reply::delay(400));
    ASSERT_TRUE(client.send(1539, request_body(head, 57)));
    EXPECT_TRUE(client.quiet(100));
    ASSERT_TRUE(client.next(&f));
    EXPECT_EQ(code_of(f), 2051u);

    // Close instead of the answer.
    counter.script(1046, Reply::close());
    ASSERT_TRUE(client.send(1046, auth_body(head, "alice", "pw", kTime)));
    EXPECT_TRUE(client.eof(3000));
    EXPECT_TRUE(counter.wait_closed(1, 3000));
}

TEST_F(CounterTest, HeartbeatsUntilSilentAndOwnHandlers) {
    Bytes hb;
    ASSERT_TRUE(client.next(&hb, 3000, false));
    EXPECT_EQ(hb, frame(2, Bytes(8, 0), 1));
    // Heartbeats from the client are recorded and never answered.
    ASSERT_TRUE(client.send(2, Bytes(8, 0)));
    ASSERT_TRUE(counter.wait_frame(2, 3000));
    counter.set_silent(true);
    drain_heartbeats(client);
    ASSERT_TRUE(client.send(1030, login_body(head, 1, "alice", "pw", kTime)));
    ASSERT_TRUE(counter.wait_frame(1030, 3000));
    Bytes f;
    EXPECT_FALSE(client.next(&f, 1500, false)) << "silent counter sent code " << code_of(f);
    counter.set_silent(false);
    // One session silenced: the other one is still answered.
    CounterClient other;
    ASSERT_TRUE(other.connect_to(counter.address()));
    ASSERT_TRUE(counter.wait_sessions(2, 3000));
    counter.set_silent(1, true);
    drain_heartbeats(client);
    ASSERT_TRUE(client.send(1539, request_body(head, 57)));
    ASSERT_TRUE(other.send(1539, request_body(head, 57)));
    ASSERT_TRUE(other.next(&f));
    EXPECT_EQ(code_of(f), 2051u);
    EXPECT_FALSE(client.next(&f, 1500, false));
    counter.set_silent(1, false);
    EXPECT_TRUE(counter.wait_codes(1, {1030, 1539}, 3000));
    EXPECT_FALSE(counter.wait_codes(1, {1539}, 10));
    // An own handler replaces the built-in answer.
    counter.set_handler(1043, [](StandInCounter& c, const ReceivedFrame& fr) {
        c.send(fr.session, 1044, Bytes(70, 0xab));
        return true;
    });
    f = ask(1043, request_body(head, 72));
    EXPECT_EQ(f, frame(1044, Bytes(70, 0xab), 1));
}

TEST_F(CounterTest, PushesKeepSequencesAndReplayAsRebuildCopies) {
    counter.add_account({"alice", AccountKind::Normal, 11, 22, ""});
    ASSERT_EQ(code_of(login("alice")), 1031u);
    EXPECT_EQ(counter.push_report(1, 2308, "R1", 0x50000106), 1u);
    EXPECT_EQ(counter.push_report(1, 2310, "R2", 0x50000106), 2u);
    StandInCounter::PushOptions dup;
    dup.sequence = 1;
    dup.keep_for_replay = false;
    EXPECT_EQ(counter.push(1, 2308, order_report_record(2308, "R1", 0x50000106), dup), 1u);
    Bytes f1, f2, f3;
    ASSERT_TRUE(client.next(&f1));
    ASSERT_TRUE(client.next(&f2));
    ASSERT_TRUE(client.next(&f3));
    EXPECT_EQ(code_of(f1), 2308u);
    EXPECT_EQ(f1.size(), 64u + 115u);
    EXPECT_EQ(u64(f1, 0), 22u);  // account index
    EXPECT_EQ(u64(f1, 8), 1u);   // sequence
    EXPECT_EQ(u8(f1, 16), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(f1.data()) + 64 + 18), "R1");
    EXPECT_EQ(u64(f1, 50), 0x50000106u);
    EXPECT_EQ(f2.size(), 64u + 125u);
    EXPECT_EQ(f1, f3);
    EXPECT_EQ(counter.last_sequence(1), 2u);

    // Subscription answer names the latest sequence.
    Bytes sub = request_body(head, 74);
    put_u64(sub, 66, 0);
    const Bytes r1051 = ask(1050, sub);
    EXPECT_EQ(u64(r1051, 65), 2u);

    // Replay of (0, 2]: the answer, then both pushes with the rebuild flag.
    Bytes replay = request_body(head, 81);
    put_u64(replay, 57, 3);
    put_u64(replay, 65, 0);
    put_u64(replay, 73, 2);
    const Bytes r1925 = ask(1413, replay);
    ASSERT_EQ(code_of(r1925), 1925u);
    EXPECT_EQ(u64(r1925, 65), 2u);
    Bytes c1, c2;
    ASSERT_TRUE(client.next(&c1));
    ASSERT_TRUE(client.next(&c2));
    Bytes expect = f1;
    expect[64 + 16] = 1;
    EXPECT_EQ(c1, expect);
    EXPECT_EQ(code_of(c2), 2310u);
    EXPECT_EQ(u8(c2, 16), 1u);

    // The replay mask selects the kinds: raw reports only -> no report copy.
    put_u64(replay, 57, 0xc);
    EXPECT_EQ(code_of(ask(1413, replay)), 1925u);
    EXPECT_TRUE(client.quiet(200));

    // Raw report with a lying size field; arbitrary frames as they are.
    const Bytes raw = raw_report_body(22, 9, false, 1, "X", 7, 1, 2, 3, Bytes(10, 0x5a), 1000);
    ASSERT_TRUE(counter.send(1, 2339, raw));
    Bytes r;
    ASSERT_TRUE(client.next(&r));
    EXPECT_EQ(r.size(), 64u + 85u);
    EXPECT_EQ(u32(r, 71), 1000u);
    ASSERT_TRUE(counter.send_frame(1, testpeer::make_raw_header(uint64_t(2403) | uint64_t(64) << 14)));
    ASSERT_TRUE(client.next(&r));
    EXPECT_EQ(r.size(), 64u);
    // A truncated push keeps its place in the sequence.
    StandInCounter::PushOptions cut;
    cut.body_size = 30;
    EXPECT_EQ(counter.push(1, 2310, Bytes(108, 0x41), cut), 3u);
    ASSERT_TRUE(client.next(&r));
    EXPECT_EQ(r.size(), 64u + 30u);
    EXPECT_EQ(length_of(r), 94u);
    EXPECT_EQ(u64(r, 8), 3u);
    EXPECT_EQ(r.back(), 0x41);
}

TEST_F(CounterTest, OrdersAreAnsweredOncePerXidOnTheTokensSession) {
    ASSERT_EQ(code_of(login("alice")), 1031u);
    Bytes f = ask(1046, auth_body(head, "alice", "pw", kTime));
    ASSERT_EQ(code_of(f), 1047u);
    head.auth_id = u64(f, 57);
    ASSERT_TRUE(client.next(&f));  // 1032
    ASSERT_TRUE(client.next(&f));  // 1033
    f = ask(1411, request_body(head, 57));
    const uint64_t token = u64(f, 65);
    const uint64_t xid = token << 28 | 1 << 8 | ((token + 1) & 0xff);
    Bytes order(56, 0);
    put_u64(order, 8, xid);
    put_u64(order, 32, 300);     // quantity
    put_u64(order, 40, 105000);  // price
    order[48] = 1;               // side
    Bytes dgram(6, 0);
    put_u16(dgram, 0, 8999);
    put_u16(dgram, 2, 56);
    put_u16(dgram, 4, 1286);
    dgram.insert(dgram.end(), order.begin(), order.end());
    ASSERT_TRUE(send_datagram(counter.order_node(), dgram));
    ASSERT_TRUE(client.next(&f));
    ASSERT_EQ(code_of(f), 2308u);
    ASSERT_EQ(f.size(), 64u + 17 + sizeof(nq::trv_order_response_t));
    {
        nq::trv_order_response_t rsp;
        std::memcpy(&rsp, f.data() + 64 + 17, sizeof rsp);
        EXPECT_EQ(rsp.xid, xid);
        EXPECT_EQ(uint8_t(rsp.exchange_index), 2u);
        EXPECT_EQ(uint64_t(rsp.price), 105000u);
        EXPECT_EQ(uint64_t(rsp.quantity), 300u);
        EXPECT_EQ(uint8_t(rsp.side), 1u);
        EXPECT_EQ(uint64_t(rsp.leaves_quantity), 300u);
    }
    ASSERT_TRUE(client.next(&f));
    ASSERT_EQ(code_of(f), 2310u);
    ASSERT_EQ(f.size(), 64u + 17 + sizeof(nq::trv_trade_report_t));
    {
        nq::trv_trade_report_t trd;
        std::memcpy(&trd, f.data() + 64 + 17, sizeof trd);
        EXPECT_EQ(trd.xid, xid);
        EXPECT_EQ(uint64_t(trd.price), 105000u);
        EXPECT_EQ(uint64_t(trd.quantity), 300u);
        EXPECT_EQ(uint64_t(trd.order_quantity), 300u);
        EXPECT_EQ(trd.exec_id[sizeof trd.exec_id - 1], '\0');
    }
    // The TCP copy of the same order is recorded but not answered again.
    ASSERT_TRUE(client.send(1286, order));
    ASSERT_TRUE(counter.wait_frame(1286, 3000));
    EXPECT_TRUE(client.quiet(300));
    // A cancel gets a cancel response.
    Bytes cancel(32, 0);
    put_u64(cancel, 8, xid + 0x100 + 1);
    put_u64(cancel, 24, xid);
    f = ask(1289, cancel);
    EXPECT_EQ(code_of(f), 2309u);
    EXPECT_EQ(u64(f, 50), xid + 0x101);
    // Never: recorded, no report; a resend after the replies are back on is answered.
    counter.set_order_replies(OrderReplies{OrderReplies::When::Never});
    put_u64(order, 8, xid + 0x200 + 2);
    ASSERT_TRUE(client.send(1283, order));
    EXPECT_TRUE(client.quiet(300));
    OrderReplies later;
    later.when = OrderReplies::When::Later;
    later.later_ms = 100;
    later.trade = false;
    counter.set_order_replies(later);
    put_u64(order, 0, uint64_t(1) << 2 | uint64_t(1) << 54);  // resend flag and count
    ASSERT_TRUE(client.send(1283, order));
    ASSERT_TRUE(client.next(&f));
    EXPECT_EQ(code_of(f), 2308u);
    EXPECT_EQ(u64(f, 50), xid + 0x202);
    EXPECT_EQ(u8(f, 17 + 52), 1u);  // Shanghai
    EXPECT_TRUE(client.quiet(300));
}

// Orders and cancels whose sequence is a multiple of skip_every get no
// report; every frame and datagram carries the time it arrived.
TEST_F(CounterTest, EveryNthOrderIsLeftUnansweredAndArrivalsAreTimed) {
    ASSERT_EQ(code_of(login("alice")), 1031u);
    Bytes f = ask(1046, auth_body(head, "alice", "pw", kTime));
    ASSERT_EQ(code_of(f), 1047u);
    ASSERT_TRUE(client.next(&f));  // 1032
    ASSERT_TRUE(client.next(&f));  // 1033
    f = ask(1411, request_body(head, 57));
    const uint64_t token = u64(f, 65);
    OrderReplies replies;
    replies.skip_every = 3;
    replies.trade = false;
    counter.set_order_replies(replies);
    const int64_t before = StandInCounter::clock_ms();
    for (uint64_t seq = 1; seq <= 6; ++seq) {
        Bytes order(56, 0);
        put_u64(order, 8, token << 28 | seq << 8 | ((token + seq) & 0xff));
        Bytes dgram(6, 0);
        put_u16(dgram, 0, 8999);
        put_u16(dgram, 2, 56);
        put_u16(dgram, 4, 1283);
        dgram.insert(dgram.end(), order.begin(), order.end());
        ASSERT_TRUE(send_datagram(counter.order_node(), dgram));
    }
    std::vector<uint64_t> answered;
    while (client.next(&f, 500)) {
        EXPECT_EQ(code_of(f), 2308u);
        answered.push_back((u64(f, 50) >> 8) & 0xfffff);
    }
    EXPECT_EQ(answered, (std::vector<uint64_t>{1, 2, 4, 5}));
    const int64_t after = StandInCounter::clock_ms();
    ASSERT_TRUE(counter.wait_datagrams(6, 3000));
    int64_t last = before;
    for (const auto& d : counter.datagrams()) {
        EXPECT_GE(d.received_ms, last);
        EXPECT_LE(d.received_ms, after);
        last = d.received_ms;
    }
    for (const auto& fr : counter.frames(1)) EXPECT_GT(fr.received_ms, 0);
}

TEST_F(CounterTest, FundTransfersPushTheirOutcomeAndTokensCanBeInvalidated) {
    counter.add_account({"alice", AccountKind::Normal, 11, 22, ""});
    ASSERT_EQ(code_of(login("alice")), 1031u);
    head.trade_token = 0x100001;
    Bytes f = ask(1046, auth_body(head, "alice", "pw", kTime));
    ASSERT_EQ(code_of(f), 1047u);
    EXPECT_EQ(counter.trade_tokens_of(1), std::vector<uint64_t>{0x100001});
    ASSERT_TRUE(client.next(&f));  // 1032
    ASSERT_TRUE(client.next(&f));  // 1033
    ASSERT_TRUE(counter.invalidate_token(1, 0x100001));
    ASSERT_TRUE(client.next(&f));
    EXPECT_EQ(code_of(f), 1034u);
    EXPECT_EQ(u64(f, 49), 0x100001u);

    Bytes req = request_body(head, 103);
    put_u64(req, 57, 22);
    put_text(req, 65, "202401020000050001", 20);
    req[85] = 1;  // source
    req[86] = 2;  // side
    put_u64(req, 87, 5000000);
    EXPECT_EQ(code_of(ask(1347, req)), 1859u);
    Bytes p1, p2;
    ASSERT_TRUE(client.next(&p1));
    ASSERT_TRUE(client.next(&p2));
    ASSERT_EQ(code_of(p1), 2436u);
    ASSERT_EQ(p1.size(), 64u + 17 + sizeof(nq::trv_counter_fund_transfer_request_t));
    EXPECT_TRUE(std::equal(req.begin() + 57, req.end(), p1.begin() + 64 + 17));
    ASSERT_EQ(code_of(p2), 2437u);
    ASSERT_EQ(p2.size(), 64u + 17 + sizeof(nq::trv_counter_fund_transfer_result_t));
    nq::trv_counter_fund_transfer_result_t result;
    std::memcpy(&result, p2.data() + 64 + 17, sizeof result);
    EXPECT_EQ(std::string(result.biz_no), "202401020000050001");
    EXPECT_EQ(uint64_t(result.amount), 5000000u);
    EXPECT_EQ(uint8_t(result.status), 1u);
    EXPECT_EQ(u64(p2, 8), u64(p1, 8) + 1);  // consecutive sequences

    // A refused transfer pushes nothing; a failed one carries its error.
    counter.script(1348, Reply::error(308, 5, "no money"));
    EXPECT_EQ(code_of(ask(1348, request_body(head, 102))), 1029u);
    EXPECT_TRUE(client.quiet(200));
    FundTransferReplies failing;
    failing.status = 2;
    failing.error_type = 308;
    failing.error_text = "limit";
    counter.set_fund_transfer_replies(failing);
    EXPECT_EQ(code_of(ask(1541, request_body(head, 96))), 2053u);
    ASSERT_TRUE(client.next(&f));
    ASSERT_EQ(code_of(f), 2435u);
    ASSERT_EQ(f.size(), 64u + 17 + sizeof(nq::trv_fund_transfer_exec_result_t));
    nq::trv_fund_transfer_exec_result_t exec;
    std::memcpy(&exec, f.data() + 64 + 17, sizeof exec);
    EXPECT_EQ(uint8_t(exec.status), 2u);
    EXPECT_EQ(exec.error_info.error_code_type, 308u);
    EXPECT_STREQ(exec.error_info.error_msg, "limit");
}

TEST_F(CounterTest, QuoteAnswersAndFundTransfers) {
    Bytes q = request_body(head, 67);
    q[57] = 2;
    std::memcpy(q.data() + 58, "000001\0\0", 8);
    Bytes f = ask(1039, q);
    ASSERT_EQ(code_of(f), 1040u);
    EXPECT_EQ(f.size(), 64u + 485u);
    EXPECT_EQ(u8(f, 57), 2u);

    f = ask(1052, request_body(head, 76));
    ASSERT_EQ(code_of(f), 1053u);
    EXPECT_EQ(f.size(), 64u + 330u);
    EXPECT_EQ(u8(f, 57), 0u);
    EXPECT_EQ(u64(f, 58), 310u);
    counter.set_rebuild_ticks(1, 32, {Bytes(70, 1), Bytes(70, 2)});
    f = ask(1052, request_body(head, 76));
    ASSERT_EQ(code_of(f), 1054u);
    EXPECT_EQ(f.size(), 64u + 129u);
    EXPECT_EQ(u8(f, 58), 32u);
    EXPECT_EQ(u8(f, 59), 1u);
    ASSERT_TRUE(client.next(&f));
    EXPECT_EQ(u8(f, 59), 2u);

    struct Case {
        uint32_t code;
        size_t body;
        uint32_t answer;
        size_t answer_body;
    };
    const Case cases[] = {{1347, 103, 1859, 57}, {1348, 102, 1860, 57}, {1539, 57, 2051, 58},
                          {1540, 65, 2052, 65},  {1541, 96, 2053, 57},  {1542, 103, 2054, 57},
                          {1543, 384, 2055, 57}, {1544, 102, 2056, 57}, {1545, 383, 2057, 57}};
    for (const auto& c : cases) {
        head.request_id = c.code;
        Bytes body = request_body(head, c.body);
        if (c.code == 1540) put_u64(body, 57, 4242);
        f = ask(c.code, body);
        EXPECT_EQ(code_of(f), c.answer);
        // The transfer outcome pushes are covered on their own.
        if (c.code == 1347 || c.code == 1348 || c.code == 1541) {
            Bytes pushed;
            while (client.next(&pushed, 200)) {
            }
        }
        EXPECT_EQ(f.size(), 64 + c.answer_body) << c.code;
        EXPECT_EQ(u64(f, 8), c.code);
    }
    EXPECT_EQ(u64(f = ask(1540,
                          [&] {
                              Bytes b = request_body(head, 65);
                              put_u64(b, 57, 4242);
                              return b;
                          }()),
                  57),
              4242u);
}

TEST_F(CounterTest, ShortAndGarbledRequestsAreSurvived) {
    const uint32_t codes[] = {1030, 1035, 1037, 1039, 1041, 1043, 1046, 1048, 1050, 1052, 1055, 1283,
                              1289, 1347, 1348, 1411, 1412, 1413, 1475, 1476, 1477, 1478, 1479, 1480,
                              1539, 1540, 1541, 1542, 1543, 1544, 1545, 1546, 1547, 3000};
    const size_t sizes[] = {0, 1, 56, 57, 70, 200};
    uint32_t seed = 7;
    for (uint32_t code : codes)
        for (size_t size : sizes) {
            Bytes body(size);
            for (auto& b : body) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
            ASSERT_TRUE(client.send(code, body)) << code << " " << size;
        }
    // Garbled datagrams at the order node.
    ASSERT_TRUE(send_datagram(counter.order_node(), Bytes(3, 0x27)));
    ASSERT_TRUE(send_datagram(counter.order_node(), Bytes(200, 0xff)));
    ASSERT_TRUE(
        counter.wait_until([&] { return counter.codes(1).size() == std::size(codes) * std::size(sizes); }, 5000));
    ASSERT_TRUE(counter.wait_datagrams(2, 3000));
    // Still answering.
    EXPECT_TRUE(counter.is_open(1));
    CounterClient fresh;
    ASSERT_TRUE(fresh.connect_to(counter.address()));
    ASSERT_TRUE(fresh.send(1539, request_body(head, 57)));
    Bytes f;
    ASSERT_TRUE(fresh.next(&f));
    EXPECT_EQ(code_of(f), 2051u);
    // A frame whose length field is below the header size ends only its session.
    const Bytes bad = testpeer::make_raw_header(uint64_t(1030) | uint64_t(10) << 14);
    ASSERT_TRUE(testpeer::send_all(client.fd(), bad.data(), bad.size()));
    EXPECT_TRUE(counter.wait_closed(1, 3000));
    EXPECT_TRUE(counter.is_open(2));
}

TEST(QuoteFeederTest, SendsLevelOneAndLevelTwoDatagramsToLoopbackChannels) {
    const int rx = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(rx, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(getsockname(rx, reinterpret_cast<sockaddr*>(&a), &len), 0);
    QuoteFeeder feeder;
    ASSERT_TRUE(feeder.open());
    QuoteChannel c;
    c.mc_type = 1;
    c.group = a;
    const QuoteChannel free_channel = QuoteFeeder::loopback_channel(2);
    EXPECT_EQ(free_channel.mc_type, 2u);
    EXPECT_NE(free_channel.group.sin_port, 0u);
    EXPECT_EQ(free_channel.group.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    const Bytes l1 = QuoteFeeder::level1_entry(1, QuoteFeeder::sse_l1_snapshot("600000", 20240102, 123));
    EXPECT_EQ(l1.size(), 346u);
    EXPECT_EQ(get_u64(l1.data(), 16 + 74), 123u);
    ASSERT_TRUE(feeder.send(c, l1));
    unsigned char buf[2048];
    EXPECT_EQ(recv(rx, buf, sizeof buf, 0), 346);
    EXPECT_EQ(0, std::memcmp(buf, l1.data(), l1.size()));
    const Bytes l2 = QuoteFeeder::level2_record(107, 23, 9);
    EXPECT_EQ(l2.size(), 72u);
    EXPECT_EQ(l2[8], 23u);
    // Never to an address that is neither loopback nor multicast.
    QuoteChannel outside = c;
    inet_pton(AF_INET, "10.1.2.3", &outside.group.sin_addr);
    EXPECT_FALSE(feeder.send(outside, l2));
    close(rx);
}

TEST(QuoteFeederTest, MulticastStaysOnLoopback) {
    const int rx = socket(AF_INET, SOCK_DGRAM, 0);
    const int one = 1;
    setsockopt(rx, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, "239.255.10.1", &a.sin_addr);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(rx, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(getsockname(rx, reinterpret_cast<sockaddr*>(&a), &len), 0);
    ip_mreq mreq{};
    mreq.imr_multiaddr = a.sin_addr;
    inet_pton(AF_INET, "127.0.0.1", &mreq.imr_interface);
    if (setsockopt(rx, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof mreq) != 0) {
        close(rx);
        GTEST_SKIP() << "no multicast on loopback here";
    }
    timeval tv{2, 0};
    setsockopt(rx, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    QuoteFeeder feeder;
    ASSERT_TRUE(feeder.open());
    QuoteChannel c;
    c.mc_type = 102;
    c.group = a;
    const Bytes payload = QuoteFeeder::level2_record(102, 62, 1);
    ASSERT_TRUE(feeder.send(c, payload));
    unsigned char buf[2048];
    ASSERT_EQ(recv(rx, buf, sizeof buf, 0), 72);
    EXPECT_EQ(0, std::memcmp(buf, payload.data(), 72));
    close(rx);
}

TEST(StandInCounterSessions, SeveralSessionsAreNumberedAndRecordedApart) {
    StandInCounter counter;
    ASSERT_TRUE(counter.start());
    CounterClient c1, c2;
    ASSERT_TRUE(c1.connect_to(counter.address()));
    ASSERT_TRUE(counter.wait_sessions(1, 3000));
    ASSERT_TRUE(c2.connect_to(counter.address()));
    ASSERT_TRUE(counter.wait_sessions(2, 3000));
    std::thread t1([&] {
        for (int i = 0; i < 50; ++i) c1.send(1043, request_body(HeadFields{0, uint64_t(i)}, 72));
    });
    std::thread t2([&] {
        for (int i = 0; i < 50; ++i) c2.send(1539, request_body(HeadFields{0, uint64_t(i)}, 57));
    });
    t1.join();
    t2.join();
    ASSERT_TRUE(
        counter.wait_until([&] { return counter.codes(1).size() == 50 && counter.codes(2).size() == 50; }, 5000));
    EXPECT_EQ(counter.codes(1), std::vector<uint32_t>(50, 1043));
    EXPECT_EQ(counter.codes(2), std::vector<uint32_t>(50, 1539));
    for (int i = 0; i < 50; ++i) {
        Bytes f;
        ASSERT_TRUE(c2.next(&f));
        EXPECT_EQ(code_of(f), 2051u);
        EXPECT_EQ(u64(f, 8), uint64_t(i));
    }
    // A burst larger than the socket buffers arrives whole and in order.
    const Bytes record = order_report_record(2308, "B", 1);
    std::thread pusher([&] {
        for (int i = 0; i < 10000; ++i) counter.push(1, 2308, record);
        StandInCounter::PushOptions no_replay;
        no_replay.keep_for_replay = false;
        counter.push_batch(1, 2308, std::vector<Bytes>(10000, record), no_replay);
    });
    for (uint64_t i = 1; i <= 20000; ++i) {
        Bytes f;
        ASSERT_TRUE(c1.next(&f)) << i;
        if (code_of(f) == 1044) {
            --i;
            continue;
        }
        ASSERT_EQ(code_of(f), 2308u);
        ASSERT_EQ(u64(f, 8), i);
    }
    pusher.join();
    EXPECT_EQ(counter.last_sequence(1), 20000u);
    counter.close_session(2);
    EXPECT_TRUE(c2.eof(3000));
    EXPECT_TRUE(counter.wait_closed(2, 3000));
    EXPECT_EQ(counter.sessions(), std::vector<uint64_t>{1});
}

// A test process that forks and execs hands none of the counter's sockets
// to the child.
TEST(StandInCounterSessions, DescriptorsAreCloseOnExec) {
    StandInCounter counter;
    ASSERT_TRUE(counter.start());
    CounterClient client;
    ASSERT_TRUE(client.connect_to(counter.address()));
    ASSERT_TRUE(counter.wait_sessions(1, 3000));
    QuoteFeeder feeder;
    ASSERT_TRUE(feeder.open());
    size_t sockets = 0;
    for (int fd = 0; fd < 1024; ++fd) {
        if (fd == client.fd()) continue;
        char target[64] = {0};
        if (readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1) <= 0) continue;
        if (std::strncmp(target, "socket:", 7) != 0) continue;
        ++sockets;
        EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "descriptor " << fd;
    }
    EXPECT_EQ(sockets, 4u) << "listener, order node, the accepted session, the feeder";
}

}  // namespace
