#include "api/business/KApiInitPositionStdList.h"

namespace nq { namespace api {

static_assert(sizeof(nq::trv_init_position_info_t) == 42, "a start-of-day position row is 42 bytes");

const nq::trv_init_position_info_t* KApiInitPositionStdList::get(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= rows_.size()) return nullptr;
    return &rows_[static_cast<size_t>(index)];
}

void KApiInitPositionStdList::append(const nq::trv_init_position_info_t* rows, size_t count) {
    if (!rows || count == 0) return;
    rows_.insert(rows_.end(), rows, rows + count);
}

}}  // namespace nq::api
