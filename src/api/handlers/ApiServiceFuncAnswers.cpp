#include "api/handlers/ApiServiceFuncAnswers.h"

#include "api/messages/ApiBodyHead.h"
#include "framework/CallbackGuard.h"

#include "api/business/KApiBusiness.h"

namespace nq { namespace api {

namespace {

// The one call of an answer: the answer's own call, or the failure call with
// the error (an error reply's record copied with its text terminated, or the
// timeout's).
template <class Spi, class Call>
void call(std::atomic<Spi*>& slot, Call&& f) {
    if (CallbackGuard<Spi> spi{slot}) f(spi.get());
}

}  // namespace

// 1040: level-1 quote.
void ApiServiceFunc<LEVEL1_QUOTE_RSP>::request_call_back(KApiSession* s, MessageBody<LEVEL1_QUOTE_RSP>* body) {
    call(s->quote_spi, [&](nq::TRVQuoteSpi* spi) {
        spi->on_query_level1_quote(s->session_id(), body->head.request_id, &body->quote, nullptr);
    });
}
void ApiServiceFunc<LEVEL1_QUOTE_RSP>::error_func(KApiSession* s, nq::Message* message, request_info_t*) {
    nq::trv_error_info_t error;
    if (s == nullptr || !error_of(message, &error)) return;
    call(s->quote_spi, [&](nq::TRVQuoteSpi* spi) {
        spi->on_query_level1_quote(s->session_id(), load_le<uint64_t>(message->body_, kRequestIdAt), nullptr, &error);
    });
}
void ApiServiceFunc<LEVEL1_QUOTE_RSP>::timeout_func(KApiSession* s, request_info_t* info, nq::trv_error_info_t* error) {
    if (s == nullptr || info == nullptr) return;
    call(s->quote_spi,
         [&](nq::TRVQuoteSpi* spi) { spi->on_query_level1_quote(s->session_id(), info->request_id, nullptr, error); });
}

// 1051: trade-message subscription; the session's subscription account
// learns the outcome before the user does.
void ApiServiceFunc<SUBSCRIBE_TRADE_MESSAGE_RSP>::request_call_back(KApiSession* s,
                                                                    MessageBody<SUBSCRIBE_TRADE_MESSAGE_RSP>* body) {
    if (s->subscribe_account != nullptr && business_ != nullptr && business_->login_account_mgr_ != nullptr)
        business_->login_account_mgr_->on_subscribe_trade_success(s->subscribe_account, s->session_id());
    call(s->trade_spi, [&](nq::TRVTradeSpi* spi) {
        spi->on_subscribe_trade_message(s->session_id(), body->head.request_id, body->start_sequence,
                                        body->latest_sequence, nullptr);
    });
}
namespace {
void subscribe_failed(KApiBusiness* business, KApiSession* s, uint64_t request_id, const nq::trv_error_info_t* error) {
    if (s->subscribe_account != nullptr && business != nullptr && business->login_account_mgr_ != nullptr)
        business->login_account_mgr_->on_subscribe_trade_failed(s->subscribe_account, s->session_id());
    call(s->trade_spi,
         [&](nq::TRVTradeSpi* spi) { spi->on_subscribe_trade_message(s->session_id(), request_id, 0, 0, error); });
}
}  // namespace
void ApiServiceFunc<SUBSCRIBE_TRADE_MESSAGE_RSP>::error_func(KApiSession* s, nq::Message* message, request_info_t*) {
    nq::trv_error_info_t error;
    if (s == nullptr || !error_of(message, &error)) return;
    subscribe_failed(business_, s, load_le<uint64_t>(message->body_, kRequestIdAt), &error);
}
void ApiServiceFunc<SUBSCRIBE_TRADE_MESSAGE_RSP>::timeout_func(KApiSession* s, request_info_t* info,
                                                               nq::trv_error_info_t* error) {
    if (s == nullptr || info == nullptr) return;
    subscribe_failed(business_, s, info->request_id, error);
}

// 1925: trade-message replay.
void ApiServiceFunc<REBUILD_TRADE_MESSAGE_RSP>::request_call_back(KApiSession* s,
                                                                  MessageBody<REBUILD_TRADE_MESSAGE_RSP>* body) {
    call(s->trade_spi, [&](nq::TRVTradeSpi* spi) {
        spi->on_rebuild_trade_message(s->session_id(), body->head.request_id, body->start_sequence, body->end_sequence,
                                      nullptr);
    });
}
void ApiServiceFunc<REBUILD_TRADE_MESSAGE_RSP>::error_func(KApiSession* s, nq::Message* message, request_info_t*) {
    nq::trv_error_info_t error;
    if (s == nullptr || !error_of(message, &error)) return;
    call(s->trade_spi, [&](nq::TRVTradeSpi* spi) {
        spi->on_rebuild_trade_message(s->session_id(), load_le<uint64_t>(message->body_, kRequestIdAt), 0, 0, &error);
    });
}
void ApiServiceFunc<REBUILD_TRADE_MESSAGE_RSP>::timeout_func(KApiSession* s, request_info_t* info,
                                                             nq::trv_error_info_t* error) {
    if (s == nullptr || info == nullptr) return;
    call(s->trade_spi,
         [&](nq::TRVTradeSpi* spi) { spi->on_rebuild_trade_message(s->session_id(), info->request_id, 0, 0, error); });
}

// 2051: final-file dump (privileged).
void ApiServiceFunc<DUMP_FINAL_FILE_RSP>::request_call_back(KApiSession* s, MessageBody<DUMP_FINAL_FILE_RSP>* body) {
    call(s->privilege_spi, [&](nq::TRVPrivilegeSpi* spi) {
        spi->on_dump_final_file(s->session_id(), body->head.request_id, body->success != 0, nullptr);
    });
}
void ApiServiceFunc<DUMP_FINAL_FILE_RSP>::error_func(KApiSession* s, nq::Message* message, request_info_t*) {
    nq::trv_error_info_t error;
    if (s == nullptr || !error_of(message, &error)) return;
    call(s->privilege_spi, [&](nq::TRVPrivilegeSpi* spi) {
        spi->on_dump_final_file(s->session_id(), load_le<uint64_t>(message->body_, kRequestIdAt), false, &error);
    });
}
void ApiServiceFunc<DUMP_FINAL_FILE_RSP>::timeout_func(KApiSession* s, request_info_t* info,
                                                       nq::trv_error_info_t* error) {
    if (s == nullptr || info == nullptr) return;
    call(s->privilege_spi,
         [&](nq::TRVPrivilegeSpi* spi) { spi->on_dump_final_file(s->session_id(), info->request_id, false, error); });
}

// 2052: unbinding a user from a trade gateway (privileged).
void ApiServiceFunc<UNBIND_USER_TGW_RSP>::request_call_back(KApiSession* s, MessageBody<UNBIND_USER_TGW_RSP>* body) {
    call(s->privilege_spi, [&](nq::TRVPrivilegeSpi* spi) {
        spi->on_unbind_user_tgw(s->session_id(), body->head.request_id, body->account_index, nullptr);
    });
}
void ApiServiceFunc<UNBIND_USER_TGW_RSP>::error_func(KApiSession* s, nq::Message* message, request_info_t*) {
    nq::trv_error_info_t error;
    if (s == nullptr || !error_of(message, &error)) return;
    call(s->privilege_spi, [&](nq::TRVPrivilegeSpi* spi) {
        spi->on_unbind_user_tgw(s->session_id(), load_le<uint64_t>(message->body_, kRequestIdAt), 0, &error);
    });
}
void ApiServiceFunc<UNBIND_USER_TGW_RSP>::timeout_func(KApiSession* s, request_info_t* info,
                                                       nq::trv_error_info_t* error) {
    if (s == nullptr || info == nullptr) return;
    call(s->privilege_spi,
         [&](nq::TRVPrivilegeSpi* spi) { spi->on_unbind_user_tgw(s->session_id(), info->request_id, 0, error); });
}

TRV_REGISTER_SERVICE_FUNC(LEVEL1_QUOTE_RSP);
TRV_REGISTER_SERVICE_FUNC(SUBSCRIBE_TRADE_MESSAGE_RSP);
TRV_REGISTER_SERVICE_FUNC(REBUILD_TRADE_MESSAGE_RSP);
TRV_REGISTER_SERVICE_FUNC(DUMP_FINAL_FILE_RSP);
TRV_REGISTER_SERVICE_FUNC(UNBIND_USER_TGW_RSP);

}}  // namespace nq::api
