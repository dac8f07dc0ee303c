// The statistics file is read back by offsets, as another process would.
#include "api/monitor/KApiMon.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <x86intrin.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using nq::api::KApiMon;
using nq::api::monitor_report_back_time_t;

namespace {

class MonFile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trv_mon_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/stats";
    }
    void TearDown() override {
        std::remove(path_.c_str());
        rmdir(dir_.c_str());
    }
    std::vector<unsigned char> contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    }
    static uint64_t u64(const std::vector<unsigned char>& f, size_t off) {
        uint64_t v;
        std::memcpy(&v, f.data() + off, 8);
        return v;
    }
    std::string dir_, path_;
};

TEST_F(MonFile, NewFileHasTheLayoutSizeAndItsHeader) {
    KApiMon mon(path_.c_str(), 2, 3, 0xABCD);
    ASSERT_TRUE(mon.initialize());
    auto f = contents();
    ASSERT_EQ(f.size(), 176u + 112u * 2 + 56u * 3);
    double ticks;
    std::memcpy(&ticks, f.data(), 8);
    EXPECT_GT(ticks, 0.0);
    EXPECT_EQ(u64(f, 8), 2u);
    EXPECT_EQ(u64(f, 16), 3u);
    uint32_t tag;
    std::memcpy(&tag, f.data() + 24, 4);
    EXPECT_EQ(tag, 0xABCDu);
    for (size_t off = 32; off < 176; off += 8) EXPECT_EQ(u64(f, off), 0u) << off;
}

