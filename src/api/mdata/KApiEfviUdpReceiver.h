// The kernel-bypass mode of the UDP receiver: frames come straight from the
// adapter's receive ring into registered buffers; Ethernet, IPv4 and UDP are
// parsed in place and the payload goes to the sink without a system call per
// datagram.
#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "api/efvi/EfVi.h"
#include "api/mdata/KApiUdpReceiver.h"

namespace nq { namespace api {

// The UDP payload of one Ethernet frame; ok false (and the rest zero) when
// the frame is not a well-formed IPv4/UDP frame.
struct udp_payload_view_t {
    const std::byte* payload;
    uint64_t payload_len;
    uint32_t dst_ip;    // network byte order
    uint16_t dst_port;  // host order
    bool ok;
};

// Exported by the library (for tools that parse captured frames the same way).
__attribute__((visibility("default"))) udp_payload_view_t parse_udp_payload_from_eth_ipv4(const std::byte* frame,
                                                                                          size_t len);

class KApiEfviUdpReceiver : public KApiUdpReceiver {
public:
    static constexpr int kPollBatch = 32;
    static constexpr uint64_t kDataOffset = 64;
    static constexpr uint64_t kPage = 4096;
    static constexpr uint64_t kHeadroom = 256;
    static constexpr uint64_t kRegionAlign = 2 * 1024 * 1024;

    // Header in the first 64 bytes of every buffer; the adapter writes the
    // frame at data_offset.
    struct rx_buf_t {
        uint64_t dma_addr;  // adapter address of the buffer's first byte
        unsigned char* data;
        uint32_t id;     // buffer index and the request id given to the adapter
        rx_buf_t* next;  // link in free_list
    };
    static_assert(sizeof(rx_buf_t) <= kDataOffset, "buffer header fits before the frame");

    struct efvi_runtime_t {
        bool ready = false;
        ef_driver_handle driver_handle = -1;
        ef_pd pd = {};
        ef_vi vi = {};
        ef_memreg memreg = {};
        void* region = nullptr;
        uint64_t region_size = 0;
        uint64_t stride = 0;
        uint64_t buffer_count = 0;
        bool huge_pages = false;
        uint64_t data_offset = kDataOffset;
        rx_buf_t* free_list = nullptr;
        uint64_t free_count = 0;
        std::unordered_map<uint64_t, uint16_t> stream_map;
        std::vector<int> join_sockets;
        // What a partial set-up has allocated, so that release frees exactly that.
        bool pd_allocated = false;
        bool vi_allocated = false;
        bool memreg_allocated = false;
    };

    static uint64_t stream_key(uint32_t ip_be, uint16_t port_host) {
        return static_cast<uint64_t>(ip_be) * 65536u + port_host;
    }
    static uint64_t stride_for(uint64_t buffer_size) { return (buffer_size + kHeadroom + kPage - 1) / kPage * kPage; }

    KApiEfviUdpReceiver(const char* name, IUdpDataSink* sink);
    ~KApiEfviUdpReceiver() override;

    const char* mode_name() const override { return "efvi"; }
    bool do_initialize(const udp_receiver_config_t& config) override;
    void do_work() override;
    void do_cleanup() override;

    efvi_runtime_t* runtime_;

private:
    void refill(efvi_runtime_t* rt);
};

}}  // namespace nq::api
