#include "api/mdata/KApiEfviUdpReceiver.h"

#include <arpa/inet.h>
#include <errno.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "log/CpuPause.h"
#include "log/Log.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

namespace {

constexpr size_t kEthHeader = 14;
constexpr size_t kMinFrame = 14 + 20 + 8;

inline uint16_t be16_at(const std::byte* p) {
    return static_cast<uint16_t>(std::to_integer<unsigned>(p[0]) << 8 | std::to_integer<unsigned>(p[1]));
}

}  // namespace

udp_payload_view_t parse_udp_payload_from_eth_ipv4(const std::byte* frame, size_t len) {
    udp_payload_view_t view = {nullptr, 0, 0, 0, false};
    if (frame == nullptr || len < kMinFrame) return view;
    const unsigned ver_ihl = std::to_integer<unsigned>(frame[kEthHeader]);
    const size_t ihl = ver_ihl & 0x0f;
    if ((ver_ihl >> 4) != 4 || ihl <= 4) return view;
    const size_t h = ihl * 4;
    if (len < h + 22 || std::to_integer<unsigned>(frame[23]) != 17) return view;
    const size_t total = be16_at(frame + 16);
    if (total < h + 8) return view;
    const size_t avail = total < len - kEthHeader ? total : len - kEthHeader;
    if (avail < h) return view;
    const std::byte* udp = frame + kEthHeader + h;
    const size_t udp_len = be16_at(udp + 4);
    if (udp_len <= 7) return view;
    const size_t l = udp_len < avail - h ? udp_len : avail - h;
    if (l <= 7) return view;
    std::memcpy(&view.dst_ip, frame + 30, 4);
    view.dst_port = be16_at(udp + 2);
    view.payload = udp + 8;
    view.payload_len = l - 8;
    view.ok = true;
    return view;
}

KApiEfviUdpReceiver::KApiEfviUdpReceiver(const char* name, IUdpDataSink* sink)
    : KApiUdpReceiver(name, sink), runtime_(nullptr) {}

KApiEfviUdpReceiver::~KApiEfviUdpReceiver() { finalize(); }

