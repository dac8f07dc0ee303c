#include "api/terminal/KApiTerminalInfo.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/statvfs.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "hostinfo/HostFixture.h"
#include "trv_hostinfo.h"

using nq::TerminalType;
using nq::trv_user_terminal_info_t;
using nq::api::KApiTerminalInfo;

namespace {

std::string info_str(const KApiTerminalInfo& info) {
    char out[nq::CONST_TERMINAL_INFO_LEN];
    memset(out, 0x7f, sizeof(out));
    info.get_terminal_info_str(out);
    EXPECT_NE(nullptr, memchr(out, '\0', sizeof(out)));
    return std::string(out, strnlen(out, sizeof(out)));
}

trv_user_terminal_info_t blank_user(TerminalType type) {
    trv_user_terminal_info_t u;
    memset(&u, 0, sizeof(u));
    u.term_type = type;
    return u;
}

std::string escaped(const std::string& in, size_t n) {
    std::vector<char> out(n, 'x');
    if (!KApiTerminalInfo::escape_character(in.c_str(), out.data(), n)) return "<false>";
    return out.data();
}

bool ends_in_lone_backslash(const std::string& s) {
    size_t n = 0;
    while (n < s.size() && s[s.size() - 1 - n] == '\\') ++n;
    return n % 2 == 1;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

TEST(TerminalText, ProcessSpaces) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {" my  host\tname ", "my host name"}, {"a", "a"}, {"   ", ""}, {"", ""}, {"a \t\n b", "a b"},
    };
    for (const Case& c : cases) {
        char out[64];
        KApiTerminalInfo::process_spaces(c.in, out, sizeof(out));
        EXPECT_STREQ(c.out, out) << '"' << c.in << '"';
    }
}

TEST(TerminalText, NormalizeKeepsTheLastCharacters) {
    struct Case {
        const char* in;
        size_t n;
        const char* out;
    } cases[] = {
        {"abcdef", 4, "cdef"},
        {"abc", 4, "abc"},
        {"  a  b  ", 3, "a b"},
        {"x  yyyy", 5, " yyyy"},
    };
    for (const Case& c : cases) {
        char field[16];
        KApiTerminalInfo::normalize_info(c.in, field, c.n);
        EXPECT_STREQ(c.out, field) << '"' << c.in << '"';
    }
}

TEST(TerminalText, EscapeWithinTheBound) {
    struct Case {
        const char* in;
        size_t n;
        const char* out;
    } cases[] = {
        {"a,b:c;d@e\\f|g", 64, "a\\,b\\:c\\;d\\@e\\\\f\\|g"},
        {"plain", 64, "plain"},
        {"abcdef", 4, "abc"},
        // The pair "\;" does not fit in the last place: both are dropped, no
        // lone backslash is left.
        {"a;b", 3, "a"},
        {"a;b", 4, "a\\;"},
        {"ab;", 4, "ab"},
        {";", 2, ""},
        {"\\", 3, "\\\\"},
    };
    for (const Case& c : cases) {
        std::string got = escaped(c.in, c.n);
        EXPECT_EQ(c.out, got) << '"' << c.in << "\" n=" << c.n;
        EXPECT_LE(got.size(), c.n - 1);
        EXPECT_FALSE(ends_in_lone_backslash(got));
    }
    char out[8];
    EXPECT_FALSE(KApiTerminalInfo::escape_character(nullptr, out, sizeof(out)));
    EXPECT_FALSE(KApiTerminalInfo::escape_character("", out, sizeof(out)));
    EXPECT_FALSE(KApiTerminalInfo::escape_character("a", nullptr, 8));
    EXPECT_FALSE(KApiTerminalInfo::escape_character("a", out, 0));
}

