// KApi: order entry. A new order or cancel is checked, numbered from its trade
// token, built in place in the calling thread's packet buffer, stored, sent
// by UDP to the token's order node, posted once more on the TCP session and
// armed with an order timer. Everything up to the datagram is table lookups
// (session slot, authorisation slot, security-code bucket, order-store
// chain), at most one atomic increment (the token's order sequence), copies
// into memory the thread already owns (its packet buffer and the record in
// its hand), and one compare-and-swap that publishes the record in the order
// store (tried again only when another thread pushed onto the same chain in
// between). Nothing on that way allocates or takes a lock.
#include <time.h>

#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/messages/BusinessTypeMap.h"
#include "api/messages/ServiceCode.h"
#include "api/order/KApiUdpSender.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiOrderReserve.h"
#include "api/provider/KApiSession.h"
#include "api/provider/KApiSessionRef.h"
#include "api/provider/KApiTradeContext.h"
#include "api/security/OrderXid.h"
#include "api/security/SecurityCode.h"
#include "framework/ApiTimerManager.h"
#include "framework/LastApiError.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

// Every new order's body, whatever its code, has this length.
constexpr uint32_t kOrderBodyLength = body_length(ORDER_SH_CASH);
constexpr uint64_t kResendFlag = 1ull << 2;
constexpr unsigned kResendCountShift = 54;
constexpr uint64_t kMaxResends = 1023;

// Order body (ORDER_SH_CASH to ORDER_SZ_PLEDGE_REPO) and cancel body
// (CANCEL_ORDER) offsets.
constexpr unsigned kFlagsAt = 0;
constexpr unsigned kXidAt = KApiOrder::kXidOffset;
constexpr unsigned kAuthIdAt = 16;
constexpr unsigned kCodeDigitsAt = 24;
constexpr unsigned kSecurityIndexAt = 28;
constexpr unsigned kQuantityAt = 32;
constexpr unsigned kPriceAt = 40;
constexpr unsigned kSideAt = 48;
constexpr unsigned kOrderTypeAt = 49;
constexpr unsigned kReservedAt = 50;
constexpr unsigned kOriginXidAt = 24;

