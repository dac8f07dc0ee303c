// Kernel-bypass access to the network adapter: the driver handle, protection
// domain, virtual interface (VI), memory registration, filters, event polling,
// receive ring and cut-through (CTPIO) transmit that the order sender and the
// market-data receiver use, declared in this library's own terms.
//
// Two backends implement these calls. The one linked into libtrv_api finds
// no device (ef_driver_open fails with -ENODEV), so every caller stays on its
// kernel-socket path. A test-only backend emulates an adapter over a raw
// packet socket.
//
// Conventions shared by both backends:
// - Calls that return int give 0 or more on success and a negative errno
//   value on failure.
// - An ef_addr is the address at which the adapter reaches registered memory
//   (a DMA address). It is obtained only from ef_memreg_dma_addr and is never
//   a pointer; handing a virtual address where an ef_addr is expected is a
//   programming error.
// - DMA addresses are contiguous within each 4096-byte page of a
//   registration only: translate every buffer from its own offset.
// - A VI is used by one thread at a time.
#pragma once
#include <cstddef>
#include <cstdint>

typedef int ef_driver_handle;
typedef uint64_t ef_addr;
typedef int ef_request_id;

enum ef_pd_flags { EF_PD_DEFAULT = 0 };

enum ef_vi_flags {
    EF_VI_FLAGS_DEFAULT = 0,
    // The VI may transmit by cut-through programmed I/O.
    EF_VI_TX_CTPIO = 0x1000000,
};

enum ef_filter_flags { EF_FILTER_FLAG_NONE = 0 };

enum ef_event_type {
    EF_EVENT_TYPE_RX = 0,          // a receive descriptor was filled
    EF_EVENT_TYPE_TX = 1,          // transmit descriptors completed
    EF_EVENT_TYPE_RX_DISCARD = 2,  // a receive descriptor was consumed by a frame the adapter dropped
    EF_EVENT_TYPE_TX_ERROR = 3,    // transmit descriptors completed without sending
    EF_EVENT_TYPE_TX_ALT = 10,     // transmit completed on an alternative queue
};

// Most request ids that one transmit event can complete.
enum { EF_VI_TRANSMIT_BATCH = 64 };

// Longest frame the adapter writes into one receive buffer.
enum { EF_VI_RX_BUFFER_BYTES = 2048 };

struct ef_pd {
    int ifindex;  // interface the domain was allocated on
    void* state;  // backend's own
};

struct ef_memreg {
    void* state;  // backend's own
};

struct ef_vi {
    void* state;  // backend's own; null when not allocated
    int rxq_capacity;
    int txq_capacity;
};

// One event. For EF_EVENT_TYPE_RX and RX_DISCARD: rq_id is the request id
// given to ef_vi_receive_init and len the frame length written at its
// address. For the transmit types pass the event to ef_vi_transmit_unbundle.
struct ef_event {
    uint32_t type;
    ef_request_id rq_id;
    uint32_t len;
    uint32_t tx_count;  // descriptors completed by a transmit event
};

struct ef_filter_spec {
    uint32_t flags;
    int type;      // 0 unset, 1 IPv4 local address and port
    int protocol;  // IPPROTO_UDP or IPPROTO_TCP
    uint32_t host_be32;
    uint16_t port_be16;
};

// Driver handle. Closing it also releases every domain, VI and memory
// registration still allocated on it (the adapter stops using their memory
// first); their structures must not be used afterwards.
int ef_driver_open(ef_driver_handle* dh);
int ef_driver_close(ef_driver_handle dh);

// Protection domain on an interface (by index).
int ef_pd_alloc(ef_pd* pd, ef_driver_handle dh, int ifindex, ef_pd_flags flags);
int ef_pd_free(ef_pd* pd, ef_driver_handle dh);

// A VI with an event queue and optional receive and transmit queues.
// Capacity -1 means the default, 0 means no such queue. evq_opt (a VI whose
// event queue to share) must be null: sharing is not supported.
int ef_vi_alloc_from_pd(ef_vi* vi, ef_driver_handle vi_dh, ef_pd* pd, ef_driver_handle pd_dh, int evq_capacity,
                        int rxq_capacity, int txq_capacity, ef_vi* evq_opt, ef_driver_handle evq_dh, ef_vi_flags flags);
int ef_vi_free(ef_vi* vi, ef_driver_handle dh);
// Writes the 6-byte hardware address of the VI's interface.
int ef_vi_get_mac(ef_vi* vi, ef_driver_handle dh, void* mac_out);

// Registers page-aligned memory for the adapter's use.
int ef_memreg_alloc(ef_memreg* mr, ef_driver_handle mr_dh, ef_pd* pd, ef_driver_handle pd_dh, void* mem, size_t len);
int ef_memreg_free(ef_memreg* mr, ef_driver_handle dh);
// DMA address of the byte at `offset` into the registered memory.
ef_addr ef_memreg_dma_addr(ef_memreg* mr, size_t offset);

// Filters: frames reach a VI's receive queue only when a filter matches.
void ef_filter_spec_init(ef_filter_spec* fs, ef_filter_flags flags);
int ef_filter_spec_set_ip4_local(ef_filter_spec* fs, int protocol, uint32_t host_be32, int port_be16);
int ef_vi_filter_add(ef_vi* vi, ef_driver_handle dh, const ef_filter_spec* fs);

// Up to evs_len events; 0 when none is ready. Never blocks.
int ef_eventq_poll(ef_vi* vi, ef_event* evs, int evs_len);

// Transmit. ef_vi_transmit_ctpio pushes a frame through the cut-through path;
// it is not sent until ef_vi_transmit_ctpio_fallback posts the DMA descriptor
// of the same bytes, which the adapter sends in its place when cut-through
// does not succeed. One transmit completion (or transmit error) for
// `request_id` follows every descriptor that was accepted (result 0). When
// the descriptor is refused (negative result) nothing is sent and no
// completion comes.
void ef_vi_transmit_ctpio(ef_vi* vi, const void* frame, size_t len, unsigned threshold);
int ef_vi_transmit_ctpio_fallback(ef_vi* vi, ef_addr dma_addr, size_t len, ef_request_id request_id);
// Request ids completed by a transmit event, oldest first, into ids (room
// for EF_VI_TRANSMIT_BATCH); returns how many.
int ef_vi_transmit_unbundle(ef_vi* vi, const ef_event* ev, ef_request_id* ids);

// Receive. ef_vi_receive_init queues a buffer (the DMA address at which a
// frame is to be written) and ef_vi_receive_push hands the queued buffers to
// the adapter. A frame is written only when it fits both in
// EF_VI_RX_BUFFER_BYTES and before the end of the address's 4096-byte page;
// a longer one consumes the buffer with an EF_EVENT_TYPE_RX_DISCARD event.
int ef_vi_receive_init(ef_vi* vi, ef_addr addr, ef_request_id request_id);
void ef_vi_receive_push(ef_vi* vi);
// Buffers queued and not yet completed by an event.
int ef_vi_receive_fill_level(const ef_vi* vi);
