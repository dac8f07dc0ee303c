// Waiting for something another thread or process does, with a generous
// bound that only fails a test that would otherwise hang.
#pragma once
#include <chrono>
#include <functional>
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

}  // namespace trv_test
