// KApi: the timer callback (request and order timeouts), the end of every
// login, the UDP trade heartbeat, the once-a-second token refresh, and the
// lookups of start-of-day data and of the sender of an order or business
// number.
#include <arpa/inet.h>

#include "framework/CallbackGuard.h"

#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/messages/RequestInfo.h"
#include "api/messages/ServiceCode.h"
#include "api/order/KApiUdpSender.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiLoginState.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiPrivilegeContext.h"
#include "api/provider/KApiQuoteContext.h"
#include "api/provider/KApiSessionRef.h"
#include "api/provider/KApiTradeContext.h"
#include "api/requests/KApiRequestManager.h"
#include "api/security/ApiTradeToken.h"
#include "framework/LastApiError.h"
#include "framework/Message.h"
#include "log/Log.h"

namespace nq { namespace api {

KApi::request_timeout_func_t KApi::request_timeout_func_ = nullptr;

namespace {

constexpr uint32_t kHeartbeatBody = 56;

nq::trv_error_info_t timeout_error() {
    nq::trv_error_info_t e;
    std::memset(&e, 0, sizeof e);
    e.error_code_type = kErrorTimeout;
    e.error_code = 0;
    std::strcpy(e.error_msg, "timeout");
    return e;
}

}  // namespace

void KApi::on_timer(unsigned long queue_id, void* data) {
    if (queue_id == kRequestTimerQueue)
        on_request_timer(data);
    else if (queue_id == KApiTradeContext::kOrderTimerQueue)
        on_order_timer(data);
}

void KApi::on_timer_recycle() {
    if (KApiTradeContext* trade = trade_context_.load(std::memory_order_acquire)) trade->refill_reserves();
}

void KApi::on_request_timer(void* data) {
    if (data == nullptr || framework_ == nullptr || framework_->request_manager_ == nullptr) return;
    request_info_t info = framework_->request_manager_->on_timeout(static_cast<request_info_t*>(data));
    if (info.finished || info.timed_out == 0) {
        KApiRequestManager::release(info);
        return;
    }
    // on_timeout hands back the entry with timed_out set; stale entries come
    // back all zero but for timed_out.
    if (info.session_id == 0) {
        KApiRequestManager::release(info);
        return;
    }
    nq::trv_error_info_t error = timeout_error();
    {
        KApiSessionRef session(framework_, info.session_id);
        if (session) {
            LOG_TRACE("on_request_timer: { session_id = %lu, request_id = %lu, request_seq = %lu, desire_response = %lu }",
                      info.session_id, info.request_id, info.request_seq, (unsigned long)info.desire_response);
            if (info.desire_response <= kMaxServiceCode && request_timeout_func_ != nullptr)
                request_timeout_func_(session.get(), &info, &error);
        }
    }
    // A login whose session was lost before its answer chain finished still
    // ends, with the timeout, instead of never.
    if (info.desire_response == LOGIN_RSP) on_login(info.session_id, &error);
    KApiRequestManager::release(info);
}

// The one place where an order or cancel without a report ends: each timer
// fires once, so each such order is reported once. Its session need not be
// alive any more: the datagram went to the order node on its own and may be
// live at the exchange, so an order whose session was lost (or logged out)
// before its answer ends here too, at its order timeout, instead of never.
void KApi::on_order_timer(void* data) {
    if (data == nullptr || business_ == nullptr) return;
    const uint64_t xid = load_le<uint64_t>(data, 0);
    const uint64_t session_id = load_le<uint64_t>(data, 8);
    KApiTradeContext* trade = trade_context_.load(std::memory_order_acquire);
    if (trade == nullptr) return;
    if (trade->spi_.load(std::memory_order_acquire) == nullptr) return;  // the trading API was stopped
    KApiOrder* order = business_->get_api_order(xid);
    if (order == nullptr || order->got_report.load(std::memory_order_acquire) != 0) return;
    CallbackGuard<nq::TRVTradeSpi> spi{trade->spi_};
    if (!spi) return;
    spi->on_order_timeout(session_id, load_le<uint64_t>(order->message_.body_, KApiOrder::kXidOffset));
}

void KApi::on_login(uint64_t session_id, const nq::trv_error_info_t* error) {
    KApiLoginState::Entry entry;
    if (!KApiLoginState::end(session_id, &entry)) return;  // this login has already ended
    {
        KApiSessionRef session(framework_, session_id);
        if (session) {
            session->login_done.store(1);
            // A failed login's request leaves the ring here, so its timeout
            // reports nothing more.
            if (error != nullptr && framework_->request_manager_ != nullptr) {
                request_info_t done = framework_->request_manager_->on_request_response(
                    session->login_request_sequence.load(std::memory_order_acquire));
                KApiRequestManager::release(done);
            }
            KApiLoginAccountManager* accounts = business_ != nullptr ? business_->login_account_mgr_ : nullptr;
            if (accounts != nullptr) {
                if (KApiLoginAccount* sub = session->subscribe_account.exchange(nullptr))
                    accounts->on_unsubscribe_trade(sub, session_id);
                if (error != nullptr) {
                    if (KApiLoginAccount* a = session->login_account.exchange(nullptr)) {
                        accounts->on_login_failed(a, session_id);
                        accounts->discard(a);
                    }
                } else if (KApiLoginAccount* a = session->login_account.load()) {
                    accounts->on_login_success(a, session_id);
                }
            }
        }
    }
    switch (static_cast<nq::ApiType>(entry.api_type)) {
        case nq::ApiType::PRIVILEGE:
            if (KApiPrivilegeContext* c = privilege_context_.load(std::memory_order_acquire))
                if (CallbackGuard<nq::TRVPrivilegeSpi> spi{c->spi_})
                    spi->on_login(session_id, entry.request_id, error);
            break;
        case nq::ApiType::TRADE:
            if (KApiTradeContext* c = trade_context_.load(std::memory_order_acquire))
                if (CallbackGuard<nq::TRVTradeSpi> spi{c->spi_})
                    spi->on_login(session_id, entry.request_id, error);
            break;
        case nq::ApiType::QUOTE:
            if (KApiQuoteContext* c = quote_context_.load(std::memory_order_acquire))
                if (CallbackGuard<nq::TRVQuoteSpi> spi{c->spi_})
                    spi->on_login(session_id, entry.request_id, error);
            break;
    }
    if (error != nullptr) {
        release_own_auth(session_id);
        framework_->close_session(session_id, false);
    }
}

void KApi::on_login_end(uint64_t session_id) {
    uint64_t seq = 0;
    {
        KApiSessionRef session(framework_, session_id);
        if (!session) return;
        seq = session->login_request_sequence.load(std::memory_order_acquire);
    }
    request_info_t done = framework_->request_manager_->on_request_response(seq);
    const bool timed_out = done.timed_out != 0;
    KApiRequestManager::release(done);
    if (timed_out) return;  // the timeout has reported the login already
    on_login(session_id, nullptr);
}

void KApi::release_own_auth(uint64_t session_id) {
    KApiSessionRef session(framework_, session_id);
    if (!session) return;
    const uint64_t own = session->drop_own_auth();
    if (own != 0 && business_ != nullptr && business_->auth_mgr_ != nullptr) business_->auth_mgr_->close_auth(own);
}

void KApi::heart_beat_trade(ApiTradeToken* token) {
    if (token == nullptr) return;
    KApiTradeContext* trade = trade_context_.load(std::memory_order_acquire);
    if (trade == nullptr || trade->udp_sender_ == nullptr) return;
    KApiUdpSender* sender = trade->udp_sender_;
    unsigned char* body = sender->acquire_send_buffer(TRADE_HEARTBEAT, kHeartbeatBody);
    if (body == nullptr) return;
    std::memset(body, 0, kHeartbeatBody);
    if (!sender->send_order(body, kHeartbeatBody, reinterpret_cast<const sockaddr*>(&token->fon_address),
                            reinterpret_cast<const char*>(token->fon_mac)))
        LOG_TRACE("heart beat order send failed");
    sender->release_send_buffer(body);
}

void KApi::refresh_token() {
    if (framework_ == nullptr || framework_->api_message_io_ == nullptr || business_ == nullptr) return;
    KApiMessageIO* io = framework_->api_message_io_;
    KApiAuthManager* auths = business_->auth_mgr_;
    if (auths == nullptr) return;

    // Sessions of normal accounts whose own token is missing.
    const unsigned long high = io->slot_high_.load(std::memory_order_acquire);
    for (unsigned long slot = 1; slot < high && slot < TcpMessageIO::kSlotCount; ++slot) {
        const uint64_t id = io->open_session_ids_[slot].load(std::memory_order_acquire);
        if (id == 0) continue;
        uint64_t request_no = 0, own = 0;
        {
            KApiSessionRef session(framework_, id);
            if (!session || session->login_done.load() == 0 ||
                session->api_type.load() == static_cast<uint8_t>(nq::ApiType::QUOTE) ||
                session->login_account_type.load() != 0 || session->token.load() != nullptr)
                continue;
            own = session->trade_token.load();
            KApiAuth* a = own != 0 ? auths->get_auth(own) : nullptr;
            if (a == nullptr || a->session_id.load() != id) continue;
            request_no = a->token_request_no.load();
        }
        request_token(id, request_no, own);
    }

    // Every record in use: heartbeat its token while its session lives, and
    // ask again for the token of an authorisation made by auth_trade that
    // lost it.
    for (uint64_t slot = 1; slot < KApiAuthManager::kSlots; ++slot) {
        KApiAuth* a = auths->record_at(slot);
        if (a == nullptr || !a->in_use()) continue;
        const uint64_t record_id = a->id.load(std::memory_order_acquire);
        const uint64_t session_id = a->session_id.load();
        if (record_id == 0 || session_id == 0) continue;
        KApiSessionRef session(framework_, session_id);
        if (!session) continue;
        if (ApiTradeToken* token = a->current_token()) heart_beat_trade(token);
        if (!a->in_use() || a->id.load(std::memory_order_acquire) != record_id) continue;
        if (a->reported.load() == 0 || a->current_token() != nullptr) continue;
        if (session->login_done.load() == 0 ||
            session->api_type.load() == static_cast<uint8_t>(nq::ApiType::QUOTE))
            continue;
        request_token(session_id, a->token_request_no.load(), record_id);
    }
}

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
    const ApiTradeToken* token = business_->token_mgr_->get_trade_token(xid_to_token_id(xid));
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
    const uint64_t x = t << 28 | c << 8 | ((t + c) & 0xff);
    if (x == 0) return;
    get_xid_sender(x, session_id, trade_token);
}

}}  // namespace nq::api
