// The kernel-socket mode of the UDP receiver: one non-blocking socket per
// stream, all in one edge-triggered epoll set, plus an eventfd that wakes the
// thread for a stop. Every descriptor is close-on-exec, so a program that
// forks and execs hands none of its market data to the child.
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
    bool operator==(const CacheLineAllocator<U>&) const { return true; }
    template <class U>
    bool operator!=(const CacheLineAllocator<U>&) const { return false; }
};

class KApiSocketUdpReceiver : public KApiUdpReceiver {
public:
    // Event data of the wake descriptor; stream events carry their item index.
    static constexpr uint32_t kWakeEventData = 0xFFFFFFFFu;
    static constexpr int kMaxEvents = 64;
    // An idle thread comes back at least this often to look at its stop flag,
    // so a lost or early wake-up never leaves it blocked.
    static constexpr int kIdleWaitMs = 100;

    struct socket_runtime_t {
        struct alignas(64) item_t {
            int fd;
            uint16_t msg_type;
            sockaddr_in group;
            unsigned char* buffer;  // 64-byte aligned, owned
            uint64_t buffer_size;
        };

        int epoll_fd = -1;
        int wake_fd = -1;
        sockaddr_in local_addr = {};
        std::vector<item_t, CacheLineAllocator<item_t>> items;
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
    void drain(socket_runtime_t::item_t& item);
};

}}  // namespace nq::api
