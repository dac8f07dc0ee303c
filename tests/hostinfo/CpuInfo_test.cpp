#include <cpuid.h>
#include <sched.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "hostinfo/CpuList.h"
#include "hostinfo/CpuSignature.h"
#include "hostinfo/HostFixture.h"
#include "trv_hostinfo.h"

using namespace nq::api;
using trv_test::TempDir;

namespace {

// First processor's "key : value" lines of /proc/cpuinfo.
std::map<std::string, std::string> first_cpuinfo() {
    std::map<std::string, std::string> out;
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line) && !line.empty()) {
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = line.substr(0, colon);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
        std::string value = colon + 1 < line.size() ? line.substr(colon + 2) : "";
        out[key] = value;
    }
    return out;
}

int cpuinfo_processors() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    int n = 0;
    while (std::getline(in, line)) n += line.compare(0, 9, "processor") == 0;
    return n;
}

std::vector<int> parse(const std::string& text, size_t capacity = 64) {
    std::vector<int> cpus(capacity + 1, -1);
    size_t n = parse_cpu_list(text.c_str(), cpus.data(), capacity);
    EXPECT_EQ(-1, cpus[capacity]) << "wrote past the capacity";
    cpus.resize(n);
    return cpus;
}

}  // namespace

TEST(CpuSignature, DecodesFamilyModelStepping) {
    struct Case {
        uint32_t eax;
        int family, model, stepping;
    } cases[] = {
        // base family 6, extended model 9, model 14, stepping 10
        {0x000906EA, 6, 158, 10},
        // base family 15 adds the extended family and the extended model
        {0x00F40F12, 15 + 0xF, 0x41, 2},
        // other families ignore the extended model
        {0x00A00F00, 15 + 0xA, 0, 0},
        {0x00030512, 5, 1, 2},  // family 5: extended model 3 is ignored
        {0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CpuSignature s = decode_cpu_signature(c.eax);
        EXPECT_EQ(c.family, s.family) << std::hex << c.eax;
        EXPECT_EQ(c.model, s.model) << std::hex << c.eax;
        EXPECT_EQ(c.stepping, s.stepping) << std::hex << c.eax;
    }
}

TEST(CpuSignature, SerialTextIsEdxThenEaxInUpperHex) {
    char text[32];
    format_cpu_serial(0xBFEBFBFFu, 0x000906EAu, text, sizeof(text));
    EXPECT_STREQ("BFEBFBFF000906EA", text);
    format_cpu_serial(0, 1, text, sizeof(text));
    EXPECT_STREQ("0000000000000001", text);
}

TEST(CpuInfo, MatchesProcCpuinfo) {
    CpuInfo info;
    memset(&info, 0x5a, sizeof(info));
    ASSERT_TRUE(get_cpu_info(&info));
    EXPECT_FALSE(get_cpu_info(nullptr));
    auto proc = first_cpuinfo();
    if (proc.count("vendor_id")) {
        EXPECT_EQ(proc["vendor_id"], info.vendor);
    }
    if (proc.count("cpu family")) {
        EXPECT_EQ(std::stoi(proc["cpu family"]), info.family);
    }
    if (proc.count("model")) {
        EXPECT_EQ(std::stoi(proc["model"]), info.model);
    }
    if (proc.count("stepping")) {
        EXPECT_EQ(std::stoi(proc["stepping"]), info.stepping);
    }
    // The brand comes from the extended CPUID leaves; /proc/cpuinfo's "model
    // name" can differ from them (a hypervisor or the kernel may rename the
    // part), so the reference is read from the same leaves here.
    if (__get_cpuid_max(0x80000000, nullptr) >= 0x80000004) {
        unsigned words[12];
        for (unsigned leaf = 0; leaf < 3; ++leaf)
            __cpuid(0x80000002 + leaf, words[leaf * 4], words[leaf * 4 + 1], words[leaf * 4 + 2], words[leaf * 4 + 3]);
        char raw[49] = {0};
        memcpy(raw, words, 48);
        const char* start = raw;
        while (*start == ' ') ++start;
        EXPECT_STREQ(start, info.brand);
        EXPECT_NE(' ', info.brand[0]);
    } else {
        EXPECT_STREQ("N/A", info.brand);
    }
    // Zero-filled behind the texts.
    EXPECT_EQ(0, info.vendor[63]);
    EXPECT_EQ(0, info.brand[63]);

    unsigned eax, ebx, ecx, edx;
    __cpuid(1, eax, ebx, ecx, edx);
    char expected[32];
    snprintf(expected, sizeof(expected), "%08X%08X", edx, eax);
    EXPECT_STREQ(expected, info.serial_number);

    char serial[64];
    ASSERT_TRUE(get_cpu_serial_number(serial, sizeof(serial)));
    EXPECT_STREQ(expected, serial);
    char small[5];
    ASSERT_TRUE(get_cpu_serial_number(small, sizeof(small)));
    EXPECT_EQ(std::string(expected, 4), small);
    EXPECT_FALSE(get_cpu_serial_number(nullptr, 8));
}

TEST(CpuCounts, AgreeWithTheSystem) {
    long total = get_cpu_total_count();
    long online = get_cpu_online_count();
    ASSERT_GT(total, 0);
    EXPECT_EQ(cpuinfo_processors(), online);
    EXPECT_EQ(total - online, get_cpu_isolated_count());
}

TEST(CpuList, ParsesRangesNumbersAndSkipsTheRest) {
    struct Case {
        const char* text;
        std::vector<int> expected;
    } cases[] = {
        {"2-4,7,9-8", {2, 3, 4, 7}},
        {"", {}},
        {"0-3,8,10-11", {0, 1, 2, 3, 8, 10, 11}},
        {"5", {5}},
        {"x,3,,a-b", {3}},
        {"1022-1030", {1022, 1023}},  // CPU sets end at 1023
        {"-3,1", {1}},
        {"2147483600-2147483647,6", {6}},  // a huge range is not walked
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, parse(c.text)) << '"' << c.text << '"';
}

TEST(CpuList, NeverWritesPastTheCapacity) {
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), parse("0-1023", 4));
    EXPECT_EQ((std::vector<int>{9, 0, 1}), parse("9,0-1023,5", 3));
    EXPECT_EQ(std::vector<int>{}, parse("0-7", 0));
}

