#include "api/business/KApiInitPositionStdList.h"

#include <cstdlib>
#include <cstring>

#include "framework/AllocMem.h"

namespace nq { namespace api {

static_assert(sizeof(nq::trv_init_position_info_t) == 42, "a start-of-day position row is 42 bytes");

KApiInitPositionStdList::KApiInitPositionStdList() : count_(0) {
    for (auto& c : chunks_) c.store(nullptr, std::memory_order_relaxed);
}

KApiInitPositionStdList::~KApiInitPositionStdList() {
    for (auto& c : chunks_) std::free(c.load(std::memory_order_relaxed));
}

void KApiInitPositionStdList::locate(size_t index, size_t* chunk, size_t* offset) {
    // Chunk k starts at row kFirstChunkRows * (2^k - 1).
    const size_t q = index / kFirstChunkRows + 1;
    const size_t k = 63 - static_cast<size_t>(__builtin_clzll(q));
    *chunk = k;
    *offset = index - kFirstChunkRows * ((size_t(1) << k) - 1);
}

const nq::trv_init_position_info_t* KApiInitPositionStdList::get(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= count_.load(std::memory_order_acquire)) return nullptr;
    size_t k, off;
    locate(static_cast<size_t>(index), &k, &off);
    const nq::trv_init_position_info_t* c = chunks_[k].load(std::memory_order_acquire);
    return c != nullptr ? c + off : nullptr;
}

size_t KApiInitPositionStdList::capacity() const {
    size_t rows = 0;
    for (size_t k = 0; k < kChunkCount; ++k)
        if (chunks_[k].load(std::memory_order_acquire) != nullptr) rows += kFirstChunkRows << k;
    return rows;
}

bool KApiInitPositionStdList::append(const nq::trv_init_position_info_t* rows, size_t count) {
    if (rows == nullptr || count == 0) return true;
    size_t n = count_.load(std::memory_order_relaxed);
    bool ok = true;
    for (size_t i = 0; i < count; ++i, ++n) {
        size_t k, off;
        locate(n, &k, &off);
        if (k >= kChunkCount) {
            ok = false;
            break;
        }
        nq::trv_init_position_info_t* c = chunks_[k].load(std::memory_order_relaxed);
        if (c == nullptr) {
            c = static_cast<nq::trv_init_position_info_t*>(alloc_mem((kFirstChunkRows << k) * sizeof *c, 8));
            if (c == nullptr) {
                ok = false;
                break;
            }
            chunks_[k].store(c, std::memory_order_release);
        }
        std::memcpy(static_cast<void*>(c + off), rows + i, sizeof *c);
    }
    count_.store(n, std::memory_order_release);
    return ok;
}

}}  // namespace nq::api
