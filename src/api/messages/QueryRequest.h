// A paged query: a request that owns its message storage (64-byte header and
// 192-byte body) and the paging state that walks the counter's sub-tables.
#pragma once
#include <cstdint>

#include "api/messages/Request.h"
#include "trv_api.h"

namespace nq { namespace api {

struct query_request_status_t {
    uint64_t table_code;  // service code of the query itself (log lines only)
    uint32_t req_count;   // most rows wanted; 0 means all
    uint32_t rsp_count;   // rows received so far
    uint8_t is_finished;  // no further page will be requested
    nq::trv_page_query_reference_t reference;

    // Rows still available in the reference: the sum over the first
    // sub_table_num (at most 16) sub-tables of end point - position where the
    // end point is above the position; 0xffffffff when the sum does not fit.
    uint32_t remaining_count() const;
};

class QueryRequest : public Request {
public:
    static constexpr uint32_t kHeaderSize = 64;
    static constexpr uint32_t kBodyCapacity = 192;

    explicit QueryRequest(uint64_t table_code);
    // The reference, when given, is copied whole (positions included).
    QueryRequest(uint64_t table_code, uint32_t req_count, const nq::trv_page_query_reference_t* reference);
    QueryRequest(const QueryRequest& other);
    QueryRequest& operator=(const QueryRequest& other);
    ~QueryRequest() override {}

    // Copies status and message storage; pointers stay on this object's storage.
    void reset(const QueryRequest& other);

    // The paging steps are KApiQueryPager's.

    query_request_status_t status;

    unsigned char* storage() { return storage_; }
    const unsigned char* storage() const { return storage_; }

private:
    void point_at_storage();

    unsigned char storage_[kHeaderSize + kBodyCapacity];
};

}}  // namespace nq::api