uint64_t realtime_ns() {
    timespec ts;
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return ~0ull;
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

// The TCP copy: a frame header with code, total length and time stamp in
// front of the payload, written into `frame` (at least 64 + length bytes).
void build_tcp_copy(unsigned char* frame, uint32_t code, uint64_t time_stamp, const unsigned char* body,
                    uint32_t length) {
    std::memset(frame, 0, kFrameHeaderSize);
    set_frame_code_length(frame, code, kFrameHeaderSize + length);
    set_frame_time_stamp(frame, time_stamp);
    std::memcpy(frame + kFrameHeaderSize, body, length);
}

// Posts the TCP copy from the caller's stack; the transport copies the frame
// (and the session id) before post returns.
struct TcpCopy {
    alignas(8) unsigned char frame[kFrameHeaderSize + KApiOrder::kMaxBodySize];

    void post(KApiFramework* framework, uint64_t session_id, uint32_t code, uint64_t time_stamp,
              const unsigned char* body, uint32_t length) {
        build_tcp_copy(frame, code, time_stamp, body, length);
        Message m{reinterpret_cast<MessageHeader*>(frame), frame + kFrameHeaderSize, frame};
        framework->post_message(session_id, &m);
    }
};

// Data of an order timer on queue 2.
struct OrderTimerData {
    uint64_t xid;
    uint64_t session_id;
};

// The trading session of a full id, read from its slot without a reference:
// session objects are never freed, and a stale id (its slot reused by a
// newer connection), a closed session, one of another API type, or a call
// through another facade than the trading API's (the privileged facade's
// inherited order operations) is refused.
KApiSession* live_trade_session(const KApiFramework* framework, uint64_t session_id) {
    if (framework == nullptr || framework->api_message_io_ == nullptr) return nullptr;
    return framework->api_message_io_->live_api_session(session_id, static_cast<uint8_t>(nq::ApiType::TRADE));
}

// Trade token and authorisation id of an order or cancel.
struct TokenChoice {
    ApiTradeToken* token = nullptr;
    uint64_t auth_id = 0;
};

enum class TokenRefusal { NONE, NO_AUTH, OTHER_SESSION, NOT_TRADE_ACCOUNT };

// The token and the authorisation id go out together, so they are read as
// one pair: both, then a check that their holder is still the one named. A
// deauthorisation, a reused record or a new login on the session object in
// between would otherwise pair one token with another authorisation's id, or
// with 0. A pair that changed under the read is refused as having no token.
TokenRefusal choose_token(KApiBusiness* business, KApiSession* session, uint64_t session_id, uint64_t trade_token,
                          TokenChoice* out) {
    if (trade_token != 0) {
        KApiAuth* auth = business->auth_mgr_ != nullptr ? business->auth_mgr_->get_auth(trade_token) : nullptr;
        if (auth == nullptr) return TokenRefusal::NO_AUTH;
        // A token is used only on the session that authorised it.
        if (auth->session_id != session_id) return TokenRefusal::OTHER_SESSION;
        ApiTradeToken* token = auth->current_token();
        const uint64_t auth_id = auth->auth_id.load();
        if (!auth->in_use() || auth->id.load(std::memory_order_acquire) != trade_token ||
            auth->session_id.load() != session_id || auth_id == 0)
            token = nullptr;
        out->token = token;
        out->auth_id = token != nullptr ? auth_id : 0;
        return TokenRefusal::NONE;
    }
    if (session->login_account_type != 0) return TokenRefusal::NOT_TRADE_ACCOUNT;
    ApiTradeToken* token = session->token.load(std::memory_order_acquire);
    const uint64_t auth_id = session->auth_id.load();
    if (session->session_id() != session_id || session->token.load(std::memory_order_acquire) != token || auth_id == 0)
        token = nullptr;
    out->token = token;
    out->auth_id = token != nullptr ? auth_id : 0;
    return TokenRefusal::NONE;
}

// Sequence of a new order or cancel: the caller's own in custom-sequence
// mode (0 lets the token choose), else the token's next one. 0 when out of
// range; the token's number is then used up.
uint64_t take_sequence(ApiTradeToken* token, bool custom, uint64_t own, bool* own_out_of_range) {
    *own_out_of_range = false;
    if (custom && own != 0) {
        if (own > kMaxOrderSequence) {
            *own_out_of_range = true;
            return 0;
        }
        return own;
    }
    const uint64_t s = token->order_sequence_.fetch_add(1, std::memory_order_relaxed);
    return (s == 0 || s > kMaxOrderSequence) ? 0 : s;
}

bool custom_sequence(const KApiTradeContext* context) {
    return context->config_ != nullptr && context->config_->is_order_seq_self_define();
}

// Refusal texts of the token choice, worded per operation; each takes
// (session_id, trade_token).
struct TokenRefusalTexts {
    const char* no_auth;
    const char* other_session;
    const char* not_trade_account;
    const char* invalid_token;
};

// The trade token an order or cancel goes out under, with its authorisation
// id in `choice`; nullptr, with the last error set, when refused.
ApiTradeToken* token_for_send(KApiBusiness* business, KApiSession* session, uint64_t session_id, uint64_t trade_token,
                              const TokenRefusalTexts& texts, TokenChoice* choice) {
    switch (choose_token(business, session, session_id, trade_token, choice)) {
        case TokenRefusal::NONE: break;
        case TokenRefusal::NO_AUTH:
            set_last_error(kErrorInvalidInput, 0, texts.no_auth, session_id, trade_token);
            return nullptr;
        case TokenRefusal::OTHER_SESSION:
            set_last_error(kErrorInvalidInput, 0, texts.other_session, session_id, trade_token);
            return nullptr;
        case TokenRefusal::NOT_TRADE_ACCOUNT:
            set_last_error(kErrorInvalidInput, 0, texts.not_trade_account, session_id, uint64_t(0));
            return nullptr;
    }
    ApiTradeToken* token = choice->token;
    if (token == nullptr || token->token_id == 0) {
        set_last_error(kErrorInvalidInput, 0, texts.invalid_token, session_id, trade_token);
        return nullptr;
    }
    return token;
}

// A built order or cancel from here on: stored before it leaves (a report
// that overtakes the rest of the call finds it, and its timer then stays
// silent), sent by UDP to the token's order node, posted on the TCP session,
// armed with an order timer; then the buffer is released. Record, TCP copy
// block and timer node come from the thread's stock, so that nothing here
// allocates or waits for another sending thread; without stock (or memory
// for it) each is made the slower way.
template <typename OnUdpFailed>
void store_send_and_arm(KApiBusiness* business, KApiFramework* framework, KApiTradeContext* context,
                        const ApiTradeToken* token, uint64_t session_id, uint64_t xid, uint32_t code,
                        uint64_t time_stamp, unsigned char* body, uint32_t length, OnUdpFailed on_udp_failed) {
    KApiUdpSender* sender = context->udp_sender_;
    KApiOrderReserve* reserve = context->local_reserve();
    if (reserve == nullptr) {
        business->add_order(code, time_stamp, length, body);
    } else if (KApiOrder* record = reserve->take_record()) {
        if (!(record->fill(code, time_stamp, length, body) && business->publish_order(record)))
            reserve->keep_record(record);
    }

    if (!sender->send_order(body, static_cast<uint16_t>(length), reinterpret_cast<const sockaddr*>(&token->fon_address),
                            reinterpret_cast<const char*>(token->fon_mac)))
        on_udp_failed();

    if (unsigned char* copy = reserve != nullptr ? reserve->take_copy() : nullptr) {
        build_tcp_copy(copy, code, time_stamp, body, length);
        framework->post_copy(session_id, copy);
    } else {
        TcpCopy stack_copy;
        stack_copy.post(framework, session_id, code, time_stamp, body, length);
    }

    const OrderTimerData timer{xid, session_id};
    ApiTimerManager* timers = context->timers_;
    if (ApiTimerManager::timer_node_t* node = reserve != nullptr ? reserve->take_timer_node() : nullptr) {
        if (timers->create_timer_on(node, KApiTradeContext::kOrderTimerQueue, &timer, sizeof timer) == nullptr)
            reserve->keep_timer_node(node);
    } else {
        timers->create_timer(KApiTradeContext::kOrderTimerQueue, const_cast<OrderTimerData*>(&timer), sizeof timer);
    }
    if (reserve != nullptr) reserve->hand_on_record();
    sender->release_send_buffer(body);
}

// Refusal texts of the opening of an order or a cancel, worded per
// operation. not_initialised and no_session take the operation's own
// arguments, null_input and the token's texts (session_id, trade_token).
struct OpeningTexts {
    const char* not_initialised;
    const char* no_session;
    const char* null_input;
    TokenRefusalTexts token;
};

// What an order or a cancel goes out under once its opening has passed.
struct Opening {
    KApiTradeContext* context = nullptr;
    ApiTradeToken* token = nullptr;
    uint64_t auth_id = 0;
};

// The opening a new order and a cancel share, in this order: the trading API
// is initialised (304), the session is a live trading session (307), the
// order or cancel is given (308), and its trade token is chosen (308). False,
// with the last error set, at the first refusal; `args` are the arguments of
// the first two texts.
template <typename... Args>
bool open_order_call(KApi* api, uint64_t session_id, bool has_input, uint64_t trade_token, const OpeningTexts& texts,
                     Opening* out, Args... args) {
    KApiTradeContext* context = api->trade_context_.load(std::memory_order_acquire);
    if (context == nullptr || context->udp_sender_ == nullptr || api->business_ == nullptr) {
        set_last_error(kErrorNotInitialised, 0, texts.not_initialised, args...);
        return false;
    }
    KApiSession* session = live_trade_session(api->framework_, session_id);
    if (session == nullptr) {
        set_last_error(kErrorNoSession, 0, texts.no_session, args...);
        return false;
    }
    if (!has_input) {
        set_last_error(kErrorInvalidInput, 0, texts.null_input, session_id, trade_token);
        return false;
    }
    TokenChoice choice;
    ApiTradeToken* token = token_for_send(api->business_, session, session_id, trade_token, texts.token, &choice);
    if (token == nullptr) return false;
    out->context = context;
    out->token = token;
    out->auth_id = choice.auth_id;
    return true;
}

constexpr OpeningTexts kInsertOpening = {
    "send order error, trade api not initialized: { session_id = %lu, trade_token: %lu }",
    "send order error, get session failed: { session_id = %lu, trade_token: %lu }",
    "send order error, order info is null: { session_id = %lu, trade_token: %lu }",
    {
        "send order error, get auth failed: { session_id = %lu, trade_token: %lu }",
        "send order error, trade token belongs to another session: { session_id = %lu, trade_token: %lu }",
        "send order error, not trade account, can't send order: { session_id = %lu, trade_token: %lu }",
        "send order error, invalid token: { session_id = %lu, trade_token: %lu }",
    },
};

constexpr OpeningTexts kCancelOpening = {
    "send cancel order error, trade api not initialized: { session_id = %lu, origin_xid: %lu, trade_token: %lu }",
    "send cancel order error, get session failed: { session_id = %lu, origin_xid: %lu, trade_token: %lu }",
    "send cancel order error, cancel order info is null: { session_id = %lu, trade_token: %lu }",
    {
        "send cancel order error, get auth failed: { session_id = %lu, trade_token: %lu }",
        "send cancel order error, trade token belongs to another session: { session_id = %lu, trade_token: %lu }",
        "send cancel order error, not trade account, can't send cancel order: { session_id = %lu, trade_token: %lu }",
        "send cancel order error, invalid token: { session_id = %lu, trade_token: %lu }",
    },
};

// The xid of a new order or cancel from its token and sequence (see
// take_sequence); 0 when the sequence is out of range.
uint64_t take_xid(const Opening& open, uint64_t own_sequence, bool* custom, bool* own_out_of_range) {
    *custom = custom_sequence(open.context);
    const uint64_t sequence = take_sequence(open.token, *custom, own_sequence, own_out_of_range);
    return sequence != 0 ? make_xid(open.token->token_id, sequence) : 0;
}

// The xid of a new order; 0, with the last error set, when out of range.
uint64_t order_xid(const Opening& open, const nq::trv_order_insert_info_t& order, uint64_t session_id,
                   uint64_t trade_token) {
    bool custom = false;
    bool own_out_of_range = false;
    const uint64_t xid = take_xid(open, order.order_sequence, &custom, &own_out_of_range);
    if (xid != 0) return xid;
    if (custom)
        set_last_error(kErrorInvalidInput, 0,
                       "send order error, order_sequence out of range: { session_id = %lu, trade_token: %lu, "
                       "order_sequence: %lu }",
                       session_id, trade_token, own_out_of_range ? order.order_sequence : uint64_t(0));
    else
        set_last_error(kErrorInvalidInput, 0,
                       "send order error, get xid failed, out of range: { session_id = %lu, trade_token: %lu }",
                       session_id, trade_token);
    return 0;
}

// The xid of a cancel; 0, with the last error set, when out of range.
uint64_t cancel_xid(const Opening& open, const nq::trv_cancel_order_info_t& cancel, uint64_t session_id,
                    uint64_t trade_token) {
    bool custom = false;
    bool own_out_of_range = false;
    const uint64_t xid = take_xid(open, cancel.order_sequence, &custom, &own_out_of_range);
    if (xid != 0) return xid;
    if (custom)
        set_last_error(kErrorInvalidInput, 0,
                       "send cancel order error, order_sequence out of range: { session_id = %lu, origin_xid: "
                       "%lu, trade_token: %lu }",
                       session_id, cancel.origin_xid, trade_token);
    else
        set_last_error(kErrorInvalidInput, 0,
                       "send cancel order error, get xid failed: { session_id = %lu, origin_xid: %lu, "
                       "trade_token: %lu }",
                       session_id, cancel.origin_xid, trade_token);
    return 0;
}

// The body of a new order, written whole into the packet buffer.
void fill_order_body(unsigned char* body, uint64_t xid, uint64_t auth_id, uint64_t key, uint64_t security_index,
                     const nq::trv_order_insert_info_t& order) {
    store_le<uint64_t>(body, kFlagsAt, 0);
    store_le<uint64_t>(body, kXidAt, xid);
    store_le<uint64_t>(body, kAuthIdAt, auth_id);
    store_le<uint32_t>(body, kCodeDigitsAt, pack_security_key(key));
    store_le<uint32_t>(body, kSecurityIndexAt, static_cast<uint32_t>(security_index));
    store_le<int64_t>(body, kQuantityAt, order.quantity);
    store_le<int64_t>(body, kPriceAt, order.price);
    body[kSideAt] = static_cast<unsigned char>(order.side);
    body[kOrderTypeAt] = static_cast<unsigned char>(order.order_type);
    std::memset(body + kReservedAt, 0, kOrderBodyLength - kReservedAt);
}

// At TRACE, the order as it went out (the code shown is at most its 9
// characters).
void trace_order(uint64_t session_id, uint64_t trade_token, uint64_t xid, uint64_t security_index,
                 const nq::trv_order_insert_info_t& order) {
    if (nq::log::Log::log_level_ < nq::log::kTrace) return;
    char code_text[CONST_STR_SECURITY_CODE_LEN + 1];
    std::memcpy(code_text, order.security_code, CONST_STR_SECURITY_CODE_LEN);
    code_text[CONST_STR_SECURITY_CODE_LEN] = '\0';
    LOG_TRACE(
        "insert order request: { session_id = %lu, trade_token: %lu, xid: %lu, security_index: %lu, "
        "security_code: %s, exchange_index: %d, sid: %d, order_type: %d, order_price: %lu, "
        "order_quantity: %lu, business_type: %d }",
        session_id, trade_token, xid, security_index, code_text, static_cast<int>(order.exchange_index),
        static_cast<int>(order.side), static_cast<int>(order.order_type), static_cast<uint64_t>(order.price),
        static_cast<uint64_t>(order.quantity), static_cast<int>(order.business_type));
}

// The stored order or cancel that a resend on session_id may send again, and
// the token it went out under; null, with the last error set, when refused.
KApiOrder* resendable_order(KApiBusiness* business, uint64_t session_id, uint64_t xid, ApiTradeToken** token_out) {
    ApiTradeToken* token =
        business->token_mgr_ != nullptr ? business->token_mgr_->get_trade_token(xid_token_id(xid)) : nullptr;
    if (token == nullptr || token->token_id == 0) {
        set_last_error(kErrorInvalidInput, 0, "resend order error: no trade token: { session_id = %lu, xid: %lu }",
                       session_id, xid);
        return nullptr;
    }
    if (token->session_id != session_id) {
        set_last_error(kErrorInvalidInput, 0,
                       "resend order error: session_id not match: { session_id = %lu, token_session_id = %lu, "
                       "xid: %lu }",
                       session_id, token->session_id, xid);
        return nullptr;
    }
    KApiOrder* stored = business->get_api_order(xid);
    if (stored == nullptr) {
        set_last_error(kErrorInvalidInput, 0, "resend order error: order is not exist: { session_id = %lu, xid: %lu }",
                       session_id, xid);
        return nullptr;
    }
    if (stored->reported()) {
        set_last_error(kErrorInvalidInput, 0,
                       "resend order error, order can't resend, has got report: { session_id = %lu, xid: %lu }",
                       session_id, xid);
        return nullptr;
    }
    *token_out = token;
    return stored;
}

// Sends the stored order or cancel again, by UDP and on the TCP session, with
// `flags` as its flags word; false, with the last error set, when the thread
// has no packet buffer for it.
bool send_again(KApiFramework* framework, KApiUdpSender* sender, const ApiTradeToken* token, const KApiOrder* stored,
                uint64_t flags, uint64_t session_id, uint64_t xid) {
    const unsigned char* header = stored->storage_;
    const uint32_t code = frame_service_code(header);
    const uint32_t total = frame_length(header);
    const uint32_t length = total > kFrameHeaderSize ? total - kFrameHeaderSize : 0;
    const bool storable = length >= KApiOrder::kMinBodySize && length <= KApiOrder::kMaxBodySize;
    unsigned char* body = storable ? sender->acquire_send_buffer(code, length) : nullptr;
    if (body == nullptr) {
        set_last_error(kErrorRefused, 0,
                       "resend order error: no send buffer for this thread: { session_id = %lu, xid: %lu }", session_id,
                       xid);
        return false;
    }
    // Everything but the flags word is fixed once the record is published.
    constexpr unsigned kAfterFlags = kFlagsAt + sizeof(uint64_t);
    store_le<uint64_t>(body, kFlagsAt, flags);
    std::memcpy(body + kAfterFlags, header + kFrameHeaderSize + kAfterFlags, length - kAfterFlags);
    if (!sender->send_order(body, static_cast<uint16_t>(length), reinterpret_cast<const sockaddr*>(&token->fon_address),
                            reinterpret_cast<const char*>(token->fon_mac)))
        LOG_WARN("resend order request to fon failed: { session_id = %lu, xid = %lu }", session_id, xid);

    TcpCopy copy;
    copy.post(framework, session_id, code, frame_time_stamp(header), body, length);
    sender->release_send_buffer(body);
    return true;
}

}  // namespace

