// Creation of the public facades from many threads at once, through the
// shared library only. Each TEST runs in its own process.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "trv_api.h"

namespace {

constexpr int kThreads = 8;

struct Seen {
    const void* object = nullptr;
    // The calling thread's last error right after its own create returned
    // and it asked for the trading day.
    uint64_t error_type = ~0ull;
    // Threads of the process right after its own create returned.
    int threads = 0;
};

int thread_count() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// The provider's threads: "log_main", "log_write" and the ten service
// threads ("timer", "timer_recycle", "mio_sender", "msg_receiver",
// "mio_heartbeat", three "msg_handler", "delay_sender", "crontab").
constexpr int kProviderThreads = 12;

// Runs `create_and_probe` on kThreads threads released together.
std::vector<Seen> race(const std::function<Seen()>& create_and_probe) {
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<Seen> seen(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            ready.fetch_add(1);
            while (!go.load()) std::this_thread::yield();
            seen[i] = create_and_probe();
        });
    }
    while (ready.load() != kThreads) std::this_thread::yield();
    go.store(true);
    for (std::thread& t : threads) t.join();
    return seen;
}

void use_scratch_log_directory() {
    char tmpl[] = "/tmp/trv_facade_create_test.XXXXXX";
    const char* dir = mkdtemp(tmpl);
    ASSERT_NE(dir, nullptr);
    setenv("TRV_FILE_PATH", dir, 1);
}

TEST(FacadeCreate, TradeApiFromManyThreadsIsOneObjectWithTheProviderReady) {
    use_scratch_log_directory();
    const std::vector<Seen> seen = race([] {
        Seen s;
        nq::TRVTradeApi* api = nq::TRVTradeApi::create();
        s.threads = thread_count();
        s.object = api;
        if (api != nullptr) {
            api->get_trading_day();
            s.error_type = nq::TRVTradeApi::get_last_error().error_code_type;
        }
        return s;
    });
    ASSERT_NE(seen[0].object, nullptr);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.object, seen[0].object);
        // Every thread of the provider has started (the main thread and the
        // caller besides; other callers may have ended already).
        EXPECT_GE(s.threads, 2 + kProviderThreads) << "the provider was not ready when create returned";
        // No interface is initialised yet: refused like any operation before
        // initialize.
        EXPECT_EQ(s.error_type, 304u);
    }
    nq::TRVTradeApi* api = nq::TRVTradeApi::create();
    EXPECT_EQ(api, seen[0].object);

    nq::TRVTradeConfig config;
    ASSERT_TRUE(config.set_local_addr("127.0.0.1", "127.0.0.1"));
    static nq::TRVTradeSpi spi;
    EXPECT_TRUE(api->initialize(&config, &spi)) << nq::TRVTradeApi::get_last_error().error_msg;
    EXPECT_EQ(nq::TRVTradeApi::get_last_error().error_code_type, 0u);
    api->stop();
}

// The market-data and privileged facades are one object each as well, and
// their creation leaves the provider alone.
TEST(FacadeCreate, QuoteAndPrivilegeFromManyThreadsAreOneObjectEachWithoutTheProvider) {
    const std::vector<Seen> seen = race([] {
        Seen s;
        static std::atomic<int> turn{0};
        if (turn.fetch_add(1) % 2 == 0) {
            nq::TRVQuoteApi* quote = nq::TRVQuoteApi::create();
            s.object = quote;
            if (quote != nullptr) quote->get_trading_day();
        } else {
            nq::TRVPrivilege* privilege = nq::TRVPrivilege::create();
            s.object = privilege;
            if (privilege != nullptr) privilege->get_trading_day();
        }
        s.error_type = nq::TRVTradeApi::get_last_error().error_code_type;
        return s;
    });
    const void* quote = nq::TRVQuoteApi::create();
    const void* privilege = nq::TRVPrivilege::create();
    ASSERT_NE(quote, nullptr);
    ASSERT_NE(privilege, nullptr);
    EXPECT_NE(quote, privilege);
    int quotes = 0, privileges = 0;
    for (const Seen& s : seen) {
        quotes += s.object == quote;
        privileges += s.object == privilege;
        EXPECT_EQ(s.error_type, 304u);
    }
    EXPECT_EQ(quotes + privileges, kThreads);
    EXPECT_EQ(quotes, kThreads / 2);
}

}  // namespace
