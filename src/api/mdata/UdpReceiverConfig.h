// Configuration of one UDP receiver: the streams it receives and how.
#pragma once
#include <netinet/in.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "trv_api.h"

namespace nq { namespace api {

// One received stream: every payload of the group (or unicast port) reaches
// the sink tagged with msg_type.
struct udp_mcast_stream_t {
    uint16_t msg_type;  // nq::QuoteMCType
    sockaddr_in group;  // address and port, network byte order
};

struct udp_receiver_config_t {
    static constexpr uint64_t kDefaultBufferSize = 2048;
    static constexpr uint64_t kDefaultBufferCount = 4096;

    nq::QuoteRxMode rx_mode = nq::RX_MODE_AUTO;
    int32_t cpu_core = -1;                        // -1: not bound
    bool busy_poll = false;                       // kernel bypass: spin instead of yielding
    sockaddr_in local_addr = {};                  // interface of the joins, bind address of unicast streams
    int32_t rcvbuf = 0;                           // sockets: SO_RCVBUF, 0 or less keeps the default
    uint64_t buffer_size = kDefaultBufferSize;    // bytes per receive buffer
    uint64_t buffer_count = kDefaultBufferCount;  // kernel bypass: receive ring size
    bool use_huge_pages = false;                  // kernel bypass: huge pages for the buffers first
    std::vector<udp_mcast_stream_t> streams;

    void set_defaults() {
        rx_mode = nq::RX_MODE_AUTO;
        cpu_core = -1;
        busy_poll = false;
        std::memset(&local_addr, 0, sizeof local_addr);
        rcvbuf = 0;
        buffer_size = kDefaultBufferSize;
        buffer_count = kDefaultBufferCount;
        use_huge_pages = false;
        // Releases the storage too, not only the elements.
        std::vector<udp_mcast_stream_t>().swap(streams);
    }
};

inline bool is_multicast_group(const sockaddr_in& a) { return (ntohl(a.sin_addr.s_addr) & 0xF0000000u) == 0xE0000000u; }

}}  // namespace nq::api
