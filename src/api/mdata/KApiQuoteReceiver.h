// The quote receiver set: one quote worker, and so one receiver thread, per
// configured quote thread, started and stopped together.
#pragma once
#include <vector>

#include "api/mdata/QuoteUdpWorker.h"
#include "api/mdata/UdpReceiverConfig.h"
#include "trv_api.h"

namespace nq { namespace api {

struct quote_receiver_thread_t {
    const char* name;  // thread name; must outlive the receiver
    udp_receiver_config_t config;
};

struct quote_receiver_config_t {
    nq::TRVQuoteSpi* spi = nullptr;  // not owned
    std::vector<quote_receiver_thread_t> threads;
};

class KApiQuoteReceiver {
public:
    KApiQuoteReceiver() : spi_(nullptr), started_(false) {}
    ~KApiQuoteReceiver() { stop(); }
    KApiQuoteReceiver(const KApiQuoteReceiver&) = delete;
    KApiQuoteReceiver& operator=(const KApiQuoteReceiver&) = delete;

    bool start(const quote_receiver_config_t& config);
    // Stops every receiver thread and frees the workers. Never call it on a
    // receiver thread (from on_quote): it would free the thread's own receiver.
    void stop();
    // Hands the running workers to the caller and leaves the set stopped, so
    // that the caller can stop them (stop_workers) outside its own locks:
    // waiting for a receiver thread while holding a lock that its on_quote
    // may ask for would never end. From here on the workers call no on_quote.
    std::vector<QuoteUdpWorker*> take_workers();
    // The running workers call no on_quote any more (a stop of the
    // market-data API); the threads go on until stopped.
    void detach_spi();
    static void stop_workers(std::vector<QuoteUdpWorker*>& workers);
    bool started() const { return started_; }

    nq::TRVQuoteSpi* spi_;
    std::vector<quote_receiver_thread_t> threads_;
    bool started_;
    std::vector<QuoteUdpWorker*> workers_;
};

}}  // namespace nq::api
