// Two-level index of stored orders by xid bits 8-27: 1024 leaves (bits 18-27)
// of 1024 entries (bits 8-17).
#pragma once
#include <atomic>
#include <cstdint>

#include "api/business/KApiOrder.h"

namespace nq { namespace api {

// In the library's export table beside the order store (its symbols are part
// of the binary interface, see tests/packaging/exported_symbols.txt), but its
// header is not installed, so no user program includes it; nothing in the
// library uses it either (the order store indexes orders by chains).
class __attribute__((visibility("default"))) KApiOrderMap {
public:
    static constexpr unsigned kLeaves = 1024;
    static constexpr unsigned kEntries = 1024;

    KApiOrderMap();
    ~KApiOrderMap();
    bool initialize() { return true; }

    // False for an xid whose bits 8-27 are all zero, or when its leaf cannot
    // be allocated.
    bool set_order(KApiOrder* order);
    // The order stored for this xid; null when the entry is empty or holds
    // another xid that shares bits 8-27.
    KApiOrder* get_order(uint64_t xid) const;

private:
    using Leaf = std::atomic<KApiOrder*>;
    static unsigned leaf_of(uint64_t xid) { return (xid >> 18) & (kLeaves - 1); }
    static unsigned entry_of(uint64_t xid) { return (xid >> 8) & (kEntries - 1); }

    std::atomic<Leaf*> leaves_[kLeaves];
};

}}  // namespace nq::api
