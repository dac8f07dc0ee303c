#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "api/business/KApiBusiness.h"
#include "api/security/OrderXid.h"
#include "log/LogTestUtil.h"
#include "support/AllocMemFault.h"
#include "support/RunTogether.h"

using nq::api::KApiBusiness;
using nq::api::KApiOrder;

namespace {

uint64_t rd64(const void* p, size_t off) {
    uint64_t v;
    std::memcpy(&v, static_cast<const unsigned char*>(p) + off, 8);
    return v;
}

// A 56-byte order payload with the xid at bytes 8-15 and a marker after it.
std::vector<unsigned char> payload(uint64_t xid, unsigned char marker = 0x5a, size_t len = 56) {
    std::vector<unsigned char> p(len, 0);
    std::memcpy(p.data() + 8, &xid, 8);
    for (size_t i = 16; i < len; ++i) p[i] = static_cast<unsigned char>(marker + i);
    return p;
}

uint64_t nq_xid(uint64_t token, uint64_t sequence) { return nq::api::make_xid(token, sequence); }

// An xid of `token` that is stored in chain `chain`.
uint64_t xid_in_chain(uint64_t token, uint64_t chain) {
    const uint64_t mask = KApiBusiness::kOrderChains - 1;
    const uint64_t sequence = (chain - KApiBusiness::order_chain(nq::api::make_xid(token, 0))) & mask;
    return nq_xid(token, sequence);
}

struct KApiBusinessStore : ::testing::Test {
    KApiBusiness b;
    void SetUp() override { ASSERT_TRUE(b.initialize()); }
    bool add(uint64_t xid, unsigned char marker = 0x5a, uint32_t code = 1101, uint64_t t = 0) {
        auto p = payload(xid, marker);
        return b.add_order(code, t, uint32_t(p.size()), p.data());
    }
    size_t chain_length(uint64_t chain) const {
        size_t n = 0;
        for (KApiOrder* o = b.order_store_[chain]; o != nullptr; o = o->next) ++n;
        return n;
    }
};

std::array<unsigned char, 32> report_id(const char* text) {
    std::array<unsigned char, 32> id{};
    std::memcpy(id.data(), text, std::min<size_t>(32, std::strlen(text)));
    return id;
}

TEST(KApiBusinessInit, BuildsEveryMemberInOrder) {
    KApiBusiness b;
    EXPECT_EQ(b.token_mgr_, nullptr);
    ASSERT_TRUE(b.initialize());
    EXPECT_NE(b.token_mgr_, nullptr);
    EXPECT_NE(b.report_filter_, nullptr);
    EXPECT_NE(b.raw_report_filter_, nullptr);
    EXPECT_NE(b.report_filter_, b.raw_report_filter_);
    EXPECT_NE(b.order_store_, nullptr);
    ASSERT_NE(b.security_maps_[0], nullptr);
    ASSERT_NE(b.security_maps_[1], nullptr);
    EXPECT_EQ(b.security_maps_[0]->capacity(), 46793u);
    EXPECT_EQ(b.security_map(1), b.security_maps_[0]);
    EXPECT_EQ(b.security_map(2), b.security_maps_[1]);
    EXPECT_EQ(b.security_map(0), nullptr);
    EXPECT_EQ(b.security_map(3), nullptr);
    ASSERT_NE(b.auth_mgr_, nullptr);
    EXPECT_EQ(b.auth_mgr_->open_counter(), 1u);
    EXPECT_NE(b.login_account_mgr_, nullptr);
    EXPECT_FALSE(b.security_table_loaded());
    b.set_security_table_loaded();
    EXPECT_TRUE(b.security_table_loaded());
    EXPECT_EQ(b.trading_day(), 0u);
    b.set_trading_day(20261210);
    EXPECT_EQ(b.trading_day(), 20261210u);
    EXPECT_EQ(b.security_map(1)->set_security_index("600000", 7), true);
    EXPECT_EQ(b.security_map(1)->get_security_index("600000  "), 7u);
    EXPECT_EQ(b.security_map(2)->get_security_index("600000  "), 0u);
}

// The n-th allocation of initialize fails: every member built before it is
// kept, the failing one and all later ones stay null.
TEST(KApiBusinessInit, FirstFailingStepStopsTheBuild) {
    struct Case {
        long fail_call;
        int built;  // members built before the failing step
    } cases[] = {
        {1, 0},  {2, 0},                   // token manager object, its chain heads
        {3, 1},  {4, 2},  {5, 3},          // report filter, raw-report filter, order store
        {6, 4},  {7, 4},  {8, 5}, {9, 5},  // SH map object and buckets, SZ map
        {10, 6}, {11, 6},                  // auth manager object, its slots
        {12, 7},                           // login-account manager
    };
    for (const Case& c : cases) {
        KApiBusiness b;
        alloc_fault::fail_nth(c.fail_call);
        EXPECT_FALSE(b.initialize()) << c.fail_call;
        const long calls = alloc_fault::calls;
        alloc_fault::off();
        EXPECT_EQ(calls, c.fail_call) << "no step runs after the failing one";
        const void* members[] = {b.token_mgr_,        b.report_filter_,    b.raw_report_filter_, b.order_store_,
                                 b.security_maps_[0], b.security_maps_[1], b.auth_mgr_,          b.login_account_mgr_};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(members[i] != nullptr, i < c.built) << c.fail_call << " member " << i;
    }
    KApiBusiness b;
    alloc_fault::fail_nth(13);
    EXPECT_TRUE(b.initialize());
    EXPECT_EQ(alloc_fault::calls, 12);
    alloc_fault::off();
}

TEST_F(KApiBusinessStore, StoredOrderIsFramedFromItsPayload) {
    auto p = payload(0x123456789abcdef0ull);
    ASSERT_TRUE(b.add_order(1101, 1765400000123456789ull, 56, p.data()));
    KApiOrder* o = b.get_api_order(0x123456789abcdef0ull);
    ASSERT_NE(o, nullptr);
    const unsigned char* hdr = reinterpret_cast<const unsigned char*>(o->message_.header_);
    EXPECT_EQ(o->message_.frame_, hdr);
    EXPECT_EQ(o->message_.body_, hdr + 64);
    EXPECT_EQ(hdr, o->storage_);
    EXPECT_EQ(rd64(hdr, 8), 1101u | (uint64_t(56 + 64) << 14));
    EXPECT_EQ(rd64(hdr, 32), 1765400000123456789ull);
    EXPECT_EQ(std::memcmp(hdr + 64, p.data(), 56), 0);
    EXPECT_EQ(o->body_capacity_, 56u) << "the record holds what it stores, no more";
    EXPECT_EQ(o->got_report.load(), 0);
    EXPECT_EQ(o->resend_count, 1u);
    EXPECT_EQ(b.get_api_order(0x123456789abcdef1ull), nullptr);
}

TEST_F(KApiBusinessStore, HeaderWordZeroWhenTheCodeDoesNotFit) {
    struct Case {
        uint32_t code;
        uint64_t word;
    } cases[] = {{16382, 16382u | (uint64_t(120) << 14)}, {16383, 0}, {70000, 0}};
    uint64_t xid = 0x1000;
    for (const Case& c : cases) {
        auto p = payload(xid);
        ASSERT_TRUE(b.add_order(c.code, 0, 56, p.data()));
        EXPECT_EQ(rd64(b.get_api_order(xid)->storage_, 8), c.word) << c.code;
        xid += 0x100;
    }
}

TEST_F(KApiBusinessStore, PayloadsThatCannotBeStoredWholeAreRefused) {
    auto big = payload(0x2200, 1, 193);
    EXPECT_FALSE(b.add_order(1101, 0, 193, big.data()));
    EXPECT_EQ(b.get_api_order(0x2200), nullptr);
    auto max = payload(0x2300, 1, 192);
    EXPECT_TRUE(b.add_order(1101, 0, 192, max.data()));
    EXPECT_EQ(std::memcmp(b.get_api_order(0x2300)->message_.body_, max.data(), 192), 0);
    EXPECT_EQ(b.get_api_order(0x2300)->body_capacity_, 192u) << "sized for its payload";
    auto small = payload(0x2400, 1, 16);
    EXPECT_TRUE(b.add_order(1102, 0, 16, small.data()));
    EXPECT_FALSE(b.add_order(1102, 0, 15, small.data()));  // no whole xid
    EXPECT_FALSE(b.add_order(1102, 0, 56, nullptr));
}

TEST_F(KApiBusinessStore, DuplicateXidKeepsTheFirstRecord) {
    ASSERT_TRUE(add(0xabc00, 0x10));
    EXPECT_FALSE(add(0xabc00, 0x20));
    KApiOrder* o = b.get_api_order(0xabc00);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->message_.body_[16], 0x10 + 16);
    EXPECT_EQ(o->next, nullptr);
    // Same sequence (bits 8-27), other token: both kept.
    const uint64_t other = 0xabc00 | (uint64_t(5) << 28);
    ASSERT_TRUE(add(other, 0x30));
    EXPECT_EQ(b.get_api_order(other)->message_.body_[16], 0x30 + 16);
    EXPECT_EQ(b.get_api_order(0xabc00), o);
}

