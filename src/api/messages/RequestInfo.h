// Tracking record of one outstanding request. It lives inside the request's
// timer and is copied by value to every caller.
#pragma once
#include <cstdint>

namespace nq { namespace api {

class QueryRequest;

struct request_info_t {
    uint64_t session_id;       // session the request was sent on (body bytes 0-7)
    uint64_t request_id;       // the caller's id (body bytes 8-15)
    uint64_t request_seq;      // ring sequence (body bytes 16-23)
    uint32_t desire_response;  // code of the awaited answer
    uint8_t finished;          // an answer or error reply completed it
    uint8_t timed_out;         // timer fired; in a lookup result also "unknown or stale"
    QueryRequest* request;     // the ring's copy of a paged query, else null
};

static_assert(sizeof(request_info_t) == 40, "request_info_t is 40 bytes");

}}  // namespace nq::api
