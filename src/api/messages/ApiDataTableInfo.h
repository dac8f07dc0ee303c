// Data-table information of a paged query: the end point (row count) of each
// of up to 16 sub-tables. Found at body offset 57 of a 1042 answer.
#pragma once
#include <cstddef>
#include <cstdint>

namespace nq {

struct __attribute__((packed)) api_data_table_info_t {
    uint32_t sub_table_num;             // at most 16 are read
    uint32_t sub_table_end_points[16];  // rows in each sub-table
};

static_assert(sizeof(api_data_table_info_t) == 68, "api_data_table_info_t size");
static_assert(offsetof(api_data_table_info_t, sub_table_end_points) == 4, "api_data_table_info_t layout");

}  // namespace nq
