#include <gtest/gtest.h>

#include "api/security/SecurityFilter.h"
#include "trv_api.h"

namespace {

struct FilterCase {
    const char* code;
    bool fits;  // packed index within 26 bits
};

// Byte 6's low nibble must be at most 3 and byte 7's must be 0 (a space or
// padding gives 0); '4' has low nibble 4.
const FilterCase kCases[] = {
    {"600000", true},  {"000001", true},    {"1234567", false}, {"123456 ", true},
    {"1234563", true}, {"12345678", false}, {"123457 0", true}, {"123456 1", false},
};

TEST(TRVSecurityFilter, AddAndCheckByCaseTable) {
    nq::TRVSecurityFilter f;
    for (const auto& c : kCases) {
        EXPECT_FALSE(f.check(c.code)) << c.code;
        EXPECT_EQ(f.add(c.code), c.fits) << c.code;
        EXPECT_EQ(f.check(c.code), c.fits) << c.code;
    }
}

TEST(TRVSecurityFilter, CodesWithTheSameNibblesShareABit) {
    nq::TRVSecurityFilter f;
    ASSERT_TRUE(f.add("600000"));
    EXPECT_TRUE(f.check("600000  "));
    EXPECT_TRUE(f.check("f`0000"));  // same low nibbles: the filter is a hash
    EXPECT_FALSE(f.check("600001"));
}

TEST(SecurityFilter, DisabledUntilInitialisedAndThenHoldsTheSet) {
    nq::api::SecurityFilter f;
    EXPECT_TRUE(f.is_filter("600000"));    // disabled: passes every code
    EXPECT_FALSE(f.add_filter("600000"));  // no bitmap, nothing stored
    ASSERT_TRUE(f.initialize());
    EXPECT_FALSE(f.is_filter("600000"));
    EXPECT_TRUE(f.add_filter("600000"));
    EXPECT_TRUE(f.is_filter("600000"));
    EXPECT_FALSE(f.is_filter("12345678"));
}

TEST(SecurityFilter, EnabledFilterWithoutBitmapAnswersFalse) {
    nq::api::SecurityFilter f;
    f.enabled_ = true;  // as after a failed bitmap allocation
    EXPECT_FALSE(f.is_filter("600000"));
    EXPECT_FALSE(f.add_filter("600000"));
}

}  // namespace
