#include "api/provider/KApiTradeContext.h"

#include "api/order/KApiUdpSender.h"
#include "framework/LastApiError.h"
#include "framework/AllocMem.h"
#include "framework/ApiTimerManager.h"

namespace nq { namespace api {

KApiTradeContext::KApiTradeContext(nq::TRVTradeConfig* config, nq::TRVTradeSpi* spi, ApiTimerManager* timers)
    : config_(config), spi_(spi), udp_sender_(nullptr), timers_(timers) {}

KApiTradeContext::~KApiTradeContext() {}

bool KApiTradeContext::initialize() {
    const sockaddr local = config_->get_local_addr(1);
    auto* sender = make_object<KApiUdpSender>(&local);
    if (sender == nullptr) return false;
    if (!sender->initialize()) {
        free_object(sender);
        return false;
    }
    udp_sender_ = sender;
    const unsigned long interval_ms = static_cast<unsigned long>(config_->order_timeout()) * 1000;
    if (timers_ == nullptr || !timers_->create_timer_queue(kOrderTimerQueue, interval_ms)) {
        set_last_error(301, 0, "timer initialization failed");
        return false;
    }
    return true;
}

}}  // namespace nq::api
