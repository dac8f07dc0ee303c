// The log items' argument encoding and the line prefix, without logger threads
// (the formatter's cases are in PackedArgs_test).
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "log/Log.h"
#include "log/LogRegion.h"

using nq::log::encode_args;
using nq::log::va_printf;

namespace {

// An 8-aligned encode buffer followed by guard bytes that must stay untouched.
struct Buf {
    alignas(8) unsigned char bytes[4096 + 64];
    Buf() { std::memset(bytes, 0xAA, sizeof bytes); }
    bool guard_intact(size_t from) const {
        for (size_t i = from; i < sizeof bytes; ++i)
            if (bytes[i] != 0xAA) return false;
        return true;
    }
};

template <class... A>
std::string fmt_packed(const char* fmt, A... args) {
    Buf b;
    long used = encode_args(b.bytes, 4096, args...);
    EXPECT_GT(used, 0);
    char out[1024];
    int n = va_printf(out, sizeof out, fmt, b.bytes);
    EXPECT_EQ(n, static_cast<int>(std::strlen(out)));
    return out;
}

}  // namespace

TEST(LogEncoding, LayoutOfIntegersPointersAndStrings) {
    Buf b;
    long used = encode_args(b.bytes, 4096, static_cast<int8_t>(-1), static_cast<uint16_t>(0x1234), -2,
                            static_cast<int64_t>(-3), reinterpret_cast<void*>(0x1122334455667788ull), "ab");
    // count | 1 ff | 2 34 12 | 4 fe ff ff ff | 8 (-3) | 8 ptr | string at the next 8-aligned address
    const unsigned char head[] = {6, 1, 0xff, 2, 0x34, 0x12, 4, 0xfe, 0xff, 0xff, 0xff, 8};
    ASSERT_EQ(0, std::memcmp(b.bytes, head, sizeof head));
    int64_t m3;
    std::memcpy(&m3, b.bytes + 12, 8);
    EXPECT_EQ(-3, m3);
    EXPECT_EQ(8, b.bytes[20]);
    uint64_t ptr;
    std::memcpy(&ptr, b.bytes + 21, 8);
    EXPECT_EQ(0x1122334455667788ull, ptr);
    EXPECT_EQ(16 + 3, b.bytes[29]);  // "ab" and its NUL
    EXPECT_EQ(0, std::memcmp(b.bytes + 32, "ab", 3));
    EXPECT_EQ(35, used);
    EXPECT_TRUE(b.guard_intact(35));
}

TEST(LogEncoding, LongStringKeeps238CharactersWithType255) {
    std::string s(300, 'a');
    Buf b;
    long used = encode_args(b.bytes, 4096, s.c_str());
    EXPECT_EQ(255, b.bytes[1]);
    EXPECT_EQ(8 + 239, used);
    char out[512];
    EXPECT_EQ(238 + 2, va_printf(out, sizeof out, "[%s]", b.bytes));
    EXPECT_EQ("[" + std::string(238, 'a') + "]", out);
    // Exactly 238 characters also gets type 255 and keeps them all.
    std::string t(238, 'b');
    EXPECT_EQ("<" + t + ">", fmt_packed("<%s>", t.c_str()));
}

// Strings around the length where the encoder changes its copy method, each
// in exactly the room it needs and in one byte less.
TEST(LogEncoding, StringsFitExactlyOrFailWithoutTouchingThePastRoom) {
    for (size_t len : {0ul, 1ul, 7ul, 14ul, 15ul, 16ul, 17ul, 40ul, 237ul, 238ul, 239ul, 300ul}) {
        const std::string s(len, 'q');
        const size_t kept = len < 238 ? len : 238;
        const size_t need = 8 + kept + 1;  // count, type, gap to 8, characters, one more byte
        Buf fit;
        EXPECT_EQ(long(need), encode_args(fit.bytes, need, s.c_str())) << len;
        EXPECT_TRUE(fit.guard_intact(need)) << len;
        EXPECT_EQ(0, std::memcmp(fit.bytes + 8, s.c_str(), kept)) << len;
        EXPECT_EQ(len <= 237 ? 16 + kept + 1 : 255, fit.bytes[1]) << len;
        Buf tight;
        EXPECT_EQ(-1, encode_args(tight.bytes, need - 1, s.c_str())) << len;
        EXPECT_TRUE(tight.guard_intact(need - 1)) << len;
    }
}

TEST(LogLine, PrefixHasUnpaddedTimeFieldsTidAndLevelName) {
    struct Case {
        unsigned level, h, m, s, ms;
        const char* want;
    } cases[] = {
        {3, 9, 5, 3, 7, "[20240105 9:5:3.7][42][INFO] x\n"},
        {0, 23, 59, 59, 999, "[20240105 23:59:59.999][42][FATAL] x\n"},
        {5, 0, 0, 0, 0, "[20240105 0:0:0.0][42][TRACE] x\n"},
        {1, 10, 10, 10, 10, "[20240105 10:10:10.10][42][ERROR] x\n"},
    };
    for (const Case& c : cases) {
        alignas(8) unsigned char item[64] = {};
        nq::log::log_item_t* it = reinterpret_cast<nq::log::log_item_t*>(item);
        static const char fmt[] = "%s";
        uint64_t format = reinterpret_cast<uintptr_t>(fmt);
        std::memcpy(item + 8, &format, 8);
        item[2] = static_cast<unsigned char>(c.level);
        uint32_t tid = 42;
        std::memcpy(item + 4, &tid, 4);
        uint64_t clock = 20240105ull | static_cast<uint64_t>(nq::log::pack_time(c.h, c.m, c.s, c.ms)) << 32;
        std::memcpy(item + 16, &clock, 8);
        long used = encode_args(item + 24, sizeof item - 24, "x");
        uint16_t size = static_cast<uint16_t>(24 + used);
        std::memcpy(item, &size, 2);
        char out[nq::log::kMaxMessage + 128];
        size_t n = nq::log::format_line(out, sizeof out, it);
        EXPECT_EQ(c.want, std::string(out, n));
    }
}

TEST(LogLine, EmptyMessageGivesNoLineAndLongMessageIsCut) {
    alignas(8) unsigned char item[4096] = {};
    static const char empty_fmt[] = "%s";
    uint64_t format = reinterpret_cast<uintptr_t>(empty_fmt);
    std::memcpy(item + 8, &format, 8);
    item[2] = 3;
    long used = encode_args(item + 24, sizeof item - 24, "");
    uint16_t size = static_cast<uint16_t>(24 + used);
    std::memcpy(item, &size, 2);
    char out[nq::log::kMaxMessage + 128];
    EXPECT_EQ(0u, nq::log::format_line(out, sizeof out, reinterpret_cast<nq::log::log_item_t*>(item)));

    // A message longer than the formatter's limit keeps 8191 characters.
    static const char wide_fmt[] = "%-9000s";
    format = reinterpret_cast<uintptr_t>(wide_fmt);
    std::memcpy(item + 8, &format, 8);
    used = encode_args(item + 24, sizeof item - 24, "y");
    size = static_cast<uint16_t>(24 + used);
    std::memcpy(item, &size, 2);
    size_t n = nq::log::format_line(out, sizeof out, reinterpret_cast<nq::log::log_item_t*>(item));
    std::string line(out, n);
    size_t prefix = line.find("] ") + 2;
    EXPECT_EQ(prefix + 8191 + 1, n);
    EXPECT_EQ('\n', line.back());
    EXPECT_EQ('y', line[prefix]);
}
