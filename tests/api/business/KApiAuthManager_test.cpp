#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "api/business/KApiAuthManager.h"
#include "support/AllocMemFault.h"
#include "support/RunTogether.h"

using nq::api::KApiAuth;
using nq::api::KApiAuthManager;
using nq::api::KApiInitPositionStdList;

namespace {

struct KApiAuthManagerT : ::testing::Test {
    KApiAuthManager m;
    void SetUp() override { ASSERT_TRUE(m.initialize()); }
};

nq::trv_init_position_info_t position(uint64_t account, const char* code) {
    nq::trv_init_position_info_t p{};
    p.account_index = account;
    std::strncpy(p.security_code, code, sizeof p.security_code - 1);
    p.exchange_index = nq::ExchangeIndex::SH;
    p.total_quantity = 100;
    return p;
}

TEST_F(KApiAuthManagerT, IdsAreSlotOrCounterShifted20) {
    const uint64_t expect[] = {0x100001, 0x200002, 0x300003, 0x400004};
    for (uint64_t id : expect) {
        EXPECT_EQ(m.open_auth(), id);
        KApiAuth* a = m.get_auth(id);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->id.load(), id);
        EXPECT_TRUE(a->in_use());
        EXPECT_EQ(a->token_request_no, 1u);
        EXPECT_EQ(a->current_token(), nullptr);
        EXPECT_EQ(a->init_positions.data_count(), 0u);
    }
    EXPECT_EQ(m.open_counter(), 5u);
}

TEST_F(KApiAuthManagerT, OnlyExactLiveIdsAreFound) {
    const uint64_t id = m.open_auth();  // 0x100001
    struct Case {
        uint64_t id;
        bool found;
    } cases[] = {
        {id, true},
        {0x200001, false},  // same slot, other counter value
        {0x100000, false},
        {0, false},                 // slot 0
        {0x100000 | 65536, false},  // slot above 65535
        {0x1fffff, false},
        {0x100002, false},  // empty slot
    };
    for (const Case& c : cases) EXPECT_EQ(m.get_auth(c.id) != nullptr, c.found) << std::hex << c.id;
}

TEST_F(KApiAuthManagerT, ClosedSlotIsReusedWithANewCounterValue) {
    const uint64_t a = m.open_auth(), b = m.open_auth(), c = m.open_auth();
    ASSERT_EQ(b, 0x200002u);
    KApiAuth* rec = m.get_auth(b);
    rec->request_id = 11;
    rec->request_seq = 22;
    rec->session_id = 33;
    rec->auth_id = 44;
    rec->trade_account_index = 55;
    rec->token_request_no = 9;
    rec->reported = 1;
    rec->init_assets.initial_amount = 1000;
    auto p = position(55, "600000");
    for (int i = 0; i < 40; ++i) rec->init_positions.append(&p, 1);
    const size_t cap = rec->init_positions.capacity();

    m.close_auth(b);
    EXPECT_EQ(m.get_auth(b), nullptr);
    EXPECT_FALSE(rec->in_use());
    EXPECT_EQ(rec->request_seq, 22u);  // kept for a late answer to the request
    EXPECT_EQ(rec->request_id, 0u);
    EXPECT_EQ(rec->session_id, 0u);
    EXPECT_EQ(rec->auth_id, 0u);
    EXPECT_EQ(rec->token_request_no, 1u);
    EXPECT_EQ(rec->init_assets.initial_amount, 0);
    EXPECT_EQ(rec->init_positions.data_count(), 0u);
    EXPECT_EQ(rec->init_positions.capacity(), cap);
    m.close_auth(b);  // twice: nothing
    m.close_auth(0x900002);

    const uint64_t d = m.open_auth();
    EXPECT_EQ(d, 0x400002u);
    EXPECT_EQ(m.get_auth(d), rec);
    EXPECT_EQ(m.get_auth(b), nullptr);
    EXPECT_EQ(rec->request_seq, 0u);
    EXPECT_EQ(rec->reported, 0);
    EXPECT_NE(m.get_auth(a), nullptr);
    EXPECT_NE(m.get_auth(c), nullptr);
}

TEST_F(KApiAuthManagerT, ExhaustedCounterOrSlotsGiveZero) {
    EXPECT_EQ(m.alloc_auth(0xffffffffull), 0u);
    EXPECT_EQ(m.alloc_auth(0xfffffffeull), 1u | (0xfffffffeull << 20));
    for (uint64_t i = 2; i < 65536; ++i) ASSERT_EQ(m.open_auth() & 0xfffff, i);
    EXPECT_EQ(m.open_auth(), 0u);
    m.close_auth(1u | (0xfffffffeull << 20));
    EXPECT_EQ(m.open_auth() & 0xfffff, 1u);
}