// Host values are escaped whole and then keep their last n characters; a cut
// never separates a backslash from the character it escapes.
TEST(TerminalText, HostValueIsEscapedWholeAndKeepsItsEnd) {
    struct Case {
        const char* raw;
        size_t n;
        const char* out;
    } cases[] = {
        {"host", 20, "host"},
        {"  my   host  ", 20, "my host"},
        {"/data:x^ext4^256G", 20, "/data\\:x^ext4^256G"},
        // Cut to the field before escaping this read "/mnt/a\\:b\\:c^ext4^25".
        {"/mnt/a:b:c^ext4^256G", 20, "nt/a\\:b\\:c^ext4^256G"},
        // The cut falls between a backslash and its ';': both go.
        {"a;b;c;d;e;f;g;h;i;j;k;l", 20, "f\\;g\\;h\\;i\\;j\\;k\\;l"},
        {"a;b;c;d;e;f;g;h;i;j;k;l", 21, "\\;f\\;g\\;h\\;i\\;j\\;k\\;l"},
        {"serial\\", 10, "serial\\\\"},
        {"::::::", 3, "\\:"},
        {";", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.raw) + " n=" + std::to_string(c.n));
        char out[64];
        memset(out, 'x', sizeof(out));
        const bool ok = KApiTerminalInfo::escape_host_value(c.raw, c.n, out, sizeof(out));
        EXPECT_EQ(c.out[0] != '\0', ok);
        if (!ok) continue;
        EXPECT_STREQ(c.out, out);
        EXPECT_LE(strlen(out), c.n);
        EXPECT_FALSE(ends_in_lone_backslash(out));
    }
    char out[21];
    EXPECT_FALSE(KApiTerminalInfo::escape_host_value("   ", 20, out, sizeof(out)));
    EXPECT_FALSE(KApiTerminalInfo::escape_host_value(nullptr, 20, out, sizeof(out)));
    EXPECT_FALSE(KApiTerminalInfo::escape_host_value("abc", 21, out, sizeof(out)));  // no room
}

// A caller's text ending in a lone backslash would escape what follows it in
// the string (the next separator, or the end): the backslash is dropped; an
// escaped one (an even run) stays.
TEST(TerminalString, CallerTextNeverEndsInALoneBackslash) {
    trv_user_terminal_info_t u = blank_user(TerminalType::PC);
    char pcn[] = "pc\\";
    char ext[] = "tail\\";
    u.pcn = pcn;
    u.extern_info = ext;
    KApiTerminalInfo info(&u);
    EXPECT_STREQ("pc", info.pcn());
    EXPECT_STREQ("tail", info.extern_info());
    std::string s = info_str(info);
    EXPECT_EQ("PC;IIP=NA;IPORT=NA;LIP=NA;MAC=NA;HD=NA;PCN=PC;CPU=NA;PI=NA;VOL=NA@tail", s);
    EXPECT_FALSE(ends_in_lone_backslash(s));

    info.set_extern_info("two\\\\");
    EXPECT_STREQ("two\\\\", info.extern_info());
    info.set_extern_info("\\");
    EXPECT_STREQ("", info.extern_info());
    EXPECT_EQ(std::string::npos, info_str(info).find('@'));
}

TEST(TerminalText, UpperStopsAtTheBound) {
    char text[] = "abc;def";
    KApiTerminalInfo::upper_info(text, 3);
    EXPECT_STREQ("ABC;def", text);
    KApiTerminalInfo::upper_info(text, 100);
    EXPECT_STREQ("ABC;DEF", text);
}

TEST(TerminalString, PcWithOnlyTheType) {
    trv_user_terminal_info_t u = blank_user(TerminalType::PC);
    KApiTerminalInfo info(&u);
    EXPECT_EQ("PC;IIP=NA;IPORT=NA;LIP=NA;MAC=NA;HD=NA;PCN=NA;CPU=NA;PI=NA;VOL=NA", info_str(info));
    KApiTerminalInfo none(static_cast<const trv_user_terminal_info_t*>(nullptr));
    EXPECT_EQ(info_str(info), info_str(none));
}

TEST(TerminalString, PcLinuxWithEveryField) {
    trv_user_terminal_info_t u = blank_user(TerminalType::PC_LINUX);
    char lip[] = "192.168.1.20", mac[] = "aa-bb-cc-dd-ee-ff", hd[] = "wd-123", iip[] = "203.0.113.9",
         pcn[] = "trader-pc", cpu[] = "bfebfbff000906ea", pi[] = "c:^ntfs^100g", vol[] = "ab12", ext[] = "a;b";
    u.local_ip = lip;
    u.mac_addr = mac;
    u.hd = hd;
    u.internet_ip = iip;
    u.internet_port = 8080;
    u.pcn = pcn;
    u.cpu_sn = cpu;
    u.pi = pi;
    u.vol = vol;
    u.extern_info = ext;
    KApiTerminalInfo info(&u);
    EXPECT_EQ(TerminalType::PC_LINUX, info.type());
    EXPECT_STREQ("aabbccddeeff", info.mac_addr());
    EXPECT_EQ(
        "OH;IIP=203.0.113.9;IPORT=8080;LIP=192.168.1.20;MAC=AABBCCDDEEFF;HD=WD-123;PCN=TRADER-PC;"
        "CPU=BFEBFBFF000906EA;PI=C:^NTFS^100G;VOL=AB12@a;b",
        info_str(info));
}

