#include <cstdlib>

#include "api/security/SecurityFilter.h"
#include "framework/AllocMem.h"
#include "trv_api.h"

namespace nq {

TRVSecurityFilter::TRVSecurityFilter()
    : bitmap(static_cast<uint64_t*>(api::alloc_mem(api::SecurityFilter::kBitmapBytes, 64))), enabled(true) {}

TRVSecurityFilter::~TRVSecurityFilter() { std::free(bitmap); }

bool TRVSecurityFilter::add(const char* code) { return api::security_bitmap_add(bitmap, code); }

bool TRVSecurityFilter::check(const char* code) const { return api::security_bitmap_check(bitmap, enabled, code); }

}  // namespace nq
