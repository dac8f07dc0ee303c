// KApi: fund transfers of a trading user and the privileged back-office
// requests. Each runs on the caller's thread, holds its session by reference
// and goes through the request ring, which arms its timeout.
#include <cinttypes>
#include <cstring>

#include "api/business/KApiAuth.h"
#include "api/business/KApiAuthManager.h"
#include "api/business/KApiBusiness.h"
#include "api/messages/ServiceCode.h"
#include "api/messages/TRequest.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiSession.h"
#include "api/provider/KApiSessionRef.h"
#include "api/provider/SessionRequestHead.h"
#include "api/requests/KApiRequestManager.h"
#include "api/security/ApiTradeToken.h"
#include "framework/LastApiError.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

// The business sequence takes 4 base-32 digits: 2^20 numbers per token.
constexpr uint64_t kBizSequenceLimit = uint64_t(1) << 20;

// "%08u" of the trading day, the token's 6-character code and 4 base-32
// digits of n (bits 15-19 first); 18 characters and two zero bytes.
void make_biz_no(char* out, uint32_t trading_day, const ApiTradeToken* token, uint64_t n) {
    char text[32];
    std::snprintf(text, sizeof text, "%08u%.6s", trading_day, token->code);
    size_t len = std::strlen(text);
    for (int shift = 15; shift >= 0; shift -= 5) text[len++] = ApiTradeToken::kAlphabet[(n >> shift) & 31];
    text[len] = '\0';
    std::memset(out, 0, 20);
    std::memcpy(out, text, len < 19 ? len : 19);
}

struct UserTransferTexts {
    const char* no_session;
    const char* no_auth;
    const char* not_trade_account;
    const char* no_token;
    const char* exhausted;
    const char* invalid_token;
    const char* too_fast;
    const char* null_record;
};

const UserTransferTexts kCounterTexts = {
    "submit fund transfer request error, get session failed: { session_id = %lu }",
    "submit fund transfer request error, get auth failed: { session_id = %lu, trade_token: %lu }",
    "submit fund transfer request error, not trade account, can't send order: { session_id = %lu, trade_token = %lu }",
    "submit fund transfer request error, no trade token: { session_id = %lu, trade_token: %lu }",
    "submit fund transfer request error, business sequence exhausted: { session_id = %lu, trade_token = %lu }",
    "submit fund transfer request error, invalid trade_token: { session_id = %lu, trade_token: %lu }",
    "submit fund transfer request error, request too fast: { session_id = %lu }",
    "submit fund transfer request error, request is null: { session_id = %lu }",
};

const UserTransferTexts kClusterTexts = {
    "submit cluster fund transfer request error, get session failed: { session_id = %lu }",
    "submit fund transfer request error, get auth failed: { session_id = %lu, trade_token = %lu }",
    "submit fund transfer request error: not trade account, can't send order! { session_id = %lu, trade_token = %lu }",
    "submit fund transfer request error, no trade token, try later: { session_id = %lu, trade_token = %lu }",
    "submit cluster fund transfer request error, business sequence exhausted: { session_id = %lu, trade_token = %lu }",
    "submit fund transfer request error, invalid trade_token: { session_id = %lu, trade_token = %lu }",
    "submit cluster fund transfer request error, request too fast: { session_id = %lu }",
    "submit cluster fund transfer request error, request is null: { session_id = %lu }",
};

}  // namespace

