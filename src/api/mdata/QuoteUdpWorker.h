// The data sink of one quote thread: owns the thread's UDP receiver and hands
// every payload to the user's on_quote on the receiver thread.
#pragma once
#include <atomic>

#include "api/mdata/IUdpDataSink.h"
#include "api/mdata/KApiUdpReceiver.h"
#include "trv_api.h"

namespace nq { namespace api {

class QuoteUdpWorker : public IUdpDataSink {
public:
    // name is kept, not copied: it must outlive the worker.
    QuoteUdpWorker(const char* name, nq::TRVQuoteSpi* spi);
    // Stops the receiver first, so it is never freed under its thread.
    ~QuoteUdpWorker() override;

    bool start(const udp_receiver_config_t& config);
    void stop();
    void on_data(uint16_t msg_type, const void* data, size_t len) override;

    const char* name_;
    // Cleared by a stop of the market-data API (and when the set hands the
    // worker to be stopped): on_quote is not called after that.
    std::atomic<nq::TRVQuoteSpi*> spi_;
    KApiUdpReceiver* receiver_;  // owned; null when stopped
};

}}  // namespace nq::api
