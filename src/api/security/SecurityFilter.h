// Bitmap over security codes packed into 26-bit indexes.
#pragma once
#include <cstdint>

namespace nq { namespace api {

class SecurityFilter {
public:
    static constexpr uint64_t kBitmapBytes = 1ull << 23;

    SecurityFilter() : bitmap_(nullptr), enabled_(false) {}
    ~SecurityFilter();
    bool initialize();
    bool add_filter(const char* code);
    bool is_filter(const char* code) const;

    uint64_t* bitmap_;
    bool enabled_;
};

// Shared by the public and the internal filter.
bool security_bitmap_add(uint64_t* bitmap, const char* code);
bool security_bitmap_check(const uint64_t* bitmap, bool enabled, const char* code);

}}  // namespace nq::api
