#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "hostinfo/HostFixture.h"
#include "trv_hostinfo.h"

using namespace nq::api;
using trv_test::TempDir;

TEST(SystemSerial, SkipsPlaceholdersInOrder) {
    struct Case {
        const char* product;  // null: file absent
        const char* chassis;
        const char* board;
        const char* expected;
        bool ok;
    } cases[] = {
        {"ABC123\n", "CH-1\n", "BB-1\n", "ABC123", true},
        {"System Serial Number\n", "Default string\n", "None\n", "N/A", false},
        {"None\n", "CH-1\n", nullptr, "CH-1", true},
        {"System Serial Number\n", "Chassis Serial Number\n", "BB-7\n", "BB-7", true},
        {nullptr, nullptr, "Base Board Serial Number\n", "N/A", false},
        {nullptr, nullptr, nullptr, "N/A", false},
        {"\n", "CH-1\n", nullptr, "", true},  // an empty line is a value
        // Each placeholder belongs to its own file only.
        {"Default string\n", "CH-1\n", nullptr, "Default string", true},
    };
    for (const Case& c : cases) {
        TempDir tree;
        if (c.product) tree.write("sys/class/dmi/id/product_serial", c.product);
        if (c.chassis) tree.write("sys/class/dmi/id/chassis_serial", c.chassis);
        if (c.board) tree.write("sys/class/dmi/id/board_serial", c.board);
        trv_test::HostRoot root(tree.path());
        char buffer[64];
        memset(buffer, 'x', sizeof(buffer));
        EXPECT_EQ(c.ok, get_system_serial_number(buffer, sizeof(buffer))) << c.expected;
        EXPECT_STREQ(c.expected, buffer);
    }
}

TEST(SystemSerial, CutsToTheBuffer) {
    TempDir tree;
    tree.write("sys/class/dmi/id/product_serial", "ABCDEFG\n");
    {
        trv_test::HostRoot root(tree.path());
        char buffer[4];
        EXPECT_TRUE(get_system_serial_number(buffer, sizeof(buffer)));
        EXPECT_STREQ("ABC", buffer);
    }
    TempDir none;
    trv_test::HostRoot root(none.path());
    char two[2];
    EXPECT_FALSE(get_system_serial_number(two, sizeof(two)));
    EXPECT_STREQ("N", two);
    EXPECT_FALSE(get_system_serial_number(nullptr, 8));
    EXPECT_FALSE(get_system_serial_number(two, 0));
}

TEST(Motherboard, ReadsDmiBoardFiles) {
    {
        trv_test::HostRoot root(trv_test::fixture_path("host"));
        MotherboardInfo info;
        memset(&info, 'x', sizeof(info));
        ASSERT_TRUE(get_motherboard_info(&info));
        EXPECT_STREQ("Fixture Boards Inc.", info.vendor);
        EXPECT_STREQ("FX-100", info.name);
        EXPECT_STREQ("None", info.serial_number);
    }
    TempDir tree;
    tree.write("sys/class/dmi/id/board_vendor", "V\n");
    tree.write("sys/class/dmi/id/board_serial", "S\n");
    trv_test::HostRoot root(tree.path());
    MotherboardInfo info;
    EXPECT_FALSE(get_motherboard_info(&info));
    EXPECT_STREQ("V", info.vendor);
    EXPECT_STREQ("N/A", info.name);
    EXPECT_STREQ("S", info.serial_number);
    EXPECT_FALSE(get_motherboard_info(nullptr));
}

TEST(SystemIdentity, ThisMachineGivesFallbacksWithoutDmi) {
    struct stat st;
    if (stat("/sys/class/dmi/id", &st) == 0) GTEST_SKIP() << "this machine has DMI";
    char buffer[64];
    EXPECT_FALSE(get_system_serial_number(buffer, sizeof(buffer)));
    EXPECT_STREQ("N/A", buffer);
    MotherboardInfo info;
    EXPECT_FALSE(get_motherboard_info(&info));
    EXPECT_STREQ("N/A", info.vendor);
}

TEST(Hostname, MatchesGethostname) {
    char expected[256];
    ASSERT_EQ(0, gethostname(expected, sizeof(expected)));
    char buffer[256];
    ASSERT_TRUE(get_hostname(buffer, sizeof(buffer)));
    EXPECT_STREQ(expected, buffer);
    EXPECT_FALSE(get_hostname(nullptr, 16));
    EXPECT_FALSE(get_hostname(buffer, 0));
}

TEST(Memory, ReportsTotalAndFree) {
    unsigned long total = 0, free_bytes = 0;
    EXPECT_TRUE(get_memory_info(&total, &free_bytes));
    EXPECT_GT(total, 0ul);
    EXPECT_LE(free_bytes, total);
}
