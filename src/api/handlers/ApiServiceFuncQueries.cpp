#include "api/handlers/ApiServiceFuncQueries.h"

#include "framework/CallbackGuard.h"

#include "api/handlers/KApiResultList.h"
#include "api/messages/ApiBodyHead.h"
#include "api/messages/QueryRequest.h"

namespace nq { namespace api {

namespace {

bool is_paged(const request_info_t* info) {
    return info != nullptr && info->request != nullptr && info->request->status.req_count != 0;
}

// One call of a query callback: the rows of a page (error null), or no list
// and is_last with an error. A paged query (query_orders_by_page) reports
// through the order query's own page callback only.
template <class List, class Spi, class Interface>
void answer(std::atomic<Spi*>& slot, KApiSession* session, uint64_t request_id, const KApiDataList* rows,
            const request_info_t* info, const nq::trv_error_info_t* error,
            void (Spi::*callback)(uint64_t, uint64_t, const Interface*, bool, const nq::trv_error_info_t*)) {
    if (is_paged(info)) return;
    CallbackGuard<Spi> spi{slot};
    if (!spi) return;
    const List list(rows);
    const bool is_last = error != nullptr || (info != nullptr && info->finished != 0);
    (spi.get()->*callback)(session->session_id(), request_id, error != nullptr ? nullptr : &list, is_last, error);
}

// The order query, paged or not.
void answer_orders(KApiSession* session, uint64_t request_id, const KApiDataList* rows, const request_info_t* info,
                   const nq::trv_error_info_t* error) {
    if (!is_paged(info)) {
        answer<KApiOrderList>(session->trade_spi, session, request_id, rows, info, error,
                              &nq::TRVTradeSpi::on_query_orders);
        return;
    }
    CallbackGuard<nq::TRVTradeSpi> spi{session->trade_spi};
    if (!spi) return;
    const query_request_status_t& status = info->request->status;
    if (error != nullptr) {
        spi->on_query_orders_by_page(session->session_id(), request_id, nullptr, status.req_count, status.rsp_count,
                                     nullptr, true, error);
        return;
    }
    const KApiOrderList list(rows);
    const nq::trv_page_query_reference_t reference = status.reference;
    spi->on_query_orders_by_page(session->session_id(), request_id, &list, status.req_count, status.rsp_count,
                                 &reference, info->finished != 0, nullptr);
}

}  // namespace

// Error replies carry the failed request's head; the error record is copied
// with its text terminated, so the user may print it.
#define TRV_QUERY_ANSWER(N, DELIVER)                                                                                \
    void ApiServiceFunc<N>::query_call_back(KApiSession* session, uint64_t request_id, const KApiDataList* list,    \
                                            const request_info_t* info) {                                           \
        DELIVER(session, request_id, list, info, nullptr);                                                          \
    }                                                                                                               \
    void ApiServiceFunc<N>::error_func(KApiSession* session, nq::Message* message, request_info_t* info) {          \
        nq::trv_error_info_t error;                                                                                 \
        if (session == nullptr || !error_of(message, &error)) return;                                               \
        DELIVER(session, load_le<uint64_t>(message->body_, kRequestIdAt), nullptr, info, &error);                   \
    }                                                                                                               \
    void ApiServiceFunc<N>::timeout_func(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error) { \
        if (session == nullptr || info == nullptr) return;                                                          \
        DELIVER(session, info->request_id, nullptr, info, error);                                                   \
    }                                                                                                               \
    TRV_REGISTER_SERVICE_FUNC(N)

#define TRV_DELIVER(List, slot, callback)                                                                           \
    [](KApiSession* s, uint64_t r, const KApiDataList* l, const request_info_t* i, const nq::trv_error_info_t* e) { \
        answer<List>(s->slot, s, r, l, i, e, callback);                                                             \
    }

namespace {
const auto deliver_static_quotes =
    TRV_DELIVER(KApiStaticQuoteList, quote_spi, &nq::TRVQuoteSpi::on_query_static_quote_info);
const auto deliver_trade_accounts =
    TRV_DELIVER(KApiTradeAccountInfoList, trade_spi, &nq::TRVTradeSpi::on_query_trade_account_info);
const auto deliver_level1_quotes =
    TRV_DELIVER(KApiLevel1QuoteList, quote_spi, &nq::TRVQuoteSpi::on_query_all_level1_quote);
const auto deliver_positions = TRV_DELIVER(KApiPositionList, trade_spi, &nq::TRVTradeSpi::on_query_positions);
const auto deliver_assets = TRV_DELIVER(KApiAssetList, trade_spi, &nq::TRVTradeSpi::on_query_assets);
const auto deliver_trades = TRV_DELIVER(KApiTradeReportList, trade_spi, &nq::TRVTradeSpi::on_query_trades);
const auto deliver_init_assets = TRV_DELIVER(KApiInitAssetList, trade_spi, &nq::TRVTradeSpi::on_query_init_assets);
const auto deliver_init_positions =
    TRV_DELIVER(KApiInitPositionList, trade_spi, &nq::TRVTradeSpi::on_query_init_positions);
const auto deliver_brief_positions =
    TRV_DELIVER(KApiBriefPositionList, privilege_spi, &nq::TRVPrivilegeSpi::on_query_brief_positions);
const auto deliver_brief_assets =
    TRV_DELIVER(KApiBriefAssetList, privilege_spi, &nq::TRVPrivilegeSpi::on_query_brief_assets);
}  // namespace

TRV_QUERY_ANSWER(STATIC_QUOTE_QUERY_RSP, deliver_static_quotes);
TRV_QUERY_ANSWER(TRADE_ACCOUNT_QUERY_RSP, deliver_trade_accounts);
TRV_QUERY_ANSWER(ALL_LEVEL1_QUOTE_QUERY_RSP, deliver_level1_quotes);
TRV_QUERY_ANSWER(ORDER_QUERY_RSP, answer_orders);
TRV_QUERY_ANSWER(POSITION_QUERY_RSP, deliver_positions);
TRV_QUERY_ANSWER(ASSET_QUERY_RSP, deliver_assets);
TRV_QUERY_ANSWER(TRADE_QUERY_RSP, deliver_trades);
TRV_QUERY_ANSWER(INIT_ASSET_QUERY_RSP, deliver_init_assets);
TRV_QUERY_ANSWER(INIT_POSITION_QUERY_RSP, deliver_init_positions);
TRV_QUERY_ANSWER(BRIEF_POSITION_QUERY_RSP, deliver_brief_positions);
TRV_QUERY_ANSWER(BRIEF_ASSET_QUERY_RSP, deliver_brief_assets);

#undef TRV_QUERY_ANSWER
#undef TRV_DELIVER

}}  // namespace nq::api
