#include "api/handlers/ApiServiceFuncLogin.h"

#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/messages/ApiBodyHead.h"
#include "api/provider/ApiSessionGuard.h"
#include "api/provider/KApi.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/LastApiError.h"
#include "log/Log.h"

namespace nq { namespace api {

TRV_REGISTER_SERVICE_FUNC(LOGIN_RSP);

namespace {

constexpr unsigned kLoginAccountIndex = 57;
constexpr unsigned kTradingDay = 65;
constexpr unsigned kAccountType = 69;
constexpr unsigned kClusterGroupId = 74;

}  // namespace

void ApiServiceFunc<LOGIN_RSP>::continue_login(KApiSession* session) {
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    if (api == nullptr) return;
    const uint64_t session_id = session->session_id();
    if (session->login_account_type.load() != 0) {
        api->on_login_end(session_id);
        return;
    }
    const bool sent =
        api->auth(session_id, 0, session->account_name, session->password, session->pub_key, nullptr, false);
    session->forget_secrets();
    if (!sent) {
        // Nothing will answer an authorisation that did not go out: the login
        // ends now, with the reason.
        const nq::trv_error_info_t error = LastApiError::get_last_error();
        api->on_login(session_id, &error);
    }
}

void ApiServiceFunc<LOGIN_RSP>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    KApiRequestManager* ring = request_manager();
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    if (session == nullptr || ring == nullptr || api == nullptr || !check_body(message, kBodySize)) return;
    const unsigned char* body = message->body_;
    const uint64_t session_id = session->session_id();

    // The answer names its request by the echoed sequence: it must be this
    // session's login, still open. A repeated answer is ignored.
    const uint64_t seq = load_le<uint64_t>(body, kRequestSeqAt);
    const request_info_t entry = ring->peek(seq);
    if (entry.timed_out || entry.finished || entry.session_id != session_id || entry.desire_response != LOGIN_RSP ||
        seq != session->login_request_sequence.load(std::memory_order_acquire)) {
        LOG_WARN("login response dropped, no login waits for it: { session_id = %lu, request_seq = %lu }", session_id,
                 seq);
        return;
    }
    if (session->login_answered.exchange(1) != 0) {
        LOG_WARN("login response dropped, repeated: { session_id = %lu, request_seq = %lu }", session_id, seq);
        return;
    }

    const uint64_t login_account_index = load_le<uint64_t>(body, kLoginAccountIndex);
    const uint32_t trading_day = load_le<uint32_t>(body, kTradingDay);
    const uint8_t account_type = body[kAccountType];
    LOG_INFO(
        "login response: { session_id = %lu, login_account_index = %lu, account_type = %d, trading_day = %d, "
        "cluster_group_id = %lu }",
        session_id, login_account_index, (int)account_type, (int)trading_day, load_le<uint64_t>(body, kClusterGroupId));
    session->set_login_answer(account_type, login_account_index & 0xffffffffu);

    const uint8_t api_type = session->api_type.load();
    if (api_type == static_cast<uint8_t>(nq::ApiType::PRIVILEGE) && account_type != 1) {
        nq::trv_error_info_t error;
        std::memset(&error, 0, sizeof error);
        error.error_code_type = kErrorStartUp;
        std::strcpy(error.error_msg, "you do not have permission to use the privileged api");
        LOG_ERROR("you do not have permission to use the privileged api");
        api->on_login(session_id, &error);
        return;
    }
    if (business_ != nullptr) business_->set_trading_day(trading_day);
    if (api_type == static_cast<uint8_t>(nq::ApiType::QUOTE)) {
        api->on_login_end(session_id);
        return;
    }
    if (business_ != nullptr && !business_->security_table_loaded()) {
        if (!api->query_security_info(session_id, 0)) {
            const nq::trv_error_info_t error = LastApiError::get_last_error();
            api->on_login(session_id, &error);
        }
        return;
    }
    continue_login(session);
}

void ApiServiceFunc<LOGIN_RSP>::error_func(KApiSession* session, nq::Message* message, request_info_t*) {
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    nq::trv_error_info_t error;
    if (api == nullptr || session == nullptr || !error_of(message, &error)) return;
    api->on_login(session->session_id(), &error);
}

void ApiServiceFunc<LOGIN_RSP>::timeout_func(KApiSession* session, request_info_t*, nq::trv_error_info_t* error) {
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    if (api == nullptr || session == nullptr) return;
    api->on_login(session->session_id(), error);
}

}}  // namespace nq::api
