// Waiting for something another thread or process does, with a generous
// bound that only fails a test that would otherwise hang.
#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace trv_test {

// Polls `done` until it holds or `seconds` have passed; its last answer.
inline bool wait_until(const std::function<bool()>& done, double seconds = 20.0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

// Runs `call` on a thread of its own; false when it has not returned within
// `seconds`. The thread is then left behind (the caller's captures must stay
// valid), and the test fails instead of hanging.
inline bool returns_within(double seconds, const std::function<void()>& call) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([done, call] {
        call();
        done->store(true);
    }).detach();
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done->load() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done->load();
}

inline double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace trv_test