TEST(CpuList, ReadsTheWholeLineOfAFile) {
    TempDir dir;
    std::string all;
    for (int i = 0; i < 1024; ++i) all += (i ? "," : "") + std::to_string(i);
    ASSERT_GT(all.size(), 1023u);
    dir.write("long", all + "\n");
    dir.write("empty_line", "\n");
    dir.write("empty_file", "");
    std::vector<int> cpus(1025, -1);
    size_t n = 0;
    ASSERT_TRUE(read_cpu_list((dir.path() + "/long").c_str(), cpus.data(), 1024, &n));
    ASSERT_EQ(1024u, n);
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(i, cpus[i]);
    EXPECT_EQ(-1, cpus[1024]);

    EXPECT_TRUE(read_cpu_list((dir.path() + "/empty_line").c_str(), cpus.data(), 1024, &n));
    EXPECT_EQ(0u, n);
    EXPECT_FALSE(read_cpu_list((dir.path() + "/empty_file").c_str(), cpus.data(), 1024, &n));
    EXPECT_FALSE(read_cpu_list((dir.path() + "/missing").c_str(), cpus.data(), 1024, &n));
}

TEST(CpuList, IsolatedAndNohzFullFromSysfs) {
    trv_test::HostRoot root(trv_test::fixture_path("host"));
    long total = get_cpu_total_count();
    ASSERT_GT(total, 0);
    std::vector<int> cpus(static_cast<size_t>(total) + 8, -1);
    ASSERT_TRUE(get_cpu_isolated_cores(cpus.data()));
    std::vector<int> expected = {2, 3, 4, 7};
    size_t fits = std::min<size_t>(expected.size(), static_cast<size_t>(total));
    for (size_t i = 0; i < fits; ++i) EXPECT_EQ(expected[i], cpus[i]);
    for (size_t i = fits; i < cpus.size(); ++i) EXPECT_EQ(-1, cpus[i]) << i;

    std::fill(cpus.begin(), cpus.end(), -1);
    EXPECT_TRUE(get_cpu_nohz_full_cores(cpus.data()));
    for (int v : cpus) EXPECT_EQ(-1, v);
    EXPECT_FALSE(get_cpu_isolated_cores(nullptr));
}

