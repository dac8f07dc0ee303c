#include "api/mdata/KApiUdpReceiver.h"

#include <time.h>

#include "api/mdata/KApiEfviUdpReceiver.h"
#include "api/mdata/KApiSocketUdpReceiver.h"
#include "framework/LastApiError.h"
#include "log/Log.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

thread_local KApiUdpReceiver* KApiUdpReceiver::current_ = nullptr;

namespace {

void sleep_ms(long ms) {
    timespec ts{0, ms * 1000 * 1000};
    nanosleep(&ts, nullptr);
}

}  // namespace

KApiUdpReceiver* KApiUdpReceiver::create(const char* name, IUdpDataSink* sink, const udp_receiver_config_t& config) {
    switch (config.rx_mode) {
        case nq::RX_MODE_SOCKET: return new KApiSocketUdpReceiver(name, sink);
        case nq::RX_MODE_EFVI:
            if (is_efvi_supported(config)) return new KApiEfviUdpReceiver(name, sink);
            set_last_error(kErrorMarketData, 0, "udp receiver efvi not supported");
            return nullptr;
        case nq::RX_MODE_AUTO:
            if (is_efvi_supported(config)) return new KApiEfviUdpReceiver(name, sink);
            LOG_WARN("udp receiver efvi not supported, fallback to socket: { name = %s }", name);
            return new KApiSocketUdpReceiver(name, sink);
        default: set_last_error(kErrorMarketData, 0, "create udp receiver failed, unknown mode"); return nullptr;
    }
}

bool KApiUdpReceiver::is_efvi_supported(const udp_receiver_config_t& config) {
    if (config.streams.empty()) return false;
    unsigned nic = get_nic_id(&config.local_addr);
    return nic != 0 && is_support_efvi(nic);
}

KApiUdpReceiver::KApiUdpReceiver(const char* name, IUdpDataSink* sink)
    : ApiServiceThread(name), sink_(sink), initialized_(false) {}

KApiUdpReceiver::~KApiUdpReceiver() {}

void KApiUdpReceiver::work_proc() {
    current_ = this;
    do_work();
    current_ = nullptr;
}

bool KApiUdpReceiver::initialize(const udp_receiver_config_t& config) {
    // A receiver can be initialized again; a running one is stopped first so
    // that its runtime is never released under its thread.
    if (is_alive())
        finalize();
    else
        cleanup();
    if (sink_ == nullptr) {
        set_last_error(kErrorMarketData, 0, "udp receiver init failed: sink is null.");
        return false;
    }
    config_ = config;
    if (config_.streams.empty()) {
        set_last_error(kErrorMarketData, 0, "udp receiver init failed: streams empty.");
        return false;
    }
    rebind_cpu_core(config_.cpu_core);
    if (!do_initialize(config_)) {
        do_cleanup();
        set_last_error(kErrorMarketData, 0, "udp receiver init failed.");
        return false;
    }
    initialized_ = true;
    LOG_INFO("udp receiver initialized: { name = %s, mode = %s, streams = %zu, cpu_core = %d }", name(), mode_name(),
             config_.streams.size(), config_.cpu_core);
    return true;
}

void KApiUdpReceiver::finalize() {
    stop();
    wake();
    int checks = 0;
    while (is_alive()) {
        if (++checks == kStopChecks)
            LOG_WARN("udp receiver thread has not ended, still waiting: { name = %s }", name());
        sleep_ms(1);
        // A sink that was busy when the first wake came finds the flag at its
        // next wait; waking again costs nothing.
        if (checks % 100 == 0) wake();
    }
    cleanup();
}

void KApiUdpReceiver::cleanup() {
    if (initialized_) {
        do_cleanup();
        initialized_ = false;
    }
    config_.set_defaults();
}

}}  // namespace nq::api