// A record built ahead (the sending thread's spare) is published without an
// allocation; a duplicate leaves it with its builder, ready to be refilled.
TEST_F(KApiBusinessStore, PreparedRecordIsPublishedOrLeftWithItsBuilder) {
    ASSERT_TRUE(add(0xdd00, 0x10));
    KApiOrder* spare = KApiOrder::create_blank();
    ASSERT_NE(spare, nullptr);
    auto dup = payload(0xdd00, 0x40);
    ASSERT_TRUE(spare->fill(1289, 7, 32, dup.data()));
    alloc_fault::fail_nth(1);  // publishing must not need memory
    EXPECT_FALSE(b.publish_order(spare));
    EXPECT_EQ(alloc_fault::calls, 0);
    EXPECT_EQ(spare->next, nullptr);
    EXPECT_EQ(b.get_api_order(0xdd00)->message_.body_[16], 0x10 + 16);

    auto fresh = payload(0xee00, 0x50);
    EXPECT_FALSE(spare->fill(1289, 7, 15, fresh.data())) << "no whole xid";
    auto longer = payload(0xee00, 0x50, 57);
    EXPECT_FALSE(spare->fill(1283, 7, 57, longer.data())) << "a made-ahead record holds 56 body bytes";
    ASSERT_TRUE(spare->fill(1283, 99, 56, fresh.data()));
    EXPECT_TRUE(b.publish_order(spare));
    EXPECT_EQ(alloc_fault::calls, 0);
    alloc_fault::off();
    KApiOrder* o = b.get_api_order(0xee00);
    ASSERT_EQ(o, spare);
    EXPECT_EQ(nq::frame_service_code(o->storage_), 1283u);
    EXPECT_EQ(nq::frame_length(o->storage_), 120u);
    EXPECT_EQ(rd64(o->storage_, 32), 99u);
    EXPECT_EQ(o->resend_count, 1u);
    EXPECT_FALSE(o->reported());
    EXPECT_EQ(0, std::memcmp(o->message_.body_, fresh.data(), 56));
}