TEST(TerminalString, MacOsSerialOnlyWhenReal) {
    struct Case {
        const char* sno;
        const char* expected;
    } cases[] = {
        {"NA", "PC;IIP=NA;IPORT=NA;LIP=NA;MAC=AABBCCDDEEFF;HD=NA;"},
        {nullptr, "PC;IIP=NA;IPORT=NA;LIP=NA;MAC=AABBCCDDEEFF;HD=NA;"},
        {"c02xk0abjgh5", "PC;IIP=NA;IPORT=NA;LIP=NA;MAC=AABBCCDDEEFF;SNO=C02XK0ABJGH5;HD=NA;"},
    };
    for (const Case& c : cases) {
        trv_user_terminal_info_t u = blank_user(TerminalType::PC);
        char mac[] = "aa:bb:cc:dd:ee:ff";
        u.mac_addr = mac;
        u.macos_sno = const_cast<char*>(c.sno);
        std::string s = info_str(KApiTerminalInfo(&u));
        EXPECT_EQ(0u, s.find(c.expected)) << s;
    }
}

TEST(TerminalString, HostNameIsCutAndItsBlanksFolded) {
    KApiTerminalInfo info;
    info.set_pcn("abcdefghij-klmnopqrstuvwxyz");
    EXPECT_STREQ("hij-klmnopqrstuvwxyz", info.pcn());
    EXPECT_NE(std::string::npos, info_str(info).find(";PCN=HIJ-KLMNOPQRSTUVWXYZ;"));
    info.set_pcn(" my  desk pc ");
    EXPECT_NE(std::string::npos, info_str(info).find(";PCN=MY DESK PC;"));
    info.set_pcn("");
    EXPECT_STREQ("NA", info.pcn());
}

TEST(TerminalString, SettersKeepOrResetAsDocumented) {
    KApiTerminalInfo info;
    info.set_lip("10.0.0.1");
    info.set_lip(nullptr);
    info.set_lip("");
    EXPECT_STREQ("10.0.0.1", info.lip());
    info.set_iport(0);
    EXPECT_STREQ("", info.iport());
    info.set_iport(65535);
    EXPECT_STREQ("65535", info.iport());
    info.set_vol("abc");
    info.set_vol(nullptr);
    EXPECT_STREQ("NA", info.vol());
    info.set_extern_info("x");
    info.set_extern_info(nullptr);
    EXPECT_STREQ("", info.extern_info());
    info.set_mac_addr("::--");
    EXPECT_STREQ("", info.mac_addr());
}

TEST(TerminalString, OverLongFieldsStayWithinTheirSizes) {
    const std::string longer(300, 'q');
    trv_user_terminal_info_t u = blank_user(TerminalType::PC);
    std::vector<std::string> texts(10, longer);
    char* p[10];
    for (int i = 0; i < 10; ++i) p[i] = &texts[i][0];
    u.local_ip = p[0];
    u.mac_addr = p[1];
    u.hd = p[2];
    u.internet_ip = p[3];
    u.macos_sno = p[4];
    u.pcn = p[5];
    u.cpu_sn = p[6];
    u.pi = p[7];
    u.vol = p[8];
    u.extern_info = p[9];
    u.internet_port = -1;
    KApiTerminalInfo info(&u);
    EXPECT_EQ(45u, strlen(info.iip()));
    EXPECT_EQ(45u, strlen(info.lip()));
    EXPECT_EQ(17u, strlen(info.mac_addr()));
    EXPECT_EQ(32u, strlen(info.hd()));
    EXPECT_EQ(20u, strlen(info.sno()));
    EXPECT_EQ(20u, strlen(info.pcn()));
    EXPECT_EQ(20u, strlen(info.cpu_sn()));
    EXPECT_EQ(20u, strlen(info.pi()));
    EXPECT_EQ(10u, strlen(info.vol()));
    EXPECT_EQ(256u, strlen(info.extern_info()));
    std::string s = info_str(info);
    EXPECT_EQ(256u, s.size());
    EXPECT_EQ(0u, s.find("PC;IIP=" + upper(std::string(45, 'q')) + ";IPORT=4294967295;LIP="));
}

TEST(TerminalString, ExternInfoOf256Characters) {
    std::string ext(256, 'e');
    ext[0] = 'S';
    KApiTerminalInfo info;
    info.set_extern_info(ext.c_str());
    EXPECT_EQ(ext, info.extern_info());
    std::string s = info_str(info);
    const std::string head = "PC;IIP=NA;IPORT=NA;LIP=NA;MAC=NA;HD=NA;PCN=NA;CPU=NA;PI=NA;VOL=NA@";
    ASSERT_EQ(256u, s.size());
    EXPECT_EQ(head + ext.substr(0, 256 - head.size()), s);
}

