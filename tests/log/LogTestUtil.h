// Helpers for logger tests: a scratch directory, reading the log file back and
// bounded waits for the asynchronous writer.
#pragma once
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "log/Log.h"
#include "log/LogRegion.h"

namespace logtest {

inline uint32_t gettid_now() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

inline std::string scratch_dir() {
    char tmpl[] = "/tmp/trv_log_test.XXXXXX";
    const char* d = mkdtemp(tmpl);
    return d ? std::string(d) : std::string("/tmp");
}

inline std::vector<std::string> read_lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Polls until `pred` holds; false after `seconds` (a failure bound only).
template <class Pred>
bool wait_until(Pred pred, double seconds = 30.0) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline bool wait_for_lines(const std::string& path, size_t n, double seconds = 30.0) {
    return wait_until([&] { return read_lines(path).size() >= n; }, seconds);
}

// The message part of a line (after "[date time][tid][LEVEL] ").
inline std::string message_of(const std::string& line) {
    size_t p = line.find("] ");
    return p == std::string::npos ? std::string() : line.substr(p + 2);
}

inline size_t blocks_in_use() {
    nq::log::log_region_t* r = nq::log::region();
    size_t n = 0;
    for (uint64_t i = 0; i < r->block_count; ++i)
        if (__atomic_load_n(&r->blocks[i]->owner_tid, __ATOMIC_ACQUIRE) != 0) ++n;
    return n;
}

// With every block free: the stack holds each block exactly once, under its
// current tag (a block pushed twice would show up twice or cut the chain).
inline bool free_stack_is_sound() {
    nq::log::log_region_t* r = nq::log::region();
    std::vector<bool> seen(r->block_count, false);
    uint64_t tag = __atomic_load_n(&r->free_head, __ATOMIC_ACQUIRE);
    uint64_t n = 0;
    while (tag != 0) {
        uint64_t index = tag >> 32;
        if (index >= r->block_count || seen[index] || ++n > r->block_count) return false;
        seen[index] = true;
        nq::log::log_block_t* b = r->blocks[index];
        if (__atomic_load_n(&b->tag, __ATOMIC_ACQUIRE) != tag) return false;
        tag = __atomic_load_n(&b->link, __ATOMIC_ACQUIRE);
    }
    return n == r->block_count;
}

// Every committed item has been consumed.
inline bool drained() {
    nq::log::log_region_t* r = nq::log::region();
    for (uint64_t i = 0; i < r->block_count; ++i) {
        nq::log::log_block_t* b = r->blocks[i];
        if (__atomic_load_n(&b->read_offset, __ATOMIC_ACQUIRE) != __atomic_load_n(&b->write_offset, __ATOMIC_ACQUIRE))
            return false;
    }
    return true;
}

// Stops both logger threads and waits for them, keeping the region mapped
// so that a test can read what they left.
inline void stop_and_join() {
    nq::log::stop_log_service();
    nq::log::log_region_t* r = nq::log::region();
    for (uint64_t t : r->threads) pthread_join(static_cast<pthread_t>(t), nullptr);
}

// Logger of 128 MiB at INFO writing to a fresh file on channel 0.
struct LoggerFixture {
    std::string dir = scratch_dir();
    std::string path = dir + "/test.log";
    bool ok = nq::log::Log::initialize(nq::log::kInfo, 128) && nq::log::Log::open_log(0, path.c_str());
};

}  // namespace logtest
