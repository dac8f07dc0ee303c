// IPv4 socket addresses from the dotted text that users pass to the
// configuration classes.
#pragma once
#include <netinet/in.h>
#include <cstdint>

namespace nq { namespace api {

// Parses strict dotted-quad text (four decimal parts, as inet_pton(AF_INET)
// accepts it). On success writes the address in network byte order.
bool parse_ipv4(const char* text, in_addr* address);

// {AF_INET, port in network byte order, address}, trailing bytes cleared.
sockaddr_in make_ipv4_addr(in_addr address, uint16_t host_port);

}}  // namespace nq::api
