// Scenarios that must run in a process of their own (fresh namespaces,
// calls that abort): forked, with the parent reading the outcome.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace trv_test {

// Exit code of a child that could not make what its scenario needs.
constexpr int kForkedSkipCode = 77;

// Runs `child` in a forked process. It returns false when what it needs
// cannot be made here, and the test is skipped; the test fails when the
// child reports a failure or dies.
inline void run_forked_scenario(const std::function<bool()>& child, const char* skip_reason) {
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
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
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
