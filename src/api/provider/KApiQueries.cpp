// KApi: paged queries, the trade-message subscription and its replay, and the
// fund trade account index request. Each builds its request on the caller's
// stack and hands it to the request ring, which keeps what it needs; the
// answers come later through the handlers of the response codes.
#include <time.h>

#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/business/KApiLoginAccountManager.h"
#include "api/messages/ServiceCode.h"
#include "api/messages/TQueryRequest.h"
#include "api/messages/TRequest.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiSession.h"
#include "api/provider/KApiSessionRef.h"
#include "api/provider/SessionRequestHead.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/LastApiError.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

using OrderQuery = TQueryRequest<ORDER_QUERY_REQ, ORDER_QUERY_RSP>;

constexpr unsigned kOwnFieldsAt = 71;  // after the common head and the paging block
constexpr unsigned kCodeFieldSize = 8;
constexpr unsigned kFundAccountSize = 15;  // terminator included

// Mask bits the counter knows for a subscription (SUBSCRIBE_TRADE_MESSAGE_REQ)
// and a replay (REBUILD_TRADE_MESSAGE_REQ).
constexpr uint64_t kReportBits = 0x3;
constexpr uint64_t kRawReportBits = 0xc;
constexpr uint64_t kLiveStreamBit = 0x200;  // subscriptions only
constexpr uint64_t kOrderBookBits = 0x270;
constexpr uint64_t kPrivilegeBits = 0x180;  // subscriptions of privileged sessions

constexpr long kSubscribePauseMs = 100;

uint64_t report_bits(trade_message_type_t type) {
    uint64_t m = 0;
    if (type & TradeMessageType::REPORT) m |= kReportBits;
    if (type & TradeMessageType::RAW_REPORT) m |= kRawReportBits;
    return m;
}

uint64_t subscription_mask(trade_message_type_t type, uint8_t api_type) {
    uint64_t m = report_bits(type);
    if (m != 0) m |= kLiveStreamBit;
    if (type & TradeMessageType::ORDER_BOOK) m |= kOrderBookBits;
    if (api_type == static_cast<uint8_t>(nq::ApiType::PRIVILEGE)) m |= kPrivilegeBits;
    return m;
}

uint64_t replay_mask(trade_message_type_t type) {
    uint64_t m = report_bits(type);
    if (type & TradeMessageType::ORDER_BOOK) m |= kOrderBookBits;
    return m;
}

// An 8-byte code field: the first characters of code (at most 8), then
// spaces; an empty or null code is 8 spaces, which means all securities.
void put_code_field(unsigned char* field, const char* code) {
    std::memset(field, ' ', kCodeFieldSize);
    if (code == nullptr) return;
    for (unsigned i = 0; i < kCodeFieldSize && code[i] != '\0'; ++i) field[i] = static_cast<unsigned char>(code[i]);
}

KApiRequestManager* ring(const KApiFramework* framework) {
    return framework != nullptr ? framework->request_manager_ : nullptr;
}

bool send_query(const KApiFramework* framework, uint64_t session_id, QueryRequest* query) {
    KApiRequestManager* r = ring(framework);
    return r != nullptr && r->send_query_request(session_id, query);
}

bool send_plain(const KApiFramework* framework, uint64_t session_id, Request* request) {
    KApiRequestManager* r = ring(framework);
    return r != nullptr && r->send_request(session_id, request);
}

// Refusal texts of a query, each taking (session_id, request_id).
struct QueryRefusalTexts {
    const char* no_session;
    const char* too_fast;
};

// A query of type Query on the caller's session: `build(query, session)`
// writes its fields, the ring takes it. False, with the last error set, when
// the session is gone or the ring refuses.
template <typename Query, typename Build>
bool send_session_query(KApiFramework* framework, uint64_t session_id, uint64_t request_id,
                        const QueryRefusalTexts& texts, Build build) {
    KApiSessionRef s(framework, session_id);
    if (!s) {
        set_last_error(kErrorNoSession, 0, texts.no_session, session_id, request_id);
        return false;
    }
    Query q;
    build(q, *s.get());
    if (!send_query(framework, session_id, &q)) {
        set_last_error(kErrorRefused, 0, texts.too_fast, session_id, request_id);
        return false;
    }
    return true;
}

