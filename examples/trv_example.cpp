// Example trading program: creates the trading, market-data and privileged
// facades, initialises each with a configuration on loopback, prints the
// library version and the trading day, stops the three APIs and shows the
// log the library wrote.
//
// The log directory comes from TRV_FILE_PATH (default: the working
// directory); the log level from TRV_LOG_LEVEL.
#include <stdlib.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>

#include "trv_api.h"

namespace {

class ExampleTradeSpi : public nq::TRVTradeSpi {
public:
    void on_disconnect(uint64_t session_id) override {
        std::printf("trade session %" PRIu64 " lost\n", session_id);
    }
};

class ExampleQuoteSpi : public nq::TRVQuoteSpi {
public:
    void on_disconnect(uint64_t session_id) override {
        std::printf("quote session %" PRIu64 " lost\n", session_id);
    }
};

class ExamplePrivilegeSpi : public nq::TRVPrivilegeSpi {
public:
    void on_disconnect(uint64_t session_id) override {
        std::printf("privileged session %" PRIu64 " lost\n", session_id);
    }
};

int fail(const char* what) {
    const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
    std::fprintf(stderr, "%s failed: [%" PRIu64 "] %s\n", what, e.error_code_type, e.error_msg);
    return 1;
}

// The counter's gateways would listen here; nothing is contacted before a login.
constexpr uint16_t kGatewayPort = 6001;

}  // namespace

int main() {
    nq::TRVTradeApi* trade = nq::TRVTradeApi::create();
    nq::TRVQuoteApi* quote = nq::TRVQuoteApi::create();
    nq::TRVPrivilege* privilege = nq::TRVPrivilege::create();
    if (trade == nullptr || quote == nullptr || privilege == nullptr) return fail("create");

    nq::TRVTradeConfig trade_config;
    if (!trade_config.set_local_addr("127.0.0.1", "127.0.0.1") || !trade_config.add_agw_addr("127.0.0.1", kGatewayPort))
        return fail("trade configuration");
    trade_config.set_order_timeout(10);

    nq::TRVQuoteConfig quote_config;
    if (!quote_config.set_local_addr("127.0.0.1", "127.0.0.1") || !quote_config.add_agw_addr("127.0.0.1", kGatewayPort))
        return fail("quote configuration");

    nq::TRVPrivilegeConfig privilege_config;
    if (!privilege_config.set_local_addr("127.0.0.1", "127.0.0.1") ||
        !privilege_config.add_agw_addr("127.0.0.1", kGatewayPort))
        return fail("privilege configuration");

    // The callback objects must outlive the APIs that use them.
    static ExampleTradeSpi trade_spi;
    static ExampleQuoteSpi quote_spi;
    static ExamplePrivilegeSpi privilege_spi;
    if (!trade->initialize(&trade_config, &trade_spi)) return fail("trade initialize");
    if (!quote->initialize(&quote_config, &quote_spi)) return fail("quote initialize");
    if (!privilege->initialize(&privilege_config, &privilege_spi)) return fail("privilege initialize");

    std::printf("api version: %s\n", nq::TRVTradeApi::get_api_version());
    // Set by the counter at login; 0 until then.
    std::printf("trading day: %u\n", trade->get_trading_day());

    privilege->stop();
    quote->stop();
    trade->stop();  // the last one stops the library's service threads
    std::printf("all APIs stopped\n");

    const char* dir = getenv("TRV_FILE_PATH");
    if (dir == nullptr || dir[0] == '\0') dir = ".";
    const time_t now = time(nullptr);
    struct tm day;
    localtime_r(&now, &day);
    char path[1024];
    std::snprintf(path, sizeof path, "%s/tarvel_%d.log", dir,
                  (day.tm_year + 1900) * 10000 + (day.tm_mon + 1) * 100 + day.tm_mday);
    usleep(100 * 1000);  // the logger writes on its own thread
    std::printf("log written to %s\n", path);
    if (FILE* f = std::fopen(path, "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, f)) std::fputs(line, stdout);
        std::fclose(f);
    }
    return 0;
}