TEST_F(MonFile, RecordersFillTheirWordsAndTablesWithinCapacity) {
    KApiMon mon(path_.c_str(), 2, 1, 0);
    ASSERT_TRUE(mon.initialize());
    for (uint64_t k = 0; k < 3; ++k) mon.add_insert(k * 100 + 0, k * 100 + 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, k * 100 + 11);
    mon.add_cancel(0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    mon.add_first_report_time(7, 8, 9);
    mon.add_first_report_time(17, 18, 19);
    mon.add_first_report_time(27, 28, 29);
    monitor_report_back_time_t r{{1, 2, 3, 4, 5, 6, 7}};
    mon.add_report_insert_record(r);
    r.values[0] = 99;
    mon.add_report_insert_record(r);  // beyond M: nothing changes
    mon.add_login_count();
    mon.add_login_succ_count();
    mon.add_disconnect_count();
    mon.add_report();
    mon.add_raw_report();
    mon.add_slow_report();
    mon.add_fast_report();
    mon.add_order_response();
    mon.add_cancel_response();
    mon.add_error_response();
    mon.add_trade();
    mon.add_order_end();

    auto f = contents();
    EXPECT_EQ(u64(f, 56), 3u);       // third insert counted ...
    EXPECT_EQ(u64(f, 152), 1u);      // first insert's second value
    EXPECT_EQ(u64(f, 160), 201u);    // ... and it is the latest one
    EXPECT_EQ(u64(f, 176 + 0), 0u);  // record 0
    EXPECT_EQ(u64(f, 176 + 88), 11u);
    EXPECT_EQ(u64(f, 176 + 96 + 8), 101u);  // record 1
    EXPECT_EQ(u64(f, 176 + 96 + 88), 111u);
    // ... but no third record: the first-report table follows at once.
    const size_t first = 176 + 96 * 2;
    EXPECT_EQ(u64(f, first), 7u);
    EXPECT_EQ(u64(f, first + 8), 9u);
    EXPECT_EQ(u64(f, first + 16), 17u);
    EXPECT_EQ(u64(f, first + 24), 19u);
    EXPECT_EQ(u64(f, 64), 1u);
    EXPECT_EQ(u64(f, 72), 3u);
    const size_t reports = 176 + 112 * 2;
    EXPECT_EQ(u64(f, reports), 1u);
    EXPECT_EQ(u64(f, reports + 48), 7u);
    EXPECT_EQ(u64(f, 168), 1u);
    for (size_t off = 32; off <= 144; off += 8) {
        if (off == 56 || off == 64 || off == 72) continue;
        EXPECT_EQ(u64(f, off), 1u) << off;
    }
}

TEST_F(MonFile, ReopeningKeepsTheCounters) {
    {
        KApiMon mon(path_.c_str(), 4, 4, 1);
        ASSERT_TRUE(mon.initialize());
        mon.add_trade();
        mon.add_insert(0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    KApiMon again(path_.c_str(), 4, 4, 1);
    ASSERT_TRUE(again.initialize());
    again.add_trade();
    auto f = contents();
    EXPECT_EQ(u64(f, 136), 2u);
    EXPECT_EQ(u64(f, 56), 1u);
}

// A file of another size, or made for other capacities, would be read or
// written past its end or misread: it is refused and left as it was.
TEST_F(MonFile, ForeignFilesAreRefusedAndLeftAlone) {
    struct Case {
        const char* name;
        uint64_t made_n, made_m, open_n, open_m;
        size_t truncate_to;  // 0: keep
    } cases[] = {
        {"shorter than its layout", 4, 4, 4, 4, 100},
        {"longer than our layout", 8, 4, 4, 4, 0},
        {"same size, other capacities", 4, 2, 2, 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(path_.c_str());
        {
            KApiMon made(path_.c_str(), c.made_n, c.made_m, 0);
            ASSERT_TRUE(made.initialize());
            made.add_trade();
        }
        if (c.truncate_to != 0) {
            ASSERT_EQ(truncate(path_.c_str(), c.truncate_to), 0);
        }
        auto before = contents();
        KApiMon mon(path_.c_str(), c.open_n, c.open_m, 0);
        EXPECT_FALSE(mon.initialize());
        EXPECT_EQ(contents(), before);
    }
}

TEST_F(MonFile, CapacitiesWhoseSizeOverflowsAreRefused) {
    EXPECT_EQ(KApiMon::file_size(2, 3), 176u + 112u * 2 + 56u * 3);
    EXPECT_EQ(KApiMon::file_size(uint64_t(1) << 60, 0), 0u);
    EXPECT_EQ(KApiMon::file_size(0, uint64_t(1) << 62), 0u);
    EXPECT_EQ(KApiMon::file_size(uint64_t(1) << 56, uint64_t(1) << 56), 0u);
    KApiMon mon(path_.c_str(), uint64_t(1) << 60, 0, 0);
    EXPECT_FALSE(mon.initialize());
    struct stat st;
    EXPECT_NE(stat(path_.c_str(), &st), 0);  // nothing made
}

// A file whose calibration never finished is made again; one that holds
// anything else stays refused and untouched.
TEST_F(MonFile, FileWhoseCalibrationNeverFinishedIsMadeAgain) {
    struct Case {
        const char* name;
        uint64_t n, m;
        uint32_t tag;
        uint64_t counter;  // the login count word
        bool remade;
    } cases[] = {
        {"nothing written", 0, 0, 0, 0, true},
        {"capacities and tag written", 2, 3, 9, 0, true},
        {"a count in it", 0, 0, 0, 1, false},
        {"made for other capacities of the same size", 1, 5, 9, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> f(KApiMon::file_size(2, 3), 0);
        std::memcpy(&f[8], &c.n, 8);
        std::memcpy(&f[16], &c.m, 8);
        std::memcpy(&f[24], &c.tag, 4);
        std::memcpy(&f[32], &c.counter, 8);
        {
            std::ofstream out(path_, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
        }
        KApiMon mon(path_.c_str(), 2, 3, 9);
        ASSERT_EQ(mon.initialize(), c.remade);
        const auto now = contents();
        if (!c.remade) {
            EXPECT_EQ(now, f);
            continue;
        }
        double ticks;
        std::memcpy(&ticks, now.data(), 8);
        EXPECT_GT(ticks, 0.0);
        EXPECT_EQ(u64(now, 8), 2u);
        EXPECT_EQ(u64(now, 16), 3u);
    }
}

TEST_F(MonFile, ProcessKilledDuringCalibrationLeavesAFileTheNextStartTakes) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        KApiMon mon(path_.c_str(), 2, 3, 9);
        mon.initialize();
        _exit(0);
    }
    usleep(400 * 1000);  // inside the one-second calibration
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    auto f = contents();
    ASSERT_EQ(f.size(), KApiMon::file_size(2, 3));
    EXPECT_EQ(u64(f, 0), 0u);  // no tick rate yet
    EXPECT_EQ(u64(f, 8), 2u);
    EXPECT_EQ(u64(f, 16), 3u);
    KApiMon mon(path_.c_str(), 2, 3, 9);
    EXPECT_TRUE(mon.initialize());
}

void on_alarm(int) {}

// A signal that ends the calibration's sleep early does not skew the rate.
TEST_F(MonFile, SignalDuringCalibrationKeepsTheTickRate) {
    // The reference: ticks over a measured interval.
    timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    const unsigned long long s0 = __rdtsc();
    usleep(300 * 1000);
    const unsigned long long s1 = __rdtsc();
    clock_gettime(CLOCK_MONOTONIC, &t1);
    const double ns = double(t1.tv_sec - t0.tv_sec) * 1e9 + double(t1.tv_nsec - t0.tv_nsec);
    const double reference = double(s1 - s0) / ns;

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_alarm;  // no SA_RESTART: the sleep returns early
    struct sigaction old;
    ASSERT_EQ(sigaction(SIGALRM, &sa, &old), 0);
    itimerval timer{};
    timer.it_value.tv_usec = 200 * 1000;
    ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);
    KApiMon mon(path_.c_str(), 2, 3, 9);
    ASSERT_TRUE(mon.initialize());
    sigaction(SIGALRM, &old, nullptr);
    double ticks;
    auto f = contents();
    std::memcpy(&ticks, f.data(), 8);
    EXPECT_NEAR(ticks, reference, reference * 0.2);
}

TEST_F(MonFile, DumpLeavesAnEmptyFileAndFailsWhereItCannotWrite) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    EXPECT_TRUE(KApiMon::dump());
    struct stat st;
    ASSERT_EQ(stat("trv_api_order_perf.csv", &st), 0);
    EXPECT_EQ(st.st_size, 0);
    std::remove("trv_api_order_perf.csv");
    // A working directory that no longer exists cannot take the file.
    ASSERT_EQ(rmdir(dir_.c_str()), 0);
    EXPECT_FALSE(KApiMon::dump());
    ASSERT_EQ(chdir(cwd), 0);
    ASSERT_EQ(mkdir(dir_.c_str(), 0700), 0);
}

}  // namespace
