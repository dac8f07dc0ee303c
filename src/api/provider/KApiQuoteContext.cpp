#include "api/provider/KApiQuoteContext.h"

#include "framework/AllocMem.h"

namespace nq { namespace api {

KApiQuoteContext::KApiQuoteContext(nq::TRVQuoteConfig* config, nq::TRVQuoteSpi* spi)
    : config_(config), spi_(spi), receivers_(nullptr) {}

KApiQuoteContext::~KApiQuoteContext() {}

bool KApiQuoteContext::initialize() {
    receivers_ = alloc_mem(kReceiverSetSize, 8);
    return receivers_ != nullptr;
}

}}  // namespace nq::api