namespace {

using efvi_runtime_t = KApiEfviUdpReceiver::efvi_runtime_t;
using rx_buf_t = KApiEfviUdpReceiver::rx_buf_t;
constexpr uint64_t kRegionAlign = KApiEfviUdpReceiver::kRegionAlign;

bool buffers_valid(const udp_receiver_config_t& config, uint64_t stride, const char* local_ip) {
    // The ring is kept one short of full, so a single buffer would leave the
    // adapter none to write into; request ids are ints.
    if (config.buffer_count < 2 || config.buffer_count > static_cast<uint64_t>(INT_MAX) ||
        config.buffer_size > UINT32_MAX || config.buffer_count > UINT64_MAX / stride) {
        LOG_ERROR("udp receiver efvi invalid buffers: { buffer_count = %lu, buffer_size = %lu, local_ip = %s }",
                  static_cast<unsigned long>(config.buffer_count), static_cast<unsigned long>(config.buffer_size),
                  local_ip);
        return false;
    }
    return true;
}

// Opens the driver, then a protection domain and a virtual interface on the
// adapter that holds the local address.
bool open_vi(efvi_runtime_t* rt, const udp_receiver_config_t& config, const char* local_ip) {
    unsigned nic = get_nic_id(&config.local_addr);
    if (nic == 0) {
        LOG_ERROR("udp receiver efvi get_nic_id failed: { local_ip = %s }", local_ip);
        return false;
    }
    if (!is_support_efvi(nic)) {
        LOG_ERROR("udp receiver efvi not supported on nic: { nic = %u, local_ip = %s }", nic, local_ip);
        return false;
    }
    int rc = ef_driver_open(&rt->driver_handle);
    if (rc < 0) {
        rt->driver_handle = -1;
        LOG_ERROR("udp receiver ef_driver_open failed: { rc = %d, local_ip = %s }", rc, local_ip);
        return false;
    }
    rc = ef_pd_alloc(&rt->pd, rt->driver_handle, static_cast<int>(nic), EF_PD_DEFAULT);
    if (rc < 0) {
        LOG_ERROR("udp receiver ef_pd_alloc failed: { rc = %d, nic = %u, local_ip = %s }", rc, nic, local_ip);
        return false;
    }
    rt->pd_allocated = true;
    rc = ef_vi_alloc_from_pd(&rt->vi, rt->driver_handle, &rt->pd, rt->driver_handle, -1,
                             static_cast<int>(config.buffer_count), 0, nullptr, -1, EF_VI_FLAGS_DEFAULT);
    if (rc < 0) {
        LOG_ERROR("udp receiver ef_vi_alloc_from_pd failed: { rc = %d, local_ip = %s }", rc, local_ip);
        return false;
    }
    rt->vi_allocated = true;
    return true;
}

// The memory of the receive buffers: huge pages when asked for and to be
// had, ordinary pages otherwise.
bool allocate_region(efvi_runtime_t* rt, const udp_receiver_config_t& config, uint64_t stride, const char* local_ip) {
    rt->stride = stride;
    rt->buffer_count = config.buffer_count;
    rt->region_size = rt->buffer_count * rt->stride;
    if (config.use_huge_pages) {
        // Huge-page mappings are unmapped in whole huge pages.
        const uint64_t map_size = (rt->region_size + kRegionAlign - 1) / kRegionAlign * kRegionAlign;
        void* p = mmap(nullptr, map_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_HUGETLB, -1, 0);
        if (p != MAP_FAILED) {
            rt->region = p;
            rt->huge_pages = true;
        }
    }
    if (rt->region == nullptr) {
        void* p = nullptr;
        if (posix_memalign(&p, kRegionAlign, rt->region_size) != 0) {
            LOG_ERROR("udp receiver efvi posix_memalign failed: { local_ip = %s }", local_ip);
            return false;
        }
        rt->region = p;
        rt->huge_pages = false;
    }
    return true;
}

// Registers the region with the adapter and puts every buffer on the free
// list.
bool register_buffers(efvi_runtime_t* rt, const char* local_ip) {
    int rc = ef_memreg_alloc(&rt->memreg, rt->driver_handle, &rt->pd, rt->driver_handle, rt->region, rt->region_size);
    if (rc < 0) {
        LOG_ERROR("udp receiver ef_memreg_alloc failed: { rc = %d, local_ip = %s }", rc, local_ip);
        return false;
    }
    rt->memreg_allocated = true;

    rt->data_offset = KApiEfviUdpReceiver::kDataOffset;
    auto* base = static_cast<unsigned char*>(rt->region);
    for (uint64_t i = 0; i < rt->buffer_count; ++i) {
        auto* buf = reinterpret_cast<rx_buf_t*>(base + i * rt->stride);
        buf->id = static_cast<uint32_t>(i);
        buf->data = base + i * rt->stride + rt->data_offset;
        buf->dma_addr = ef_memreg_dma_addr(&rt->memreg, i * rt->stride);
        buf->next = rt->free_list;
        rt->free_list = buf;
        ++rt->free_count;
    }
    return true;
}

// Asks the adapter for the frames of every stream.
bool add_filters(efvi_runtime_t* rt, const udp_receiver_config_t& config, const char* local_ip) {
    for (const udp_mcast_stream_t& stream : config.streams) {
        ef_filter_spec spec;
        ef_filter_spec_init(&spec, EF_FILTER_FLAG_NONE);
        ef_filter_spec_set_ip4_local(&spec, IPPROTO_UDP, stream.group.sin_addr.s_addr, stream.group.sin_port);
        const int rc = ef_vi_filter_add(&rt->vi, rt->driver_handle, &spec);
        if (rc < 0) {
            LOG_ERROR("udp receiver ef_vi_filter_add failed: { rc = %d, local_ip = %s }", rc, local_ip);
            return false;
        }
    }
    return true;
}

// Joins every multicast group through a kernel socket kept open for the
// receiver's life: the membership is the kernel's, the frames come through
// the filters.
bool join_groups(efvi_runtime_t* rt, const udp_receiver_config_t& config, const char* local_ip) {
    for (const udp_mcast_stream_t& stream : config.streams) {
        if (!is_multicast_group(stream.group)) continue;
        int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            LOG_ERROR("udp receiver efvi igmp socket() failed: { os_err_code = %d, local_ip = %s }", errno, local_ip);
            return false;
        }
        ip_mreq mreq;
        mreq.imr_multiaddr = stream.group.sin_addr;
        mreq.imr_interface = config.local_addr.sin_addr;
        if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof mreq) != 0) {
            int err = errno;
            close(fd);
            LOG_ERROR("udp receiver efvi IP_ADD_MEMBERSHIP failed: { os_err_code = %d, local_ip = %s }", err, local_ip);
            return false;
        }
        rt->join_sockets.push_back(fd);
        char group[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &stream.group.sin_addr, group, sizeof group);
        LOG_DEBUG("udp receiver efvi joined multicast group: { mcast = %s:%u, msg_type = %u, local_ip = %s }", group,
                  static_cast<unsigned>(ntohs(stream.group.sin_port)), static_cast<unsigned>(stream.msg_type),
                  local_ip);
    }
    return true;
}

}  // namespace

