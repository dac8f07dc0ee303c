// Start-of-day position list: rows never move while the list grows, and a
// reader on another thread sees only complete rows.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "api/business/KApiInitPositionStdList.h"

namespace {

using nq::api::KApiInitPositionStdList;

nq::trv_init_position_info_t row(uint32_t n) {
    nq::trv_init_position_info_t r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(&r, &n, sizeof n);
    std::memcpy(reinterpret_cast<unsigned char*>(&r) + sizeof r - sizeof n, &n, sizeof n);
    return r;
}

uint32_t head_of(const nq::trv_init_position_info_t* r) {
    uint32_t n;
    std::memcpy(&n, r, sizeof n);
    return n;
}
uint32_t tail_of(const nq::trv_init_position_info_t* r) {
    uint32_t n;
    std::memcpy(&n, reinterpret_cast<const unsigned char*>(r) + sizeof *r - sizeof n, sizeof n);
    return n;
}

TEST(KApiInitPositionStdList, RowsKeepTheirAddressAcrossChunkBoundaries) {
    KApiInitPositionStdList list;
    EXPECT_EQ(list.data_count(), 0u);
    EXPECT_EQ(list.get(0), nullptr);
    const auto r0 = row(0);
    ASSERT_TRUE(list.append(&r0, 1));
    const nq::trv_init_position_info_t* first = list.get(0);
    ASSERT_NE(first, nullptr);
    // Past the first chunks (64, 128, 256 rows), in odd batch sizes.
    std::vector<nq::trv_init_position_info_t> batch;
    for (uint32_t n = 1; n < 1000; ++n) batch.push_back(row(n));
    for (size_t i = 0; i < batch.size(); i += 37)
        ASSERT_TRUE(list.append(batch.data() + i, std::min<size_t>(37, batch.size() - i)));
    ASSERT_EQ(list.data_count(), 1000u);
    EXPECT_EQ(list.get(0), first);
    for (int i : {0, 63, 64, 191, 192, 447, 448, 999}) {
        SCOPED_TRACE(i);
        ASSERT_NE(list.get(i), nullptr);
        EXPECT_EQ(head_of(list.get(i)), static_cast<uint32_t>(i));
        EXPECT_EQ(tail_of(list.get(i)), static_cast<uint32_t>(i));
    }
    EXPECT_EQ(list.get(1000), nullptr);
    EXPECT_EQ(list.get(-1), nullptr);

    // Clearing keeps the storage: a row pointer a reader still holds stays
    // readable memory, and the list fills again from the start.
    const size_t capacity = list.capacity();
    const nq::trv_init_position_info_t* held = list.get(500);
    list.clear();
    EXPECT_EQ(list.data_count(), 0u);
    EXPECT_EQ(list.get(0), nullptr);
    EXPECT_EQ(list.capacity(), capacity);
    EXPECT_EQ(head_of(held), 500u);
    const auto again = row(7);
    ASSERT_TRUE(list.append(&again, 1));
    EXPECT_EQ(list.get(0), first);
    EXPECT_EQ(head_of(list.get(0)), 7u);
}

// A reader walking the list while a worker appends sees every row it counts
// complete (both ends written), and earlier rows never change.
TEST(KApiInitPositionStdList, ReaderDuringAppendsSeesCompleteRows) {
    KApiInitPositionStdList list;
    constexpr uint32_t kRows = 20000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (uint32_t n = 0; n < kRows; ++n) {
            const auto r = row(n);
            list.append(&r, 1);
        }
        done = true;
    });
    size_t checked = 0;
    while (!done.load() || checked < list.data_count()) {
        const size_t count = list.data_count();
        for (; checked < count; ++checked) {
            const nq::trv_init_position_info_t* r = list.get(static_cast<int>(checked));
            ASSERT_NE(r, nullptr);
            ASSERT_EQ(head_of(r), checked);
            ASSERT_EQ(tail_of(r), checked);
        }
    }
    writer.join();
    EXPECT_EQ(checked, kRows);
}

}  // namespace
