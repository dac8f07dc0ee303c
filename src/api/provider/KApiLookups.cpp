// KApi: the look-ups of the start-of-day data of an authorisation
// (get_init_asset_info, get_init_position_list) and of the sender of an order
// id or business number (get_xid_sender, get_biz_sender).
#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiSessionRef.h"
#include "api/security/ApiTradeToken.h"
#include "api/security/OrderXid.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

// The record of trade_token, or of the session's own when it is 0, if it
// belongs to the session; null (logged at WARN unless both are 0) otherwise.
KApiAuth* session_record(KApiBusiness* business, KApiSession* session, uint64_t trade_token) {
    const uint64_t id = trade_token != 0 ? trade_token : session->trade_token.load();
    if (id == 0) return nullptr;
    KApiAuth* a = business != nullptr && business->auth_mgr_ != nullptr ? business->auth_mgr_->get_auth(id) : nullptr;
    if (a == nullptr || a->session_id.load() != session->session_id()) {
        LOG_WARN("invalid trade_token: { trade_token = %lu }", id);
        return nullptr;
    }
    return a;
}

}  // namespace

const nq::trv_init_asset_info_t* KApi::get_init_asset_info(uint64_t session_id, uint64_t trade_token) {
    KApiSessionRef session(framework_, session_id);
    if (!session) return nullptr;
    KApiAuth* a = session_record(business_, session.get(), trade_token);
    return a != nullptr ? &a->init_assets : nullptr;
}

const nq::TRVInitPositionList* KApi::get_init_position_list(uint64_t session_id, uint64_t trade_token) {
    KApiSessionRef session(framework_, session_id);
    if (!session) return nullptr;
    KApiAuth* a = session_record(business_, session.get(), trade_token);
    return a != nullptr ? &a->init_positions : nullptr;
}

void KApi::get_xid_sender(uint64_t xid, uint64_t& session_id, uint64_t& trade_token) {
    session_id = 0;
    trade_token = 0;
    if (business_ == nullptr || business_->token_mgr_ == nullptr) return;
    const ApiTradeToken* token = business_->token_mgr_->get_trade_token(xid_token_id(xid));
    if (token == nullptr) return;
    session_id = token->session_id;
    trade_token = token->trade_token;
}

namespace {

int base62_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 36;
    return -1;
}

int base32_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'V') return c - 'A' + 10;
    return -1;
}

}  // namespace

// A business number is 18 characters: 8 decimal digits of the trading day,
// the 6-character token code (base 62), 4 characters of the business
// sequence (base 32). Anything else names no sender; the text is read no
// further than its 18 characters or its terminator.
void KApi::get_biz_sender(char* biz_no, uint64_t& session_id, uint64_t& trade_token) {
    session_id = 0;
    trade_token = 0;
    if (biz_no == nullptr) return;
    constexpr size_t kLength = 18;
    if (strnlen(biz_no, kLength + 1) != kLength) return;
    for (size_t i = 0; i < 8; ++i)
        if (biz_no[i] < '0' || biz_no[i] > '9') return;
    uint64_t t = 0, c = 0;
    for (size_t i = 8; i < 14; ++i) {
        const int d = base62_digit(biz_no[i]);
        if (d < 0) return;
        t = t * 62 + static_cast<uint64_t>(d);
    }
    for (size_t i = 14; i < 18; ++i) {
        const int d = base32_digit(biz_no[i]);
        if (d < 0) return;
        c = c * 32 + static_cast<uint64_t>(d);
    }
    const uint64_t x = make_xid(t, c);
    if (x == 0) return;
    get_xid_sender(x, session_id, trade_token);
}

}}  // namespace nq::api
