#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/security/SecurityCode.h"
#include "api/security/SecurityMap.h"

using nq::api::pad_security_code;
using nq::api::SecurityMap;

namespace {

uint64_t key_of(const char (&bytes)[9]) {
    uint64_t k;
    std::memcpy(&k, bytes, 8);
    return k;
}

TEST(SecurityCode, PaddingRule) {
    struct Case {
        const char* code;
        const char padded[9];
    } cases[] = {
        {"600000", "600000  "},   {"600000  ", "600000  "},  {"1234567", "1234567 "},
        {"12345678", "12345678"}, {"123456789", "12345678"},  // only 8 bytes are a code
        {"ABC", "ABC\0\0\0  "},   {"", "\0\0\0\0\0\0  "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pad_security_code(c.code), key_of(c.padded)) << c.code;
    }
}

TEST(SecurityCode, ShortCStringIsNotReadPastItsTerminator) {
    // A 3-byte allocation: reading 8 bytes would be caught by ASan.
    char* s = new char[3]{'6', '0', '\0'};
    EXPECT_EQ(pad_security_code(s), key_of("60\0\0\0\0  "));
    delete[] s;
}

TEST(SecurityCode, BitExtractMatchesPortableGather) {
    uint64_t keys[] = {0,
                       ~0ull,
                       0x0123456789abcdefull,
                       pad_security_code("600000"),
                       pad_security_code("12345678"),
                       0xf0f0f0f0f0f0f0f0ull};
    for (uint64_t k : keys) EXPECT_EQ(nq::api::pack_security_key(k), nq::api::pack_security_key_portable(k)) << k;
    // "12345678": nibbles 1..8 from byte 0 upwards.
    EXPECT_EQ(nq::api::pack_security_key(pad_security_code("12345678")), 0x87654321u);
}

class SecurityMapTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(map.initialize()); }
    SecurityMap map{0};
};

TEST_F(SecurityMapTest, DefaultCapacityAndLookupOfPaddedCodes) {
    EXPECT_EQ(map.capacity(), 46793u);
    EXPECT_TRUE(map.set_security_index("600000", 17));
    EXPECT_EQ(map.get_security_index("600000  "), 17u);
    EXPECT_TRUE(map.set_security_index("1234567", 18));
    EXPECT_EQ(map.get_security_index("1234567 "), 18u);
    EXPECT_EQ(map.get_security_index("1234567\0"), 0u);  // lookups take the bytes as they are
    EXPECT_EQ(map.get_security_index("000001  "), 0u);
}

TEST_F(SecurityMapTest, ZeroIndexAndDuplicatesAreRefusedFirstIndexStays) {
    EXPECT_FALSE(map.set_security_index("600000", 0));
    EXPECT_EQ(map.get_security_index("600000  "), 0u);
    EXPECT_TRUE(map.set_security_index("600000", 5));
    EXPECT_FALSE(map.set_security_index("600000  ", 6));
    EXPECT_EQ(map.get_security_index("600000  "), 5u);
}

TEST_F(SecurityMapTest, FifthKeyOfABucketGoesToTheOverflowChain) {
    const uint64_t cap = map.capacity();
    const uint64_t base = 12345;
    for (uint64_t i = 0; i < 4; ++i) EXPECT_TRUE(map.set_security_index(base + i * cap, 100 + i));
    EXPECT_EQ(map.overflow_count(), 0u);
    EXPECT_TRUE(map.set_security_index(base + 4 * cap, 104));
    EXPECT_TRUE(map.set_security_index(base + 5 * cap, 105));
    EXPECT_EQ(map.overflow_count(), 2u);
    for (uint64_t i = 0; i < 6; ++i) EXPECT_EQ(map.get_security_index(base + i * cap), 100 + i);
    EXPECT_FALSE(map.set_security_index(base + 5 * cap, 999));  // duplicate in a chain
    EXPECT_EQ(map.overflow_count(), 2u);
    EXPECT_EQ(map.get_security_index(base + 6 * cap), 0u);
}

TEST(SecurityMap, UninitialisedMapAnswersAbsent) {
    SecurityMap map(0);
    EXPECT_FALSE(map.set_security_index("600000", 1));
    EXPECT_EQ(map.get_security_index("600000  "), 0u);
}

TEST(SecurityMap, FindMinHashBucket) {
    // Keys 0..2047: two share a bucket for every b in 1024..2047, none at 2048.
    uint64_t keys[2048];
    for (int i = 0; i < 2048; ++i) keys[i] = i;
    EXPECT_EQ(SecurityMap::find_min_hash_bucket(keys, 2048, 1), 1024u);
    EXPECT_EQ(SecurityMap::find_min_hash_bucket(keys, 2048, 0), 2048u);
}

// The last candidate counts: keys 0..1029 collide under every b below 1030.
TEST(SecurityMap, FindMinHashBucketTriesTheLastCandidate) {
    uint64_t keys[1030];
    for (int i = 0; i < 1030; ++i) keys[i] = i;
    EXPECT_EQ(SecurityMap::find_min_hash_bucket(keys, 1030, 0, 1024, 1030), 1030u);
    EXPECT_EQ(SecurityMap::find_min_hash_bucket(keys, 1030, 0, 1024, 1029), 0u);
    EXPECT_EQ(SecurityMap::kMinHashBucket, 1024u);
    EXPECT_EQ(SecurityMap::kMaxHashBucket, 1048575u);
}

}  // namespace
