// UDP order sender: puts orders, cancels and the trade-token heartbeat on the
// wire as datagrams to the order node. Each sending thread owns one packet
// buffer, bound at its first use; a message is built in place there and sent
// through the kernel socket or, on a kernel-bypass adapter, by cut-through
// transmit with a DMA fallback descriptor. After a thread's first message
// the send path takes no lock and allocates nothing.
#pragma once
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "api/efvi/EfVi.h"

namespace nq {

// IPv4 header as it lies on the wire (multi-byte fields in network order).
// Packed: inside an Ethernet frame it starts 14 bytes in.
struct __attribute__((packed)) ip4_hdr_t {
    uint8_t ver_ihl;
    uint8_t tos;
    uint16_t tot_len;
    uint16_t id;
    uint16_t frag_off;
    uint8_t ttl;
    uint8_t protocol;
    uint16_t check;
    uint32_t saddr;
    uint32_t daddr;
};
static_assert(sizeof(ip4_hdr_t) == 20, "IPv4 header is 20 bytes");

struct __attribute__((packed)) udp_hdr_t {
    uint16_t source;
    uint16_t dest;
    uint16_t len;
    uint16_t check;
};
static_assert(sizeof(udp_hdr_t) == 8, "UDP header is 8 bytes");

namespace api {

// Head of every order datagram; all fields little-endian.
struct __attribute__((packed)) udp_order_prefix_t {
    uint16_t magic;        // 8999
    uint16_t body_length;  // bytes of body that follow
    uint16_t service_code;
};
static_assert(sizeof(udp_order_prefix_t) == 6, "datagram prefix is 6 bytes");

class KApiUdpSender {
public:
    static constexpr uint16_t kMagic = 8999;
    static constexpr uint64_t kMaxServiceCode = 16382;
    static constexpr uint64_t kMaxBodyLength = 1024;
    static constexpr size_t kBufferCount = 1024;
    static constexpr size_t kBufferSize = 2048;
    static constexpr size_t kRegionSize = kBufferCount * kBufferSize;  // 2 MiB
    static constexpr size_t kEthHdrLen = 14;
    static constexpr size_t kIpHdrOffset = kEthHdrLen;
    static constexpr size_t kUdpHdrOffset = kIpHdrOffset + sizeof(ip4_hdr_t);         // 34
    static constexpr size_t kFrameHdrLen = kUdpHdrOffset + sizeof(udp_hdr_t);         // 42
    static constexpr size_t kBodyOffset = kFrameHdrLen + sizeof(udp_order_prefix_t);  // 48
    static constexpr size_t kFrameOffset = 64;                                        // frame area inside a buffer
    static constexpr unsigned kCtpioThreshold = 32;
    // How long a thread waits for the adapter to complete a transmit before
    // it gives up on that descriptor.
    static constexpr long kTxCompletionWaitNs = 100L * 1000 * 1000;

    // How a buffer sends; recorded per buffer so that no descriptor value is
    // mistaken for a mode.
    enum send_mode_t : uint32_t { SEND_NONE = 0, SEND_SOCKET = 1, SEND_EFVI = 2 };

    // One 2048-byte packet buffer, owned by one thread.
    struct pkt_buf_t {
        uint32_t id;          // buffer index + 1: the request id of its fallback descriptor
        uint32_t in_use;      // 1 from acquire_send_buffer until released
        int32_t socket;       // kernel socket when mode is SEND_SOCKET
        uint32_t mode;        // send_mode_t
        int32_t tid;          // kernel thread id of the owner
        uint32_t tx_pending;  // fallback descriptors accepted and not yet completed
        ef_vi vi;             // the thread's transmit-only VI (SEND_EFVI)
        uint64_t frame_dma;   // adapter address of frame[0]
        alignas(64) unsigned char frame[kBufferSize - kFrameOffset];
    };
    static_assert(offsetof(pkt_buf_t, frame) == kFrameOffset, "frame area placement");
    static_assert(sizeof(pkt_buf_t) == kBufferSize, "a packet buffer is 2048 bytes");
    static_assert(kFrameOffset + kBodyOffset + kMaxBodyLength <= kBufferSize, "every accepted body fits in its buffer");
    static_assert(4096 % kBufferSize == 0, "a buffer never straddles a page");

    explicit KApiUdpSender(const sockaddr* local_addr);
    virtual ~KApiUdpSender();

    bool initialize();
    // Gives back the socket, the adapter resources and the region of a sender
    // that no thread has sent through, so that its owner may free it.
    void release_unused();
    bool init_socket();
    bool init_efvi();
    void init_frame_hdr(unsigned char* frame);
    static void ip4_hdr_init(ip4_hdr_t* hdr, uint32_t saddr);
    static void udp_hdr_init(udp_hdr_t* hdr, uint16_t sport);
    // Writes the per-send fields of a frame built by init_frame_hdr: the
    // destination MAC, address and port, both lengths and the IPv4 checksum
    // completed from `partial`.
    static void complete_frame_hdr(unsigned char* frame, uint32_t partial, uint16_t body_length,
                                   const sockaddr_in* dest, const char* dest_mac);

    pkt_buf_t* alloc_pkt_buf();
    void init_local_send();
    unsigned char* acquire_send_buffer(uint64_t service_code, uint64_t body_length);
    bool send_order(const unsigned char* body, uint16_t body_length, const sockaddr* dest, const char* dest_mac);
    void release_send_buffer(unsigned char* body);

    sockaddr_in local_addr_;
    int socket_;             // -1 until init_socket succeeds
    uint32_t partial_csum_;  // unfolded sum of the constant IPv4 header words
    ef_driver_handle driver_handle_;
    ef_pd pd_;
    ef_memreg memreg_;
    bool use_efvi_;
    std::atomic<uint64_t> next_buf_index_;
    pkt_buf_t* bufs_[kBufferCount];
    char local_ip_[INET_ADDRSTRLEN];  // dotted local address for log lines

    // The order path's only thread-local state: what else a sending thread
    // keeps for its orders (its stock of records, copy blocks and timer
    // nodes) is found through its buffer's index.
    static thread_local pkt_buf_t* local_pkt_buf_;
    // The calling thread's buffer, for code outside this unit.
    static pkt_buf_t* local_pkt_buf();
    static unsigned char local_mac_addr_[8];

private:
    pkt_buf_t* take_pkt_buf(bool efvi);
    bool await_tx_completion(pkt_buf_t* buf);
    bool send_by_socket(int fd, const unsigned char* frame, uint16_t body_length, const sockaddr* dest);
};

}  // namespace api
}  // namespace nq
