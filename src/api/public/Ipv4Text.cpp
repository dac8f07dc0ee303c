#include "api/public/Ipv4Text.h"

#include <arpa/inet.h>
#include <cstring>

namespace nq { namespace api {

bool parse_ipv4(const char* text, in_addr* address) {
    if (text == nullptr) return false;
    in_addr parsed;
    if (inet_pton(AF_INET, text, &parsed) != 1) return false;
    *address = parsed;
    return true;
}

sockaddr_in make_ipv4_addr(in_addr address, uint16_t host_port) {
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(host_port);
    addr.sin_addr = address;
    return addr;
}

}}  // namespace nq::api
