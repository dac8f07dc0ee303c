// Address setters shared by the trading and market-data configurations, which
// hold the same address fields at different offsets.
#pragma once
#include <netinet/in.h>
#include <sys/socket.h>
#include <cstdint>

namespace nq { namespace api {

// Sets local address 0 from `first` and local address 1 from `second` (a copy
// of address 0 when `second` is null). False when `first` is null or either
// text is not IPv4; address 0 keeps its new value when only `second` fails.
bool set_config_local_addrs(sockaddr_in local[2], const char* first, const char* second);

// Appends one gateway address; a null text stands for 255.255.255.255 with
// port 0. False when the list already holds `capacity` entries or the text is
// not IPv4.
bool add_config_agw_addr(sockaddr_in* list, uint64_t* count, uint64_t capacity, const char* ip_addr, uint16_t port);

// Copy of local address `index` (0 or 1); all zero for any other index.
sockaddr get_config_local_addr(const sockaddr_in local[2], uint64_t index);

}}  // namespace nq::api
