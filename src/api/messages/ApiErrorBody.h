// Body of the error answer (1029) to a tracked request.
#pragma once
#include <cstddef>
#include <cstdint>

#include "api/messages/ApiBodyHead.h"
#include "trv_api.h"

namespace nq { namespace api {

struct __attribute__((packed)) api_error_body_t {
    api_body_head_t head;    // echo of the failed request's head
    uint32_t service_code;   // response code the failed request was waiting for
    trv_error_info_t error;  // the counter's error
};

static_assert(sizeof(api_error_body_t) == 333, "api_error_body_t size");
static_assert(offsetof(api_error_body_t, service_code) == 57, "api_error_body_t layout");
static_assert(offsetof(api_error_body_t, error.error_code_type) == 61, "api_error_body_t layout");
static_assert(offsetof(api_error_body_t, error.error_code) == 69, "api_error_body_t layout");
static_assert(offsetof(api_error_body_t, error.error_msg) == 77, "api_error_body_t layout");

}}  // namespace nq::api
