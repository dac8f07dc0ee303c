// Handler family of the paged query answers: the request ring records the
// page and asks for the next, then the rows reach query_call_back as a data
// list that points into the message.
#pragma once
#include <cstdint>

#include "api/handlers/KApiDataList.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ApiBodyHead.h"
#include "api/messages/ApiQueryResponseHead.h"
#include "api/provider/ApiSessionGuard.h"
#include "api/provider/KApiFramework.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/Message.h"
#include "log/Log.h"

namespace nq { namespace api {

// Size of one row of the answer code N: the counter's rows must be at least
// this long. Each paged answer code specialises it next to its handler.
template <uint32_t N>
struct QueryRowSize;

template <uint32_t N>
class KApiQueryRspServiceFunc : public KApiServiceFuncBase {
public:
    static constexpr uint32_t kHeadSize = sizeof(nq::api_query_response_head_t);  // rows start here

    KApiQueryRspServiceFunc() : KApiServiceFuncBase(N) {}

    void service_func(nq::Message* message) override {
        ApiSessionGuard<2ul> guard(acquire_session(message));
        ApiSession<2ul>* session = guard.get();
        KApiRequestManager* ring = request_manager();
        if (session == nullptr || ring == nullptr || !check_body(message, kHeadSize)) return;
        const unsigned char* body = message->body_;
        KApiDataList list;
        if (!page_rows(message, QueryRowSize<N>::kSize, &list)) return;
        // A page of a query already ended (last page, error reply, timeout)
        // is not delivered again.
        const uint64_t seq = load_le<uint64_t>(body, kRequestSeqAt);
        if (!request_open(ring, seq, session->session_id())) return;
        const auto* head = reinterpret_cast<const nq::api_query_response_head_t*>(body);
        request_info_t info = ring->on_query_response(seq, framework_, head);
        if (info.timed_out == 0) query_call_back(session, load_le<uint64_t>(body, kRequestIdAt), &list, &info);
        KApiRequestManager::release(info);
    }

    // The rows of a page whose body holds at least its head: false (logged
    // at WARN) unless the rows lie inside the body and each is at least
    // row_size bytes.
    static bool page_rows(const nq::Message* message, uint64_t row_size, KApiDataList* list) {
        const unsigned char* body = message->body_;
        const uint64_t count = load_le<uint32_t>(body, 71);
        const uint64_t item_size = load_le<uint32_t>(body, 79);
        const uint64_t size = body_size(message);
        if (!items_fit(count, item_size, row_size, kHeadSize, size)) {
            LOG_WARN(
                "query page dropped, rows do not fit: { service_code = %u, session_id = %lu, body_size = %lu, "
                "result_count = %lu, size_per_item = %lu, row_size = %lu }",
                frame_service_code(message->header_), frame_session_id(message->header_), size, count, item_size,
                row_size);
            return false;
        }
        list->data = body + kHeadSize;
        list->count = count;
        list->item_size = item_size;
        return true;
    }
};

}}  // namespace nq::api