template <uint32_t REQ, class Record>
static bool user_fund_transfer(KApi* api, uint64_t session_id, uint64_t request_id, const Record* record, char* biz_no,
                               uint64_t trade_token, const UserTransferTexts& texts, uint64_t* sent_account_index,
                               char* sent_biz_no) {
    KApiSessionRef held(api->framework_, session_id);
    KApiSession* session = held.get();
    if (session == nullptr) {
        set_last_error(kErrorNoSession, 0, texts.no_session, session_id);
        return false;
    }
    if (record == nullptr) {
        set_last_error(kErrorInvalidInput, 0, texts.null_record, session_id);
        return false;
    }
    TRequest<REQ, paired_response_code(REQ)> req;
    Record* body = reinterpret_cast<Record*>(req.body() + sizeof(api_body_head_t));
    std::memcpy(body, record, sizeof(Record));

    KApiAuthManager* auths = api->business_->auth_mgr_;
    ApiTradeToken* token = nullptr;
    if (trade_token != 0) {
        const KApiAuth* auth = auths->get_auth(trade_token);
        if (auth == nullptr) {
            set_last_error(kErrorInvalidInput, 0, texts.no_auth, session_id, trade_token);
            return false;
        }
        token = auth->current_token();
    } else {
        if (session->login_account_type != 0) {
            set_last_error(kErrorInvalidInput, 0, texts.not_trade_account, session_id, uint64_t(0));
            return false;
        }
        token = session->token.load(std::memory_order_acquire);
    }
    if (token == nullptr) {
        set_last_error(kErrorInvalidInput, 0, texts.no_token, session_id, trade_token);
        return false;
    }
    const uint64_t n = token->business_sequence_.fetch_add(1);
    if (n >= kBizSequenceLimit) {
        // Past 2^20 the number would repeat an earlier one.
        set_last_error(kErrorInvalidInput, 0, texts.exhausted, session_id, trade_token);
        return false;
    }
    make_biz_no(body->biz_no, api->business_->trading_day(), token, n);
    if (biz_no != nullptr) std::memcpy(biz_no, body->biz_no, 20);

    const uint64_t auth_token = trade_token != 0 ? trade_token : session->trade_token.load();
    const KApiAuth* auth = auths->get_auth(auth_token);
    if (auth == nullptr || auth->session_id != session->session_id()) {
        set_last_error(kErrorRefused, 0, texts.invalid_token, session_id, trade_token);
        return false;
    }
    api_body_head_t* head = req.head();
    head->session_id = session->session_id();
    head->request_id = request_id;
    head->login_account_index = session->login_account_index;
    head->login_account_type = session->login_account_type;
    head->trade_account_index = auth->trade_account_index;
    head->auth_id = auth->auth_id;
    head->trade_token = auth_token;
    if (!api->framework_->request_manager_->send_request(session->session_id(), &req)) {
        set_last_error(kErrorRefused, 0, texts.too_fast, session_id);
        return false;
    }
    *sent_account_index = body->account_index;
    std::memcpy(sent_biz_no, body->biz_no, 20);
    return true;
}

bool KApi::user_submit_counter_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                                     const nq::trv_counter_fund_transfer_request_t* request,
                                                     char* biz_no, uint64_t trade_token) {
    uint64_t account_index = 0;
    char sent[20];
    if (!user_fund_transfer<COUNTER_FUND_TRANSFER_REQ>(this, session_id, request_id, request, biz_no, trade_token,
                                                       kCounterTexts, &account_index, sent))
        return false;
    LOG_TRACE(
        "submit fund transfer request: { session_id = %lu, source = %d, biz_no = %s, account_index = %lu, "
        "side = %d, amount = %ld }",
        session_id, int(request->source), sent, account_index, int(request->side), long(request->amount));
    return true;
}

bool KApi::user_submit_cluster_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                                     const nq::trv_cluster_fund_transfer_request_t* request,
                                                     char* biz_no, uint64_t trade_token) {
    uint64_t account_index = 0;
    char sent[20];
    if (!user_fund_transfer<CLUSTER_FUND_TRANSFER_REQ>(this, session_id, request_id, request, biz_no, trade_token,
                                                       kClusterTexts, &account_index, sent))
        return false;
    LOG_TRACE(
        "submit cluster fund transfer request: { session_id = %lu, source = %d, biz_no = %s, "
        "account_index = %lu, amount = %ld }",
        session_id, int(request->source), sent, account_index, long(request->amount));
    return true;
}

// One privileged request: session, head, the caller's bytes, the ring.
// no_session and too_fast take (session_id, request_id) when with_request_id.
template <uint32_t REQ>
static bool privileged_request(KApi* api, uint64_t session_id, uint64_t request_id, const void* payload,
                               size_t payload_size, uint64_t account_index, const char* no_session,
                               const char* too_fast, bool with_request_id) {
    KApiSessionRef held(api->framework_, session_id);
    KApiSession* session = held.get();
    if (session == nullptr) {
        if (with_request_id)
            set_last_error(kErrorNoSession, 0, no_session, session_id, request_id);
        else
            set_last_error(kErrorNoSession, 0, no_session, session_id);
        return false;
    }
    TRequest<REQ, paired_response_code(REQ)> req;
    static_assert(decltype(req)::kBodyLength >= sizeof(api_body_head_t), "head fits");
    // The account named by the request, else that of the session's own record.
    fill_session_head(req.head(), api->business_, session, session->session_id(), request_id, account_index);
    if (payload_size != 0) std::memcpy(req.body() + sizeof(api_body_head_t), payload, payload_size);
    if (!api->framework_->request_manager_->send_request(session->session_id(), &req)) {
        if (with_request_id)
            set_last_error(kErrorRefused, 0, too_fast, session_id, request_id);
        else
            set_last_error(kErrorRefused, 0, too_fast, session_id);
        return false;
    }
    return true;
}

// A privileged submission without its record: nothing to send.
static bool refuse_null(const char* operation, uint64_t session_id) {
    set_last_error(kErrorInvalidInput, 0, "%s error, request is null: { session_id = %lu }", operation, session_id);
    return false;
}

