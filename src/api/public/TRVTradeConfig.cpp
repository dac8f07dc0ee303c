#include <cstring>

#include "api/public/ConfigAddrs.h"
#include "trv_api.h"

namespace nq {

namespace {
constexpr uint64_t kMaxAgwAddrs = 32;
}

TRVTradeConfig::TRVTradeConfig() {
    // Padding included, so copies of a configuration compare byte for byte.
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    order_timeout_ = 10;
}

bool TRVTradeConfig::set_local_addr(const char* agw, const char* trade) {
    return api::set_config_local_addrs(local_addrs_, agw, trade);
}

bool TRVTradeConfig::add_agw_addr(const char* ip_addr, uint16_t port) {
    return api::add_config_agw_addr(agw_addrs_, &agw_count_, kMaxAgwAddrs, ip_addr, port);
}

sockaddr TRVTradeConfig::get_local_addr(uint64_t index) const {
    return api::get_config_local_addr(local_addrs_, index);
}

}  // namespace nq