// A claim takes the lowest slot that is empty or free, wherever slots were
// released.
TEST_F(KApiAuthManagerT, ClaimTakesTheLowestFreeSlot) {
    std::vector<uint64_t> ids;
    for (int i = 0; i < 10; ++i) ids.push_back(m.open_auth());
    m.close_auth(ids[6]);  // slot 7
    m.close_auth(ids[2]);  // slot 3
    m.close_auth(ids[2]);  // a repeated close changes nothing
    EXPECT_EQ(m.open_auth() & 0xfffff, 3u);
    EXPECT_EQ(m.open_auth() & 0xfffff, 7u);
    EXPECT_EQ(m.open_auth() & 0xfffff, 11u);
    m.close_auth(ids[9]);  // slot 10, below the next new one
    EXPECT_EQ(m.open_auth() & 0xfffff, 10u);
    EXPECT_EQ(m.open_auth() & 0xfffff, 12u);
}

TEST_F(KApiAuthManagerT, FailedRecordAllocationClaimsNothing) {
    alloc_fault::fail_nth(1);
    EXPECT_EQ(m.open_auth(), 0u);
    alloc_fault::off();
    EXPECT_EQ(m.open_auth(), 0x200001u);
}

TEST(KApiInitPositionStdList, RowsByIndex) {
    KApiInitPositionStdList l;
    auto p = position(1, "000001"), q = position(2, "600519");
    nq::trv_init_position_info_t both[] = {p, q};
    l.append(both, 2);
    l.append(&p, 1);
    l.append(nullptr, 3);
    const nq::TRVInitPositionList& pub = l;
    ASSERT_EQ(pub.data_count(), 3u);
    EXPECT_EQ(pub.get(1)->account_index, 2u);
    EXPECT_STREQ(pub.get(1)->security_code, "600519");
    EXPECT_EQ(pub.get(2)->account_index, 1u);
    EXPECT_EQ(reinterpret_cast<const char*>(pub.get(1)) - reinterpret_cast<const char*>(pub.get(0)), 42);
    EXPECT_EQ(pub.get(3), nullptr);
    EXPECT_EQ(pub.get(-1), nullptr);
}

// Authorisations opened by user threads while handler workers close others:
// every live id names its own record, no slot is handed out twice.
TEST_F(KApiAuthManagerT, ConcurrentOpenAndCloseNeverShareASlot) {
    constexpr int kThreads = 6, kRounds = 3000;
    std::vector<std::vector<uint64_t>> kept(kThreads);
    trv_test::run_together(kThreads, [&](int t) {
        for (int r = 0; r < kRounds; ++r) {
            const uint64_t id = m.open_auth();
            ASSERT_NE(id, 0u);
            KApiAuth* a = m.get_auth(id);
            ASSERT_NE(a, nullptr);
            a->session_id = uint64_t(t) << 32 | uint64_t(r);  // the claimer alone writes it
            if (r % 3 == 0) {
                kept[t].push_back(id);
            } else {
                ASSERT_EQ(a->session_id, uint64_t(t) << 32 | uint64_t(r));
                m.close_auth(id);
            }
        }
    });
    std::set<uint64_t> slots;
    for (int t = 0; t < kThreads; ++t)
        for (size_t i = 0; i < kept[t].size(); ++i) {
            const uint64_t id = kept[t][i];
            EXPECT_TRUE(slots.insert(id & 0xfffff).second);
            KApiAuth* a = m.get_auth(id);
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->session_id, uint64_t(t) << 32 | uint64_t(3 * i));
        }
}

}  // namespace

// A change made through the claim reaches only the record the id still
// names: after a close and reuse of the slot the old id changes nothing.
TEST_F(KApiAuthManagerT, ChangesThroughAStaleIdNeverReachTheReusedSlot) {
    const uint64_t old_id = m.open_auth();
    KApiAuth* rec = m.get_auth(old_id);
    ASSERT_NE(rec, nullptr);
    bool ran = false;
    EXPECT_TRUE(m.with_auth(old_id, [&](KApiAuth* a) {
        ran = true;
        a->auth_id = 5;
    }));
    EXPECT_TRUE(ran);
    m.close_auth(old_id);
    const uint64_t new_id = m.open_auth();
    ASSERT_EQ(m.get_auth(new_id), rec);  // the same slot, reused
    ran = false;
    EXPECT_FALSE(m.with_auth(old_id, [&](KApiAuth* a) {
        ran = true;
        a->auth_id = 99;
    }));
    EXPECT_FALSE(ran);
    EXPECT_EQ(rec->auth_id.load(), 0u);
    rec->session_id = 7;
    rec->request_seq = 12;
    EXPECT_EQ(m.find_by_request(7, 12), new_id);
    EXPECT_EQ(m.find_by_request(7, 13), 0u);
    EXPECT_EQ(m.find_by_request(8, 12), 0u);
}
