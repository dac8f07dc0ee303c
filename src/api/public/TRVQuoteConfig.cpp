#include <cstring>

#include "api/public/ConfigAddrs.h"
#include "trv_api.h"

namespace nq {

namespace {
constexpr uint64_t kMaxAgwAddrs = 32;
}

TRVQuoteConfig::TRVQuoteConfig() {
    // Padding included; the reserved bytes stay zero and are copied with the rest.
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    std::memset(reserved_, 0, sizeof(reserved_));
}

bool TRVQuoteConfig::set_local_addr(const char* agw, const char* quote) {
    return api::set_config_local_addrs(local_addrs_, agw, quote);
}

bool TRVQuoteConfig::add_agw_addr(const char* ip_addr, uint16_t port) {
    return api::add_config_agw_addr(agw_addrs_, &agw_count_, kMaxAgwAddrs, ip_addr, port);
}

sockaddr TRVQuoteConfig::get_local_addr(uint64_t index) const {
    return api::get_config_local_addr(local_addrs_, index);
}

}  // namespace nq
