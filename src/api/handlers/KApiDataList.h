// One page of rows inside a received message: valid while the message copy
// is, i.e. for the duration of one callback.
#pragma once
#include <cstdint>

namespace nq { namespace api {

struct KApiDataList {
    const void* data;    // first row
    uint64_t count;      // rows
    uint64_t item_size;  // bytes per row, as the counter sent them
};

}}  // namespace nq::api
