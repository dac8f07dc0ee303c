// A logger writing to a fresh scratch file, read back by tests that check the
// lines the library logs. The logger is process-wide: one per test process.
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "log/Log.h"

namespace trv_test {

class TestLogFile {
public:
    explicit TestLogFile(nq::log::LogLevel level = nq::log::kInfo) {
        char tmpl[] = "/tmp/trv_test_log.XXXXXX";
        if (const char* d = mkdtemp(tmpl)) {
            dir_ = d;
            path_ = dir_ + "/test.log";
            ok_ = nq::log::Log::initialize(level, 128) && nq::log::Log::open_log(0, path_.c_str());
        }
    }
    ~TestLogFile() {
        if (!path_.empty()) unlink(path_.c_str());
        if (!dir_.empty()) rmdir(dir_.c_str());
    }
    TestLogFile(const TestLogFile&) = delete;
    TestLogFile& operator=(const TestLogFile&) = delete;

    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }

    std::string text() const {
        std::ifstream in(path_);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Waits until the file holds `needle`; the bound is a failure limit only.
    bool wait_for(const std::string& needle, double seconds = 20.0) const {
        auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (text().find(needle) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

private:
    std::string dir_, path_;
    bool ok_ = false;
};

}  // namespace trv_test
