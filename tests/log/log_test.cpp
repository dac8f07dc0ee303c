// The logger end to end: initialisation, channels, the producer front end and
// the lines that reach the file. Each TEST runs in its own process.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "log/Log.h"
#include "log/LogRegion.h"
#include "log/LogTestUtil.h"

using nq::log::Log;
using namespace logtest;

namespace {

bool thread_named(const char* name) {
    // Walk the task directory of this process.
    std::string dir = "/proc/" + std::to_string(getpid()) + "/task";
    std::unique_ptr<DIR, int (*)(DIR*)> d(opendir(dir.c_str()), closedir);
    if (!d) return false;
    while (dirent* e = readdir(d.get())) {
        if (e->d_name[0] == '.') continue;
        std::ifstream comm(dir + "/" + e->d_name + "/comm");
        std::string n;
        std::getline(comm, n);
        if (n == name) return true;
    }
    return false;
}

int fail_second_create(pthread_t* t, const pthread_attr_t* a, void* (*fn)(void*), void* arg) {
    static int calls = 0;
    if (++calls == 2) return EAGAIN;
    return pthread_create(t, a, fn, arg);
}

int fail_every_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*) { return EAGAIN; }

void info_site(int i) { LOG_INFO("site line %d", i); }

}  // namespace

TEST(LogInit, SizeBoundsAndSingleInitialisation) {
    EXPECT_FALSE(Log::initialize(nq::log::kInfo, 100));
    EXPECT_FALSE(Log::initialize(nq::log::kInfo, 127));
    EXPECT_EQ(nullptr, nq::log::region());
    ASSERT_TRUE(Log::initialize(nq::log::kWarn, 4096));
    nq::log::log_region_t* r = nq::log::region();
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(2048u, r->size_mb);
    EXPECT_EQ(2016u, r->block_count);
    EXPECT_EQ(nq::log::kWarn, r->level);
    EXPECT_EQ(nq::log::kWarn, Log::log_level_);
    // Block i lies at 32 MiB + i MiB, tagged i << 32 | 1, linked to block i + 1.
    char* base = reinterpret_cast<char*>(r);
    EXPECT_EQ(base + 32 * nq::log::kMiB + 2015 * nq::log::kMiB, reinterpret_cast<char*>(r->blocks[2015]));
    EXPECT_EQ((7ull << 32 | 1), r->blocks[7]->tag);
    EXPECT_EQ((8ull << 32 | 1), r->blocks[7]->link);
    EXPECT_EQ(0u, r->blocks[2015]->link);
    EXPECT_EQ(1u, r->free_head);
    EXPECT_TRUE(wait_until([] { return thread_named("log_main") && thread_named("log_write"); }, 10));
    EXPECT_FALSE(Log::initialize(nq::log::kInfo, 128));  // mapped once
    EXPECT_EQ(r, nq::log::region());
}

TEST(LogInit, DestroyFlushesStopsThreadsAndEndsTheLogger) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    info_site(1);
    Log::destroy();  // the writer drains and flushes before it ends
    EXPECT_EQ(nullptr, nq::log::region());
    EXPECT_FALSE(thread_named("log_main"));
    EXPECT_FALSE(thread_named("log_write"));
    std::vector<std::string> lines = read_lines(f.path);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("site line 1", message_of(lines[0]));
    info_site(2);  // dropped: no region
    EXPECT_EQ(nullptr, Log::alloc_log_item());
    // Sites keep format ids of the released region: no second region.
    EXPECT_FALSE(Log::initialize(nq::log::kInfo, 128));
    info_site(3);
}

TEST(LogInit, FailsWhenTheWriterThreadCannotStart) {
    nq::log::log_thread_create = &fail_second_create;
    EXPECT_FALSE(Log::initialize(nq::log::kInfo, 128));
    EXPECT_EQ(nullptr, nq::log::region());
    EXPECT_FALSE(thread_named("log_main"));  // the started one was stopped again
    EXPECT_EQ(nullptr, Log::alloc_format_id("x", 1));
    nq::log::log_thread_create = &fail_every_create;
    EXPECT_FALSE(Log::initialize(nq::log::kInfo, 128));
    EXPECT_EQ(nullptr, nq::log::region());
    nq::log::log_thread_create = &pthread_create;
    EXPECT_TRUE(Log::initialize(nq::log::kInfo, 128));
}

TEST(LogInit, CallsBeforeInitializeAreDroppedAndTheSiteLogsLater) {
    info_site(0);
    EXPECT_EQ(nullptr, Log::alloc_format_id("abc", 3));
    EXPECT_EQ(nullptr, Log::alloc_log_item());
    Log::commit_log_item(nullptr);
    EXPECT_FALSE(Log::open_log(0, "/tmp/never.log"));
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    info_site(1);  // registered at its first run, before the logger existed
    ASSERT_TRUE(wait_for_lines(f.path, 1));
    std::vector<std::string> lines = read_lines(f.path);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("site line 1", message_of(lines[0]));
}

