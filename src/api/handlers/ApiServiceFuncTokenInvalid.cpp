#include "api/handlers/ApiServiceFuncTokenInvalid.h"

#include "api/business/KApiBusiness.h"
#include "api/handlers/ApiSessionGuard.h"
#include "log/Log.h"

namespace nq { namespace api {

TRV_REGISTER_SERVICE_FUNC(TOKEN_INVALID_NOTICE);

void ApiServiceFunc<TOKEN_INVALID_NOTICE>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    if (session == nullptr || business_ == nullptr || business_->auth_mgr_ == nullptr || !check_body(message, 57))
        return;
    const uint64_t session_id = session->session_id();
    const uint64_t trade_token = load_le<uint64_t>(message->body_, 49);
    business_->auth_mgr_->with_auth(trade_token, [&](KApiAuth* a) {
        if (a->session_id.load() != session_id) return;
        a->token_request_no.fetch_add(1);
        a->set_token(nullptr);
    });
    LOG_TRACE("invalid trade token: { session_id = %lu, trade_token = %lu }", session_id, trade_token);
    if (session->login_account_type.load() == 0 && trade_token != 0 && trade_token == session->trade_token.load())
        session->token.store(nullptr);
}

}}  // namespace nq::api