bool KApiEfviUdpReceiver::do_initialize(const udp_receiver_config_t& config) {
    auto* rt = new efvi_runtime_t();
    runtime_ = rt;
    char local_ip[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &config.local_addr.sin_addr, local_ip, sizeof local_ip);

    // What a step opened stays in the runtime on failure: do_cleanup frees it.
    const uint64_t stride = stride_for(config.buffer_size);
    if (!buffers_valid(config, stride, local_ip) || !open_vi(rt, config, local_ip)) return false;
    for (const udp_mcast_stream_t& stream : config.streams)
        rt->stream_map[stream_key(stream.group.sin_addr.s_addr, ntohs(stream.group.sin_port))] = stream.msg_type;
    if (!allocate_region(rt, config, stride, local_ip) || !register_buffers(rt, local_ip)) return false;
    refill(rt);
    if (!add_filters(rt, config, local_ip) || !join_groups(rt, config, local_ip)) return false;
    rt->ready = true;
    return true;
}

void KApiEfviUdpReceiver::refill(efvi_runtime_t* rt) {
    const int target = static_cast<int>(rt->buffer_count - 1);
    while (rt->free_list != nullptr && ef_vi_receive_fill_level(&rt->vi) < target) {
        rx_buf_t* buf = rt->free_list;
        if (ef_vi_receive_init(&rt->vi, buf->dma_addr + rt->data_offset, static_cast<ef_request_id>(buf->id)) < 0)
            return;
        rt->free_list = buf->next;
        buf->next = nullptr;
        --rt->free_count;
        ef_vi_receive_push(&rt->vi);
    }
}

void KApiEfviUdpReceiver::do_work() {
    efvi_runtime_t* rt = runtime_;
    if (rt == nullptr || !rt->ready) return;
    const bool busy_poll = config_.busy_poll;
    auto* base = static_cast<unsigned char*>(rt->region);
    ef_event events[kPollBatch];
    while (continue_work()) {
        const int n = ef_eventq_poll(&rt->vi, events, kPollBatch);
        if (n <= 0) {
            if (busy_poll)
                nq::cpu_pause();
            else
                sched_yield();
            continue;
        }
        for (int i = 0; i < n; ++i) {
            const ef_event& ev = events[i];
            // A discarded frame consumed its buffer too: it goes back to the
            // ring like any other, or the ring would drain away.
            if (ev.type != EF_EVENT_TYPE_RX && ev.type != EF_EVENT_TYPE_RX_DISCARD) continue;
            if (ev.rq_id < 0 || static_cast<uint64_t>(ev.rq_id) >= rt->buffer_count) continue;
            auto* buf = reinterpret_cast<rx_buf_t*>(base + static_cast<uint64_t>(ev.rq_id) * rt->stride);
            if (ev.type == EF_EVENT_TYPE_RX && buf->data != nullptr) {
                const uint64_t room = rt->stride - rt->data_offset;
                const size_t len = ev.len < room ? ev.len : room;
                udp_payload_view_t view =
                    parse_udp_payload_from_eth_ipv4(reinterpret_cast<const std::byte*>(buf->data), len);
                if (view.ok) {
                    auto it = rt->stream_map.find(stream_key(view.dst_ip, view.dst_port));
                    if (it != rt->stream_map.end()) sink_->on_data(it->second, view.payload, view.payload_len);
                }
            }
            buf->next = rt->free_list;
            rt->free_list = buf;
            ++rt->free_count;
        }
        refill(rt);
    }
}

void KApiEfviUdpReceiver::do_cleanup() {
    efvi_runtime_t* rt = runtime_;
    if (rt == nullptr) return;
    for (int fd : rt->join_sockets) close(fd);
    rt->join_sockets.clear();
    if (rt->driver_handle >= 0) {
        // The VI goes first: once it is gone the adapter can no longer write
        // into the registered buffers, so the registration may follow.
        if (rt->vi_allocated) ef_vi_free(&rt->vi, rt->driver_handle);
        if (rt->memreg_allocated) ef_memreg_free(&rt->memreg, rt->driver_handle);
        if (rt->pd_allocated) ef_pd_free(&rt->pd, rt->driver_handle);
        ef_driver_close(rt->driver_handle);
        rt->driver_handle = -1;
    }
    if (rt->region != nullptr) {
        if (rt->huge_pages)
            munmap(rt->region, (rt->region_size + kRegionAlign - 1) / kRegionAlign * kRegionAlign);
        else
            std::free(rt->region);
    }
    delete rt;
    runtime_ = nullptr;
}

}}  // namespace nq::api
