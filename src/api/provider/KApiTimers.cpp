// KApi: the timer callback, with the request and order timeouts.
#include <cstring>

#include "framework/CallbackGuard.h"

#include "api/business/KApiBusiness.h"
#include "api/messages/RequestInfo.h"
#include "api/messages/ServiceCode.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiSessionRef.h"
#include "api/provider/KApiTradeContext.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/LastApiError.h"
#include "framework/Message.h"
#include "log/Log.h"

namespace nq { namespace api {

KApi::request_timeout_func_t KApi::request_timeout_func_ = nullptr;

namespace {

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
            LOG_TRACE(
                "on_request_timer: { session_id = %lu, request_id = %lu, request_seq = %lu, desire_response = %lu }",
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

}}  // namespace nq::api
