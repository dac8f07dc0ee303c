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
        {1, "000001"}, {61, "00000z"}, {62, "000010"}, {61 + 62 * 10, "0000Az"},
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

TEST(ApiTradeToken, SequencesAreTakenOnceEachUnderContention) {
    std::unique_ptr<ApiTradeToken> t(make_token(5));
    constexpr int kThreads = 8, kEach = 20000;
    std::vector<std::vector<uint64_t>> got(kThreads);
    std::vector<std::thread> ths;
    for (int i = 0; i < kThreads; ++i)
        ths.emplace_back([&, i] {
            for (int n = 0; n < kEach; ++n) got[i].push_back(t->order_sequence_.fetch_add(1));
        });
    for (auto& th : ths) th.join();
    std::set<uint64_t> all;
    for (auto& v : got) all.insert(v.begin(), v.end());
    EXPECT_EQ(all.size(), size_t(kThreads * kEach));
    EXPECT_EQ(*all.begin(), 1u);
    EXPECT_EQ(*all.rbegin(), uint64_t(kThreads * kEach));
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
