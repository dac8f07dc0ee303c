// Runs fn(0) .. fn(n - 1) on n threads released at the same moment, and
// waits for them all.
#pragma once
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace trv_test {

inline void run_together(int n, const std::function<void(int)>& fn) {
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i) {
        threads.emplace_back([&, i] {
            ready.fetch_add(1);
            while (ready.load() < n) std::this_thread::yield();
            fn(i);
        });
    }
    for (auto& t : threads) t.join();
}

}  // namespace trv_test
