#include <gtest/gtest.h>

#include <algorithm>

#include "api/mdata/QuoteDecoderCase.h"

namespace {

using namespace quote_test;

// A 16-byte record header (type in byte 0; the rest is never read) followed
// by `body` bytes of `v`.
Bytes l1(uint8_t type, size_t body, uint8_t v = 0x11) {
    Bytes b(16 + body, v);
    std::fill(b.begin(), b.begin() + 16, uint8_t(0xEE));
    b[0] = type;
    return b;
}
Bytes header(uint8_t type) { return l1(type, 0); }

const size_t kSseIndex = 114, kSseSnap = 330, kSzseIndex = 117, kSzseSnap = 413, kSzseBond = 427;

std::vector<Case> cases() {
    std::vector<Case> v = {
        {"sse index then snapshot",
         1,
         cat({l1(0, kSseIndex), l1(1, kSseSnap)}),
         false,
         {{0, 16}, {1, 146}, {kNull, 0}},
         0},
        {"szse index, snapshot and bond snapshot",
         2,
         cat({l1(2, kSzseIndex), l1(3, kSzseSnap), l1(4, kSzseBond)}),
         false,
         {{2, 16}, {3, 149}, {4, 578}, {kNull, 0}},
         0},
        {"record that exactly fills the payload", 2, l1(4, kSzseBond), false, {{4, 16}, {kNull, 0}}, 0},
        {"fewer than 16 bytes left are not read",
         1,
         cat({l1(0, kSseIndex), fill(15, 0)}),
         false,
         {{0, 16}, {kNull, 0}, {kNull, 0}},
         15},
        {"payload shorter than a header", 1, fill(15, 0), false, {{kNull, 0}}, 15},
        {"szse type on the sse channel consumes its header",
         1,
         cat({header(2), l1(0, kSseIndex)}),
         false,
         {{kNull, 0}, {0, 32}, {kNull, 0}},
         0},
        {"sse type on the szse channel consumes its header",
         2,
         cat({header(1), l1(2, kSzseIndex)}),
         false,
         {{kNull, 0}, {2, 32}, {kNull, 0}},
         0},
        {"unknown type byte", 2, cat({header(0xFF), l1(3, kSzseSnap)}), false, {{kNull, 0}, {3, 32}, {kNull, 0}}, 0},
        {"snapshot header with a short tail", 1, l1(1, 200, 0xFF), false, {{kNull, 0}}, 200},
        {"the next header is read from a short tail", 1, l1(1, 200, 0xFF), false, {{kNull, 0}, {kNull, 0}}, 184},
        {"bytes after the last record",
         1,
         cat({l1(0, kSseIndex), fill(20, 0xFF)}),
         false,
         {{0, 16}, {kNull, 0}, {kNull, 0}},
         4},
        {"null payload", 1, l1(0, kSseIndex), true, {{kNull, 0}, {kNull, 0}}, 130},
        {"empty payload", 1, Bytes(), false, {{kNull, 0}}, 0},
    };
    for (uint16_t mc : {0, 3, 100, 101, 110, 111, 0xFFFF})
        v.push_back(
            {"unsupported channel " + std::to_string(mc), mc, l1(0, kSseIndex), false, {{kNull, 0}, {kNull, 0}}, 130});
    return v;
}

TEST(TRVQuoteDecoder, CaseTable) {
    for (const Case& c : cases()) run_case<nq::TRVQuoteDecoder, nq::TRVQuoteItem>(c);
}

TEST(TRVQuoteDecoder, ItemPointsAtTheRecordItNames) {
    Bytes p = cat({l1(2, kSzseIndex), l1(3, kSzseSnap)});
    p[16 + 14] = '0';         // first byte of the index's security code
    p[149 + 413 - 1] = 0x7F;  // top byte of the snapshot's last offer volume
    nq::TRVQuoteDecoder d(nq::TRV_SZSE_L1, p.data(), static_cast<uint32_t>(p.size()));
    nq::TRVQuoteItem* it = d.get_next();
    ASSERT_NE(it, nullptr);
    ASSERT_EQ(it->data_type, nq::SZSE_L1_INDEX);
    EXPECT_EQ(it->data.szse_l1_index->security_code[0], '0');
    it = d.get_next();
    ASSERT_NE(it, nullptr);
    ASSERT_EQ(it->data_type, nq::SZSE_L1_SNAPSHOT);
    EXPECT_EQ(it->data.szse_l1_snapshot->offer_volume[4], 0x7F11111111111111LL);
}

}  // namespace
