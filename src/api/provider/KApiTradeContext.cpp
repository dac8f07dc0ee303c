#include "api/provider/KApiTradeContext.h"

#include "api/order/KApiUdpSender.h"
#include "framework/LastApiError.h"
#include "framework/AllocMem.h"
#include "framework/ApiTimerManager.h"
#include "log/Log.h"

namespace nq { namespace api {

KApiTradeContext::KApiTradeContext(nq::TRVTradeConfig* config, nq::TRVTradeSpi* spi, ApiTimerManager* timers)
    : config_(config), spi_(spi), udp_sender_(nullptr), timers_(timers) {}

KApiTradeContext::~KApiTradeContext() {}

bool KApiTradeContext::initialize() {
    const unsigned long interval_ms = static_cast<unsigned long>(config_->order_timeout()) * 1000;
    if (interval_ms == 0) {
        // Every order would time out at once, before any report could come.
        LOG_ERROR("order timeout must be at least 1 second: { order_timeout = 0 }");
        set_last_error(301, 0, "timer initialization failed");
        return false;
    }
    const sockaddr local = config_->get_local_addr(1);
    auto* sender = make_object<KApiUdpSender>(&local);
    if (sender == nullptr) return false;
    if (!sender->initialize()) {
        free_object(sender);
        return false;
    }
    if (timers_ == nullptr || !timers_->create_timer_queue(kOrderTimerQueue, interval_ms)) {
        // A context that fails goes, and its sender with it.
        sender->release_unused();
        free_object(sender);
        set_last_error(301, 0, "timer initialization failed");
        return false;
    }
    udp_sender_ = sender;
    return true;
}

}}  // namespace nq::api