void KApi::init_local_send() {
    KApiTradeContext* context = trade_context_.load(std::memory_order_acquire);
    if (context == nullptr || context->udp_sender_ == nullptr) return;
    context->udp_sender_->init_local_send();
    // The thread's stock too, so that its first order allocates nothing.
    context->local_reserve();
}

uint64_t KApi::insert_order(uint64_t session_id, nq::trv_order_insert_info_t* order, uint64_t trade_token) {
    Opening open;
    if (!open_order_call(this, session_id, order != nullptr, trade_token, kInsertOpening, &open, session_id,
                         trade_token))
        return 0;
    const ExchangeIndex exchange = order->exchange_index;
    if (exchange != ExchangeIndex::SH && exchange != ExchangeIndex::SZ) {
        set_last_error(kErrorInvalidInput, 0,
                       "send order error, invalid exchange index: { session_id = %lu, trade_token: %lu, "
                       "exchange_index = %d }",
                       session_id, trade_token, static_cast<int>(exchange));
        return 0;
    }
    const uint64_t key = pad_security_code(order->security_code);
    const SecurityMap* map = business_->security_map(static_cast<uint8_t>(exchange));
    const uint64_t security_index = map != nullptr ? map->get_security_index(key) : 0;

    const uint64_t xid = order_xid(open, *order, session_id, trade_token);
    if (xid == 0) return 0;
    const uint32_t code = static_cast<uint32_t>(BusinessTypeMap::msg_type(exchange, order->business_type));
    const uint32_t length = static_cast<uint32_t>(BusinessTypeMap::msg_len(exchange, order->business_type));
    if (code == 0 || length != kOrderBodyLength) {
        set_last_error(kErrorInvalidInput, 0,
                       "send order error, invalid order info: { session_id = %lu, trade_token: %lu }", session_id,
                       trade_token);
        return 0;
    }

    unsigned char* body = open.context->udp_sender_->acquire_send_buffer(code, length);
    if (body == nullptr) {
        set_last_error(kErrorRefused, 0,
                       "send order error, no send buffer for this thread: { session_id = %lu, trade_token: %lu, "
                       "xid: %lu }",
                       session_id, trade_token, xid);
        return 0;
    }
    fill_order_body(body, xid, open.auth_id, key, security_index, *order);
    store_send_and_arm(business_, framework_, open.context, open.token, session_id, xid, code, realtime_ns(), body,
                       length, [&] {
                           LOG_WARN("send order to fon failed: { session_id = %lu, trade_token = %lu, xid = %lu }",
                                    session_id, trade_token, xid);
                       });
    trace_order(session_id, trade_token, xid, security_index, *order);
    return xid;
}

