#include "api/provider/KApiTradeContext.h"

#include "api/order/KApiUdpSender.h"
#include "api/provider/KApiOrderReserve.h"
#include "framework/AllocMem.h"
#include "framework/ApiTimerManager.h"
#include "framework/LastApiError.h"
#include "log/Log.h"

namespace nq { namespace api {

KApiTradeContext::KApiTradeContext(nq::TRVTradeConfig* config, nq::TRVTradeSpi* spi, ApiTimerManager* timers)
    : config_(config), spi_(spi), udp_sender_(nullptr), timers_(timers) {
    for (auto& r : reserves_) r.store(nullptr, std::memory_order_relaxed);
}

KApiOrderReserve* KApiTradeContext::local_reserve() {
    const KApiUdpSender::pkt_buf_t* buf = KApiUdpSender::local_pkt_buf();
    if (buf == nullptr || buf->id == 0 || buf->id > KApiUdpSender::kBufferCount) return nullptr;
    std::atomic<KApiOrderReserve*>& slot = reserves_[buf->id - 1];
    KApiOrderReserve* reserve = slot.load(std::memory_order_acquire);
    if (reserve != nullptr) return reserve;
    // A buffer belongs to one thread: nobody else makes this slot's stock.
    // It is filled before "timer_recycle" can see it, which then keeps it.
    reserve = KApiOrderReserve::create();
    if (reserve == nullptr) return nullptr;
    reserve->refill(timers_);
    slot.store(reserve, std::memory_order_release);
    return reserve;
}

void KApiTradeContext::refill_reserves() {
    const uint64_t handed_out =
        udp_sender_ != nullptr ? udp_sender_->next_buf_index_.load(std::memory_order_acquire) : 0;
    const uint64_t end = handed_out < KApiUdpSender::kBufferCount ? handed_out : KApiUdpSender::kBufferCount;
    for (uint64_t i = 0; i < end; ++i) {
        if (KApiOrderReserve* r = reserves_[i].load(std::memory_order_acquire)) r->refill(timers_);
    }
}

KApiTradeContext::~KApiTradeContext() {}

bool KApiTradeContext::initialize() {
    const unsigned long interval_ms = static_cast<unsigned long>(config_->order_timeout()) * 1000;
    if (interval_ms == 0) {
        // Every order would time out at once, before any report could come.
        LOG_ERROR("order timeout must be at least 1 second: { order_timeout = 0 }");
        set_last_error(kErrorStartUp, 0, "timer initialization failed");
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
        set_last_error(kErrorStartUp, 0, "timer initialization failed");
        return false;
    }
    udp_sender_ = sender;
    return true;
}

}}  // namespace nq::api