TEST(TerminalString, ACutNeverEndsInALoneBackslash) {
    const std::string head = "PC;IIP=NA;IPORT=NA;LIP=NA;MAC=NA;HD=NA;PCN=NA;CPU=NA;PI=NA;VOL=NA@";
    for (int shift = 0; shift < 2; ++shift) {
        std::string ext(static_cast<size_t>(shift), 'x');
        while (ext.size() < 256) ext += "\\;";
        ext.resize(256);
        KApiTerminalInfo info;
        info.set_extern_info(ext.c_str());
        std::string s = info_str(info);
        EXPECT_LE(s.size(), 256u);
        EXPECT_GE(s.size(), 255u);
        EXPECT_FALSE(ends_in_lone_backslash(s)) << "shift " << shift << ": " << s;
        EXPECT_EQ(0u, s.find(head));
    }
}

TEST(TerminalString, FormattingLeavesTheRecordAlone) {
    KApiTerminalInfo info(TerminalType::PC_LINUX);
    std::string first = info_str(info);
    EXPECT_STREQ("", info.iip());
    EXPECT_STREQ("", info.iport());
    EXPECT_STREQ("", info.lip());
    EXPECT_STREQ("", info.mac_addr());
    EXPECT_STREQ("", info.hd());
    EXPECT_EQ(first, info_str(info));
    // Values set afterwards are still taken (no "NA" left behind).
    info.set_lip("10.1.2.3");
    EXPECT_NE(std::string::npos, info_str(info).find(";LIP=10.1.2.3;"));
}

TEST(TerminalString, OtherTypesWriteNothing) {
    for (TerminalType t :
         {TerminalType::ANDROID, TerminalType::IOS, TerminalType::WP, TerminalType::STATION, TerminalType::TEL}) {
        trv_user_terminal_info_t u = blank_user(t);
        KApiTerminalInfo info(&u);
        char out[nq::CONST_TERMINAL_INFO_LEN];
        memset(out, 'z', sizeof(out));
        info.get_terminal_info_str(out);
        for (char c : out) ASSERT_EQ('z', c) << static_cast<int>(t);
        // The PC form is still available explicitly.
        char* p = out;
        info.get_pc_terminal_info_str(p);
        EXPECT_EQ(0, strncmp(out, "PC;IIP=NA", 9));
    }
}

TEST(TerminalLocal, AddressTextAndMissingMac) {
    KApiTerminalInfo info;
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = inet_addr("127.0.0.1");
    info.set_local_ip_and_mac(reinterpret_cast<sockaddr*>(&v4));
    EXPECT_STREQ("127.0.0.1", info.lip());
    EXPECT_STREQ("", info.mac_addr());  // lo's all-zero MAC is not taken

    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    inet_pton(AF_INET6, "fe80::1:2:3:4", &v6.sin6_addr);
    info.set_local_ip_and_mac(reinterpret_cast<sockaddr*>(&v6));
    EXPECT_STREQ("fe80::1:2:3:4", info.lip());

    sockaddr_un un{};
    un.sun_family = AF_UNIX;
    info.set_local_ip_and_mac(reinterpret_cast<sockaddr*>(&un));
    info.set_local_ip_and_mac(nullptr);
    EXPECT_STREQ("fe80::1:2:3:4", info.lip());
}

TEST(TerminalLocal, MacOfTheOwningInterface) {
    TRV_RUN_IN_NETNS([] {
        trv_test::TapDevice tap("trvtap2");
        if (!tap.ok()) trv_test::skip_in_child("no TAP device can be made here");
        const unsigned char mac[6] = {0x02, 0xab, 0xcd, 0x00, 0x01, 0xfe};
        ASSERT_TRUE(tap.set_mac(mac));
        ASSERT_TRUE(tap.set_ipv4("10.55.0.2", "255.255.255.0"));
        trv_test::TempDir tree;
        trv_test::write_net_ifindex(tree, tap.name());
        trv_test::HostRoot root(tree.path());
        KApiTerminalInfo info;
        sockaddr_in v4{};
        v4.sin_family = AF_INET;
        v4.sin_addr.s_addr = inet_addr("10.55.0.2");
        info.set_local_ip_and_mac(reinterpret_cast<sockaddr*>(&v4));
        EXPECT_STREQ("10.55.0.2", info.lip());
        EXPECT_STREQ("02ABCD0001FE", info.mac_addr());

        // The default local address feeds the local record.
        KApiTerminalInfo::set_default_lip(reinterpret_cast<sockaddr*>(&v4));
        EXPECT_STREQ("10.55.0.2", KApiTerminalInfo::default_lip());
        KApiTerminalInfo local(TerminalType::PC_LINUX);
        local.set_local_info();
        EXPECT_STREQ("10.55.0.2", local.lip());
        EXPECT_STREQ("02ABCD0001FE", local.mac_addr());
    });
}