uint64_t KApi::cancel_order(uint64_t session_id, nq::trv_cancel_order_info_t* cancel, uint64_t trade_token) {
    const uint64_t origin_xid = cancel != nullptr ? cancel->origin_xid : 0;
    Opening open;
    if (!open_order_call(this, session_id, cancel != nullptr, trade_token, kCancelOpening, &open, session_id,
                         origin_xid, trade_token))
        return 0;
    if (origin_xid == 0) {
        set_last_error(kErrorInvalidInput, 0,
                       "send cancel order error, invalid origin_xid, please set origin_xid: { session_id = %lu, "
                       "origin_xid: %lu, trade_token: %lu }",
                       session_id, origin_xid, trade_token);
        return 0;
    }
    const uint64_t xid = cancel_xid(open, *cancel, session_id, trade_token);
    if (xid == 0) return 0;

    constexpr uint32_t kLength = body_length(CANCEL_ORDER);
    unsigned char* body = open.context->udp_sender_->acquire_send_buffer(CANCEL_ORDER, kLength);
    if (body == nullptr) {
        set_last_error(kErrorRefused, 0,
                       "send cancel order error, no send buffer for this thread: { session_id = %lu, origin_xid: "
                       "%lu, trade_token: %lu }",
                       session_id, origin_xid, trade_token);
        return 0;
    }
    store_le<uint64_t>(body, kFlagsAt, 0);
    store_le<uint64_t>(body, kXidAt, xid);
    store_le<uint64_t>(body, kAuthIdAt, open.auth_id);
    store_le<uint64_t>(body, kOriginXidAt, origin_xid);

    // A cancel carries no time stamp.
    store_send_and_arm(business_, framework_, open.context, open.token, session_id, xid, CANCEL_ORDER, 0, body, kLength,
                       [&] {
                           LOG_WARN(
                               "send cancel order to fon failed: { session_id = %lu, trade_token = %lu, "
                               "xid = %lu, origin_xid = %lu }",
                               session_id, trade_token, xid, origin_xid);
                       });
    LOG_TRACE("insert cancel order: { session_id = %lu, trade_token = %lu, xid = %lu, origin_xid = %lu }", session_id,
              trade_token, xid, origin_xid);
    return xid;
}

