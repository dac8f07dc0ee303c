// Configuration classes: defaults and the exact bytes the setters write, read
// back at the offsets the Python module uses.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdint>
#include <cstring>

#include "trv_api.h"

using namespace nq;

namespace {

// Offsets of the two configuration layouts.
struct TradeLayout {
    using Config = TRVTradeConfig;
    static constexpr size_t kSize = 568, kLocal0 = 8, kLocal1 = 24, kCount = 40, kList = 48;
};
struct PrivilegeLayout {
    using Config = TRVPrivilegeConfig;
    static constexpr size_t kSize = 568, kLocal0 = 8, kLocal1 = 24, kCount = 40, kList = 48;
};
struct QuoteLayout {
    using Config = TRVQuoteConfig;
    static constexpr size_t kSize = 584, kLocal0 = 8, kLocal1 = 24, kCount = 56, kList = 64;
};

template <typename Config>
const unsigned char* bytes_of(const Config& c) {
    return reinterpret_cast<const unsigned char*>(&c);
}

uint64_t u64_at(const unsigned char* p, size_t off) {
    uint64_t v;
    std::memcpy(&v, p + off, 8);
    return v;
}

// 16 bytes of an IPv4 socket address as the wire and the kernel hold it.
void expect_addr(const unsigned char* p, const char* dotted, uint16_t port, const char* what) {
    unsigned char expected[16];
    std::memset(expected, 0, sizeof(expected));
    uint16_t family = AF_INET;
    std::memcpy(expected, &family, 2);  // host order, as the kernel reads it
    expected[2] = static_cast<unsigned char>(port >> 8);
    expected[3] = static_cast<unsigned char>(port & 0xff);
    ASSERT_EQ(inet_pton(AF_INET, dotted, expected + 4), 1);
    EXPECT_EQ(0, std::memcmp(p, expected, 16)) << what << " " << dotted << ":" << port;
}

bool all_zero(const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

template <typename L>
class ConfigAddrTest : public ::testing::Test {};
using Layouts = ::testing::Types<TradeLayout, PrivilegeLayout, QuoteLayout>;
TYPED_TEST_SUITE(ConfigAddrTest, Layouts);

TYPED_TEST(ConfigAddrTest, DefaultHasNoAddresses) {
    typename TypeParam::Config c;
    ASSERT_EQ(sizeof(c), TypeParam::kSize);
    EXPECT_EQ(c.agw_count(), 0u);
    EXPECT_EQ(c.trading_day(), 0u);
    EXPECT_TRUE(all_zero(bytes_of(c), 560));
    sockaddr a = c.get_local_addr(0);
    EXPECT_TRUE(all_zero(reinterpret_cast<unsigned char*>(&a), sizeof(a)));
    EXPECT_EQ(reinterpret_cast<unsigned char*>(c.agw_addrs()),
              const_cast<unsigned char*>(bytes_of(c)) + TypeParam::kList);
}

TYPED_TEST(ConfigAddrTest, TradingDayAtOffsetZero) {
    typename TypeParam::Config c;
    c.set_trading_day(20240105);
    EXPECT_EQ(u64_at(bytes_of(c), 0), 20240105u);
    EXPECT_EQ(c.trading_day(), 20240105u);
}

struct LocalCase {
    const char* first;
    const char* second;
    bool ok;
    const char* addr0;  // expected afterwards; null: unchanged (all zero)
    const char* addr1;
};

const LocalCase kLocalCases[] = {
    {"10.1.2.3", "10.1.2.4", true, "10.1.2.3", "10.1.2.4"},
    {"10.1.2.3", nullptr, true, "10.1.2.3", "10.1.2.3"},
    {"0.0.0.0", "0.0.0.0", true, "0.0.0.0", "0.0.0.0"},
    {"255.255.255.255", "192.168.0.1", true, "255.255.255.255", "192.168.0.1"},
    {"10.1.2.3", "bad", false, "10.1.2.3", nullptr},  // first already set
    {"10.1.2.3", "127.1", false, "10.1.2.3", nullptr},
    {nullptr, "10.1.2.4", false, nullptr, nullptr},
    {"127.1", "10.1.2.4", false, nullptr, nullptr},
    {"1.2.3.256", nullptr, false, nullptr, nullptr},
    {" 1.2.3.4", nullptr, false, nullptr, nullptr},
    {"1.2.3.4 ", nullptr, false, nullptr, nullptr},
    {"", nullptr, false, nullptr, nullptr},
};

TYPED_TEST(ConfigAddrTest, SetLocalAddr) {
    for (const LocalCase& t : kLocalCases) {
        typename TypeParam::Config c;
        std::string what = std::string(t.first ? t.first : "(null)") + " / " + (t.second ? t.second : "(null)");
        EXPECT_EQ(c.set_local_addr(t.first, t.second), t.ok) << what;
        const unsigned char* b = bytes_of(c);
        if (t.addr0) {
            expect_addr(b + TypeParam::kLocal0, t.addr0, 0, what.c_str());
        } else {
            EXPECT_TRUE(all_zero(b + TypeParam::kLocal0, 16)) << what;
        }
        if (t.addr1) {
            expect_addr(b + TypeParam::kLocal1, t.addr1, 0, what.c_str());
        } else {
            EXPECT_TRUE(all_zero(b + TypeParam::kLocal1, 16)) << what;
        }
        // get_local_addr returns the same 16 bytes.
        for (uint64_t i = 0; i < 2; ++i) {
            sockaddr a = c.get_local_addr(i);
            EXPECT_EQ(0, std::memcmp(&a, b + (i == 0 ? TypeParam::kLocal0 : TypeParam::kLocal1), 16)) << what;
        }
    }
}

TYPED_TEST(ConfigAddrTest, RefusedSecondAddressKeepsEarlierOne) {
    typename TypeParam::Config c;
    ASSERT_TRUE(c.set_local_addr("10.0.0.1", "10.0.0.2"));
    EXPECT_FALSE(c.set_local_addr("10.0.0.3", "x"));
    expect_addr(bytes_of(c) + TypeParam::kLocal0, "10.0.0.3", 0, "addr0");
    expect_addr(bytes_of(c) + TypeParam::kLocal1, "10.0.0.2", 0, "addr1");
    EXPECT_FALSE(c.set_local_addr(nullptr, nullptr));
    expect_addr(bytes_of(c) + TypeParam::kLocal0, "10.0.0.3", 0, "addr0 after null");
}

TYPED_TEST(ConfigAddrTest, GetLocalAddrOutsideZeroAndOneIsAllZero) {
    typename TypeParam::Config c;
    ASSERT_TRUE(c.set_local_addr("10.0.0.1", "10.0.0.2"));
    ASSERT_TRUE(c.add_agw_addr("10.9.9.9", 9000));  // the bytes right after the local addresses
    for (uint64_t index : {uint64_t(2), uint64_t(3), uint64_t(1) << 40, ~uint64_t(0)}) {
        sockaddr a = c.get_local_addr(index);
        EXPECT_TRUE(all_zero(reinterpret_cast<unsigned char*>(&a), sizeof(a))) << index;
    }
}

TYPED_TEST(ConfigAddrTest, AddAgwAddrWritesEntriesInOrder) {
    typename TypeParam::Config c;
    const unsigned char* b = bytes_of(c);
    EXPECT_TRUE(c.add_agw_addr("192.168.1.10", 0x1234));
    EXPECT_TRUE(c.add_agw_addr("0.0.0.0", 80));
    EXPECT_TRUE(c.add_agw_addr(nullptr, 4321));           // broadcast entry, port not used
    EXPECT_TRUE(c.add_agw_addr("192.168.1.10", 0x1234));  // duplicates allowed
    EXPECT_FALSE(c.add_agw_addr("192.168.1", 1));
    EXPECT_FALSE(c.add_agw_addr("127.1", 1));
    EXPECT_FALSE(c.add_agw_addr("::1", 1));
    ASSERT_EQ(c.agw_count(), 4u);
    EXPECT_EQ(u64_at(b, TypeParam::kCount), 4u);
    expect_addr(b + TypeParam::kList, "192.168.1.10", 0x1234, "agw 0");
    EXPECT_EQ(b[TypeParam::kList + 2], 0x12);  // network byte order
    EXPECT_EQ(b[TypeParam::kList + 3], 0x34);
    expect_addr(b + TypeParam::kList + 16, "0.0.0.0", 80, "agw 1");
    expect_addr(b + TypeParam::kList + 32, "255.255.255.255", 0, "agw 2");
    expect_addr(b + TypeParam::kList + 48, "192.168.1.10", 0x1234, "agw 3");
    EXPECT_TRUE(all_zero(b + TypeParam::kList + 64, 16));
}

TYPED_TEST(ConfigAddrTest, ThirtyThirdGatewayIsRefused) {
    typename TypeParam::Config c;
    for (int i = 0; i < 32; ++i) {
        std::string ip = "10.0.0." + std::to_string(i + 1);
        ASSERT_TRUE(c.add_agw_addr(ip.c_str(), static_cast<uint16_t>(1000 + i))) << i;
    }
    unsigned char before[TypeParam::kSize];
    std::memcpy(before, bytes_of(c), sizeof(before));
    EXPECT_FALSE(c.add_agw_addr("10.0.1.1", 1));
    EXPECT_FALSE(c.add_agw_addr(nullptr, 1));
    EXPECT_EQ(c.agw_count(), 32u);
    EXPECT_EQ(0, std::memcmp(before, bytes_of(c), sizeof(before)));
    expect_addr(bytes_of(c) + TypeParam::kList + 31 * 16, "10.0.0.32", 1031, "last");
}

TEST(TradeConfig, DefaultsAndSwitches) {
    TRVTradeConfig c;
    const unsigned char* b = bytes_of(c);
    EXPECT_EQ(c.order_timeout(), 10);
    EXPECT_FALSE(c.is_order_seq_self_define());
    uint16_t timeout;
    std::memcpy(&timeout, b + 560, 2);
    EXPECT_EQ(timeout, 10);
    EXPECT_TRUE(all_zero(b + 562, 568 - 562));
    c.set_order_timeout(30);
    c.set_order_seq_self_define(true);
    std::memcpy(&timeout, b + 560, 2);
    EXPECT_EQ(timeout, 30);
    EXPECT_EQ(b[562], 1);
    EXPECT_EQ(c.order_timeout(), 30);
    EXPECT_TRUE(c.is_order_seq_self_define());

    TRVPrivilegeConfig p;
    EXPECT_EQ(p.order_timeout(), 10);
    TRVTradeConfig plain;
    EXPECT_EQ(0, std::memcmp(&p, &plain, sizeof(plain)));  // the same default bytes
}

TEST(QuoteConfig, DefaultsAndLevel2) {
    TRVQuoteConfig c;
    const unsigned char* b = bytes_of(c);
    EXPECT_FALSE(c.use_level2());
    EXPECT_TRUE(all_zero(b, sizeof(c)));
    c.set_use_level2(true);
    EXPECT_EQ(b[576], 1);
    EXPECT_TRUE(c.use_level2());
    EXPECT_TRUE(all_zero(b + 40, 16));  // reserved bytes stay zero
}

// Configurations are copied whole by initialize.
TEST(TradeConfig, CopyKeepsEveryByte) {
    TRVTradeConfig c;
    c.set_trading_day(20240105);
    ASSERT_TRUE(c.set_local_addr("10.0.0.1", "10.0.0.2"));
    ASSERT_TRUE(c.add_agw_addr("10.0.0.3", 7000));
    c.set_order_timeout(3);
    TRVTradeConfig copy = c;
    EXPECT_EQ(0, std::memcmp(&copy, &c, sizeof(c)));
}

}  // namespace
