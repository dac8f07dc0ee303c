// Start-of-day positions of one authorisation, appended from notice 1033 on a
// handler worker while the user may read the list on any thread.
//
// Rows live in chunks that never move: chunk k holds kFirstChunkRows << k
// rows, so the list grows without copying and a row pointer handed out by
// get() stays valid for the life of the record. The row count is published
// with release after the rows are written. clear() only resets the count;
// the chunks are kept for the next use of the record and freed with it.
// One writer at a time (appends and clears are serialised by the caller).
#pragma once
#include <atomic>
#include <cstddef>

#include "trv_api.h"

namespace nq { namespace api {

class KApiInitPositionStdList : public nq::TRVInitPositionList {
public:
    static constexpr size_t kFirstChunkRows = 64;
    static constexpr size_t kChunkCount = 24;  // about 2^30 rows

    KApiInitPositionStdList();
    ~KApiInitPositionStdList() override;
    KApiInitPositionStdList(const KApiInitPositionStdList&) = delete;
    KApiInitPositionStdList& operator=(const KApiInitPositionStdList&) = delete;

    size_t data_count() const override { return count_.load(std::memory_order_acquire); }
    // Null for an index outside 0 .. data_count() - 1.
    const nq::trv_init_position_info_t* get(int index) const override;

    // Appends what fits; false when a chunk cannot be allocated (the rows
    // before it are kept).
    bool append(const nq::trv_init_position_info_t* rows, size_t count);
    // Empties the list and keeps its storage for the next use of the record.
    void clear() { count_.store(0, std::memory_order_release); }
    // Rows the allocated chunks hold.
    size_t capacity() const;

private:
    static void locate(size_t index, size_t* chunk, size_t* offset);

    std::atomic<size_t> count_;
    std::atomic<nq::trv_init_position_info_t*> chunks_[kChunkCount];
};

}}  // namespace nq::api
