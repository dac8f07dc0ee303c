#include "api/provider/KApiMessageIO.h"

#include "api/business/KApiBusiness.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiSession.h"
#include "framework/AllocMem.h"
#include "log/Log.h"

namespace nq { namespace api {

TcpSession* TApiMessageIO<2ul>::create_session_object() {
    auto* session = make_object<ApiSession<2ul>>(static_cast<TcpMessageIO*>(this));
    if (session != nullptr && !session->initialize()) {
        free_object(session);
        return nullptr;
    }
    return session;
}

KApiMessageIO::KApiMessageIO(KApiFramework* framework) : TApiMessageIO<2ul>(framework), open_session_count_(0) {
    for (auto& id : open_session_ids_) id.store(0, std::memory_order_relaxed);
}

void KApiMessageIO::on_open_session(unsigned long session_id) {
    open_session_ids_[session_slot(session_id)].store(session_id, std::memory_order_release);
    open_session_count_.fetch_add(1, std::memory_order_relaxed);
}

void KApiMessageIO::on_close_session(TcpSession* tcp_session) {
    const uint64_t id = tcp_session->session_id();
    auto& entry = open_session_ids_[session_slot(id)];
    if (entry.load(std::memory_order_relaxed) == id) {
        entry.store(0, std::memory_order_release);
        open_session_count_.fetch_sub(1, std::memory_order_relaxed);
    }
    KApiSession* session = KApiSession::from(tcp_session);
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    if (session == nullptr || api == nullptr || api->business_ == nullptr) return;
    // The session's own authorisation ends with it: no token refresh or
    // heartbeat is made for it any more.
    const uint64_t own = session->drop_own_auth();
    if (own != 0 && api->business_->auth_mgr_ != nullptr) api->business_->auth_mgr_->close_auth(own);
    KApiLoginAccountManager* accounts = api->business_->login_account_mgr_;
    if (accounts == nullptr) return;
    // Each account is given back by the session that holds it, and once.
    if (KApiLoginAccount* a = session->login_account.exchange(nullptr)) {
        accounts->on_logout(a, id);
        accounts->discard(a);
    }
    if (KApiLoginAccount* a = session->subscribe_account.exchange(nullptr)) accounts->on_unsubscribe_trade(a, id);
}

void KApiMessageIO::on_disconnect(unsigned long session_id, unsigned char type) {
    LOG_DEBUG("on_disconnect: { session_id = %lu, session_type = %d }", session_id, (int)type);
    static_cast<KApiFramework*>(framework_)->on_disconnect(session_id, type);
}

}}  // namespace nq::api
