// Example program: brings the logger and a few service threads up, logs from
// each of them, and shows where the log went.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "framework/ApiServiceThread.h"
#include "log/Log.h"

namespace {

class CountingThread : public nq::api::ApiServiceThread {
public:
    explicit CountingThread(const char* name) : ApiServiceThread(name) {}
    void work_proc() override {
        for (int round = 1; continue_work() && round <= 5; ++round) {
            LOG_INFO("example thread %s round %d of %d", name(), round, 5);
            usleep(1000);
        }
        done.store(true);
    }
    std::atomic<bool> done{false};
};

}  // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : ".";
    mkdir(dir.c_str(), 0777);
    if (!nq::log::Log::initialize(nq::log::INFO, 128)) {
        std::fprintf(stderr, "logger initialisation failed\n");
        return 1;
    }
    time_t now = time(nullptr);
    struct tm tm_now;
    localtime_r(&now, &tm_now);
    char path[1024];
    std::snprintf(path, sizeof path, "%s/tarvel_%d.log", dir.c_str(),
                  (tm_now.tm_year + 1900) * 10000 + (tm_now.tm_mon + 1) * 100 + tm_now.tm_mday);
    if (!nq::log::Log::open_log(0, path)) {
        std::fprintf(stderr, "cannot open log file %s\n", path);
        return 1;
    }
    LOG_INFO("example started: { pid = %d }", (int)getpid());

    CountingThread a("example_a"), b("example_b"), c("example_c");
    nq::api::ApiServiceThread::start_service();
    for (int i = 0; i < 5000 && !(a.done && b.done && c.done); ++i) usleep(1000);
    nq::api::ApiServiceThread::stop_service();
    for (int i = 0; i < 5000 && (a.is_alive() || b.is_alive() || c.is_alive()); ++i) usleep(1000);
    LOG_INFO("example finished");
    usleep(50 * 1000);  // let "log_write" drain and flush

    std::printf("log written to %s\n", path);
    if (FILE* f = std::fopen(path, "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, f)) std::fputs(line, stdout);
        std::fclose(f);
    }
    return 0;
}