// The own fields of a position query: exchange, then the code field.
void put_position_filter(unsigned char* body, nq::ExchangeIndex exchange_index, const char* security_code) {
    body[kOwnFieldsAt] = static_cast<unsigned char>(exchange_index);
    put_code_field(body + kOwnFieldsAt + 1, security_code);
}

void sleep_ms(long ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

}  // namespace

bool KApi::query_security_info(uint64_t session_id, uint64_t request_id) {
    using Query = TQueryRequest<SECURITY_INFO_QUERY_REQ, SECURITY_INFO_QUERY_RSP>;
    auto build = [&](Query& q, const KApiSession& s) {
        fill_session_head(q.head(), business_, &s, session_id, request_id, s.login_account_index);
    };
    static const QueryRefusalTexts kRefusals = {
        "query security info error, get session failed: { session_id = %lu, request_id = %lu }",
        "query security info error, request too fast: { session_id = %lu, request_id = %lu }",
    };
    if (!send_session_query<Query>(framework_, session_id, request_id, kRefusals, build)) return false;
    LOG_TRACE("query security info request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::query_static_quote_info(uint64_t session_id, uint64_t request_id) {
    using Query = TQueryRequest<STATIC_QUOTE_QUERY_REQ, STATIC_QUOTE_QUERY_RSP>;
    auto build = [&](Query& q, const KApiSession& s) {
        fill_session_head(q.head(), business_, &s, session_id, request_id, 0);
    };
    static const QueryRefusalTexts kRefusals = {
        "query static quote info error, get session failed: { session_id = %lu, request_id = %lu }",
        "query static quote info error, request too fast: { session_id = %lu, request_id = %lu }",
    };
    if (!send_session_query<Query>(framework_, session_id, request_id, kRefusals, build)) return false;
    LOG_TRACE("query static quote info request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::query_trade_account_info(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    KApiSessionRef s(framework_, session_id);
    if (!s) {
        set_last_error(kErrorNoSession, 0,
                       "query trade account info error, get session failed: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    TQueryRequest<TRADE_ACCOUNT_QUERY_REQ, TRADE_ACCOUNT_QUERY_RSP> q;
    fill_session_head(q.head(), business_, s.get(), session_id, request_id, account_index);
    if (!send_query(framework_, session_id, &q)) {
        set_last_error(kErrorRefused, 0,
                       "query trade account info error, request too fast: { session_id = %lu, request_id = %lu, "
                       "account_index = %lu }",
                       session_id, request_id, account_index);
        return false;
    }
    LOG_TRACE("query trade account info request: { session_id = %lu, request_id = %lu, account_index = %lu }",
              session_id, request_id, account_index);
    return true;
}

bool KApi::query_orders(uint64_t session_id, uint64_t request_id, const nq::trv_order_query_param_t* param,
                        uint64_t account_index) {
    KApiSessionRef s(framework_, session_id);
    if (!s) {
        set_last_error(kErrorNoSession, 0,
                       "query orders error, get session failed: { session_id = %lu, request_id = %lu }", session_id,
                       request_id);
        return false;
    }
    if (param == nullptr) {
        set_last_error(kErrorRefused, 0,
                       "query orders error, order_query_param is null: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    OrderQuery q;
    fill_session_head(q.head(), business_, s.get(), session_id, request_id, account_index);
    unsigned char* own = q.body() + kOwnFieldsAt;
    store_le<uint64_t>(own, 0, param->xid);
    put_code_field(own + 8, param->security_code);
    store_le<int64_t>(own, 16, param->begin_time);
    store_le<int64_t>(own, 24, param->end_time);
    own[32] = param->query_unfinished;
    if (!send_query(framework_, session_id, &q)) {
        set_last_error(kErrorRefused, 0, "query orders error, request too fast: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    LOG_TRACE("query orders request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::query_orders_by_page(uint64_t session_id, uint64_t request_id, uint32_t request_count,
                                const nq::trv_page_query_reference_t* reference, uint64_t account_index) {
    KApiSessionRef s(framework_, session_id);
    if (!s) {
        set_last_error(kErrorNoSession, 0,
                       "query orders by page error, get session failed: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    if (reference == nullptr) {
        set_last_error(kErrorRefused, 0,
                       "query orders by page error, query_reference is null: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    // A page size of 0 would silently turn into a query of every order.
    if (request_count < static_cast<uint32_t>(PAGE_REQ_COUNT_MIN)) {
        set_last_error(kErrorRefused, 0,
                       "query orders by page error, request_count below the minimum: { session_id = %lu, "
                       "request_id = %lu, request_count = %u, min_request_count = %d }",
                       session_id, request_id, request_count, PAGE_REQ_COUNT_MIN);
        return false;
    }
    OrderQuery q(request_count, reference);
    fill_session_head(q.head(), business_, s.get(), session_id, request_id, account_index);
    put_code_field(q.body() + kOwnFieldsAt + 8, nullptr);
    if (!send_query(framework_, session_id, &q)) {
        // "query orders error" without "by page": the system's own text.
        set_last_error(kErrorRefused, 0,
                       "query orders error, request too fast: { session_id = %lu, request_id = %lu, request_count = "
                       "%d, account_index = %lu }",
                       session_id, request_id, static_cast<int>(request_count), account_index);
        return false;
    }
    LOG_TRACE(
        "query orders by page request: { session_id = %lu, request_id = %lu, request_count = %d, account_index = "
        "%lu }",
        session_id, request_id, static_cast<int>(request_count), account_index);
    return true;
}

bool KApi::query_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                           nq::ExchangeIndex exchange_index, uint64_t account_index) {
    using Query = TQueryRequest<POSITION_QUERY_REQ, POSITION_QUERY_RSP>;
    auto build = [&](Query& q, const KApiSession& s) {
        fill_session_head(q.head(), business_, &s, session_id, request_id, account_index);
        put_position_filter(q.body(), exchange_index, security_code);
    };
    static const QueryRefusalTexts kRefusals = {
        "query positions error, get session failed: { session_id = %lu, request_id = %lu }",
        "query positions error, request too fast: { session_id = %lu, request_id = %lu }",
    };
    if (!send_session_query<Query>(framework_, session_id, request_id, kRefusals, build)) return false;
    LOG_TRACE("query positions request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::query_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    using Query = TQueryRequest<ASSET_QUERY_REQ, ASSET_QUERY_RSP>;
    auto build = [&](Query& q, const KApiSession& s) {
        fill_session_head(q.head(), business_, &s, session_id, request_id, account_index);
    };
    static const QueryRefusalTexts kRefusals = {
        "query assets error, get session failed: { session_id = %lu, request_id = %lu }",
        "query assets error, request too fast: { session_id = %lu, request_id = %lu }",
    };
    if (!send_session_query<Query>(framework_, session_id, request_id, kRefusals, build)) return false;
    LOG_TRACE("query asset request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::query_trades(uint64_t session_id, uint64_t request_id, uint64_t xid, uint64_t account_index) {
    using Query = TQueryRequest<TRADE_QUERY_REQ, TRADE_QUERY_RSP>;
    auto build = [&](Query& q, const KApiSession& s) {
        fill_session_head(q.head(), business_, &s, session_id, request_id, account_index);
        store_le<uint64_t>(q.body(), kOwnFieldsAt, xid);
    };
    static const QueryRefusalTexts kRefusals = {
        "query trades error, get session failed: { session_id = %lu, request_id = %lu }",
        "query trades error, request too fast: { session_id = %lu, request_id = %lu }",
    };
    if (!send_session_query<Query>(framework_, session_id, request_id, kRefusals, build)) return false;
    LOG_TRACE("query trades request: { session_id = %lu, request_id = %lu, xid = %lu }", session_id, request_id, xid);
    return true;
}

bool KApi::query_init_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    using Query = TQueryRequest<INIT_ASSET_QUERY_REQ, INIT_ASSET_QUERY_RSP>;
    auto build = [&](Query& q, const KApiSession& s) {
        fill_session_head(q.head(), business_, &s, session_id, request_id, account_index);
    };
    static const QueryRefusalTexts kRefusals = {
        "query init assets error, get session failed: { session_id = %lu, request_id = %lu }",
        "query init assets error, request too fast: { session_id = %lu, request_id = %lu }",
    };
    if (!send_session_query<Query>(framework_, session_id, request_id, kRefusals, build)) return false;
    LOG_TRACE("query init asset request: { session_id = %lu, request_id = %lu}", session_id, request_id);
    return true;
}

bool KApi::query_init_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                                nq::ExchangeIndex exchange_index, uint64_t account_index) {
    using Query = TQueryRequest<INIT_POSITION_QUERY_REQ, INIT_POSITION_QUERY_RSP>;
    auto build = [&](Query& q, const KApiSession& s) {
        fill_session_head(q.head(), business_, &s, session_id, request_id, account_index);
        put_position_filter(q.body(), exchange_index, security_code);
    };
    static const QueryRefusalTexts kRefusals = {
        "query init positions error, get session failed: { session_id = %lu, request_id = %lu }",
        "query init positions error, request too fast: { session_id = %lu, request_id = %lu }",
    };
    if (!send_session_query<Query>(framework_, session_id, request_id, kRefusals, build)) return false;
    LOG_TRACE("query init positions request: { session_id = %lu, request_id = %lu}", session_id, request_id);
    return true;
}

bool KApi::query_brief_positions(uint64_t session_id, uint64_t request_id, const char* security_code,
                                 nq::ExchangeIndex exchange_index, uint64_t account_index) {
    using Query = TQueryRequest<BRIEF_POSITION_QUERY_REQ, BRIEF_POSITION_QUERY_RSP>;
    auto build = [&](Query& q, const KApiSession& s) {
        fill_session_head(q.head(), business_, &s, session_id, request_id, account_index);
        put_position_filter(q.body(), exchange_index, security_code);
    };
    static const QueryRefusalTexts kRefusals = {
        "query brief positions error, get session failed: { session_id = %lu, request_id = %lu }",
        "query brief positions error, request too fast: { session_id = %lu, request_id = %lu }",
    };
    if (!send_session_query<Query>(framework_, session_id, request_id, kRefusals, build)) return false;
    LOG_TRACE("query brief positions request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::query_brief_assets(uint64_t session_id, uint64_t request_id, uint64_t account_index) {
    using Query = TQueryRequest<BRIEF_ASSET_QUERY_REQ, BRIEF_ASSET_QUERY_RSP>;
    auto build = [&](Query& q, const KApiSession& s) {
        fill_session_head(q.head(), business_, &s, session_id, request_id, account_index);
    };
    static const QueryRefusalTexts kRefusals = {
        "query brief assets error, get session failed: { session_id = %lu, request_id = %lu }",
        "query brief assets error, request too fast: { session_id = %lu, request_id = %lu }",
    };
    if (!send_session_query<Query>(framework_, session_id, request_id, kRefusals, build)) return false;
    LOG_TRACE("query brief asset request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::subscribe_trade_message(uint64_t session_id, uint64_t request_id, nq::trade_message_type_t type,
                                   nq::TradeResumeType resume_type, uint64_t start_sequence) {
    KApiSessionRef s(framework_, session_id);
    if (!s) {
        set_last_error(kErrorNoSession, 0, "subscribe error, get session failed: { session_id = %lu }", session_id);
        return false;
    }
    KApiLoginAccountManager* accounts = business_ != nullptr ? business_->login_account_mgr_ : nullptr;
    if (accounts == nullptr) {
        set_last_error(kErrorRefused, 0, "login account manager not initialized");
        return false;
    }
    KApiLoginAccount* account = accounts->try_begin_subscribe_trade(s->account_name, session_id);
    if (account == nullptr) {
        set_last_error(kErrorRefused, 0,
                       "repeat subscribe in one account is not allowed: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    // The session's close gives the account back. The reference held here
    // keeps the close from completing before the store; should the session
    // be gone all the same, the account is taken back at once rather than
    // left claimed by nobody.
    s->subscribe_account.store(account, std::memory_order_seq_cst);
    if (!s->is_alive() || s->session_id() != session_id) {
        if (KApiLoginAccount* held = s->subscribe_account.exchange(nullptr))
            accounts->on_subscribe_trade_failed(held, session_id);
        set_last_error(kErrorNoSession, 0, "subscribe error, get session failed: { session_id = %lu }", session_id);
        return false;
    }

    const uint64_t mask = subscription_mask(type, s->api_type);
    TRequest<SUBSCRIBE_TRADE_MESSAGE_REQ, SUBSCRIBE_TRADE_MESSAGE_RSP> r;
    fill_session_head(r.head(), business_, s.get(), session_id, request_id, 0);
    store_le<uint64_t>(r.body(), 57, mask);
    r.body()[65] = static_cast<unsigned char>(resume_type);
    store_le<uint64_t>(r.body(), 66, start_sequence);
    if (!send_plain(framework_, session_id, &r)) {
        // Nothing was asked for: the account is free again and the session
        // no longer holds it.
        KApiLoginAccount* held = account;
        s->subscribe_account.compare_exchange_strong(held, nullptr, std::memory_order_acq_rel);
        accounts->on_subscribe_trade_failed(account, session_id);
        set_last_error(kErrorRefused, 0, "subscribe trade message error, request too fast: { session_id = %lu }",
                       session_id);
        return false;
    }
    sleep_ms(kSubscribePauseMs);
    LOG_INFO(
        "subscribe trade message request: { session_id = %lu, api_sub_msg_type = %d, resume_type = %d, "
        "start_sequence = %lu }",
        session_id, static_cast<int>(mask), static_cast<int>(resume_type), start_sequence);
    return true;
}

bool KApi::rebuild_trade_message(uint64_t session_id, uint64_t request_id, nq::trade_message_type_t type,
                                 uint64_t start_sequence, uint64_t end_sequence, uint64_t account_index) {
    KApiSessionRef s(framework_, session_id);
    if (!s) {
        set_last_error(kErrorNoSession, 0, "rebuild trade message error, get session failed: { session_id = %lu }",
                       session_id);
        return false;
    }
    const uint64_t mask = replay_mask(type);
    TRequest<REBUILD_TRADE_MESSAGE_REQ, REBUILD_TRADE_MESSAGE_RSP> r;
    fill_session_head(r.head(), business_, s.get(), session_id, request_id, account_index);
    store_le<uint64_t>(r.body(), 57, mask);
    store_le<uint64_t>(r.body(), 65, start_sequence);
    store_le<uint64_t>(r.body(), 73, end_sequence);
    if (!send_plain(framework_, session_id, &r)) {
        set_last_error(kErrorRefused, 0, "rebuild trade message error, request too fast: { session_id = %lu }",
                       session_id);
        return false;
    }
    LOG_INFO(
        "rebuild trade message request: { session_id = %lu, api_sub_msg_type = %d, start_sequence = %lu, "
        "end_sequence = %lu }",
        session_id, static_cast<int>(mask), start_sequence, end_sequence);
    return true;
}

bool KApi::query_fund_trade_account_index(uint64_t session_id, uint64_t request_id, const char* fund_account) {
    KApiSessionRef s(framework_, session_id);
    if (!s) {
        set_last_error(kErrorNoSession, 0,
                       "query account index error, get session failed: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    // The field holds 14 characters and the terminator; a cut name would ask
    // for another account.
    const size_t name_length = fund_account != nullptr ? strnlen(fund_account, kFundAccountSize) : 0;
    if (fund_account == nullptr || name_length >= kFundAccountSize) {
        set_last_error(kErrorRefused, 0,
                       "query account index error, fund account missing or longer than 14 characters: { session_id "
                       "= %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    TRequest<FUND_TRADE_ACCOUNT_INDEX_REQ, FUND_TRADE_ACCOUNT_INDEX_RSP> r;
    fill_session_head(r.head(), business_, s.get(), session_id, request_id, 0);
    std::memcpy(r.body() + 57, fund_account, name_length);
    if (!send_plain(framework_, session_id, &r)) {
        set_last_error(kErrorRefused, 0,
                       "query account index error, request too fast: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    LOG_TRACE("query account index request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

}}  // namespace nq::api
