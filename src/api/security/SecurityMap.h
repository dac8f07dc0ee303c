// Fixed-capacity map from padded security code to the counter's security index.
#pragma once
#include <cstdint>

namespace nq { namespace api {

class SecurityMap {
public:
    static constexpr uint64_t kDefaultCapacity = 46793;
    static constexpr uint64_t kOverflowChains = 1023;

    struct Pair {
        uint64_t key;
        uint64_t value;  // 0 = empty
    };
    struct alignas(64) Bucket {
        Pair pairs[4];
    };
    struct OverflowNode {
        uint64_t key;
        uint64_t value;
        OverflowNode* next;
    };

    explicit SecurityMap(uint64_t capacity = 0);
    virtual ~SecurityMap();

    bool initialize();
    bool set_security_index(const char* code, uint64_t index);
    bool set_security_index(uint64_t key, uint64_t index);
    uint64_t get_security_index(const char* code) const;
    uint64_t get_security_index(uint64_t key) const;
    bool set_overflow_security_index(uint64_t key, uint64_t index);
    uint64_t get_overflow_security_index(uint64_t key) const;
    // Smallest bucket count in kMinHashBucket..kMaxHashBucket (both included)
    // under which no bucket holds more than limit + 1 of the keys; 0 when none.
    static uint64_t find_min_hash_bucket(const uint64_t* keys, uint64_t key_count, uint64_t limit);
    // The same search over first..last (last at most kMaxHashBucket).
    static uint64_t find_min_hash_bucket(const uint64_t* keys, uint64_t key_count, uint64_t limit, uint64_t first,
                                         uint64_t last);
    static constexpr uint64_t kMinHashBucket = 1024;
    static constexpr uint64_t kMaxHashBucket = 1048575;

    uint64_t capacity() const { return capacity_; }
    uint64_t overflow_count() const { return overflow_count_; }

private:
    uint64_t capacity_;
    uint64_t overflow_count_;
    Bucket* buckets_;
    OverflowNode* overflow_[kOverflowChains];
};
static_assert(sizeof(SecurityMap::Bucket) == 64, "a bucket is one cache line");

}}  // namespace nq::api
