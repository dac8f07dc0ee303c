// Start-of-day positions of one authorisation, appended from notice 1033.
#pragma once
#include <cstddef>
#include <vector>

#include "trv_api.h"

namespace nq { namespace api {

class KApiInitPositionStdList : public nq::TRVInitPositionList {
public:
    KApiInitPositionStdList() = default;
    ~KApiInitPositionStdList() override = default;

    size_t data_count() const override { return rows_.size(); }
    // Null for an index outside 0 .. data_count() - 1.
    const nq::trv_init_position_info_t* get(int index) const override;

    void append(const nq::trv_init_position_info_t* rows, size_t count);
    // Empties the list and keeps its storage for the next use of the record.
    void clear() { rows_.clear(); }
    size_t capacity() const { return rows_.capacity(); }

private:
    std::vector<nq::trv_init_position_info_t> rows_;
};

}}  // namespace nq::api
