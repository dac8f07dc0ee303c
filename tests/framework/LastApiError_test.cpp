#include "framework/LastApiError.h"
#include "support/TestLogFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

using nq::trv_error_info_t;
using nq::api::LastApiError;
using nq::api::set_last_error;

namespace {

trv_error_info_t last() { return LastApiError::get_last_error(); }

TEST(LastApiError, FreshThreadReportsAllZeros) {
    set_last_error(301, 0, "set on the main thread");  // must not leak into others
    trv_error_info_t seen;
    std::memset(&seen, 0xa5, sizeof seen);
    std::thread([&] { seen = last(); }).join();
    const trv_error_info_t zero{};
    EXPECT_EQ(0, std::memcmp(&zero, &seen, sizeof seen));
    EXPECT_STREQ("set on the main thread", last().error_msg);
}

TEST(LastApiError, RecordsTypeCodeAndReplacesEarlierError) {
    set_last_error(308, 0, "first %d", 1);
    set_last_error(309, 7, "second %s", "x");
    const trv_error_info_t e = last();
    EXPECT_EQ(309u, e.error_code_type);
    EXPECT_EQ(7u, e.error_code);
    EXPECT_STREQ("second x", e.error_msg);
}

struct FormatCase {
    const char* name;
    std::function<void()> set;
    std::string expected;
};

// The formatter's own cases are in tests/log/PackedArgs_test.cpp; these are
// what set_last_error adds: copies of the arguments, the 255-character
// message, and a format without arguments kept as it stands. The cases that
// break printf's rules on purpose call the function past its format check.
TEST(LastApiError, FormatsPackedArguments) {
    const std::string long300(300, 'q');
    static char caller_buffer[16];
    const FormatCase cases[] = {
        {"mixed widths",
         [] {
             set_last_error(308, 0, "order %lu of %s refused: %d (%hhu/%hd)", 42ul, "600000", -7, (unsigned char)200,
                            (short)-3);
         },
         "order 42 of 600000 refused: -7 (200/-3)"},
        {"char, bool, enum, float, double, percent",
         [] { (set_last_error)(1, 0, "%c%d%d %.1f %g 100%%", 'Z', true, nq::ApiType::QUOTE, 2.5f, 0.125); },
         "Z12 2.5 0.125 100%"},
        {"null string", [] { set_last_error(1, 0, "name=%s", (const char*)nullptr); }, "name=(null)"},
        {"string is copied, not referenced",
         [] {
             std::snprintf(caller_buffer, sizeof caller_buffer, "before");
             set_last_error(1, 0, "v=%s", caller_buffer);
             std::snprintf(caller_buffer, sizeof caller_buffer, "after!");
         },
         "v=before"},
        {"long string keeps 238 characters", [&] { set_last_error(1, 0, "%s|", long300.c_str()); },
         std::string(238, 'q') + "|"},
        {"integer argument for %s is not dereferenced", [] { (set_last_error)(1, 0, "%s", 0x10ul); }, "(not a string)"},
        {"no arguments: text as it stands", [] { (set_last_error)(301, 0, "value %d unset"); }, "value %d unset"},
    };
    for (const FormatCase& c : cases) {
        c.set();
        EXPECT_EQ(c.expected, std::string(last().error_msg)) << c.name;
    }
}

TEST(LastApiError, MessageIsCutTo255Characters) {
    const std::string a(200, 'a'), b(200, 'b');
    set_last_error(310, 0, "%s%s", a.c_str(), b.c_str());
    trv_error_info_t e = last();
    ASSERT_EQ(255u, strnlen(e.error_msg, sizeof e.error_msg));
    EXPECT_EQ(a + std::string(55, 'b'), std::string(e.error_msg));

    static const std::string literal(300, 'L');  // static lifetime, as required
    (set_last_error)(301, 0, literal.c_str());
    e = last();
    ASSERT_EQ(255u, strnlen(e.error_msg, sizeof e.error_msg));
    EXPECT_EQ(std::string(255, 'L'), std::string(e.error_msg));
}

TEST(LastApiError, ArgumentsBeyondTheAreaAreDropped) {
    // 20 strings of 238 characters need more than the 4096-byte area; the
    // ones that do not fit are dropped rather than written past it.
    const std::string s(238, 's');
    const char* p = s.c_str();
    set_last_error(1, 0, "%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s%.1s|%.1s|%s|%d", p, p, p, p,
                   p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, 5);
    EXPECT_EQ(17, LastApiError::last_error_.args_[0]);
    EXPECT_EQ(std::string(17, 's') + "|(|(null)|0", std::string(last().error_msg));
}

TEST(LastApiError, LogsTheSameTextAtError) {
    trv_test::TestLogFile log;
    ASSERT_TRUE(log.ok());

    set_last_error(307, 0, "session not found: { session_id = %lu, name = %s }", 77ul, "gw-1");
    const std::string first = std::string("[ERROR] ") + last().error_msg + "\n";
    set_last_error(301, 0, "alloc timer manager failed");
    const std::string second = std::string("[ERROR] ") + last().error_msg + "\n";
    EXPECT_EQ("[ERROR] session not found: { session_id = 77, name = gw-1 }\n", first);

    log.wait_for(second);
    const std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find(first)) << text;
    EXPECT_NE(std::string::npos, text.find(second)) << text;
    EXPECT_LT(text.find(first), text.find(second)) << text;
}

TEST(VaPrintf, CountsLikeSnprintfAndNeverOverruns) {
    unsigned char args[LastApiError::kArgAreaSize];
    nq::log::pack_prefix<nq::log::StringData::kPacked>(args, sizeof args, 123456, "tail");
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    const int n = nq::va_printf(buf, 6, "n=%d %s", args);
    EXPECT_EQ(13, n);            // "n=123456 tail"
    EXPECT_STREQ("n=123", buf);  // 5 characters and the terminator
    EXPECT_EQ('X', buf[6]);      // nothing past size
    EXPECT_EQ(13, nq::va_printf(nullptr, 0, "n=%d %s", args));
}

}  // namespace