TEST(TerminalLocal, FilledFromHostInformation) {
    trv_test::HostRoot root(trv_test::fixture_path("host"));
    trv_test::FakeTools tools(trv_test::fixture_path("host_tools"));
    KApiTerminalInfo info(TerminalType::PC_LINUX);
    info.set_local_info();

    char host[256];
    ASSERT_TRUE(nq::api::get_hostname(host, sizeof(host)));
    char cpu[64];
    ASSERT_TRUE(nq::api::get_cpu_serial_number(cpu, sizeof(cpu)));
    struct statvfs vfs;
    ASSERT_EQ(0, statvfs("/tmp", &vfs));
    uint64_t total = static_cast<uint64_t>(vfs.f_frsize) * vfs.f_blocks;
    char size_text[32];
    if (total >= (1ull << 30))
        snprintf(size_text, sizeof(size_text), "%u", static_cast<unsigned>(total >> 30));
    else
        snprintf(size_text, sizeof(size_text), "%.2f", static_cast<double>(total) / (1ull << 30));
    // "/tmp^1111-2222^ext4^<n>G" is longer than 20 characters: the short form.
    std::string pi = std::string("/tmp^ext4^") + size_text + "G";

    EXPECT_STREQ("SER-SDA-001", info.hd());
    EXPECT_EQ(pi.substr(pi.size() > 20 ? pi.size() - 20 : 0), info.pi());
    EXPECT_STREQ("1111-2222", info.vol());
    EXPECT_STREQ("KAPI;v1.6.0.23", info.extern_info());
    std::string pcn(20, '\0');
    std::vector<char> esc(64);
    KApiTerminalInfo::normalize_info(host, &pcn[0], 20);
    ASSERT_TRUE(KApiTerminalInfo::escape_character(pcn.c_str(), esc.data(), 21));
    EXPECT_STREQ(esc.data(), info.pcn());
    EXPECT_STREQ(cpu, info.cpu_sn());

    EXPECT_EQ("OH;IIP=NA;IPORT=NA;LIP=NA;MAC=NA;HD=SER-SDA-001;PCN=" + upper(info.pcn()) + ";CPU=" + cpu +
                  ";PI=" + upper(info.pi()) + ";VOL=1111-2222@KAPI;v1.6.0.23",
              info_str(info));
}

TEST(TerminalLocal, HostValuesKeepTheirEndAndNoHalfEscapePair) {
    trv_test::TempDir tree;
    // Escaped whole the serial is one character longer than the field: its
    // end is kept, and the ';' whose backslash falls off goes with it.
    tree.write("sys/block/sda/device/serial", ";" + std::string(31, 'B') + "\n");
    tree.write("proc/mounts", "/dev/sda1 /boot ext4 rw 0 0\n");
    trv_test::FakeTools tools;
    tools.answer("lsblk", "-d -n -o PKNAME /dev/sda1", "sda\n");
    trv_test::HostRoot root(tree.path());
    KApiTerminalInfo info(TerminalType::PC_LINUX);
    info.set_local_info();
    EXPECT_EQ(std::string(31, 'B'), info.hd());
    EXPECT_STREQ("NA", info.pi());  // no volume known
    EXPECT_STREQ("NA", info.vol());
}

TEST(TerminalLocal, ThisMachineRecordIsBuiltOnce) {
    const KApiTerminalInfo* seen[8] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&seen, i] { seen[i] = &KApiTerminalInfo::local_terminal_info(); });
    for (auto& t : threads) t.join();
    for (const KApiTerminalInfo* p : seen) EXPECT_EQ(seen[0], p);
    const KApiTerminalInfo& local = KApiTerminalInfo::local_terminal_info();
    EXPECT_EQ(seen[0], &local);
    EXPECT_EQ(TerminalType::PC_LINUX, local.type());
    std::string s = info_str(local);
    EXPECT_EQ(0u, s.find("OH;IIP=NA;IPORT=NA;"));
    const std::string tail = "@KAPI;v1.6.0.23";
    ASSERT_GE(s.size(), tail.size());
    EXPECT_EQ(tail, s.substr(s.size() - tail.size()));
    char cpu[64];
    ASSERT_TRUE(nq::api::get_cpu_serial_number(cpu, sizeof(cpu)));
    EXPECT_NE(std::string::npos, s.find(std::string(";CPU=") + cpu + ";"));
}
