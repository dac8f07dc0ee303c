#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "api/business/KApiLoginAccountManager.h"
#include "support/AllocMemFault.h"

using nq::api::KApiLoginAccount;
using nq::api::KApiLoginAccountManager;

namespace {

constexpr uint64_t kA = 0x1000000010001ull, kB = 0x1000000020002ull;

struct KApiLoginAccountManagerT : ::testing::Test {
    KApiLoginAccountManager m;
    void SetUp() override { ASSERT_TRUE(m.initialize()); }
};

TEST(KApiLoginAccount, ResetKeepsAtMost64Characters) {
    KApiLoginAccount a{};
    const std::string longname(80, 'n');
    a.reset(longname.c_str());
    EXPECT_EQ(std::string(a.name), std::string(64, 'n'));
    a.reset(nullptr);
    EXPECT_EQ(a.name[0], '\0');
    EXPECT_EQ(a.state.load(), 0);
}

TEST(KApiLoginAccount, OnlyTheOwningSessionMovesTheState) {
    KApiLoginAccount a{};
    a.reset("acct");
    ASSERT_TRUE(a.try_begin_login(kA));
    EXPECT_EQ(a.state.load(), KApiLoginAccount::kInProgress);
    EXPECT_EQ(a.session_id.load(), kA);
    EXPECT_FALSE(a.try_begin_login(kB));
    EXPECT_FALSE(a.try_begin_subscribe_trade(kA));

    EXPECT_FALSE(a.on_login_success(kB));
    EXPECT_FALSE(a.on_login_failed(kB));
    EXPECT_EQ(a.state.load(), KApiLoginAccount::kInProgress);
    EXPECT_TRUE(a.on_login_success(kA));
    EXPECT_EQ(a.state.load(), KApiLoginAccount::kDone);
    EXPECT_FALSE(a.on_logout(kB));
    EXPECT_EQ(a.state.load(), KApiLoginAccount::kDone);
    EXPECT_TRUE(a.on_logout(kA));
    EXPECT_EQ(a.state.load(), KApiLoginAccount::kIdle);
    EXPECT_EQ(a.session_id.load(), 0u);
    EXPECT_FALSE(a.on_logout(kA));  // nothing left to release

    // Each release path, for the owner.
    using Release = bool (KApiLoginAccount::*)(uint64_t);
    for (Release r : {&KApiLoginAccount::on_login_failed, &KApiLoginAccount::on_logout,
                      &KApiLoginAccount::on_subscribe_trade_failed, &KApiLoginAccount::on_unsubscribe_trade}) {
        ASSERT_TRUE(a.try_begin_subscribe_trade(kB));
        EXPECT_FALSE((a.*r)(kA));
        EXPECT_TRUE((a.*r)(kB));
        EXPECT_EQ(a.state.load(), KApiLoginAccount::kIdle);
    }
    ASSERT_TRUE(a.try_begin_subscribe_trade(kB));
    EXPECT_TRUE(a.on_subscribe_trade_success(kB));
    EXPECT_EQ(a.state.load(), KApiLoginAccount::kDone);
}

TEST_F(KApiLoginAccountManagerT, TradeLoginsAreFreshRecordsEachTime) {
    KApiLoginAccount* a = m.try_begin_login("acct", kA);
    KApiLoginAccount* b = m.try_begin_login("acct", kB);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_STREQ(a->name, "acct");
    EXPECT_EQ(a->state.load(), KApiLoginAccount::kInProgress);
    EXPECT_EQ(b->session_id.load(), kB);
    EXPECT_TRUE(m.on_login_success(a, kA));
    EXPECT_FALSE(m.on_login_success(nullptr, kA));
    std::free(a);
    std::free(b);
    alloc_fault::fail_nth(1);
    EXPECT_EQ(m.try_begin_login("acct", kA), nullptr);
    alloc_fault::off();
}

TEST_F(KApiLoginAccountManagerT, OneQuoteLoginAtATime) {
    KApiLoginAccount* q = m.try_begin_login_quote("q1", kA);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(m.quote_account(), q);
    EXPECT_EQ(m.try_begin_login_quote("q2", kB), nullptr);  // in progress
    EXPECT_TRUE(m.on_login_success(q, kA));
    EXPECT_EQ(m.try_begin_login_quote("q2", kB), nullptr);  // done
    // A session that does not own the quote account cannot release it.
    EXPECT_FALSE(m.on_logout(q, kB));
    EXPECT_EQ(m.try_begin_login_quote("q2", kB), nullptr);
    EXPECT_TRUE(m.on_logout(q, kA));
    KApiLoginAccount* q2 = m.try_begin_login_quote("q2", kB);
    EXPECT_EQ(q2, q);  // the one account, reused
    EXPECT_STREQ(q2->name, "q2");
    EXPECT_EQ(q2->session_id.load(), kB);
    // A late failure of the first session leaves the second one's login alone.
    EXPECT_FALSE(m.on_login_failed(q, kA));
    EXPECT_EQ(q->state.load(), KApiLoginAccount::kInProgress);
    EXPECT_TRUE(m.on_login_failed(q, kB));
    EXPECT_NE(m.try_begin_login_quote("q3", kA), nullptr);
}

TEST_F(KApiLoginAccountManagerT, OneSubscriptionPerAccountName) {
    KApiLoginAccount* s = m.try_begin_subscribe_trade("acct", kA);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s, m.subscribe_slot(0));
    EXPECT_EQ(s->in_use, 1);
    EXPECT_EQ(m.try_begin_subscribe_trade("acct", kB), nullptr);  // in progress
    EXPECT_TRUE(m.on_subscribe_trade_success(s, kA));
    EXPECT_EQ(m.try_begin_subscribe_trade("acct", kB), nullptr);  // done
    EXPECT_FALSE(m.on_unsubscribe_trade(s, kB));
    EXPECT_FALSE(m.on_subscribe_trade_failed(s, kB));
    EXPECT_EQ(s->state.load(), KApiLoginAccount::kDone);
    KApiLoginAccount* other = m.try_begin_subscribe_trade("other", kB);
    EXPECT_EQ(other, m.subscribe_slot(1));
    EXPECT_TRUE(m.on_unsubscribe_trade(s, kA));
    EXPECT_EQ(m.try_begin_subscribe_trade("acct", kB), s);  // its slot for good
    EXPECT_EQ(s->session_id.load(), kB);
    EXPECT_EQ(m.subscribe_slot(1024), nullptr);
}

