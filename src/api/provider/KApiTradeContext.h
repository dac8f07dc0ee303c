// What an initialised trading API brings: its configuration copy, its
// callback object, the UDP order sender and the order-timeout timer queue.
#pragma once
#include <atomic>

#include "trv_api.h"

namespace nq { namespace api {

class ApiTimerManager;
class KApiUdpSender;

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

    nq::TRVTradeConfig* config_;
    std::atomic<nq::TRVTradeSpi*> spi_;  // cleared when the API stops
    KApiUdpSender* udp_sender_;
    ApiTimerManager* timers_;
};

}}  // namespace nq::api
