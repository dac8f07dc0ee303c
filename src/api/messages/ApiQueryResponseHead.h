// Head of every paged query answer; result_count rows of size_per_item bytes
// follow it back to back.
#pragma once
#include <cstddef>
#include <cstdint>

#include "api/messages/ApiBodyHead.h"

namespace nq {

struct __attribute__((packed)) api_query_response_head_t {
    api::api_body_head_t head;   // echo of the query's head
    uint16_t table_index;        // sub-table the page comes from
    uint32_t request_count;      // rows asked for
    uint32_t request_reference;  // position the page was asked from
    uint32_t reserved;
    uint32_t result_count;      // rows in this page
    uint32_t result_reference;  // position in the sub-table after this page
    uint32_t size_per_item;     // size of one row
    uint8_t is_last;            // the counter's last-page flag (logged only)
};

static_assert(sizeof(api_query_response_head_t) == 84, "api_query_response_head_t size");
static_assert(offsetof(api_query_response_head_t, table_index) == 57, "api_query_response_head_t layout");
static_assert(offsetof(api_query_response_head_t, request_count) == 59, "api_query_response_head_t layout");
static_assert(offsetof(api_query_response_head_t, request_reference) == 63, "api_query_response_head_t layout");
static_assert(offsetof(api_query_response_head_t, result_count) == 71, "api_query_response_head_t layout");
static_assert(offsetof(api_query_response_head_t, result_reference) == 75, "api_query_response_head_t layout");
static_assert(offsetof(api_query_response_head_t, size_per_item) == 79, "api_query_response_head_t layout");
static_assert(offsetof(api_query_response_head_t, is_last) == 83, "api_query_response_head_t layout");

}  // namespace nq
