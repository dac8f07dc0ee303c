// The service provider's creation when one allocation fails: each step reports
// its own text, whichever allocation of it fails, and nothing crashes. One
// provider per process: every case runs in a forked child.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "api/provider/KApi.h"
#include "support/AllocMemFault.h"

namespace {

using nq::api::KApi;

struct Outcome {
    bool created = false;
    uint64_t error_type = 0;
    std::string message;
    bool ran = false;  // the child ended normally and reported
};

// Creates the provider in a child process whose nth allocation (0: none) of
// the creating thread fails.
Outcome create_with_failing_allocation(long nth) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid < 0) return {};
    if (pid == 0) {
        close(fds[0]);
        alloc_fault::fail_nth(nth);
        KApi* api = KApi::create_singleton_or_get();
        alloc_fault::off();
        const nq::trv_error_info_t e = KApi::get_last_error();
        char report[512];
        const int n = snprintf(report, sizeof report, "%d %lu %s", api != nullptr ? 1 : 0,
                               static_cast<unsigned long>(e.error_code_type), e.error_msg);
        if (write(fds[1], report, static_cast<size_t>(n)) != n) _exit(2);
        _exit(0);  // the provider's threads end with the process
    }
    close(fds[1]);
    std::string text;
    char buf[512];
    ssize_t got;
    while ((got = read(fds[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome out;
    int created = 0;
    unsigned long type = 0;
    int used = 0;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
        sscanf(text.c_str(), "%d %lu %n", &created, &type, &used) >= 2) {
        out.ran = true;
        out.created = created != 0;
        out.error_type = type;
        out.message = text.substr(static_cast<size_t>(used));
    }
    return out;
}

TEST(ProviderCreation, EveryFailedAllocationReportsItsStep) {
    char tmpl[] = "/tmp/trv_kapi_init.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    setenv("TRV_FILE_PATH", tmpl, 1);
    unsetenv("TRV_LOG_LEVEL");
    unsetenv("TRV_REQUEST_TIMEOUT");

    const std::set<std::string> required = {
        "initialize api base config failed, please check env params, TRV_LOG_LEVEL, TRV_FILE_PATH, "
        "TRV_REQUEST_TIMEOUT",
        "initialize api failed, create service provider failed",
        "alloc timer manager failed",
        "initialize api failed, create business object failed",
        "initialize api failed, create framework object failed",
        "crontab initialization failed",
    };
    // Steps whose failure does not come from an allocation of our own.
    const std::set<std::string> allowed = {
        "log initialization failed: likely insufficient permissions for log path (or other errors)",
    };
    std::map<std::string, int> seen;
    long nth = 1;
    for (; nth < 5000; ++nth) {
        const Outcome o = create_with_failing_allocation(nth);
        ASSERT_TRUE(o.ran) << "allocation " << nth << ": the child crashed or said nothing";
        if (o.created) break;  // the countdown outlived the creation
        EXPECT_EQ(o.error_type, 301u) << "allocation " << nth;
        EXPECT_TRUE(required.count(o.message) || allowed.count(o.message)) << "allocation " << nth << ": " << o.message;
        ++seen[o.message];
    }
    EXPECT_LT(nth, 5000) << "the creation never succeeded";
    for (const std::string& text : required) EXPECT_GT(seen[text], 0) << "never reported: " << text;

    std::error_code ec;
    std::filesystem::remove_all(tmpl, ec);
}

}  // namespace
