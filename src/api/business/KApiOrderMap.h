// Two-level index of stored orders by the xid's order sequence: 1024 leaves
// (its high 10 bits) of 1024 entries (its low 10 bits).
#pragma once
#include <atomic>
#include <cstdint>

#include "api/business/KApiOrder.h"
#include "api/security/OrderXid.h"

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

    // False for an xid whose order sequence is 0, or when its leaf cannot be
    // allocated.
    bool set_order(KApiOrder* order);
    // The order stored for this xid; null when the entry is empty or holds
    // another xid with the same order sequence.
    KApiOrder* get_order(uint64_t xid) const;

private:
    using Leaf = std::atomic<KApiOrder*>;
    static_assert(uint64_t(kLeaves) * kEntries == kMaxOrderSequence + 1, "one entry per order sequence");
    static unsigned leaf_of(uint64_t xid) { return static_cast<unsigned>(xid_sequence(xid) / kEntries); }
    static unsigned entry_of(uint64_t xid) { return static_cast<unsigned>(xid_sequence(xid) % kEntries); }

    std::atomic<Leaf*> leaves_[kLeaves];
};

}}  // namespace nq::api
