// What an initialised market-data API brings: its configuration copy, its
// callback object and the set of running quote receivers (empty until a
// subscription starts them).
#pragma once
#include <atomic>

#include "trv_api.h"

namespace nq { namespace api {

class KApiQuoteContext {
public:
    static constexpr unsigned long kReceiverSetSize = 64;

    KApiQuoteContext(nq::TRVQuoteConfig* config, nq::TRVQuoteSpi* spi);
    virtual ~KApiQuoteContext();
    // Allocates the zero-filled receiver set; false without memory.
    virtual bool initialize();

    nq::TRVQuoteConfig* config_;
    std::atomic<nq::TRVQuoteSpi*> spi_;  // cleared when the API stops
    void* receivers_;
};

}}  // namespace nq::api
