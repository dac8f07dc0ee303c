#include "api/provider/KApiFramework.h"

#include "framework/CallbackGuard.h"

#include "api/messages/ServiceCode.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiPrivilegeContext.h"
#include "api/provider/KApiQuoteContext.h"
#include "api/provider/KApiTradeContext.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/AllocMem.h"
#include "framework/ApiDelaySender.h"
#include "framework/ApiLocalTime.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

struct RouteTable {
    unsigned char worker[16384];
};

// Worker 1: the invalid-token notice and the pushed trade messages (reports,
// raw reports, order book, assets and positions, fund transfers, token and
// quote-login publications), one at a time in arrival order.
constexpr ServiceCode kPushed[] = {
    TOKEN_INVALID_NOTICE,
    ORDER_END_PUSH,
    ORDER_RESPONSE_PUSH,
    CANCEL_RESPONSE_PUSH,
    TRADE_REPORT_PUSH,
    ORDER_ERROR_PUSH,
    ORDER_ERROR2_PUSH,
    ORDER_REPORT_FILTER_PUSH,
    RAW_REPORT_PUSH,
    ORDER_BOOK_INSERT_PUSH,
    ORDER_BOOK_UPDATE_PUSH,
    ORDER_BOOK_ERROR_PUSH,
    ASSET_PUSH,
    POSITION_PUSH,
    FUND_TRANSFER_EXEC_RESULT_PUSH,
    COUNTER_FUND_TRANSFER_REQUEST_PUSH,
    COUNTER_FUND_TRANSFER_RESULT_PUSH,
    CLUSTER_FUND_TRANSFER_REQUEST_PUSH,
    CLUSTER_FUND_TRANSFER_RESULT_PUSH,
    TOKEN_INFO_PUSH,
    QUOTE_LOGIN_INFO_PUSH,
};

// Worker 2: answers to requests, the login chain and error replies. Two of
// them have no handler and are dropped there: UNUSED_RSP and DEAUTH_RSP.
constexpr ServiceCode kAnswers[] = {
    UNUSED_RSP,
    API_ERR_RSP,
    LOGIN_RSP,
    INIT_ASSET_NOTICE,
    INIT_POSITION_NOTICE,
    SECURITY_INFO_QUERY_RSP,
    STATIC_QUOTE_QUERY_RSP,
    DATA_TABLE_INFO_RSP,
    QUOTE_CHANNEL_NOTICE,
    AUTH_RSP,
    TRADE_ACCOUNT_QUERY_RSP,
    SUBSCRIBE_TRADE_MESSAGE_RSP,
    COUNTER_FUND_TRANSFER_RSP,
    CLUSTER_FUND_TRANSFER_RSP,
    TRADE_TOKEN_RSP,
    DEAUTH_RSP,
    REBUILD_TRADE_MESSAGE_RSP,
    ORDER_QUERY_RSP,
    POSITION_QUERY_RSP,
    ASSET_QUERY_RSP,
    TRADE_QUERY_RSP,
    INIT_ASSET_QUERY_RSP,
    INIT_POSITION_QUERY_RSP,
    DUMP_FINAL_FILE_RSP,
    UNBIND_USER_TGW_RSP,
    FUND_TRANSFER_EXEC_RSP,
    PRIV_COUNTER_FUND_TRANSFER_REQUEST_RSP,
    PRIV_COUNTER_FUND_TRANSFER_RESULT_RSP,
    PRIV_CLUSTER_FUND_TRANSFER_REQUEST_RSP,
    PRIV_CLUSTER_FUND_TRANSFER_RESULT_RSP,
    BRIEF_POSITION_QUERY_RSP,
    BRIEF_ASSET_QUERY_RSP,
};

// Worker 3: answers for the market-data API, so that they never wait behind
// trading answers.
constexpr ServiceCode kQuoteAnswers[] = {
    LEVEL1_QUOTE_RSP,
    REBUILD_TICK_QUOTE_ERR_RSP,
    REBUILD_TICK_QUOTE_RSP,
    ALL_LEVEL1_QUOTE_QUERY_RSP,
};

