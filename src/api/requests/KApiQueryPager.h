// Paging steps of a query: learn the sub-table end points (1041/1042), then
// ask for one page at a time, sub-table after sub-table. Runs under the
// request ring's lock on the ring's own copy of the query.
#pragma once
#include <cstdint>

namespace nq {

struct api_data_table_info_t;
struct api_query_response_head_t;

namespace api {

class Framework;
class QueryRequest;

class KApiQueryPager {
public:
    static constexpr uint32_t kDataTableInfoLength = 64 + 65;
    static constexpr unsigned kMaxSubTables = 16;
    // Paging block offsets in the query body.
    static constexpr unsigned kTableIndexOffset = 57;
    static constexpr unsigned kRequestCountOffset = 59;
    static constexpr unsigned kRequestReferenceOffset = 63;
    static constexpr unsigned kEndPointOffset = 67;

    // Start: pages directly when the given reference still holds req_count
    // rows, else asks for the data-table information first.
    static void query(QueryRequest* query, Framework* framework);
    static void request_data_table_info(QueryRequest* query, Framework* framework);
    // Posts the next page request, or marks the query finished.
    static void request_query(QueryRequest* query, Framework* framework);
    static void on_data_table_info(QueryRequest* query, Framework* framework, const nq::api_data_table_info_t* info);
    static void on_response(QueryRequest* query, Framework* framework, const nq::api_query_response_head_t* head);
};

}  // namespace api
}  // namespace nq
