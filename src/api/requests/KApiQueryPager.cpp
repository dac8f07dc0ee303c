#include "api/requests/KApiQueryPager.h"

#include <cstring>

#include "api/messages/ApiBodyHead.h"
#include "api/messages/ApiDataTableInfo.h"
#include "api/messages/ApiQueryResponseHead.h"
#include "api/messages/QueryRequest.h"
#include "api/messages/ServiceCode.h"
#include "framework/Framework.h"
#include "framework/Message.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

uint32_t table_count(const query_request_status_t& s) {
    return s.reference.sub_table_num < KApiQueryPager::kMaxSubTables ? s.reference.sub_table_num
                                                                     : KApiQueryPager::kMaxSubTables;
}

void finish(QueryRequest* q) { q->status.is_finished = 1; }

}  // namespace

void KApiQueryPager::query(QueryRequest* q, Framework* framework) {
    const query_request_status_t& s = q->status;
    if (s.req_count != 0 && s.remaining_count() >= s.req_count)
        request_query(q, framework);
    else
        request_data_table_info(q, framework);
}

void KApiQueryPager::request_data_table_info(QueryRequest* q, Framework* framework) {
    alignas(8) unsigned char frame[kDataTableInfoLength];
    std::memset(frame, 0, sizeof frame);
    set_frame_code_length(frame, DATA_TABLE_INFO_REQ, kDataTableInfoLength);
    unsigned char* body = frame + kFrameHeaderSize;
    const unsigned char* qbody = q->body_;
    std::memcpy(body, qbody, 32);           // session id, request id, sequence, login account index
    std::memcpy(body + 33, qbody + 33, 8);  // trade account index
    const uint64_t table = frame_service_code(q->header_);
    store_le<uint64_t>(body, 57, table);

    const uint64_t session_id = load_le<uint64_t>(qbody, 0);
    LOG_TRACE("request data table info: { session_id = %lu, request_id = %lu, table_code = %lu }", session_id,
              load_le<uint64_t>(qbody, kRequestIdAt), q->status.table_code);
    Message m{reinterpret_cast<MessageHeader*>(frame), body, frame};
    framework->post_message(session_id, &m);
}

void KApiQueryPager::request_query(QueryRequest* q, Framework* framework) {
    query_request_status_t& s = q->status;
    unsigned char* body = q->body_;
    const uint64_t session_id = load_le<uint64_t>(body, 0);
    const uint64_t request_id = load_le<uint64_t>(body, kRequestIdAt);
    if (s.req_count != 0 && s.rsp_count >= s.req_count) {
        LOG_TRACE("query finished: { session_id = %lu, request_id = %lu, table_code = %lu, result_count = %u }",
                  session_id, request_id, s.table_code, s.rsp_count);
        finish(q);
        return;
    }
    const uint32_t tables = table_count(s);
    uint32_t i = 0;
    while (i < tables && s.reference.sub_table_end_points[i] <= s.reference.positions[i]) ++i;
    if (i >= tables) {
        finish(q);
        return;
    }
    const uint32_t count = s.req_count != 0 && s.req_count > s.rsp_count ? s.req_count - s.rsp_count : 0;
    store_le<uint16_t>(body, kTableIndexOffset, static_cast<uint16_t>(i));
    store_le<uint32_t>(body, kRequestCountOffset, count);
    store_le<uint32_t>(body, kRequestReferenceOffset, s.reference.positions[i]);
    store_le<uint32_t>(body, kEndPointOffset, s.reference.sub_table_end_points[i]);
    framework->post_message(session_id, q);
    LOG_TRACE(
        "query request: { session_id = %lu, service_code = %lu, request_id = %lu, table_index = %u, "
        "request_count = %u, request_reference = %u, account_index = %lu }",
        session_id, static_cast<uint64_t>(frame_service_code(q->header_)), request_id, i, count,
        s.reference.positions[i], load_le<uint64_t>(body, 33));
    s.is_finished = 0;
}

void KApiQueryPager::on_data_table_info(QueryRequest* q, Framework* framework, const nq::api_data_table_info_t* info) {
    query_request_status_t& s = q->status;
    s.reference.sub_table_num = info->sub_table_num;
    std::memcpy(s.reference.sub_table_end_points, info->sub_table_end_points, sizeof s.reference.sub_table_end_points);
    LOG_TRACE("on_data_table_info: { table_code = %lu, sub_table_num = %u }", s.table_code, info->sub_table_num);
    const uint32_t tables = table_count(s);
    for (uint32_t i = 0; i < tables; ++i)
        LOG_TRACE("  sub_table_end_points[%u]: %u", i, s.reference.sub_table_end_points[i]);
    request_query(q, framework);
}

void KApiQueryPager::on_response(QueryRequest* q, Framework* framework, const nq::api_query_response_head_t* head) {
    query_request_status_t& s = q->status;
    const uint16_t index = head->table_index;
    const uint32_t result_count = head->result_count;
    const uint32_t result_reference = head->result_reference;
    const uint64_t sum = uint64_t(s.rsp_count) + result_count;
    s.rsp_count = sum > 0xffffffffull ? 0xffffffffu : static_cast<uint32_t>(sum);
    LOG_TRACE(
        "on_query_response: { table_code = %lu, table_index = %u, request_count = %u, request_reference = %u, "
        "result_count = %u, result_reference = %u, size_per_item = %u, is_last = %u }",
        s.table_code, index, head->request_count, head->request_reference, result_count, result_reference,
        head->size_per_item, head->is_last);

    // A page that does not move its sub-table forward would have the same
    // page asked for again and again: end the sub-table that was asked for.
    const uint16_t asked = load_le<uint16_t>(q->body_, kTableIndexOffset);
    if (index < kMaxSubTables && index == asked && result_reference > s.reference.positions[index]) {
        s.reference.positions[index] = result_reference;
    } else {
        LOG_WARN(
            "query page does not advance, sub-table ended: { table_code = %lu, table_index = %u, asked = %u, "
            "result_reference = %u }",
            s.table_code, index, asked, result_reference);
        if (asked < kMaxSubTables) s.reference.positions[asked] = s.reference.sub_table_end_points[asked];
    }
    request_query(q, framework);
}

}}  // namespace nq::api
