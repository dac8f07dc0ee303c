// KApi: the end of every login, by its answer chain, an error or a timeout.
#include "framework/CallbackGuard.h"

#include "api/business/KApiBusiness.h"
#include "api/messages/RequestInfo.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiLoginState.h"
#include "api/provider/KApiPrivilegeContext.h"
#include "api/provider/KApiQuoteContext.h"
#include "api/provider/KApiSessionRef.h"
#include "api/provider/KApiTradeContext.h"
#include "api/requests/KApiRequestManager.h"

namespace nq { namespace api {

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
                if (CallbackGuard<nq::TRVPrivilegeSpi> spi{c->spi_}) spi->on_login(session_id, entry.request_id, error);
            break;
        case nq::ApiType::TRADE:
            if (KApiTradeContext* c = trade_context_.load(std::memory_order_acquire))
                if (CallbackGuard<nq::TRVTradeSpi> spi{c->spi_}) spi->on_login(session_id, entry.request_id, error);
            break;
        case nq::ApiType::QUOTE:
            if (KApiQuoteContext* c = quote_context_.load(std::memory_order_acquire))
                if (CallbackGuard<nq::TRVQuoteSpi> spi{c->spi_}) spi->on_login(session_id, entry.request_id, error);
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

}}  // namespace nq::api
