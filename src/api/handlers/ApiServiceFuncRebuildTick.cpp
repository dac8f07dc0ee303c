#include "api/handlers/ApiServiceFuncRebuildTick.h"

#include "framework/CallbackGuard.h"

#include "api/provider/ApiSessionGuard.h"

namespace nq { namespace api {

void ApiServiceFunc<REBUILD_TICK_QUOTE_ERR_RSP>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    if (session == nullptr || !check_body(message, sizeof(MessageBody<REBUILD_TICK_QUOTE_ERR_RSP>))) return;
    const auto* body = reinterpret_cast<const MessageBody<REBUILD_TICK_QUOTE_ERR_RSP>*>(message->body_);
    if (body->result != 0) return;
    CallbackGuard<nq::TRVQuoteSpi> spi{session->quote_spi};
    if (!spi) return;
    nq::trv_error_info_t error;
    copy_error(message->body_ + offsetof(MessageBody<REBUILD_TICK_QUOTE_ERR_RSP>, error), &error);
    spi->on_request_rebuild_tick_quote_error(session->session_id(), body->head.request_id, &error);
}

void ApiServiceFunc<REBUILD_TICK_QUOTE_RSP>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    if (session == nullptr || !check_body(message, sizeof(MessageBody<REBUILD_TICK_QUOTE_RSP>))) return;
    const auto* body = reinterpret_cast<const MessageBody<REBUILD_TICK_QUOTE_RSP>*>(message->body_);
    CallbackGuard<nq::TRVQuoteSpi> spi{session->quote_spi};
    if (!spi) return;
    spi->on_rebuild_tick_quote(session->session_id(), body->head.request_id, body->exchange_index, body->msg_type,
                               &body->tick);
}

TRV_REGISTER_SERVICE_FUNC(REBUILD_TICK_QUOTE_ERR_RSP);
TRV_REGISTER_SERVICE_FUNC(REBUILD_TICK_QUOTE_RSP);

}}  // namespace nq::api
