// The table of logins in progress: every login that began ends once, however
// many logins share its session slot and in whatever order they end.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>

#include "api/provider/KApiLoginState.h"

using nq::api::KApiLoginState;

namespace {

uint64_t session(uint64_t slot, uint64_t counter) { return slot | counter << 16; }

TEST(KApiLoginState, LoginsOfOneSlotEachEndOnce) {
    // A login whose session died and a newer login in the same slot.
    const uint64_t dead = session(3, 1), newer = session(3, 2), other = session(4, 1);
    ASSERT_TRUE(KApiLoginState::begin(dead, 10, 1));
    ASSERT_TRUE(KApiLoginState::begin(newer, 20, 2));
    ASSERT_TRUE(KApiLoginState::begin(other, 30, 0));
    KApiLoginState::Entry e{};
    ASSERT_TRUE(KApiLoginState::end(dead, &e));
    EXPECT_EQ(e.session_id, dead);
    EXPECT_EQ(e.request_id, 10u);
    EXPECT_EQ(e.api_type, 1);
    EXPECT_FALSE(KApiLoginState::end(dead));
    ASSERT_TRUE(KApiLoginState::end(other, &e));
    EXPECT_EQ(e.request_id, 30u);
    ASSERT_TRUE(KApiLoginState::end(newer, &e));
    EXPECT_EQ(e.request_id, 20u);
    EXPECT_EQ(e.api_type, 2);
    EXPECT_FALSE(KApiLoginState::end(newer));
    EXPECT_FALSE(KApiLoginState::end(0));
    EXPECT_FALSE(KApiLoginState::begin(0, 1, 1));
}

TEST(KApiLoginState, AgreesWithAModelUnderCollisionsAndWrapAround) {
    // Few slots, many counters: long probe runs that wrap past the last slot.
    std::mt19937_64 rng(7);
    std::map<uint64_t, uint64_t> model;  // session id -> request id
    const uint64_t slots[] = {0xfffe, 0xffff, 1, 2, 5};
    uint64_t next_counter = 1;
    for (int step = 0; step < 20000; ++step) {
        if (model.empty() || rng() % 2 == 0) {
            const uint64_t id = session(slots[rng() % 5], next_counter++);
            ASSERT_TRUE(KApiLoginState::begin(id, id * 3, 1));
            model[id] = id * 3;
        } else {
            auto it = model.begin();
            std::advance(it, rng() % model.size());
            KApiLoginState::Entry e{};
            ASSERT_TRUE(KApiLoginState::end(it->first, &e)) << step;
            EXPECT_EQ(e.request_id, it->second);
            ASSERT_FALSE(KApiLoginState::end(it->first));
            model.erase(it);
        }
    }
    for (const auto& m : model) EXPECT_TRUE(KApiLoginState::end(m.first));
}

TEST(KApiLoginState, AFullTableRefusesInsteadOfOverwriting) {
    uint64_t n = 0;
    while (KApiLoginState::begin(session(n % 65536, n / 65536 + 1), n, 1)) ++n;
    EXPECT_EQ(n, KApiLoginState::kSlots - 1);
    for (uint64_t i = 0; i < n; ++i) {
        KApiLoginState::Entry e{};
        ASSERT_TRUE(KApiLoginState::end(session(i % 65536, i / 65536 + 1), &e)) << i;
        EXPECT_EQ(e.request_id, i);
    }
}

}  // namespace
