#include <gtest/gtest.h>

#include "api/mdata/QuoteDecoderCase.h"

namespace {

using namespace quote_test;

// One fixed-size feed record: message type in byte 8, the rest filler.
Bytes rec(size_t size, uint8_t type) {
    Bytes b = fill(size, 0x5A);
    b[8] = type;
    return b;
}

struct Channel {
    uint16_t mc_type;
    size_t size;
    uint8_t first, second;  // type bytes of two consecutive records
};

// Record size and kinds of every level-2 channel.
const Channel kChannels[] = {
    {101, 440, 39, 39}, {102, 72, 62, 62}, {103, 80, 33, 33}, {104, 424, 60, 60}, {105, 96, 61, 61},
    {106, 376, 21, 21}, {107, 72, 23, 24}, {108, 96, 22, 22}, {109, 400, 80, 80}, {110, 72, 81, 82},
};

std::vector<Case> cases() {
    std::vector<Case> v;
    for (const Channel& ch : kChannels) {
        const std::string n = std::to_string(ch.mc_type);
        v.push_back({"two records on " + n,
                     ch.mc_type,
                     cat({rec(ch.size, ch.first), rec(ch.size, ch.second)}),
                     false,
                     {{ch.first, 0}, {ch.second, ch.size}, {kNull, 0}},
                     0});
        Bytes short_record = rec(ch.size, ch.first);
        short_record.pop_back();
        v.push_back({"truncated record on " + n,
                     ch.mc_type,
                     short_record,
                     false,
                     {{kNull, 0}, {kNull, 0}},
                     static_cast<uint32_t>(ch.size - 1)});
    }
    const std::vector<Case> more = {
        {"single-kind channels pass any type byte", 101, rec(440, 7), false, {{7, 0}, {kNull, 0}}, 0},
        {"1000 bytes of 440-byte snapshots",
         101,
         cat({rec(440, 39), rec(440, 39), fill(120, 0)}),
         false,
         {{39, 0}, {39, 440}, {kNull, 0}, {kNull, 0}},
         120},
        {"107 stops at a type it does not carry",
         107,
         cat({rec(72, 23), rec(72, 25), rec(72, 24)}),
         false,
         {{23, 0}, {kNull, 0}, {kNull, 0}},
         144},
        {"107 refuses the bond tick types", 107, rec(72, 81), false, {{kNull, 0}}, 72},
        {"110 takes Q and R only",
         110,
         cat({rec(72, 'Q'), rec(72, 'R'), rec(72, 23)}),
         false,
         {{81, 0}, {82, 72}, {kNull, 0}, {kNull, 0}},
         72},
        {"110 refuses the stock tick types", 110, rec(72, 24), false, {{kNull, 0}}, 72},
        {"null payload", 101, rec(440, 39), true, {{kNull, 0}}, 440},
        {"empty payload", 102, Bytes(), false, {{kNull, 0}}, 0},
    };
    v.insert(v.end(), more.begin(), more.end());
    for (uint16_t mc : {0, 1, 2, 100, 111, 0xFFFF})
        v.push_back(
            {"unsupported channel " + std::to_string(mc), mc, rec(440, 39), false, {{kNull, 0}, {kNull, 0}}, 440});
    return v;
}

TEST(MQRQuoteDecoder, CaseTable) {
    for (const Case& c : cases()) run_case<nq::mqr::MQRQuoteDecoder, nq::mqr::MQRQuoteItem>(c);
}

TEST(MQRQuoteDecoder, ItemPointsAtTheRecordItNames) {
    Bytes p = cat({rec(72, 23), rec(72, 24)});
    p[72 + 71] = 'F';  // trade type, the last byte of the execution record
    nq::mqr::MQRQuoteDecoder d(nq::DVS_SZSE_L2_STOCK_TICK, p.data(), static_cast<uint32_t>(p.size()));
    nq::mqr::MQRQuoteItem* it = d.get_next();
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(it->data.sze_lev2_order->m_head.m_message_type, SZE_LEV2_ORDER_MSG_TYPE);
    it = d.get_next();
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(it->data_type, SZE_LEV2_EXE_MSG_TYPE);
    EXPECT_EQ(it->data.sze_lev2_exe->m_trade_type, 'F');
}

}  // namespace
