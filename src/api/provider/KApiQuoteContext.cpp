#include "api/provider/KApiQuoteContext.h"

#include <cstring>

#include "framework/AllocMem.h"

namespace nq { namespace api {

std::atomic<quote_mc_info_t*> KApiQuoteContext::quote_mc_infos_[KApiQuoteContext::kChannelTableSize];
std::atomic<quote_mc_info_t*> KApiQuoteContext::quote_mc_store_[KApiQuoteContext::kChannelTableSize];

void KApiQuoteContext::clear_quote_mc_infos() {
    for (auto& p : quote_mc_infos_) p.store(nullptr, std::memory_order_release);
}

bool KApiQuoteContext::set_quote_mc_info(const quote_mc_info_t& info) {
    const uint16_t type = info.mc_type;
    quote_mc_info_t* copy = quote_mc_store_[type].load(std::memory_order_acquire);
    if (copy == nullptr) {
        copy = static_cast<quote_mc_info_t*>(alloc_mem(sizeof(quote_mc_info_t), 1));
        if (copy == nullptr) return false;
        quote_mc_store_[type].store(copy, std::memory_order_release);
    }
    std::memcpy(static_cast<void*>(copy), &info, sizeof info);
    quote_mc_infos_[type].store(copy, std::memory_order_release);
    return true;
}

KApiQuoteContext::KApiQuoteContext(nq::TRVQuoteConfig* config, nq::TRVQuoteSpi* spi)
    : config_(config), spi_(spi), receivers_(nullptr) {}

KApiQuoteContext::~KApiQuoteContext() {}

bool KApiQuoteContext::initialize() {
    receivers_ = make_object<KApiQuoteReceiver>();
    return receivers_ != nullptr;
}

}}  // namespace nq::api