bool KApi::resend_order_request(uint64_t session_id, uint64_t xid) {
    KApiTradeContext* context = trade_context_.load(std::memory_order_acquire);
    if (context == nullptr || context->udp_sender_ == nullptr || business_ == nullptr) {
        set_last_error(kErrorNotInitialised, 0,
                       "resend order error: trade api not initialized: { session_id = %lu, xid: %lu }", session_id,
                       xid);
        return false;
    }
    KApiSessionRef session(framework_, session_id);
    if (!session || session->api_type != static_cast<uint8_t>(nq::ApiType::TRADE)) {
        set_last_error(kErrorNoSession, 0, "resend order error: get session failed: { session_id = %lu, xid: %lu }",
                       session_id, xid);
        return false;
    }
    ApiTradeToken* token = nullptr;
    KApiOrder* stored = resendable_order(business_, session_id, xid, &token);
    if (stored == nullptr) return false;
    const uint64_t n = stored->take_resend_number();
    if (n > kMaxResends) {
        set_last_error(kErrorInvalidInput, 0,
                       "resend order error, order resend too many times, no more than 1023: { session_id = %lu, "
                       "xid: %lu, resend_num: %lu }",
                       session_id, xid, n);
        return false;
    }
    // Each resend writes its own flags word whole, into the stored copy and
    // into what it sends; concurrent resends never mix their numbers.
    const uint64_t flags = kResendFlag | (n << kResendCountShift);
    stored->store_flags(flags);
    if (!send_again(framework_, context->udp_sender_, token, stored, flags, session_id, xid)) return false;
    LOG_TRACE("resend order request: { session_id = %lu, xid = %lu, resend_num = %d }", session_id, xid,
              static_cast<int>(n));
    return true;
}

}}  // namespace nq::api