TEST_F(KApiLoginAccountManagerT, NullNameMatchesNothing) {
    KApiLoginAccount* a = m.try_begin_subscribe_trade(nullptr, kA);
    KApiLoginAccount* b = m.try_begin_subscribe_trade(nullptr, kB);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
}

TEST_F(KApiLoginAccountManagerT, The1025thAccountNameIsRefused) {
    for (int i = 0; i < 1024; ++i)
        ASSERT_NE(m.try_begin_subscribe_trade(("acct" + std::to_string(i)).c_str(), kA), nullptr) << i;
    EXPECT_EQ(m.try_begin_subscribe_trade("acct1024", kA), nullptr);
    // Released slots still belong to their names.
    ASSERT_TRUE(m.on_unsubscribe_trade(const_cast<KApiLoginAccount*>(m.subscribe_slot(5)), kA));
    EXPECT_EQ(m.try_begin_subscribe_trade("acct1024", kA), nullptr);
    EXPECT_EQ(m.try_begin_subscribe_trade("acct5", kB), m.subscribe_slot(5));
}

// Sessions racing for the quote account and for one account's subscription:
// exactly one wins each round; only the winner can release it.
TEST_F(KApiLoginAccountManagerT, ConcurrentClaimsHaveExactlyOneWinner) {
    constexpr int kThreads = 8, kRounds = 2000;
    std::atomic<int> quote_wins{0}, sub_wins{0}, arrived{0}, done{0};
    std::vector<std::atomic<int>> round_quote(kRounds), round_sub(kRounds);
    for (int r = 0; r < kRounds; ++r) round_quote[r].store(0), round_sub[r].store(0);
    std::vector<std::thread> ths;
    for (int t = 0; t < kThreads; ++t)
        ths.emplace_back([&, t] {
            const uint64_t sid = 0x100 + uint64_t(t);
            for (int r = 0; r < kRounds; ++r) {
                KApiLoginAccount* q = m.try_begin_login_quote("quote", sid);
                KApiLoginAccount* s = m.try_begin_subscribe_trade("shared", sid);
                if (q) round_quote[r].fetch_add(1), quote_wins.fetch_add(1);
                if (s) round_sub[r].fetch_add(1), sub_wins.fetch_add(1);
                // Everyone has tried this round before the winners release.
                arrived.fetch_add(1);
                while (arrived.load() < kThreads * (r + 1)) std::this_thread::yield();
                KApiLoginAccount* qa = const_cast<KApiLoginAccount*>(m.quote_account());
                const KApiLoginAccount* slot = m.subscribe_slot(0);
                EXPECT_EQ(m.on_logout(qa, sid), q != nullptr);
                EXPECT_EQ(m.on_unsubscribe_trade(const_cast<KApiLoginAccount*>(slot), sid), s != nullptr);
                done.fetch_add(1);
                while (done.load() < kThreads * (r + 1)) std::this_thread::yield();
            }
        });
    for (auto& th : ths) th.join();
    for (int r = 0; r < kRounds; ++r) {
        ASSERT_EQ(round_quote[r].load(), 1) << r;
        ASSERT_EQ(round_sub[r].load(), 1) << r;
    }
    EXPECT_EQ(m.subscribe_slot(1)->in_use, 0);
}

}  // namespace
