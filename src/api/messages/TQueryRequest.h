// A paged query of code REQ (also its table code) answered by RSP. Adds no
// data to QueryRequest, so the ring's copy of it is a complete query.
#pragma once
#include <cstdint>

#include "api/messages/ApiBodyHead.h"
#include "api/messages/QueryRequest.h"
#include "api/messages/ServiceCode.h"
#include "framework/Message.h"

namespace nq { namespace api {

template <uint32_t REQ, uint32_t RSP>
class TQueryRequest : public QueryRequest {
public:
    static constexpr uint32_t kBodyLength = body_length(REQ);
    static constexpr uint32_t kFrameLength = kFrameHeaderSize + kBodyLength;
    static_assert(kBodyLength >= 71 && kBodyLength <= kBodyCapacity, "common head and paging block fit the body store");
    static_assert(REQ <= kMaxServiceCode && RSP <= kMaxServiceCode, "14-bit service codes");

    TQueryRequest() : QueryRequest(REQ) { init(); }
    TQueryRequest(uint32_t req_count, const nq::trv_page_query_reference_t* reference)
        : QueryRequest(REQ, req_count, reference) {
        init();
    }

    api_body_head_t* head() { return reinterpret_cast<api_body_head_t*>(body_); }
    unsigned char* body() { return body_; }

private:
    void init() {
        desire_response = RSP;
        set_frame_code_length(header_, REQ, kFrameLength);
    }
};

}}  // namespace nq::api
