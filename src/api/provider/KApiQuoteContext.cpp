#include "api/provider/KApiQuoteContext.h"

#include <cstring>

#include "framework/AllocMem.h"
#include "framework/MutexGuard.h"

namespace nq { namespace api {

std::atomic<quote_mc_info_t*> KApiQuoteContext::quote_mc_infos_[KApiQuoteContext::kChannelTableSize];
std::atomic<quote_mc_info_t*> KApiQuoteContext::quote_mc_store_[KApiQuoteContext::kChannelTableSize];

pthread_mutex_t KApiQuoteContext::quote_mc_mutex_ = PTHREAD_MUTEX_INITIALIZER;

void KApiQuoteContext::clear_quote_mc_infos_locked() {
    for (auto& p : quote_mc_infos_) p.store(nullptr, std::memory_order_relaxed);
}

bool KApiQuoteContext::set_quote_mc_info_locked(const quote_mc_info_t& info) {
    const uint16_t type = info.mc_type;
    quote_mc_info_t* copy = quote_mc_store_[type].load(std::memory_order_relaxed);
    if (copy == nullptr) {
        copy = static_cast<quote_mc_info_t*>(alloc_mem(sizeof(quote_mc_info_t), 1));
        if (copy == nullptr) return false;
        quote_mc_store_[type].store(copy, std::memory_order_relaxed);
    }
    std::memcpy(static_cast<void*>(copy), &info, sizeof info);
    quote_mc_infos_[type].store(copy, std::memory_order_relaxed);
    return true;
}

void KApiQuoteContext::clear_quote_mc_infos() {
    MutexGuard lock(&quote_mc_mutex_);
    clear_quote_mc_infos_locked();
}

void KApiQuoteContext::replace_quote_mc_infos(const unsigned char* items, uint64_t count, uint64_t item_size) {
    MutexGuard lock(&quote_mc_mutex_);
    clear_quote_mc_infos_locked();
    for (uint64_t i = 0; i < count; ++i) {
        quote_mc_info_t info;
        std::memcpy(&info, items + i * item_size, sizeof info);
        set_quote_mc_info_locked(info);
    }
}

void KApiQuoteContext::copy_quote_mc_infos(const uint16_t* types, size_t count, quote_mc_info_t* out, bool* present) {
    MutexGuard lock(&quote_mc_mutex_);
    for (size_t i = 0; i < count; ++i) {
        const quote_mc_info_t* info = quote_mc_infos_[types[i]].load(std::memory_order_relaxed);
        present[i] = info != nullptr;
        if (info != nullptr) std::memcpy(static_cast<void*>(&out[i]), info, sizeof *info);
    }
}

KApiQuoteContext::KApiQuoteContext(nq::TRVQuoteConfig* config, nq::TRVQuoteSpi* spi)
    : config_(config), spi_(spi), receivers_(nullptr) {}

KApiQuoteContext::~KApiQuoteContext() {}

bool KApiQuoteContext::initialize() {
    receivers_ = make_object<KApiQuoteReceiver>();
    return receivers_ != nullptr;
}

}}  // namespace nq::api
