#include "api/mdata/KApiQuoteReceiver.h"

#include "framework/LastApiError.h"

namespace nq { namespace api {

bool KApiQuoteReceiver::start(const quote_receiver_config_t& config) {
    if (started_) {
        set_last_error(kErrorMarketData, 0, "quote receiver already started");
        return false;
    }
    if (config.spi == nullptr) {
        set_last_error(kErrorMarketData, 0, "quote receiver start failed, spi is null");
        return false;
    }
    if (config.threads.empty()) {
        set_last_error(kErrorMarketData, 0, "quote receiver start failed, threads empty");
        return false;
    }
    spi_ = config.spi;
    threads_ = config.threads;
    workers_.reserve(threads_.size());
    for (const quote_receiver_thread_t& thread : threads_) {
        auto* worker = new QuoteUdpWorker(thread.name, spi_);
        if (!worker->start(thread.config)) {
            // Keep the worker's error: stopping the others sets none.
            stop();
            delete worker;
            return false;
        }
        workers_.push_back(worker);
    }
    started_ = true;
    return true;
}

void KApiQuoteReceiver::stop() {
    std::vector<QuoteUdpWorker*> workers = take_workers();
    stop_workers(workers);
}

std::vector<QuoteUdpWorker*> KApiQuoteReceiver::take_workers() {
    std::vector<QuoteUdpWorker*> workers;
    // A stop of the API no longer finds these workers in the set: their
    // callbacks end here, so that none can begin after that stop returns.
    detach_spi();
    workers.swap(workers_);
    started_ = false;
    return workers;
}

void KApiQuoteReceiver::detach_spi() {
    for (QuoteUdpWorker* worker : workers_) worker->spi_.store(nullptr, std::memory_order_seq_cst);
}

void KApiQuoteReceiver::stop_workers(std::vector<QuoteUdpWorker*>& workers) {
    for (QuoteUdpWorker* worker : workers) worker->stop();
    for (QuoteUdpWorker* worker : workers) delete worker;
    workers.clear();
}

}}  // namespace nq::api