TEST(LogOpen, ChannelRules) {
    ASSERT_TRUE(Log::initialize(nq::log::kInfo, 128));
    std::string dir = scratch_dir();
    std::string a = dir + "/a.log";
    EXPECT_FALSE(Log::open_log(8, a.c_str()));
    EXPECT_FALSE(Log::open_log(0, nullptr));
    EXPECT_FALSE(Log::open_log(0, std::string(1028, 'p').c_str()));  // longer than 1027
    // An open that fails frees the channel again.
    EXPECT_FALSE(Log::open_log(3, (dir + "/missing/dir/x.log").c_str()));
    nq::log::log_channel_t& ch = nq::log::region()->channels[3];
    EXPECT_EQ(0u, ch.state);
    EXPECT_EQ(0, ch.fd);
    EXPECT_TRUE(Log::open_log(3, a.c_str()));
    EXPECT_GT(ch.fd, 0);
    struct stat st;
    ASSERT_EQ(0, stat(a.c_str(), &st));
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(0666u & ~mask, st.st_mode & 0777);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(Log::open_log(3, (dir + "/b.log").c_str()));  // claimed: false at once
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_TRUE(Log::open_log(7, (dir + "/c.log").c_str()));
}

TEST(LogOpen, DoesNotWaitForeverWhenLogMainHasStopped) {
    ASSERT_TRUE(Log::initialize(nq::log::kInfo, 128));
    nq::log::stop_log_service();
    ASSERT_TRUE(wait_until([] { return !thread_named("log_main"); }, 10));
    std::string p = scratch_dir() + "/late.log";
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(Log::open_log(0, p.c_str()));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    EXPECT_EQ(0u, nq::log::region()->channels[0].state);
    EXPECT_EQ(0, nq::log::region()->channels[0].fd);
    stop_and_join();
}

TEST(LogLine, FormatOfALineInTheFile) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    LOG_INFO("x");
    LOG_ERROR("code %d name %s", -5, "abc");
    ASSERT_TRUE(wait_for_lines(f.path, 2));
    std::vector<std::string> lines = read_lines(f.path);
    ASSERT_EQ(2u, lines.size());
    // Reading the fields back and printing them unpadded must give the same
    // prefix: no time field is zero-padded.
    struct Parsed {
        unsigned date = 0, h = 0, m = 0, s = 0, ms = 0, tid = 0;
        std::string level, message;
    };
    auto parse = [](const std::string& line, Parsed& p) {
        char level[16] = {};
        int used = 0;
        if (std::sscanf(line.c_str(), "[%u %u:%u:%u.%u][%u][%15[A-Z]] %n", &p.date, &p.h, &p.m, &p.s, &p.ms, &p.tid,
                        level, &used) != 7 ||
            used == 0)
            return false;
        char again[96];
        std::snprintf(again, sizeof again, "[%u %u:%u:%u.%u][%u][%s] ", p.date, p.h, p.m, p.s, p.ms, p.tid, level);
        p.level = level;
        p.message = line.substr(static_cast<size_t>(used));
        return line.compare(0, static_cast<size_t>(used), again) == 0 && p.h < 24 && p.m < 60 && p.s < 60 &&
               p.ms < 1000;
    };
    Parsed a, b;
    ASSERT_TRUE(parse(lines[0], a)) << lines[0];
    ASSERT_TRUE(parse(lines[1], b)) << lines[1];
    EXPECT_EQ(gettid_now(), a.tid);
    EXPECT_EQ("INFO", a.level);
    EXPECT_EQ("x", a.message);
    EXPECT_EQ("ERROR", b.level);
    EXPECT_EQ("code -5 name abc", b.message);
    time_t now = time(nullptr);
    tm local;
    localtime_r(&now, &local);
    char today[16];
    strftime(today, sizeof today, "%Y%m%d", &local);
    EXPECT_EQ(today, std::to_string(b.date));  // may fail only across midnight
}

TEST(LogFront, LevelThresholdRegistersButWritesNothing) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    Log::log_level_ = 2;
    nq::log::log_region_t* r = nq::log::region();
    uint64_t cursor = r->arena_cursor;
    info_site(1);
    EXPECT_GT(r->arena_cursor, cursor);  // registered at first execution
    cursor = r->arena_cursor;
    LOG_WARN("warn %d", 1);
    LOG_DEBUG("debug %d", 1);
    Log::log_level_ = 3;
    info_site(2);
    LOG_DEBUG("debug %d", 2);
    EXPECT_EQ(cursor + std::strlen("warn %d") + 8 + std::strlen("debug %d") + 8 + std::strlen("debug %d") + 8,
              r->arena_cursor);  // site line registered once only
    Log::log_level_ = 5;
    LOG_TRACE("trace %d", 3);
    ASSERT_TRUE(wait_for_lines(f.path, 3));
    std::vector<std::string> lines = read_lines(f.path);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("warn 1", message_of(lines[0]));
    EXPECT_EQ("site line 2", message_of(lines[1]));
    EXPECT_EQ("trace 3", message_of(lines[2]));
}

