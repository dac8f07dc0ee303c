#include "api/messages/QueryRequest.h"

#include <cstring>

namespace nq { namespace api {

uint32_t query_request_status_t::remaining_count() const {
    uint32_t tables = reference.sub_table_num < 16 ? reference.sub_table_num : 16;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < tables; ++i) {
        uint32_t end = reference.sub_table_end_points[i];
        uint32_t position = reference.positions[i];
        if (end > position) sum += end - position;
    }
    return sum > 0xffffffffull ? 0xffffffffu : static_cast<uint32_t>(sum);
}

QueryRequest::QueryRequest(uint64_t table_code) : QueryRequest(table_code, 0, nullptr) {}

QueryRequest::QueryRequest(uint64_t table_code, uint32_t req_count, const nq::trv_page_query_reference_t* reference)
    : Request(0) {
    std::memset(&status, 0, sizeof(status));
    std::memset(storage_, 0, sizeof(storage_));
    status.table_code = table_code;
    status.req_count = req_count;
    if (reference != nullptr) std::memcpy(&status.reference, reference, sizeof(status.reference));
    point_at_storage();
}

QueryRequest::QueryRequest(const QueryRequest& other) : Request(other.desire_response) {
    point_at_storage();
    reset(other);
}

QueryRequest& QueryRequest::operator=(const QueryRequest& other) {
    reset(other);
    return *this;
}

void QueryRequest::reset(const QueryRequest& other) {
    if (this == &other) return;
    desire_response = other.desire_response;
    std::memcpy(&status, &other.status, sizeof(status));
    std::memcpy(storage_, other.storage_, sizeof(storage_));
}

void QueryRequest::point_at_storage() {
    header_ = reinterpret_cast<MessageHeader*>(storage_);
    body_ = storage_ + kHeaderSize;
    frame_ = storage_;
}

}}  // namespace nq::api