// A made-ahead record filled with an order and then, unpublished, with a
// cancel keeps nothing of the longer body.
TEST(KApiOrderRecord, RefilledRecordKeepsNothingOfAnEarlierBody) {
    KApiOrder* r = KApiOrder::create_blank();
    ASSERT_NE(r, nullptr);
    auto order = payload(0xab00, 0x11, 56);
    ASSERT_TRUE(r->fill(1283, 5, 56, order.data()));
    auto cancel = payload(0xac00, 0x22, 32);
    ASSERT_TRUE(r->fill(1289, 0, 32, cancel.data()));
    const unsigned char* body = r->message_.body_;
    EXPECT_EQ(0, std::memcmp(body, cancel.data(), 32));
    for (uint32_t i = 32; i < r->body_capacity_; ++i) EXPECT_EQ(body[i], 0) << i;
    EXPECT_EQ(nq::frame_length(r->storage_), 96u);
    EXPECT_EQ(rd64(r->storage_, 32), 0u);
    KApiOrder::destroy(r);
}

TEST_F(KApiBusinessStore, FailedCopyAllocationStoresNothing) {
    alloc_fault::fail_nth(1);
    EXPECT_FALSE(add(0x7700));
    alloc_fault::off();
    EXPECT_EQ(b.get_api_order(0x7700), nullptr);
    EXPECT_TRUE(add(0x7700));
}

