#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "api/security/ApiTradeToken.h"
#include "api/security/ApiTradeTokenMgr.h"

using nq::api::ApiTradeToken;
using nq::api::ApiTradeTokenMgr;

namespace {

ApiTradeToken* make_token(uint64_t id, uint64_t session = 7) {
    sockaddr_in fon{};
    fon.sin_family = AF_INET;
    fon.sin_port = htons(40000);
    const unsigned char fmac[6] = {1, 2, 3, 4, 5, 6}, lmac[6] = {0xa, 0xb, 0xc, 0xd, 0xe, 0xf};
    return new ApiTradeToken(session, 0x100001, 3, 4, id, 0x1122334455667788ull, fon, fmac, lmac);
}

TEST(ApiTradeToken, Base62CodeOfTheTokenId) {
    struct Case {
        uint64_t id;
        const char* code;
    } cases[] = {
        {1, "000001"},
        {61, "00000z"},
        {62, "000010"},
        {61 + 62 * 10, "0000Az"},
        {56800235584ull, "000000"},  // 62^6 wraps
        {56800235583ull, "zzzzzz"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ApiTradeToken> t(make_token(c.id));
        EXPECT_EQ(std::string(t->code, 6), c.code) << c.id;
        EXPECT_EQ(t->code[6], '\0');
        EXPECT_EQ(t->code[7], '\0');
    }
}

TEST(ApiTradeToken, ConstructionKeepsEveryMemberAndStartsSequencesAtOne) {
    std::unique_ptr<ApiTradeToken> t(make_token(99, 12345));
    EXPECT_EQ(t->order_sequence_.load(), 1u);
    EXPECT_EQ(t->business_sequence_.load(), 1u);
    EXPECT_EQ(t->session_id, 12345u);
    EXPECT_EQ(t->trade_token, 0x100001u);
    EXPECT_EQ(t->login_account_index, 3u);
    EXPECT_EQ(t->trade_account_index, 4u);
    EXPECT_EQ(t->reserved_, 0x1122334455667788ull);
    EXPECT_EQ(ntohs(t->fon_address.sin_port), 40000);
    EXPECT_EQ(t->fon_mac[5], 6);
    EXPECT_EQ(t->local_mac[0], 0xa);
    EXPECT_TRUE(t->initialize());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(t.get()) % 64, 0u);
    // The two counters never share a cache line.
    auto a = reinterpret_cast<uintptr_t>(&t->order_sequence_), b = reinterpret_cast<uintptr_t>(&t->business_sequence_);
    EXPECT_GE(b - a, 64u);
}

// Every order and cancel takes its number from these counters on the caller's
// thread: they must be lock-free, and each alone on its cache line, apart from
// the fields the order path only reads.
TEST(ApiTradeToken, SequenceCountersAreLockFreeEachOnItsOwnLine) {
    static_assert(decltype(ApiTradeToken::order_sequence_)::is_always_lock_free, "order numbering takes no lock");
    static_assert(decltype(ApiTradeToken::business_sequence_)::is_always_lock_free, "business numbering takes no lock");
    std::unique_ptr<ApiTradeToken> t(make_token(8));
    const auto base = reinterpret_cast<uintptr_t>(t.get());
    const auto order = reinterpret_cast<uintptr_t>(&t->order_sequence_) - base;
    const auto business = reinterpret_cast<uintptr_t>(&t->business_sequence_) - base;
    const auto read_only = reinterpret_cast<uintptr_t>(&t->token_id) - base;
    EXPECT_EQ(order % 64, 0u);
    EXPECT_EQ(business % 64, 0u);
    EXPECT_EQ(read_only % 64, 0u);
    EXPECT_GE(order, 64u) << "shares the line of the vtable pointer";
    EXPECT_EQ(business - order, 64u);
    EXPECT_EQ(read_only - business, 64u);
}

TEST(ApiTradeTokenMgr, AddAndFind) {
    ApiTradeTokenMgr mgr;
    ApiTradeToken* zero = make_token(0);
    EXPECT_FALSE(mgr.add_trade_token(zero));  // before initialize
    ASSERT_TRUE(mgr.initialize());
    EXPECT_FALSE(mgr.add_trade_token(nullptr));
    EXPECT_FALSE(mgr.add_trade_token(zero));
    delete zero;

    ApiTradeToken* a = make_token(42);
    ApiTradeToken* same_chain = make_token(42 + (1u << 20));
    ApiTradeToken* newer = make_token(42);
    EXPECT_TRUE(mgr.add_trade_token(a));
    EXPECT_TRUE(mgr.add_trade_token(same_chain));
    EXPECT_EQ(mgr.get_trade_token(42), a);
    EXPECT_EQ(mgr.get_trade_token(42 + (1u << 20)), same_chain);
    EXPECT_TRUE(mgr.add_trade_token(newer));
    EXPECT_EQ(mgr.get_trade_token(42), newer);  // the newest is found first
    EXPECT_EQ(mgr.get_trade_token(43), nullptr);
    delete a;
    delete same_chain;
    delete newer;
}

TEST(ApiTradeTokenMgr, ReadersSeeFullyBuiltTokens) {
    ApiTradeTokenMgr mgr;
    ASSERT_TRUE(mgr.initialize());
    constexpr int kTokens = 2000;
    std::vector<ApiTradeToken*> made(kTokens + 1);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done.load()) {
            for (uint64_t id = 1; id <= kTokens; ++id) {
                if (ApiTradeToken* t = mgr.get_trade_token(id)) {
                    ASSERT_EQ(t->token_id, id);
                    ASSERT_EQ(t->session_id, id * 3);
                }
            }
        }
    });
    for (uint64_t id = 1; id <= kTokens; ++id) {
        made[id] = make_token(id, id * 3);
        ASSERT_TRUE(mgr.add_trade_token(made[id]));
    }
    done = true;
    reader.join();
    for (uint64_t id = 1; id <= kTokens; ++id) delete made[id];
}

}  // namespace