TEST(LogFront, StringsAreCutNullAndEmptyMessagesGiveNoLine) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    std::string s300(300, 's');
    LOG_INFO("[%s]", s300.c_str());
    char* mutable_null = nullptr;
    LOG_INFO("null %s %s", static_cast<const char*>(nullptr), mutable_null);
    LOG_INFO("%s", "");
    char buf[] = "mutable";
    LOG_INFO("%s end", buf);
    ASSERT_TRUE(wait_for_lines(f.path, 3));
    ASSERT_TRUE(wait_until(drained, 10));
    std::vector<std::string> lines = read_lines(f.path);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("[" + std::string(238, 's') + "]", message_of(lines[0]));
    EXPECT_EQ("null (null) (null)", message_of(lines[1]));
    EXPECT_EQ("mutable end", message_of(lines[2]));
}

TEST(LogFront, OversizedItemIsDroppedWithoutDisturbingTheNext) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    std::string big(238, 'b');
    const char* p = big.c_str();
    LOG_INFO("before");
    nq::log::log_block_t* b = nullptr;
    // 17 strings of 238 characters need more than 4096 bytes.
    LOG_INFO("%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s", p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p);
    for (uint64_t i = 0; i < nq::log::region()->block_count; ++i)
        if (nq::log::region()->blocks[i]->owner_tid == gettid_now()) b = nq::log::region()->blocks[i];
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(sizeof(nq::log::log_item_t), __atomic_load_n(&b->write_offset, __ATOMIC_ACQUIRE));
    // 16 of them fit.
    LOG_INFO("%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s", p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p);
    LOG_INFO("after %d", 1);
    ASSERT_TRUE(wait_for_lines(f.path, 3));
    ASSERT_TRUE(wait_until(drained, 10));
    std::vector<std::string> lines = read_lines(f.path);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("before", message_of(lines[0]));
    EXPECT_EQ(16 * 238u, message_of(lines[1]).size());
    EXPECT_EQ("after 1", message_of(lines[2]));
}

TEST(LogFront, SiteWhoseFormatCannotBeRegisteredIsSkipped) {
    LoggerFixture f;
    ASSERT_TRUE(f.ok);
    info_site(1);  // registered while there is room
    // Fill the arena.
    std::string chunk(nq::log::kMiB, 'f');
    for (size_t len : {chunk.size(), size_t(1024), size_t(1)})
        while (Log::alloc_format_id(chunk.c_str(), len) != nullptr) {
        }
    EXPECT_EQ(nullptr, Log::alloc_format_id("y", 1));
    LOG_INFO("unregistered %d", 1);
    info_site(2);
    ASSERT_TRUE(wait_for_lines(f.path, 2));
    ASSERT_TRUE(wait_until(drained, 10));
    std::vector<std::string> lines = read_lines(f.path);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("site line 2", message_of(lines[1]));
}

TEST(LogChannel, NothingIsWrittenToDescriptorZeroBeforeTheChannelOpens) {
    std::string dir = scratch_dir();
    std::string stdin_file = dir + "/stdin";
    int fd = ::open(stdin_file.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, dup2(fd, 0));
    ::close(fd);
    ASSERT_TRUE(Log::initialize(nq::log::kInfo, 128));
    std::string pad(200, 'p');
    for (int i = 0; i < 400; ++i) LOG_INFO("early %d %s", i, pad.c_str());  // far more than a buffer
    ASSERT_TRUE(wait_until(drained, 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    struct stat st;
    ASSERT_EQ(0, fstat(0, &st));
    EXPECT_EQ(0, st.st_size);
    // Text buffered meanwhile goes to the channel's own file once it opens.
    std::string path = dir + "/late.log";
    ASSERT_TRUE(Log::open_log(0, path.c_str()));
    ASSERT_TRUE(wait_for_lines(path, 1));
    std::vector<std::string> lines = read_lines(path);
    EXPECT_EQ("early 0 " + pad, message_of(lines[0]));
    ASSERT_EQ(0, fstat(0, &st));
    EXPECT_EQ(0, st.st_size);
}

TEST(LogChannel, ChannelWhoseWritesFailNeverOverflows) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    ASSERT_TRUE(Log::initialize(nq::log::kInfo, 128));
    std::string other = scratch_dir() + "/other.log";
    ASSERT_TRUE(Log::open_log(1, other.c_str()));
    ASSERT_TRUE(Log::open_log(0, "/dev/full"));
    nq::log::log_region_t* r = nq::log::region();
    int other_fd = r->channels[1].fd;
    std::string pad(230, 'q');
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 1000; ++i) LOG_INFO("full %d %s", i, pad.c_str());
        ASSERT_TRUE(wait_until(drained, 20));
    }
    stop_and_join();  // the writer's counters are stable from here
    EXPECT_LE(r->channels[0].buffered, nq::log::kChannelBufferSize);
    EXPECT_GT(r->channels[0].buffered, nq::log::kFlushThreshold);  // kept for a later write
    EXPECT_EQ(other_fd, r->channels[1].fd);
    EXPECT_EQ(other, std::string(r->channels[1].path));
    EXPECT_EQ(0u, r->channels[1].buffered);
    EXPECT_EQ(1u, blocks_in_use());
}