bool KApi::dump_final_file(uint64_t session_id, uint64_t request_id) {
    if (!privileged_request<DUMP_FINAL_FILE_REQ>(
            this, session_id, request_id, nullptr, 0, 0,
            "dump final file error, get session failed: { session_id = %lu, request_id = %lu }",
            "dump final file error, request too fast: { session_id = %lu, request_id = %lu }", true))
        return false;
    LOG_TRACE("dump final file request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::unbind_user_tgw(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    if (!privileged_request<UNBIND_USER_TGW_REQ>(
            this, session_id, request_id, &account_index, sizeof account_index, account_index,
            "unbind user tgw request error, get session failed: { session_id = %lu, request_id = %lu }",
            "unbind user tgw request error, request too fast: { session_id = %lu, request_id = %lu }", true))
        return false;
    LOG_TRACE("unbind user tgw request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::pri_insert_fund_transfer_exec(uint64_t session_id, uint64_t request_id,
                                         const nq::trv_fund_transfer_exec_request_t* request) {
    if (request == nullptr) return refuse_null("insert fund transfer exec", session_id);
    if (!privileged_request<FUND_TRANSFER_EXEC_REQ>(
            this, session_id, request_id, request, sizeof *request, request->account_index,
            "insert fund transfer exec error, get session failed: { session_id = %lu }",
            "insert fund transfer exec error, request too fast: { session_id = %lu }", false))
        return false;
    LOG_TRACE("insert fund transfer exec: { session_id = %lu, account_index = %lu }", session_id,
              uint64_t(request->account_index));
    return true;
}

bool KApi::pri_submit_counter_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                                    const nq::trv_counter_fund_transfer_request_t* request) {
    if (request == nullptr) return refuse_null("submit fund transfer request", session_id);
    if (!privileged_request<PRIV_COUNTER_FUND_TRANSFER_REQUEST_REQ>(
            this, session_id, request_id, request, sizeof *request, request->account_index,
            "submit fund transfer request error, get session failed: { session_id = %lu }",
            "submit fund transfer request error, request too fast: { session_id = %lu }", false))
        return false;
    char biz_no[21];
    std::memcpy(biz_no, request->biz_no, 20);
    biz_no[20] = '\0';
    LOG_TRACE(
        "submit fund transfer request: { session_id = %lu, source = %d, biz_no = %s, account_index = %lu, "
        "side = %d, amount = %ld }",
        session_id, int(request->source), biz_no, uint64_t(request->account_index), int(request->side),
        long(request->amount));
    return true;
}

bool KApi::pri_submit_counter_fund_transfer_result(uint64_t session_id, uint64_t request_id,
                                                   const nq::trv_counter_fund_transfer_result_t* result) {
    if (result == nullptr) return refuse_null("submit fund transfer result", session_id);
    if (!privileged_request<PRIV_COUNTER_FUND_TRANSFER_RESULT_REQ>(
            this, session_id, request_id, result, sizeof *result, result->account_index,
            "submit fund transfer result error, get session failed: { session_id = %lu }",
            "submit fund transfer result error, request too fast: { session_id = %lu }", false))
        return false;
    LOG_TRACE("submit fund transfer result: { session_id = %lu }", session_id);
    return true;
}

bool KApi::pri_submit_cluster_fund_transfer_request(uint64_t session_id, uint64_t request_id,
                                                    const nq::trv_cluster_fund_transfer_request_t* request) {
    if (request == nullptr) return refuse_null("submit cluster fund transfer request", session_id);
    if (!privileged_request<PRIV_CLUSTER_FUND_TRANSFER_REQUEST_REQ>(
            this, session_id, request_id, request, sizeof *request, request->account_index,
            "submit cluster fund transfer request error, get session failed: { session_id = %lu }",
            "submit cluster fund transfer request error, request too fast: { session_id = %lu }", false))
        return false;
    char biz_no[21];
    std::memcpy(biz_no, request->biz_no, 20);
    biz_no[20] = '\0';
    LOG_TRACE(
        "submit cluster fund transfer request: { session_id = %lu, source = %d, biz_no = %s, "
        "account_index = %lu, amount = %ld }",
        session_id, int(request->source), biz_no, uint64_t(request->account_index), long(request->amount));
    return true;
}

bool KApi::pri_submit_cluster_fund_transfer_result(uint64_t session_id, uint64_t request_id,
                                                   const nq::trv_cluster_fund_transfer_result_t* result) {
    if (result == nullptr) return refuse_null("submit cluster fund transfer result", session_id);
    if (!privileged_request<PRIV_CLUSTER_FUND_TRANSFER_RESULT_REQ>(
            this, session_id, request_id, result, sizeof *result, result->account_index,
            "submit cluster fund transfer result error, get session failed: { session_id = %lu, request_id = %lu }",
            "submit cluster fund transfer result error, request too fast: { session_id = %lu, request_id = %lu }",
            true))
        return false;
    LOG_TRACE("submit cluster fund transfer result: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

}}  // namespace nq::api