// Every other code, the heartbeat and the requests among them, is dropped on
// the receiving thread (worker 0).
constexpr RouteTable make_route_table() {
    RouteTable t{};
    for (ServiceCode c : kPushed) t.worker[c] = 1;
    for (ServiceCode c : kAnswers) t.worker[c] = 2;
    for (ServiceCode c : kQuoteAnswers) t.worker[c] = 3;
    return t;
}

constexpr RouteTable kRoutes = make_route_table();

void delay_post_trampoline(Framework* framework, unsigned long session_id, Message* message) {
    static_cast<const KApiFramework*>(framework)->delay_post_message(session_id, message);
}

}  // namespace

TcpMessageIO* TApiFramework<2ul>::create_message_io() {
    api_message_io_ = nullptr;
    auto* io = make_object<ApiMessageIO<2ul>>(static_cast<KApiFramework*>(this));
    if (io == nullptr) return nullptr;
    // A transport that failed half-way keeps its constructed threads out of
    // use; it is never freed, like every framework object.
    if (!io->initialize()) return nullptr;
    api_message_io_ = io;
    return io;
}

KApiFramework::KApiFramework(ApiConfig<2ul>* config)
    : config_(config), delay_sender_(nullptr), request_manager_(nullptr) {
    handler_count_ = kHandlerCount;
}

bool KApiFramework::initialize() {
    if (!Framework::initialize()) return false;
    delay_sender_ = nullptr;
    auto* delay = make_object<ApiDelaySender>("delay_sender", static_cast<Framework*>(this), kDelayMs);
    if (delay == nullptr || !delay->initialize()) return false;
    delay_sender_ = delay;
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    request_manager_ =
        KApiRequestManager::create(this, api != nullptr ? api->timer_manager_ : nullptr, &delay_post_trampoline);
    return request_manager_ != nullptr;
}

unsigned long KApiFramework::route(uint32_t service_code) {
    return service_code < sizeof kRoutes.worker ? kRoutes.worker[service_code] : 0;
}

unsigned long KApiFramework::get_message_handler(Message* message) {
    const uint32_t code = frame_service_code(message->header_);
    LOG_TRACE("on message: { service_code = %d, session_id = %lu }", (int)code, frame_session_id(message->header_));
    return route(code);
}

void KApiFramework::delay_post_message(unsigned long session_id, Message* message) const {
    if (message == nullptr || message->header_ == nullptr || delay_sender_ == nullptr) return;
    set_frame_session_id(message->header_, session_id);
    set_frame_time_stamp(message->header_, ApiLocalTime::epoch_ms());
    delay_sender_->delay(message);
}

void KApiFramework::on_disconnect(unsigned long session_id, unsigned char type) {
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    if (api == nullptr) return;
    switch (type) {
        case static_cast<unsigned char>(nq::ApiType::PRIVILEGE):
            if (KApiPrivilegeContext* c = api->privilege_context_.load(std::memory_order_acquire))
                if (CallbackGuard<nq::TRVPrivilegeSpi> spi{c->spi_}) spi->on_disconnect(session_id);
            break;
        case static_cast<unsigned char>(nq::ApiType::TRADE):
            if (KApiTradeContext* c = api->trade_context_.load(std::memory_order_acquire))
                if (CallbackGuard<nq::TRVTradeSpi> spi{c->spi_}) spi->on_disconnect(session_id);
            break;
        case static_cast<unsigned char>(nq::ApiType::QUOTE):
            if (KApiQuoteContext* c = api->quote_context_.load(std::memory_order_acquire))
                if (CallbackGuard<nq::TRVQuoteSpi> spi{c->spi_}) spi->on_disconnect(session_id);
            break;
        default: break;
    }
}

void KApiFramework::trade_report_handler_bind_cpu_core(int core) { message_handler_bind_cpu_core(1, core); }

}}  // namespace nq::api
