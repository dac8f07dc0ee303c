#include "api/handlers/ApiServiceFuncAuth.h"

#include "framework/CallbackGuard.h"

#include "api/business/KApiBusiness.h"
#include "api/provider/ApiSessionGuard.h"
#include "api/provider/KApi.h"
#include "log/Log.h"

namespace nq { namespace api {

TRV_REGISTER_SERVICE_FUNC(AUTH_RSP);

void ApiServiceFunc<AUTH_RSP>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    if (session == nullptr || api == nullptr || business_ == nullptr || business_->auth_mgr_ == nullptr ||
        !check_body(message, sizeof(nq::MessageBody<AUTH_RSP>)))
        return;
    const auto* body = reinterpret_cast<const nq::MessageBody<AUTH_RSP>*>(message->body_);
    const uint64_t session_id = session->session_id();
    const uint64_t trade_token = body->head.trade_token;
    const uint64_t auth_id = body->auth_id;
    const uint64_t trade_account_index = body->trade_account_index;
    LOG_TRACE(
        "auth response: { session_id = %lu, request_id = %lu, auth_id = %lu, trade_account_index = %lu, "
        "auth_token = %lu }",
        session_id, (uint64_t)body->head.request_id, auth_id, trade_account_index, trade_token);
    if (session->login_done.load() == 0 && session->login_account_type.load() == 0 &&
        trade_token == session->trade_token.load())
        session->auth_id.store(auth_id);

    uint64_t token_request_no = 0;
    const bool found = business_->auth_mgr_->with_auth(trade_token, [&](KApiAuth* a) {
        if (a->session_id.load() != session_id) return;
        a->auth_id.store(auth_id);
        a->trade_account_index.store(trade_account_index);
        token_request_no = a->token_request_no.load();
    });
    if (!found || token_request_no == 0) {
        LOG_WARN("acquire auth failed: { trade_token: %lu }", trade_token);
        return;
    }
    api->request_token(session_id, token_request_no, trade_token);
}

void ApiServiceFunc<AUTH_RSP>::fail(KApiSession* session, uint64_t trade_token, uint64_t request_id,
                                    const nq::trv_error_info_t* error) {
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    if (api == nullptr) return;
    const uint64_t session_id = session->session_id();
    const bool login_done = session->login_done.load() != 0;
    const bool normal = session->login_account_type.load() == 0;
    // A normal login that is done already holds its own authorisation and
    // token: a late error or timeout of its authorisation request must leave
    // them alone.
    if (login_done && normal) return;
    if (trade_token != 0 && business_ != nullptr && business_->auth_mgr_ != nullptr) {
        uint64_t expected = trade_token;
        session->trade_token.compare_exchange_strong(expected, 0);
        business_->auth_mgr_->close_auth(trade_token);
    }
    if (!login_done && normal) {
        api->on_login(session_id, error);
    } else if (login_done && !normal) {
        if (CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi})
            spi->on_auth_trade(session_id, request_id, 0, error);
    }
}

void ApiServiceFunc<AUTH_RSP>::error_func(KApiSession* session, nq::Message* message, request_info_t* info) {
    nq::trv_error_info_t error;
    if (session == nullptr || info == nullptr || !error_of(message, &error)) return;
    // The record named in the echoed head, when it is this request's own.
    uint64_t trade_token = load_le<uint64_t>(message->body_, 49);
    if (business_ == nullptr || business_->auth_mgr_ == nullptr) return;
    KApiAuth* a = business_->auth_mgr_->get_auth(trade_token);
    if (a == nullptr || a->session_id.load() != session->session_id() || a->request_seq.load() != info->request_seq)
        trade_token = business_->auth_mgr_->find_by_request(session->session_id(), info->request_seq);
    fail(session, trade_token, info->request_id, &error);
}

void ApiServiceFunc<AUTH_RSP>::timeout_func(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error) {
    if (session == nullptr || info == nullptr || business_ == nullptr || business_->auth_mgr_ == nullptr) return;
    const uint64_t trade_token = business_->auth_mgr_->find_by_request(session->session_id(), info->request_seq);
    // The login's own authorisation ends with the login's own timeout.
    if (session->login_done.load() == 0 && session->login_account_type.load() == 0) {
        if (trade_token != 0) business_->auth_mgr_->close_auth(trade_token);
        return;
    }
    fail(session, trade_token, info->request_id, error);
}

}}  // namespace nq::api
