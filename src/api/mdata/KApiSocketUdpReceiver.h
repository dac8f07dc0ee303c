// The kernel-socket mode of the UDP receiver: one non-blocking socket per
// stream, all in one edge-triggered epoll set, plus an eventfd that wakes the
// thread for a stop.
//
// The streams of a receiver are served in turn: a stream with datagrams
// queued gets at most kBatch of them read before every other ready stream
// has had its turn, so one flooded stream cannot hold back the others on its
// thread. What the kernel drops because a socket's buffer was full
// (SO_RXQ_OVFL) and datagrams cut to the receive buffer (MSG_TRUNC) are
// counted per stream and logged at WARN, at most once a second per stream,
// with the counts since its last such line.
#pragma once
#include <netinet/in.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "api/mdata/KApiUdpReceiver.h"

namespace nq { namespace api {

// Storage of 64-byte aligned elements.
template <class T>
struct CacheLineAllocator {
    using value_type = T;
    CacheLineAllocator() = default;
    template <class U>
    CacheLineAllocator(const CacheLineAllocator<U>&) {}
    T* allocate(size_t n) {
        void* p = nullptr;
        if (posix_memalign(&p, 64, n * sizeof(T)) != 0) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) { std::free(p); }
    template <class U>
    bool operator==(const CacheLineAllocator<U>&) const {
        return true;
    }
    template <class U>
    bool operator!=(const CacheLineAllocator<U>&) const {
        return false;
    }
};

class KApiSocketUdpReceiver : public KApiUdpReceiver {
public:
    // Event data of the wake descriptor; stream events carry their item index.
    static constexpr uint32_t kWakeEventData = 0xFFFFFFFFu;
    static constexpr int kMaxEvents = 64;
    // An idle thread comes back at least this often to look at its stop flag,
    // so a lost or early wake-up never leaves it blocked.
    static constexpr int kIdleWaitMs = 100;
    // Datagrams read from one stream in one turn.
    static constexpr int kBatch = 32;
    // A stream's loss line comes at most this often.
    static constexpr uint64_t kLossReportMs = 1000;

    struct socket_runtime_t {
        struct alignas(64) item_t {
            int fd;
            uint16_t msg_type;
            sockaddr_in group;
            unsigned char* buffer;  // 64-byte aligned, owned
            uint64_t buffer_size;
            // Receiver thread only.
            bool ready;               // may hold datagrams: in the ready list
            bool loss_pending;        // counts not yet logged
            uint32_t kernel_drops;    // the socket's drop count last seen
            uint64_t dropped;         // since the last loss line
            uint64_t truncated;       // since the last loss line
            uint64_t last_report_ms;  // monotonic ms of the last loss line
        };

        int epoll_fd = -1;
        int wake_fd = -1;
        sockaddr_in local_addr = {};
        std::vector<item_t, CacheLineAllocator<item_t>> items;
        // Indices of the streams that may hold datagrams, in serving order.
        std::vector<uint32_t> ready;
        unsigned loss_pending = 0;  // items with loss_pending set
    };

    KApiSocketUdpReceiver(const char* name, IUdpDataSink* sink);
    ~KApiSocketUdpReceiver() override;

    const char* mode_name() const override { return "socket"; }
    bool do_initialize(const udp_receiver_config_t& config) override;
    void do_work() override;
    void do_cleanup() override;
    void wake() override;

    socket_runtime_t* runtime_;

private:
    // One turn of a stream: reads at most kBatch datagrams; true when the
    // batch ended before the socket was empty.
    bool serve(socket_runtime_t::item_t& item);
    void count_loss(socket_runtime_t::item_t& item, uint32_t kernel_drops, bool truncated);
    void report_losses(socket_runtime_t* rt, bool all_due);
};

}}  // namespace nq::api
