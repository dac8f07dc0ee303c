#include "api/mdata/QuoteUdpWorker.h"

#include "api/mdata/KApiEfviUdpReceiver.h"
#include "api/mdata/KApiSocketUdpReceiver.h"
#include "framework/CallbackGuard.h"
#include "framework/LastApiError.h"
#include "log/Log.h"

namespace nq { namespace api {

QuoteUdpWorker::QuoteUdpWorker(const char* name, nq::TRVQuoteSpi* spi) : name_(name), spi_(spi), receiver_(nullptr) {
    if (spi == nullptr) LOG_ERROR("quote worker create failed, spi is null: { name = %s}", name_);
}

QuoteUdpWorker::~QuoteUdpWorker() { stop(); }

bool QuoteUdpWorker::start(const udp_receiver_config_t& config) {
    stop();
    if (spi_.load(std::memory_order_relaxed) == nullptr) {
        set_last_error(kErrorMarketData, 0, "quote worker start failed, spi is null");
        return false;
    }
    KApiUdpReceiver* receiver = KApiUdpReceiver::create(name_, this, config);
    if (receiver == nullptr) return false;
    if (!receiver->initialize(config)) {
        const bool bypass = dynamic_cast<KApiEfviUdpReceiver*>(receiver) != nullptr;
        delete receiver;
        if (config.rx_mode != nq::RX_MODE_AUTO || !bypass) return false;
        // The adapter looked usable but could not be set up: automatic mode
        // still receives, through the kernel.
        LOG_WARN("udp receiver efvi init failed, fallback to socket: { name = %s }", name_);
        receiver = new KApiSocketUdpReceiver(name_, this);
        if (!receiver->initialize(config)) {
            delete receiver;
            return false;
        }
    }
    if (!receiver->start()) {
        set_last_error(kErrorMarketData, 0, "udp receiver start failed");
        receiver->cleanup();
        delete receiver;
        return false;
    }
    receiver_ = receiver;
    return true;
}

void QuoteUdpWorker::stop() {
    if (receiver_ == nullptr) return;
    receiver_->finalize();
    delete receiver_;
    receiver_ = nullptr;
}

void QuoteUdpWorker::on_data(uint16_t msg_type, const void* data, size_t len) {
    if (CallbackGuard<nq::TRVQuoteSpi> spi{spi_})
        spi->on_quote(static_cast<nq::QuoteMCType>(msg_type), data, static_cast<uint32_t>(len));
}

}}  // namespace nq::api
