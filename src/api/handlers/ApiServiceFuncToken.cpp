#include "api/handlers/ApiServiceFuncToken.h"

#include "framework/CallbackGuard.h"

#include <arpa/inet.h>

#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/order/KApiUdpSender.h"
#include "api/provider/KApi.h"
#include "api/requests/KApiRequestManager.h"
#include "api/security/ApiTradeToken.h"
#include "framework/AllocMem.h"
#include "log/Log.h"

namespace nq { namespace api {

TRV_REGISTER_SERVICE_FUNC(TRADE_TOKEN_RSP);

void ApiServiceFunc<TRADE_TOKEN_RSP>::request_call_back(KApiSession* session, nq::MessageBody<TRADE_TOKEN_RSP>* body) {
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    if (session == nullptr || body == nullptr || api == nullptr || business_ == nullptr ||
        business_->token_mgr_ == nullptr || business_->auth_mgr_ == nullptr)
        return;
    const uint64_t session_id = session->session_id();
    const uint64_t trade_token = body->head.trade_token;
    const uint64_t token_id = body->token_id;
    sockaddr_in fon;
    std::memcpy(&fon, body->fon_address, sizeof fon);
    char fon_ip[INET_ADDRSTRLEN] = {0};
    inet_ntop(AF_INET, &fon.sin_addr, fon_ip, sizeof fon_ip);
    const uint8_t account_type = session->login_account_type.load();
    LOG_TRACE(
        "token response: { session_id = %lu, auth_token = %lu, trade_account_index = %lu, token_id = %lu, "
        "fon_address = %s:%d, login_account_type = %d, login_account_index = %lu }",
        session_id, trade_token, (uint64_t)body->trade_account_index, token_id, fon_ip, (int)ntohs(fon.sin_port),
        (int)account_type, session->login_account_index.load());

    // An id that cannot number orders (0, or too wide for the order id) is a
    // refused token, not a token: nothing is made and the request is retried
    // as after an error reply.
    if (token_id == 0 || token_id > kMaxTokenId) {
        LOG_ERROR("invalid token id: { session_id = %lu, auth_token = %lu, token_id = %lu }", session_id, trade_token,
                  token_id);
        retry(session, trade_token);
        return;
    }

    ApiTradeToken* token = make_object<ApiTradeToken>(
        session_id, trade_token, session->login_account_index.load(), (uint64_t)body->trade_account_index, token_id,
        (uint64_t)body->reserved, fon, body->fon_mac, KApiUdpSender::local_mac_addr_);
    if (token == nullptr) {
        LOG_ERROR("alloc token failed: { session_id = %lu, token_id = %lu }", session_id, token_id);
        return;
    }
    business_->token_mgr_->add_trade_token(token);

    uint64_t request_seq = 0, request_id = 0;
    bool first_report = false;
    const bool attached = business_->auth_mgr_->with_auth(trade_token, [&](KApiAuth* a) {
        if (a->session_id.load() != session_id) return;
        a->set_token(token);
        request_seq = a->request_seq.load();
        request_id = a->request_id.load();
        first_report = true;
    });
    if (!attached || !first_report) return;
    api->heart_beat_trade(token);

    if (account_type != 0) {
        request_info_t done = request_manager()->on_request_response(request_seq);
        const bool timed_out = done.timed_out != 0;
        KApiRequestManager::release(done);
        if (timed_out) return;
        bool report = false;
        business_->auth_mgr_->with_auth(trade_token, [&](KApiAuth* a) { report = a->reported.exchange(1) == 0; });
        if (!report) return;
        if (CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi})
            spi->on_auth_trade(session_id, request_id, trade_token, nullptr);
        return;
    }
    if (trade_token != session->trade_token.load()) return;
    session->token.store(token);
    if (session->login_done.load() != 0) return;
    // The login's own authorisation request stays open until its token is
    // here: it ends now, so that its timeout finds nothing to act on.
    request_info_t auth_done = request_manager()->on_request_response(request_seq);
    KApiRequestManager::release(auth_done);
    api->on_login_end(session_id);
}

void ApiServiceFunc<TRADE_TOKEN_RSP>::retry(KApiSession* session, uint64_t trade_token) {
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    KApiAuth* a =
        business_ != nullptr && business_->auth_mgr_ != nullptr ? business_->auth_mgr_->get_auth(trade_token) : nullptr;
    if (api == nullptr || a == nullptr || a->session_id.load() != session->session_id()) return;
    if (session->login_done.load() == 0 || session->login_account_type.load() != 0)
        api->delay_request_token(session->session_id(), a->token_request_no.load(), trade_token);
}

void ApiServiceFunc<TRADE_TOKEN_RSP>::error_func(KApiSession* session, nq::Message* message, request_info_t* info) {
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    nq::trv_error_info_t error;
    if (session == nullptr || info == nullptr || api == nullptr || !error_of(message, &error)) return;
    LOG_TRACE(
        "token error response: { session_id = %lu, request_seq = %lu, error_code_type = %lu, error_code = %lu, "
        "error_msg = %s }",
        session->session_id(), info->request_seq, (uint64_t)error.error_code_type, (uint64_t)error.error_code,
        error.error_msg);
    retry(session, load_le<uint64_t>(message->body_, 49));
}

}}  // namespace nq::api
