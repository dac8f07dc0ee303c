#include "api/provider/KApiFramework.h"

#include "framework/CallbackGuard.h"

#include "api/provider/KApi.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiPrivilegeContext.h"
#include "api/provider/KApiQuoteContext.h"
#include "api/requests/KApiRequestManager.h"
#include "api/provider/KApiTradeContext.h"
#include "framework/AllocMem.h"
#include "framework/ApiDelaySender.h"
#include "framework/ApiLocalTime.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

struct RouteTable {
    unsigned char worker[16384];
};

constexpr RouteTable make_route_table() {
    RouteTable t{};
    // Pushed messages: invalid-token notice, reports, raw reports, order
    // book, assets and positions, fund transfers, token and quote-login
    // publications.
    t.worker[1034] = 1;
    for (int c = 2307; c <= 2313; ++c) t.worker[c] = 1;
    t.worker[2339] = 1;
    for (int c = 2371; c <= 2373; ++c) t.worker[c] = 1;
    for (int c = 2403; c <= 2404; ++c) t.worker[c] = 1;
    for (int c = 2435; c <= 2439; ++c) t.worker[c] = 1;
    for (int c = 2467; c <= 2468; ++c) t.worker[c] = 1;
    // Responses to requests, the login chain, error replies.
    const int answers[] = {1028, 1029, 1031, 1032, 1033, 1036, 1038, 1042, 1045, 1047, 1049, 1051, 1859, 1860};
    for (int c : answers) t.worker[c] = 2;
    for (int c = 1923; c <= 1925; ++c) t.worker[c] = 2;
    for (int c = 1987; c <= 1992; ++c) t.worker[c] = 2;
    for (int c = 2051; c <= 2059; ++c) t.worker[c] = 2;
    // Market-data query responses.
    const int quotes[] = {1040, 1053, 1054, 1056};
    for (int c : quotes) t.worker[c] = 3;
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
        default:
            break;
    }
}

void KApiFramework::trade_report_handler_bind_cpu_core(int core) { message_handler_bind_cpu_core(1, core); }

}}  // namespace nq::api
