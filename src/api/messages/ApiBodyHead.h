// Common 57-byte head of every request, query and response body (not of
// pushed messages and not of orders). The counter echoes it in the answer.
#pragma once
#include <cstddef>
#include <cstdint>

namespace nq { namespace api {

struct __attribute__((packed)) api_body_head_t {
    uint64_t session_id;           // session the request is sent on
    uint64_t request_id;           // the user's id, handed back in the callback
    uint64_t request_seq;          // request-ring sequence; 0 when untracked
    uint64_t login_account_index;  // from the login answer
    uint8_t login_account_type;    // account type of the session's login
    uint64_t trade_account_index;  // the account the request is about
    uint64_t auth_id;              // authorisation id the counter issued
    uint64_t trade_token;          // the library's trade token (authorisation record id)
};

static_assert(sizeof(api_body_head_t) == 57, "api_body_head_t size");

// The head's fields that the request ring writes and the answer handlers read
// in place.
constexpr unsigned kRequestIdAt = offsetof(api_body_head_t, request_id);
constexpr unsigned kRequestSeqAt = offsetof(api_body_head_t, request_seq);
static_assert(offsetof(api_body_head_t, request_id) == 8, "api_body_head_t layout");
static_assert(offsetof(api_body_head_t, request_seq) == 16, "api_body_head_t layout");
static_assert(offsetof(api_body_head_t, login_account_index) == 24, "api_body_head_t layout");
static_assert(offsetof(api_body_head_t, login_account_type) == 32, "api_body_head_t layout");
static_assert(offsetof(api_body_head_t, trade_account_index) == 33, "api_body_head_t layout");
static_assert(offsetof(api_body_head_t, auth_id) == 41, "api_body_head_t layout");
static_assert(offsetof(api_body_head_t, trade_token) == 49, "api_body_head_t layout");

}}  // namespace nq::api