TEST_F(KApiBusinessStore, ReportIdAcceptedOnceAndMarksItsOrder) {
    ASSERT_TRUE(add(0x5500));
    auto id = report_id("R-0001");
    EXPECT_TRUE(b.add_order_report(id.data(), 0x5500));
    EXPECT_TRUE(b.get_api_order(0x5500)->reported());
    EXPECT_FALSE(b.add_order_report(id.data(), 0x5500));
    // The raw-report filter is a table of its own.
    EXPECT_TRUE(b.add_order_raw_report(id.data(), 0x5500));
    EXPECT_FALSE(b.add_order_raw_report(id.data(), 0x5500));
    // A report for an order never stored: accepted, nothing marked.
    ASSERT_TRUE(add(0x5600));
    auto id2 = report_id("R-0002");
    EXPECT_TRUE(b.add_order_report(id2.data(), 0x9999900));
    EXPECT_FALSE(b.get_api_order(0x5600)->reported());
    EXPECT_FALSE(b.add_order_report(nullptr, 0x5600));
}

TEST_F(KApiBusinessStore, BinaryReportIdsDifferAfterAZeroByte) {
    std::array<unsigned char, 32> a{}, c{};
    a[0] = c[0] = 'X';  // same up to the zero byte at 1
    a[31] = 1;
    c[31] = 2;
    EXPECT_TRUE(b.add_order_report(a.data(), 0));
    EXPECT_TRUE(b.add_order_report(c.data(), 0));
    EXPECT_FALSE(b.add_order_report(a.data(), 0));
    EXPECT_FALSE(b.add_order_report(c.data(), 0));
}

TEST_F(KApiBusinessStore, ReportIsDeliveredAndLoggedWhenNoNodeCanBeMade) {
    logtest::LoggerFixture log;
    ASSERT_TRUE(log.ok);
    ASSERT_TRUE(add(0x6600));
    auto id = report_id("R-nomem");
    alloc_fault::fail_nth(1);
    EXPECT_TRUE(b.add_order_report(id.data(), 0x6600));
    alloc_fault::off();
    EXPECT_TRUE(b.get_api_order(0x6600)->reported());
    // Not remembered: the next copy is also delivered, then filtered.
    EXPECT_TRUE(b.add_order_report(id.data(), 0x6600));
    EXPECT_FALSE(b.add_order_report(id.data(), 0x6600));
    ASSERT_TRUE(logtest::wait_until([&] {
        for (const auto& l : logtest::read_lines(log.path))
            if (l.find("[ERROR]") != std::string::npos && l.find("no memory for a report node") != std::string::npos)
                return true;
        return false;
    }));
}

