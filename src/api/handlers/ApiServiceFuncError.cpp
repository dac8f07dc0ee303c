#include "api/handlers/ApiServiceFuncError.h"

#include "api/messages/ApiBodyHead.h"
#include "api/messages/ApiErrorBody.h"
#include "api/provider/ApiSessionGuard.h"
#include "api/requests/KApiRequestManager.h"
#include "log/Log.h"

namespace nq { namespace api {

TRV_REGISTER_SERVICE_FUNC(API_ERR_RSP);

void ApiServiceFunc<API_ERR_RSP>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    KApiRequestManager* ring = request_manager();
    nq::trv_error_info_t error;
    if (session == nullptr || ring == nullptr || !error_of(message, &error)) return;
    const unsigned char* body = message->body_;
    const uint32_t named = load_le<uint32_t>(body, offsetof(api_error_body_t, service_code));
    const uint64_t seq = load_le<uint64_t>(body, kRequestSeqAt);
    LOG_TRACE("api error response: { service_code = %lu, error_code_type = %lu, error_code = %lu, error_msg = %s }",
              (unsigned long)named, (uint64_t)error.error_code_type, (uint64_t)error.error_code, error.error_msg);

    const request_info_t pending = ring->peek(seq);
    if (pending.timed_out || pending.finished || pending.session_id != session->session_id()) {
        LOG_WARN(
            "api error response dropped, no request of the session waits for it: { session_id = %lu, "
            "request_seq = %lu }",
            session->session_id(), seq);
        return;
    }
    request_info_t info = ring->on_error(seq);
    if (info.timed_out == 0 && info.desire_response <= kMaxServiceCode) {
        if (named != info.desire_response)
            LOG_WARN(
                "api error response names another code than its request awaits: { service_code = %lu, "
                "desire_response = %lu }",
                (unsigned long)named, (unsigned long)info.desire_response);
        if (auto* handler = dynamic_cast<KApiServiceFuncBase*>(nq::ServiceFunc::service_func_[info.desire_response]))
            handler->error_func(session, message, &info);
    }
    KApiRequestManager::release(info);
}

}}  // namespace nq::api
