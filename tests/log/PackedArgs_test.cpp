// The one encoder and formatter of log items and last errors: one table of
// cases, each run through both string placements.
#include "log/PackedArgs.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using nq::log::format_packed;
using nq::log::pack_all;
using nq::log::pack_prefix;
using nq::log::StringData;

namespace {

enum class Colour : uint16_t { kRed = 7 };

constexpr size_t kArea = 4096;

// An 8-aligned area followed by guard bytes that must stay untouched.
struct Area {
    alignas(8) unsigned char bytes[kArea + 64];
    Area() { std::memset(bytes, 0xAA, sizeof bytes); }
    bool guard_intact(size_t from) const {
        for (size_t i = from; i < sizeof bytes; ++i)
            if (bytes[i] != 0xAA) return false;
        return true;
    }
};

template <class... A>
std::string via(StringData strings, const char* fmt, A... args) {
    Area a;
    const long used = strings == StringData::kAligned ? pack_all<StringData::kAligned>(a.bytes, kArea, args...)
                                                      : pack_all<StringData::kPacked>(a.bytes, kArea, args...);
    EXPECT_GT(used, 0) << fmt;
    char out[512];
    const int n = format_packed(out, sizeof out, fmt, a.bytes, kArea, strings);
    EXPECT_EQ(n, static_cast<int>(std::strlen(out))) << fmt;
    return out;
}

template <class... A>
std::string printf_text(const char* fmt, A... args) {
    char out[512];
    std::snprintf(out, sizeof out, fmt, args...);
    return out;
}

struct Case {
    const char* what;
    std::string want;
    std::string (*run)(StringData);
};

#define SAME_AS_PRINTF(fmt, ...)                                                                      \
    Case {                                                                                            \
        fmt, printf_text(fmt, ##__VA_ARGS__), [](StringData s) { return via(s, fmt, ##__VA_ARGS__); } \
    }
#define GIVES(want, fmt, ...)                                              \
    Case {                                                                 \
        fmt, want, [](StringData s) { return via(s, fmt, ##__VA_ARGS__); } \
    }

TEST(PackedArgs, FormatsLikePrintfAndSafelyWherePrintfWouldNot) {
    // Statics, so that the captureless cases can use them.
    static const std::string s300(300, 'a'), s238(238, 'b');
    const Case cases[] = {
        SAME_AS_PRINTF("%d %i", -7, 42),
        SAME_AS_PRINTF("%u %x %X %o", 4000000000u, 255u, 255u, 8u),
        SAME_AS_PRINTF("%ld %lu %lld", -1L, ULONG_MAX, LLONG_MIN),
        SAME_AS_PRINTF("%lx %llu", 0xdeadbeefcafeul, 18446744073709551615ull),
        SAME_AS_PRINTF("%hhu %hd", 300, -2),
        SAME_AS_PRINTF("%zu %jd %td", sizeof(Case), intmax_t(-9), ptrdiff_t(-3)),
        SAME_AS_PRINTF("%5d|%-5d|%05d", 42, 42, 42),
        SAME_AS_PRINTF("%*d|%-*d", 6, 1, 4, 2),
        SAME_AS_PRINTF("[%5s][%-4d][%*d][%.3s][%08.3f]", "ab", 7, 6, 42, "abcdef", 3.14159),
        SAME_AS_PRINTF("%.3s|%8s|%-8s|", "abcdef", "ab", "cd"),
        SAME_AS_PRINTF("%.*s|%.*d", 2, "xyz", -1, 5),
        SAME_AS_PRINTF("%c%c", 'o', 'k'),
        SAME_AS_PRINTF("%p", reinterpret_cast<void*>(0xdeadbeef)),
        SAME_AS_PRINTF("%#x %+d % d", 255u, 5, 3),
        SAME_AS_PRINTF("%.2f %e %g %.1f", 3.14159, 1e10, 0.5, 2.5),
        SAME_AS_PRINTF("100%%"),
        SAME_AS_PRINTF("plain"),
        // Every argument type the library logs: char, bool, enum, float.
        GIVES("Z1 7 0.5 0.125", "%c%d %d %g %g", 'Z', true, Colour::kRed, 0.5f, 0.125),
        GIVES("order 42 of 600000 refused: -7 (200/-3)", "order %lu of %s refused: %d (%hhu/%hd)", 42ul, "600000", -7,
              (unsigned char)200, (short)-3),
        GIVES("0x1234", "%p", (void*)0x1234),
        GIVES("(null) (null)", "%s %s", (const char*)nullptr, (char*)nullptr),
        GIVES(std::string(238, 'a') + "|", "%s|", s300.c_str()),
        GIVES("<" + std::string(238, 'b') + ">", "<%s>", s238.c_str()),
        // More conversions than arguments: zero, and "(null)" for strings.
        GIVES("9 (null) 0", "%d %s %d", 9),
        // %s given a number: never read as an address.
        GIVES("(not a string) (null)", "%s %s", 0x10ul, 0),
        // %n writes nothing; an unfinished conversion is copied as it stands.
        GIVES("ab6", "a%nb%d", 5, 6),
        GIVES("ab7 %", "ab%n%d %", 5, 7),
        GIVES("x%ky 3", "x%ky %d", 3),
        GIVES("%l", "%l"),
        // Wide forms take narrow arguments.
        GIVES("q abc", "%lc %ls", 'q', "abc"),
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.want, c.run(StringData::kAligned)) << "aligned: " << c.what;
        EXPECT_EQ(c.want, c.run(StringData::kPacked)) << "packed: " << c.what;
    }
}

class BothPlacements : public ::testing::TestWithParam<StringData> {
protected:
    template <class... A>
    long pack(unsigned char* out, size_t room, A... args) {
        return GetParam() == StringData::kAligned ? pack_all<StringData::kAligned>(out, room, args...)
                                                  : pack_all<StringData::kPacked>(out, room, args...);
    }
};

// A width or precision of 2^30 is capped at 2^20: the text is cut to the
// buffer anyway, and the count stays what the capped field gives.
TEST_P(BothPlacements, HugeWidthsAndPrecisionsAreCapped) {
    Area a;
    ASSERT_GT(pack(a.bytes, kArea, 1 << 30, 5, 1 << 30, 6), 0);
    char out[16];
    const int n = format_packed(out, sizeof out, "%*d|%.*d", a.bytes, kArea, GetParam());
    EXPECT_EQ((1 << 20) + 1 + (1 << 20), n);
    EXPECT_EQ(std::string(15, ' '), out);
    ASSERT_GT(pack(a.bytes, kArea, 7), 0);
    EXPECT_EQ(1 << 20, format_packed(out, sizeof out, "%1073741824d", a.bytes, kArea, GetParam()));
}

TEST_P(BothPlacements, TruncatesToSizeAndReturnsTheFullLength) {
    Area a;
    ASSERT_GT(pack(a.bytes, kArea, "hello", 12345), 0);
    char out[8];
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(11, format_packed(out, 8, "%s %d", a.bytes, kArea, GetParam()));
    EXPECT_STREQ("hello 1", out);
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(11, format_packed(out, 6, "%s %d", a.bytes, kArea, GetParam()));
    EXPECT_STREQ("hello", out);
    EXPECT_EQ('Z', out[6]);  // nothing past size
    EXPECT_EQ(11, format_packed(out, 0, "%s %d", a.bytes, kArea, GetParam()));
    EXPECT_EQ('h', out[0]);  // size 0 writes nothing
    EXPECT_EQ(11, format_packed(nullptr, 8, "%s %d", a.bytes, kArea, GetParam()));
    EXPECT_EQ(-1, format_packed(out, 8, nullptr, a.bytes, kArea, GetParam()));
    EXPECT_EQ('\0', out[0]);
    EXPECT_EQ(8, format_packed(out, sizeof out, "a%sb", nullptr, 0, GetParam()));  // no arguments at all
    EXPECT_STREQ("a(null)", out);
}

// The reader stays inside the area it is given, whatever the bytes claim.
TEST_P(BothPlacements, NeverReadsPastTheArea) {
    struct Claim {
        std::vector<unsigned char> bytes;
        const char* want;
    } claims[] = {
        {{3, 8, 1, 2}, "0 0 0"},                           // an integer cut by the area's end
        {{1, 16 + 200, 'a', 'b'}, "(null) 0 0"},           // a string longer than the area
        {{2, 4, 9, 0, 0, 0, 11, 4, 1, 0, 0, 0}, "9 0 0"},  // an unknown type ends the arguments
        {{200, 1, 5}, "5 0 0"},                            // a count beyond what follows
    };
    for (const Claim& c : claims) {
        // Exactly as long as its bytes, so that ASan sees any read past them.
        std::unique_ptr<unsigned char[]> area(new unsigned char[c.bytes.size()]);
        std::memcpy(area.get(), c.bytes.data(), c.bytes.size());
        char out[64];
        const char* fmt = c.bytes[1] > 16 ? "%s %d %d" : "%d %d %d";
        format_packed(out, sizeof out, fmt, area.get(), c.bytes.size(), GetParam());
        EXPECT_STREQ(c.want, out);
    }
}

TEST_P(BothPlacements, NeverWritesPastTheRoom) {
    const std::string s(238, 'x');
    const char* p = s.c_str();
    for (size_t room : {0ul, 1ul, 5ul, 40ul, 247ul, 4096ul}) {
        Area a;
        EXPECT_EQ(-1, pack(a.bytes, room, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p)) << room;
        EXPECT_TRUE(a.guard_intact(room)) << room;
    }
    Area a;
    EXPECT_EQ(-1, pack(a.bytes, 8, 1, 2L));  // 1 + 5 + 9 bytes do not fit in 8
    EXPECT_TRUE(a.guard_intact(8));
    EXPECT_EQ(15, pack(a.bytes, 15, 1, 2L));
}

INSTANTIATE_TEST_SUITE_P(Strings, BothPlacements, ::testing::Values(StringData::kAligned, StringData::kPacked),
                         [](const ::testing::TestParamInfo<StringData>& i) {
                             return i.param == StringData::kAligned ? "aligned" : "packed";
                         });

// The last error's placement: each string right behind its type byte.
TEST(PackedArgs, PackedStringsFollowTheirTypeByte) {
    Area a;
    const size_t used = pack_prefix<StringData::kPacked>(a.bytes + 1, kArea, static_cast<int8_t>(-1), "ab", 2.5f);
    // count | 1 ff | 16+3 "ab\0" | 10 (2.5 as a double)
    const unsigned char head[] = {3, 1, 0xff, 16 + 3, 'a', 'b', 0, 10};
    ASSERT_EQ(0, std::memcmp(a.bytes + 1, head, sizeof head));
    double d;
    std::memcpy(&d, a.bytes + 1 + sizeof head, 8);
    EXPECT_EQ(2.5, d);
    EXPECT_EQ(sizeof head + 8, used);
    EXPECT_TRUE(a.guard_intact(1 + used));
}

// What does not fit is dropped from the first argument that does not, and
// the count says how many were kept.
TEST(PackedArgs, PrefixKeepsTheArgumentsThatFit) {
    Area a;
    const std::string s(20, 's');
    // 1 + 5 + 22 = 28 bytes fit in 30; the next 5-byte integer does not.
    EXPECT_EQ(28u, pack_prefix<StringData::kPacked>(a.bytes, 30, 7, s.c_str(), 8, "t"));
    EXPECT_EQ(2, a.bytes[0]);
    EXPECT_TRUE(a.guard_intact(30));
    char out[64];
    EXPECT_EQ(std::string("7 ") + s + " 0 (null)",
              (format_packed(out, sizeof out, "%d %s %d %s", a.bytes, 30, StringData::kPacked), out));
    EXPECT_EQ(0u, pack_prefix<StringData::kPacked>(a.bytes, 0, 1));
}

}  // namespace