// Many threads store the same xids at once: each xid ends up stored exactly
// once, exactly one add_order per xid wins, and the losers' copies are freed
// (ASan's leak check sees every record reachable from the store).
TEST_F(KApiBusinessStore, ConcurrentSameXidHasExactlyOneWinner) {
    constexpr int kThreads = 8, kXids = 4000;
    // 50 tokens per chain: the xids of a group share one chain, so the
    // threads also race on each other's pushes.
    std::vector<uint64_t> xids;
    for (int i = 0; i < kXids; ++i) xids.push_back(xid_in_chain(uint64_t(i % 50 + 1), uint64_t(i / 50) + 7));
    std::vector<std::vector<unsigned char>> wins(kXids, std::vector<unsigned char>(kThreads, 0));
    trv_test::run_together(kThreads, [&](int t) {
        for (int i = 0; i < kXids; ++i) {
            auto p = payload(xids[i], static_cast<unsigned char>(t));
            wins[i][t] = b.add_order(1101, 0, 56, p.data()) ? 1 : 0;
        }
    });
    for (int i = 0; i < kXids; ++i) {
        const uint64_t xid = xids[i];
        int n = 0, winner = -1;
        for (int t = 0; t < kThreads; ++t)
            if (wins[i][t]) ++n, winner = t;
        ASSERT_EQ(n, 1) << xid;
        KApiOrder* o = b.get_api_order(xid);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->message_.body_[16], static_cast<unsigned char>(winner + 16));
        int copies = 0;
        for (KApiOrder* c = b.order_store_[KApiBusiness::order_chain(xid)]; c; c = c->next) copies += c->xid() == xid;
        EXPECT_EQ(copies, 1);
    }
    EXPECT_EQ(chain_length(KApiBusiness::order_chain(xids[0])), 50u);
}

// The chain of an order depends on its token as well as on its sequence: the
// same sequences used by 200 tokens spread over as many chains, so storing
// and finding an order walks no more records with 200 earlier tokens than
// with one, and the orders of one token never share a chain.
TEST_F(KApiBusinessStore, ChainsStayShortHoweverManyTokensUseASequence) {
    constexpr uint64_t kTokens = 200, kSequences = 64;
    for (uint64_t t = 5; t < 5 + kTokens; ++t)
        for (uint64_t s = 1; s <= kSequences; ++s) ASSERT_TRUE(add(nq_xid(t, s)));
    size_t longest = 0;
    for (uint64_t t = 5; t < 5 + kTokens; ++t)
        for (uint64_t s = 1; s <= kSequences; ++s) {
            longest = std::max(longest, chain_length(KApiBusiness::order_chain(nq_xid(t, s))));
            ASSERT_EQ(b.get_api_order(nq_xid(t, s))->xid(), nq_xid(t, s));
        }
    EXPECT_LE(longest, 2u) << "a chain holds the orders of many tokens";

    // One token over its whole sequence range: every order has a chain of
    // its own.
    std::vector<unsigned char> used(KApiBusiness::kOrderChains, 0);
    for (uint64_t s = 1; s <= 0xfffff; ++s) {
        const uint64_t c = KApiBusiness::order_chain(nq_xid(77, s));
        ASSERT_EQ(used[c], 0) << s;
        used[c] = 1;
    }
}

// Readers walk chains while writers push: every record a reader reaches is
// complete.
TEST_F(KApiBusinessStore, ReadersSeeOnlyCompleteRecords) {
    constexpr int kWriters = 4, kEach = 5000;
    std::atomic<bool> done{false};
    std::atomic<long> seen{0};
    std::thread reader([&] {
        while (!done.load()) {
            for (int w = 0; w < kWriters; ++w)
                for (int i = 0; i < kEach; i += 97) {
                    const uint64_t xid = (uint64_t(w + 1) << 28) | (uint64_t(i) << 8);
                    if (KApiOrder* o = b.get_api_order(xid)) {
                        ASSERT_EQ(o->xid(), xid);
                        ASSERT_EQ(o->resend_count, 1u);
                        ASSERT_EQ(o->message_.body_[20], static_cast<unsigned char>(0x40 + 20));
                        seen.fetch_add(1);
                    }
                }
        }
    });
    std::vector<std::thread> ths;
    for (int w = 0; w < kWriters; ++w)
        ths.emplace_back([&, w] {
            for (int i = 0; i < kEach; ++i) ASSERT_TRUE(add((uint64_t(w + 1) << 28) | (uint64_t(i) << 8), 0x40));
        });
    for (auto& th : ths) th.join();
    done.store(true);
    reader.join();
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kEach; ++i)
            ASSERT_NE(b.get_api_order((uint64_t(w + 1) << 28) | (uint64_t(i) << 8)), nullptr);
}

}  // namespace
