#include "api/security/SecurityFilter.h"

#include <cstdlib>

#include "api/security/SecurityCode.h"
#include "framework/AllocMem.h"

namespace nq { namespace api {

bool security_bitmap_add(uint64_t* bitmap, const char* code) {
    if (!bitmap || !code) return false;
    uint32_t i = pack_security_key(pad_security_code(code));
    if (i > kSecurityFilterMaxIndex) return false;
    __atomic_fetch_or(&bitmap[i / 64], 1ull << (i % 64), __ATOMIC_RELAXED);
    return true;
}

bool security_bitmap_check(const uint64_t* bitmap, bool enabled, const char* code) {
    if (!enabled) return true;
    // A filter whose bitmap could not be allocated holds nothing.
    if (!bitmap || !code) return false;
    uint32_t i = pack_security_key(pad_security_code(code));
    if (i > kSecurityFilterMaxIndex) return false;
    return (__atomic_load_n(&bitmap[i / 64], __ATOMIC_RELAXED) >> (i % 64)) & 1;
}

SecurityFilter::~SecurityFilter() { std::free(bitmap_); }

bool SecurityFilter::initialize() {
    if (!bitmap_) bitmap_ = static_cast<uint64_t*>(alloc_mem(kBitmapBytes, 64));
    enabled_ = bitmap_ != nullptr;
    return enabled_;
}

bool SecurityFilter::add_filter(const char* code) { return security_bitmap_add(bitmap_, code); }

bool SecurityFilter::is_filter(const char* code) const { return security_bitmap_check(bitmap_, enabled_, code); }

}}  // namespace nq::api