TEST(CpuList, MissingSysfsFilesFail) {
    TempDir empty;
    trv_test::HostRoot root(empty.path());
    int cpus[1024];
    EXPECT_FALSE(get_cpu_isolated_cores(cpus));
    EXPECT_FALSE(get_cpu_nohz_full_cores(cpus));
}

TEST(CpuAffinity, ReportsAndSetsTheCallingThread) {
    long total = get_cpu_total_count();
    ASSERT_GT(total, 0);
    cpu_set_t set;
    ASSERT_EQ(0, sched_getaffinity(0, sizeof(set), &set));
    std::vector<int> expected;
    for (long i = 0; i < total && i < 1024; ++i)
        if (CPU_ISSET(i, &set)) expected.push_back(static_cast<int>(i));
    std::vector<int> cpus(static_cast<size_t>(total) + 1, -1);
    ASSERT_TRUE(get_process_cpu_affinity(0, cpus.data()));
    EXPECT_EQ(expected, std::vector<int>(cpus.begin(), cpus.begin() + static_cast<long>(expected.size())));
    EXPECT_EQ(-1, cpus[expected.size()]);

    EXPECT_FALSE(set_process_cpu_affinity(0, 5000));
    EXPECT_FALSE(set_process_cpu_affinity(0, -1));
    ASSERT_TRUE(set_process_cpu_affinity(0, expected.back()));
    std::fill(cpus.begin(), cpus.end(), -1);
    ASSERT_TRUE(get_process_cpu_affinity(0, cpus.data()));
    EXPECT_EQ(expected.back(), cpus[0]);
    EXPECT_EQ(-1, cpus[1]);

    EXPECT_FALSE(get_process_cpu_affinity(0x7ffffff0, cpus.data()));  // no such process
}

TEST(CpuCoreList, ClassifiesEveryCpuAndRestoresAffinity) {
    long total = get_cpu_total_count();
    ASSERT_GT(total, 0);
    cpu_set_t before;
    ASSERT_EQ(0, sched_getaffinity(0, sizeof(before), &before));
    std::vector<int> performance(static_cast<size_t>(total), -1);
    std::vector<int> efficiency(static_cast<size_t>(total), -1);
    long p = -1, e = -1;
    get_cpu_core_list(performance.data(), efficiency.data(), &p, &e);
    cpu_set_t after;
    ASSERT_EQ(0, sched_getaffinity(0, sizeof(after), &after));
    EXPECT_TRUE(CPU_EQUAL(&before, &after));

    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    bool hybrid = false;
    if (__get_cpuid_max(0, nullptr) >= 7) {
        __cpuid_count(7, 0, eax, ebx, ecx, edx);
        hybrid = (edx >> 15) & 1;
    }
    if (!hybrid) {
        EXPECT_EQ(total, p);
        EXPECT_EQ(0, e);
        for (long i = 0; i < total; ++i) EXPECT_EQ(i, performance[static_cast<size_t>(i)]);
    } else {
        EXPECT_LE(p + e, total);
        EXPECT_GT(p + e, 0);
    }
    // Counting only.
    long p2 = -1, e2 = -1;
    get_cpu_core_list(nullptr, nullptr, &p2, &e2);
    EXPECT_EQ(p, p2);
    EXPECT_EQ(e, e2);
}
