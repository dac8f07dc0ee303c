#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "api/business/KApiOrderMap.h"
#include "support/AllocMemFault.h"
#include "support/RunTogether.h"

using nq::api::KApiOrder;
using nq::api::KApiOrderMap;

namespace {

struct OrderDeleter {
    void operator()(KApiOrder* o) const { KApiOrder::destroy(o); }
};
using OrderPtr = std::unique_ptr<KApiOrder, OrderDeleter>;

OrderPtr order(uint64_t xid) {
    unsigned char body[56] = {};
    std::memcpy(body + 8, &xid, 8);
    return OrderPtr(KApiOrder::create(1101, 0, sizeof body, body));
}

TEST(KApiOrderMap, IndexedByXidBits8To27) {
    KApiOrderMap map;
    EXPECT_TRUE(map.initialize());
    const uint64_t xids[] = {0x100, 0xfffff00, (uint64_t(3) << 28) | 0x12345600, 0x40000 | 0x100};
    std::vector<OrderPtr> kept;
    for (uint64_t x : xids) {
        kept.push_back(order(x));
        ASSERT_TRUE(map.set_order(kept.back().get())) << std::hex << x;
    }
    for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(map.get_order(xids[i]), kept[i].get());
    EXPECT_EQ(map.get_order(0x200), nullptr);      // empty entry, existing leaf
    EXPECT_EQ(map.get_order(0x8000000), nullptr);  // leaf never made
    // Another xid with the same bits 8-27 is not that order.
    EXPECT_EQ(map.get_order(0x100 | (uint64_t(9) << 28)), nullptr);
}

TEST(KApiOrderMap, RefusesXidsWithoutBits8To27AndFailedLeaves) {
    KApiOrderMap map;
    OrderPtr zero = order(0xf00000000ull | 0xff);  // bits 8-27 all zero
    EXPECT_FALSE(map.set_order(zero.get()));
    EXPECT_FALSE(map.set_order(nullptr));
    OrderPtr o = order(0x500);
    alloc_fault::fail_nth(1);
    EXPECT_FALSE(map.set_order(o.get()));
    alloc_fault::off();
    EXPECT_EQ(map.get_order(0x500), nullptr);
    EXPECT_TRUE(map.set_order(o.get()));
    EXPECT_EQ(map.get_order(0x500), o.get());
}

// Threads filling entries of the same fresh leaves at once: one leaf wins,
// no entry is lost, the losing leaves are freed.
TEST(KApiOrderMap, ConcurrentLeafCreationLosesNothing) {
    KApiOrderMap map;
    constexpr int kThreads = 8, kPer = 64;
    std::vector<std::vector<OrderPtr>> orders(kThreads);
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kPer; ++i) orders[t].push_back(order((uint64_t(i) << 18) | (uint64_t(t + 1) << 8)));
    trv_test::run_together(kThreads, [&](int t) {
        for (auto& o : orders[t]) ASSERT_TRUE(map.set_order(o.get()));
    });
    for (int t = 0; t < kThreads; ++t)
        for (auto& o : orders[t]) ASSERT_EQ(map.get_order(o->xid()), o.get());
}

}  // namespace
