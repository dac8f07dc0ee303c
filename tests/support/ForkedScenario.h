// Scenarios that must run in a process of their own (fresh namespaces,
// calls that abort): forked, with the parent reading the outcome.
#pragma once
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace trv_test {

// Exit code of a child that could not make what its scenario needs.
constexpr int kForkedSkipCode = 77;

// The threads of a process, one "tid name state" line each (state as in
// /proc: R running, S sleeping, D waiting on I/O, ...).
inline std::string describe_threads(pid_t pid) {
    std::string out;
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return out;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        char stat[512] = {0};
        FILE* f = std::fopen((dir + "/" + e->d_name + "/stat").c_str(), "re");
        if (f == nullptr) continue;
        const size_t n = std::fread(stat, 1, sizeof stat - 1, f);
        std::fclose(f);
        stat[n] = '\0';
        // "tid (name) state ...": the name may hold blanks, so cut at the last ')'.
        const std::string line(stat);
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 2 >= line.size()) continue;
        out += "  " + std::string(e->d_name) + " " + line.substr(open + 1, close - open - 1) + " " +
               line.substr(close + 2, 1) + "\n";
    }
    closedir(d);
    return out;
}

// Runs `child` in a forked process. It returns false when what it needs
// cannot be made here, and the test is skipped; the test fails when the
// child reports a failure or dies. With `deadline_seconds` above 0, a child
// still running after that long is killed, its threads listed, and the test
// fails instead of hanging.
inline void run_forked_scenario(const std::function<bool()>& child, const char* skip_reason,
                                double deadline_seconds = 0) {
    std::fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Unbuffered, so that nothing is lost if a sanitizer ends the child.
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        const bool made = child();
        std::fflush(nullptr);
        _exit(!made ? kForkedSkipCode : ::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    if (deadline_seconds > 0) {
        timespec start{}, now{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        pid_t done = 0;
        while ((done = waitpid(pid, &status, WNOHANG)) == 0) {
            clock_gettime(CLOCK_MONOTONIC, &now);
            const double elapsed = double(now.tv_sec - start.tv_sec) + double(now.tv_nsec - start.tv_nsec) / 1e9;
            if (elapsed > deadline_seconds) {
                const std::string threads = describe_threads(pid);
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                FAIL() << "scenario child still running after " << deadline_seconds
                       << " s; killed. Its threads (tid name state):\n"
                       << threads;
            }
            usleep(20000);
        }
        ASSERT_EQ(done, pid);
    } else {
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kForkedSkipCode) GTEST_SKIP() << skip_reason;
    ASSERT_TRUE(WIFEXITED(status)) << "scenario child died with signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "scenario failed in the child (see its output above)";
}

// True when fn, run in a forked process, ends by abort().
inline bool aborts(const std::function<void()>& fn) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, 2);
        fn();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT;
}

}  // namespace trv_test
