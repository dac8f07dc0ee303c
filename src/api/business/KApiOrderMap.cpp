#include "api/business/KApiOrderMap.h"

#include <cstdlib>
#include <new>

#include "framework/AllocMem.h"

namespace nq { namespace api {

KApiOrderMap::KApiOrderMap() {
    for (auto& l : leaves_) l.store(nullptr, std::memory_order_relaxed);
}

KApiOrderMap::~KApiOrderMap() {
    for (auto& l : leaves_) std::free(l.load(std::memory_order_relaxed));
}

bool KApiOrderMap::set_order(KApiOrder* order) {
    if (!order) return false;
    const uint64_t xid = order->xid();
    if (xid_sequence(xid) == 0) return false;
    std::atomic<Leaf*>& slot = leaves_[leaf_of(xid)];
    Leaf* leaf = slot.load(std::memory_order_acquire);
    if (!leaf) {
        void* mem = alloc_mem(kEntries * sizeof(Leaf), 16);  // 8 KiB
        if (!mem) return false;
        Leaf* fresh = new (mem) Leaf[kEntries];
        for (unsigned i = 0; i < kEntries; ++i) fresh[i].store(nullptr, std::memory_order_relaxed);
        // Two threads may create the same leaf: one wins, the other's is freed.
        if (slot.compare_exchange_strong(leaf, fresh, std::memory_order_acq_rel, std::memory_order_acquire)) {
            leaf = fresh;
        } else {
            std::free(mem);
        }
    }
    leaf[entry_of(xid)].store(order, std::memory_order_release);
    return true;
}

KApiOrder* KApiOrderMap::get_order(uint64_t xid) const {
    const Leaf* leaf = leaves_[leaf_of(xid)].load(std::memory_order_acquire);
    if (!leaf) return nullptr;
    KApiOrder* o = leaf[entry_of(xid)].load(std::memory_order_acquire);
    return (o && o->xid() == xid) ? o : nullptr;
}

}}  // namespace nq::api
