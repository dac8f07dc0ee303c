#include "api/handlers/KApiServiceFuncBase.h"

#include <cstring>

#include "api/messages/ApiErrorBody.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/MutexGuard.h"
#include "log/Log.h"

namespace nq { namespace api {

void KApiServiceFuncBase::error_func(KApiSession*, nq::Message*, request_info_t*) {}

void KApiServiceFuncBase::timeout_func(KApiSession*, request_info_t*, nq::trv_error_info_t*) {}

void KApiServiceFuncBase::query_call_back(KApiSession*, uint64_t, const KApiDataList*, const request_info_t*) {}

uint32_t KApiServiceFuncBase::body_size(const nq::Message* message) {
    if (message == nullptr || message->header_ == nullptr || message->body_ == nullptr) return 0;
    const uint32_t length = frame_length(message->header_);
    return length > kFrameHeaderSize ? length - kFrameHeaderSize : 0;
}

bool KApiServiceFuncBase::check_body(const nq::Message* message, uint64_t need) {
    const uint32_t size = body_size(message);
    if (size >= need) return true;
    const void* header = message != nullptr ? message->header_ : nullptr;
    LOG_WARN(
        "message dropped, body too short: { service_code = %u, session_id = %lu, body_size = %u, "
        "expected = %lu }",
        header != nullptr ? frame_service_code(header) : 0u, header != nullptr ? frame_session_id(header) : 0ul, size,
        need);
    return false;
}

void KApiServiceFuncBase::copy_error(const unsigned char* record, nq::trv_error_info_t* out) {
    std::memcpy(out, record, sizeof *out);
    out->error_msg[sizeof out->error_msg - 1] = '\0';
}

bool KApiServiceFuncBase::error_of(const nq::Message* message, nq::trv_error_info_t* out) {
    std::memset(out, 0, sizeof *out);
    if (!check_body(message, sizeof(api_error_body_t))) return false;
    copy_error(message->body_ + offsetof(api_error_body_t, error), out);
    return true;
}

ApiSession<2ul>* KApiServiceFuncBase::acquire_session(const nq::Message* message) const {
    if (framework_ == nullptr || framework_->api_message_io_ == nullptr || message == nullptr ||
        message->header_ == nullptr)
        return nullptr;
    return framework_->api_message_io_->acquire_api_session(frame_session_id(message->header_));
}

KApiRequestManager* KApiServiceFuncBase::request_manager() const {
    return framework_ != nullptr ? framework_->request_manager_ : nullptr;
}

bool KApiServiceFuncBase::request_open(KApiRequestManager* ring, uint64_t seq, uint64_t session_id) {
    MutexGuard lock(&ring->mutex);
    if (ring->is_timeout_or_finished_no_lock(seq)) return false;
    const request_info_t* entry = ring->slots[seq & ring->mask];
    if (entry->session_id == session_id) return true;
    LOG_WARN("answer dropped, its request was sent on another session: { session_id = %lu, request_seq = %lu }",
             session_id, seq);
    return false;
}

}}  // namespace nq::api
