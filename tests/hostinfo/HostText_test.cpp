#include <string>

#include "hostinfo/HostCommand.h"
#include "hostinfo/HostFixture.h"
#include "hostinfo/HostText.h"

using namespace nq::api;

TEST(SanitizeText, TrimsAndReplacesUnprintable) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"  abc  ", "abc"}, {"a\tb", "a_b"}, {"\x01x\x7f", "_x_"}, {"", ""},
        {" \t\n ", ""},     {"SN 12 34\n", "SN 12 34"}, {"\xc3\xa9", "__"},
    };
    for (const Case& c : cases) {
        std::string s = c.in;
        sanitize_text(&s[0]);
        EXPECT_STREQ(c.out, s.c_str()) << '"' << c.in << '"';
    }
}

TEST(CommandName, OnlyShellSafeNamesPass) {
    struct Case {
        const char* name;
        bool safe;
    } cases[] = {
        {"/dev/sda1", true},
        {"/dev/mapper/vg0-root", true},
        {"nvme0n1p1", true},
        {"/dev/disk/by-id/ata-X_Y+Z:1.0", true},
        {"", false},
        {nullptr, false},
        {"-I", false},
        {"/dev/../etc/passwd", false},
        {"/dev/x;touch /tmp/p", false},
        {"/dev/x y", false},
        {"$(id)", false},
        {"`id`", false},
        {"a|b", false},
        {"a&b", false},
        {"a'b", false},
        {"a\"b", false},
        {"a\\b", false},
        {"a\nb", false},
        {"a>b", false},
        {"a*", false},
        {"/dev/sd\xc3\xa9", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.safe, is_safe_command_name(c.name)) << (c.name ? c.name : "(null)");
}

TEST(Command, ReadsTheFirstCleanedLineThroughPath) {
    trv_test::FakeTools tools;
    tools.answer("lsblk", "-x /dev/sda", "  first line \t\nsecond\n");
    char buffer[64];
    EXPECT_TRUE(run_named_command("lsblk -x %s 2>/dev/null", "/dev/sda", buffer, sizeof(buffer)));
    EXPECT_STREQ("first line", buffer);
    EXPECT_FALSE(run_named_command("lsblk -x %s 2>/dev/null", "/dev/none", buffer, sizeof(buffer)));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ("lsblk -x /dev/sda\nlsblk -x /dev/none\n", tools.calls());
}

TEST(Command, UnsafeNameRunsNothing) {
    trv_test::TempDir dir;
    trv_test::FakeTools tools;
    std::string marker = dir.path() + "/pwned";
    std::string name = "/dev/x;touch " + marker;
    char buffer[64] = "junk";
    EXPECT_FALSE(run_named_command("lsblk %s", name.c_str(), buffer, sizeof(buffer)));
    EXPECT_STREQ("", buffer);
    EXPECT_FALSE(dir.exists("pwned"));
    EXPECT_EQ("", tools.calls());
}
