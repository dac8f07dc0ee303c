// What an initialised trading API brings: its configuration copy, its
// callback object, the UDP order sender, the order-timeout timer queue and
// the stocks of the sending threads.
#pragma once
#include <atomic>

#include "api/order/KApiUdpSender.h"
#include "trv_api.h"

namespace nq { namespace api {

class ApiTimerManager;
class KApiOrderReserve;

class KApiTradeContext {
public:
    static constexpr unsigned long kOrderTimerQueue = 2;

    // config: the provider's copy, kept; timers: where the order-timeout
    // queue is made.
    KApiTradeContext(nq::TRVTradeConfig* config, nq::TRVTradeSpi* spi, ApiTimerManager* timers);
    virtual ~KApiTradeContext();
    // The UDP sender on local address 1, then timer queue 2 of the order
    // timeout; false when either cannot be made.
    virtual bool initialize();

    // The calling thread's stock for its orders (KApiOrderReserve), found
    // through its packet buffer: made and filled at the thread's first use;
    // null when the thread has no packet buffer or memory runs out.
    KApiOrderReserve* local_reserve();
    // Tops up the stock of every thread that sends (on "timer_recycle").
    void refill_reserves();

    nq::TRVTradeConfig* config_;
    std::atomic<nq::TRVTradeSpi*> spi_;  // cleared when the API stops
    KApiUdpSender* udp_sender_;
    ApiTimerManager* timers_;
    // By packet buffer index; never freed, like the buffers.
    std::atomic<KApiOrderReserve*> reserves_[KApiUdpSender::kBufferCount];
};

}}  // namespace nq::api
