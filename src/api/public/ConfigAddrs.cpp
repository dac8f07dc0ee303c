#include "api/public/ConfigAddrs.h"

#include <cstring>

#include "api/public/Ipv4Text.h"

namespace nq { namespace api {

namespace {
bool local_addr_from_text(const char* text, sockaddr_in* out) {
    in_addr address;
    if (std::strcmp(text, "0.0.0.0") == 0) {
        address.s_addr = htonl(INADDR_ANY);
    } else if (!parse_ipv4(text, &address)) {
        return false;
    }
    *out = make_ipv4_addr(address, 0);
    return true;
}
}  // namespace

bool set_config_local_addrs(sockaddr_in local[2], const char* first, const char* second) {
    if (first == nullptr) return false;
    if (!local_addr_from_text(first, &local[0])) return false;
    if (second == nullptr) {
        local[1] = local[0];
        return true;
    }
    return local_addr_from_text(second, &local[1]);
}

bool add_config_agw_addr(sockaddr_in* list, uint64_t* count, uint64_t capacity, const char* ip_addr, uint16_t port) {
    if (*count >= capacity) return false;
    in_addr address;
    uint16_t entry_port = port;
    if (ip_addr == nullptr) {
        address.s_addr = htonl(INADDR_NONE);  // 255.255.255.255
        entry_port = 0;
    } else if (std::strcmp(ip_addr, "0.0.0.0") == 0) {
        address.s_addr = htonl(INADDR_ANY);
    } else if (!parse_ipv4(ip_addr, &address)) {
        return false;
    }
    list[*count] = make_ipv4_addr(address, entry_port);
    ++*count;
    return true;
}

sockaddr get_config_local_addr(const sockaddr_in local[2], uint64_t index) {
    static_assert(sizeof(sockaddr) == sizeof(sockaddr_in), "IPv4 addresses are handed out as sockaddr");
    sockaddr out;
    std::memset(&out, 0, sizeof(out));
    if (index < 2) std::memcpy(&out, &local[index], sizeof(out));
    return out;
}

}}  // namespace nq::api
