#include "api/security/SecurityMap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "api/security/SecurityCode.h"
#include "framework/AllocMem.h"

namespace nq { namespace api {

// The map is filled by one handler thread before login completes and then
// read by order-sending threads: values and chain heads are published with
// release stores so a reader never sees a value before its key.
namespace {
inline uint64_t load_value(const uint64_t* v) { return __atomic_load_n(v, __ATOMIC_ACQUIRE); }
}  // namespace

SecurityMap::SecurityMap(uint64_t capacity)
    : capacity_(capacity ? capacity : kDefaultCapacity), overflow_count_(0), buckets_(nullptr), overflow_() {}

SecurityMap::~SecurityMap() {
    for (auto& head : overflow_) {
        while (head) {
            OverflowNode* n = head;
            head = n->next;
            std::free(n);
        }
    }
    std::free(buckets_);
}

bool SecurityMap::initialize() {
    if (buckets_) return true;
    buckets_ = static_cast<Bucket*>(alloc_mem(capacity_ * sizeof(Bucket), 64));
    return buckets_ != nullptr;
}

bool SecurityMap::set_security_index(const char* code, uint64_t index) {
    return set_security_index(pad_security_code(code), index);
}

bool SecurityMap::set_security_index(uint64_t key, uint64_t index) {
    if (index == 0 || !buckets_) return false;
    if (get_security_index(key) != 0) return false;
    Bucket& b = buckets_[key % capacity_];
    for (Pair& p : b.pairs) {
        if (p.value == 0) {
            p.key = key;
            __atomic_store_n(&p.value, index, __ATOMIC_RELEASE);
            return true;
        }
    }
    return set_overflow_security_index(key, index);
}

uint64_t SecurityMap::get_security_index(const char* code) const {
    uint64_t key;
    std::memcpy(&key, code, 8);
    return get_security_index(key);
}

uint64_t SecurityMap::get_security_index(uint64_t key) const {
    if (!buckets_) return 0;
    const Bucket& b = buckets_[key % capacity_];
    for (const Pair& p : b.pairs) {
        uint64_t v = load_value(&p.value);
        if (v != 0 && p.key == key) return v;
    }
    return get_overflow_security_index(key);
}

bool SecurityMap::set_overflow_security_index(uint64_t key, uint64_t index) {
    auto* node = static_cast<OverflowNode*>(alloc_mem(sizeof(OverflowNode), 8));
    if (!node) return false;
    node->key = key;
    node->value = index;
    OverflowNode*& head = overflow_[key % kOverflowChains];
    node->next = head;
    __atomic_store_n(&head, node, __ATOMIC_RELEASE);
    ++overflow_count_;
    return true;
}

uint64_t SecurityMap::get_overflow_security_index(uint64_t key) const {
    for (const OverflowNode* n = __atomic_load_n(&overflow_[key % kOverflowChains], __ATOMIC_ACQUIRE); n; n = n->next) {
        if (n->key == key) return n->value;
    }
    return 0;
}

uint64_t SecurityMap::find_min_hash_bucket(const uint64_t* keys, uint64_t key_count, uint64_t limit) {
    return find_min_hash_bucket(keys, key_count, limit, kMinHashBucket, kMaxHashBucket);
}

uint64_t SecurityMap::find_min_hash_bucket(const uint64_t* keys, uint64_t key_count, uint64_t limit, uint64_t first,
                                           uint64_t last) {
    if (last > kMaxHashBucket) last = kMaxHashBucket;  // the counter table's size
    std::vector<uint32_t> counters(1u << 20);
    for (uint64_t b = first; b <= last; ++b) {
        std::fill(counters.begin(), counters.end(), 0);
        bool fits = true;
        for (uint64_t i = 0; i < key_count; ++i) {
            if (++counters[keys[i] % b] > limit + 1) {
                fits = false;
                break;
            }
        }
        if (fits) return b;
        if (b % 10240 == 0) std::printf("i = %d\n", static_cast<int>(b));
    }
    return 0;
}

}}  // namespace nq::api
