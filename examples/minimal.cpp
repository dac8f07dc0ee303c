// The smallest whole program: log in to a gateway, send one order, stop.
#include <cstdio>
#include <cstdlib>
#include <future>

#include "trv_api.h"

struct Spi : nq::TRVTradeSpi {
    std::promise<uint64_t> login;  // the session id, 0 when the login failed
    void on_login(uint64_t session_id, uint64_t, const nq::trv_error_info_t* error) override {
        login.set_value(error == nullptr ? session_id : 0);
    }
};

int main(int argc, char** argv) {
    const unsigned short port = argc > 1 ? std::atoi(argv[1]) : 6001;  // the gateway's port
    nq::TRVTradeConfig config;
    config.set_local_addr("127.0.0.1", "127.0.0.1");
    config.add_agw_addr("127.0.0.1", port);
    static Spi spi;  // outlives the API
    nq::TRVTradeApi* api = nq::TRVTradeApi::create();
    std::future<uint64_t> login = spi.login.get_future();
    const bool sent = api->initialize(&config, &spi) && api->login(1, 1, "demo", "demo-password", "demo-key");
    const uint64_t session =
        sent && login.wait_for(std::chrono::seconds(15)) == std::future_status::ready ? login.get() : 0;
    if (session == 0) {  // the reason is in the log (TRV_FILE_PATH)
        std::printf("no login: %s\n", nq::TRVTradeApi::get_last_error().error_msg);
        api->stop();
        return 1;
    }
    nq::trv_order_insert_info_t order{};
    order.price = 105000;  // 10.50
    order.quantity = 100;
    std::snprintf(order.security_code, sizeof order.security_code, "600000");
    order.exchange_index = nq::ExchangeIndex::SH;
    order.order_type = nq::OrderType::LIMIT_PRICE;
    order.side = nq::Side::BUY;
    order.business_type = nq::BusinessType::CASH;
    std::printf("order sent, xid %llu\n", (unsigned long long)api->insert_order(session, &order));
    api->stop();
}
