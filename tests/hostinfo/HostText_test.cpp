#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
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
        {"  abc  ", "abc"},         {"a\tb", "a_b"},    {"\x01x\x7f", "_x_"}, {"", ""}, {" \t\n ", ""},
        {"SN 12 34\n", "SN 12 34"}, {"\xc3\xa9", "__"},
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

// A PATH of the caller's choosing must not decide which program runs under
// the library's name.
TEST(Command, ToolsAreNotLookedUpThroughTheCallersPath) {
    trv_test::TempDir dir;
    const std::string marker = dir.path() + "/ran";
    dir.write("bin/lsblk", "#!/bin/sh\ntouch " + marker + "\necho planted\n");
    ASSERT_EQ(0, chmod((dir.path() + "/bin/lsblk").c_str(), 0755));
    const char* old = getenv("PATH");
    const std::string saved = old != nullptr ? old : "";
    setenv("PATH", (dir.path() + "/bin:" + saved).c_str(), 1);
    char buffer[64];
    run_named_command("lsblk -x %s 2>/dev/null", "/dev/sda", buffer, sizeof(buffer));
    setenv("PATH", saved.c_str(), 1);
    EXPECT_FALSE(dir.exists("ran"));
    EXPECT_STRNE("planted", buffer);
}

TEST(Command, CommandPathTakesOnlyPlainDirectories) {
    const std::string system = command_path();
    EXPECT_EQ("/usr/sbin:/usr/bin:/sbin:/bin", system);
    for (const char* bad : {"/bin;touch /tmp/x", "/bin /usr/bin", "$HOME/bin", "/bin`id`"}) {
        EXPECT_FALSE(set_command_path(bad)) << bad;
        EXPECT_EQ(system, command_path());
    }
    EXPECT_TRUE(set_command_path("/opt/tools:/usr/bin"));
    EXPECT_STREQ("/opt/tools:/usr/bin", command_path());
    EXPECT_TRUE(set_command_path(""));
    EXPECT_EQ(system, command_path());
}

// Running a tool must not flush (and lock) every stream of the program.
TEST(Command, CallersBufferedStreamsAreLeftAlone) {
    trv_test::TempDir dir;
    trv_test::FakeTools tools;
    tools.answer("lsblk", "-x /dev/sda", "line\n");
    const std::string path = dir.path() + "/out";
    FILE* f = fopen(path.c_str(), "w");
    ASSERT_NE(nullptr, f);
    static char buf[4096];
    setvbuf(f, buf, _IOFBF, sizeof(buf));
    fputs("pending", f);
    char buffer[64];
    EXPECT_TRUE(run_named_command("lsblk -x %s 2>/dev/null", "/dev/sda", buffer, sizeof(buffer)));
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(0, st.st_size) << "the program's buffered output was flushed";
    fclose(f);
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(7, st.st_size);
}
