#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "api/business/KApiReportMgr.h"
#include "support/AllocMemFault.h"
#include "support/RunTogether.h"

using nq::api::KApiReportMgr;
using nq::api::KApiReportNode;

namespace {

using Id = std::array<unsigned char, 32>;

Id make_id(uint64_t n) {
    Id id{};
    std::memcpy(id.data() + 24, &n, 8);  // leading zero bytes: a C-string view would be empty
    return id;
}

struct KApiReportMgrTable : ::testing::Test {
    KApiReportNode** t = nullptr;
    void SetUp() override { ASSERT_NE(t = KApiReportMgr::create_table(), nullptr); }
    void TearDown() override { KApiReportMgr::destroy_table(t); }
};

TEST(KApiReportMgr, BucketIsTheStringHashOfAll32BytesMod1000003) {
    EXPECT_EQ(KApiReportMgr::bucket_size_, 1000003u);
    for (uint64_t n : {0ull, 1ull, 0x1234ull, ~0ull}) {
        Id id = make_id(n);
        std::string s(reinterpret_cast<const char*>(id.data()), 32);
        EXPECT_EQ(KApiReportMgr::bucket_of(id.data()), std::hash<std::string>{}(s) % 1000003) << n;
    }
}

TEST_F(KApiReportMgrTable, IdsAreWholeThirtyTwoBytes) {
    // Differences hidden behind a zero byte, and in the very last byte.
    Id a = make_id(1), b = make_id(2), c = make_id(1);
    c[31] ^= 0x80;
    for (const Id* id : {&a, &b, &c}) EXPECT_TRUE(KApiReportMgr::add_report(t, id->data()));
    for (const Id* id : {&a, &b, &c}) {
        EXPECT_FALSE(KApiReportMgr::add_report(t, id->data()));
        EXPECT_TRUE(KApiReportMgr::contains(t, id->data()));
    }
    Id d = make_id(3);
    EXPECT_FALSE(KApiReportMgr::contains(t, d.data()));
}

TEST_F(KApiReportMgrTable, SameBucketIdsChainWithoutMixingUp) {
    // Find ids that share a bucket.
    std::vector<Id> same;
    const uint64_t target = KApiReportMgr::bucket_of(make_id(0).data());
    for (uint64_t n = 0; same.size() < 3 && n < 50000000; ++n) {
        Id id = make_id(n);
        if (KApiReportMgr::bucket_of(id.data()) == target) same.push_back(id);
    }
    ASSERT_EQ(same.size(), 3u);
    for (auto& id : same) EXPECT_TRUE(KApiReportMgr::add_report(t, id.data()));
    for (auto& id : same) EXPECT_FALSE(KApiReportMgr::add_report(t, id.data()));
    int chain = 0;
    for (KApiReportNode* n = t[target]; n; n = n->next) ++chain;
    EXPECT_EQ(chain, 3);
}

TEST_F(KApiReportMgrTable, NoNodeMeansDeliveredAndNotRemembered) {
    Id id = make_id(77);
    alloc_fault::fail_nth(1);
    EXPECT_TRUE(KApiReportMgr::add_report(t, id.data()));
    alloc_fault::off();
    EXPECT_FALSE(KApiReportMgr::contains(t, id.data()));
    EXPECT_TRUE(KApiReportMgr::add_report(t, id.data()));
    EXPECT_FALSE(KApiReportMgr::add_report(t, id.data()));
}

TEST_F(KApiReportMgrTable, NullTableOrIdIsNeverAccepted) {
    Id id = make_id(5);
    EXPECT_FALSE(KApiReportMgr::add_report(nullptr, id.data()));
    EXPECT_FALSE(KApiReportMgr::add_report(t, nullptr));
    EXPECT_FALSE(KApiReportMgr::contains(t, nullptr));
}

// Even offered from several threads at once, each id is accepted once.
TEST_F(KApiReportMgrTable, ConcurrentOffersAcceptEachIdOnce) {
    constexpr int kThreads = 6, kIds = 20000;
    std::vector<std::atomic<int>> accepted(kIds);
    for (auto& a : accepted) a.store(0);
    trv_test::run_together(kThreads, [&](int) {
        for (int i = 0; i < kIds; ++i) {
            Id id = make_id(uint64_t(i % 64) * 1000003ull + uint64_t(i));
            if (KApiReportMgr::add_report(t, id.data())) accepted[i].fetch_add(1);
        }
    });
    for (int i = 0; i < kIds; ++i) ASSERT_EQ(accepted[i].load(), 1) << i;
}

}  // namespace
