// KApi: the UDP trade heartbeat and the once-a-second pass of the "crontab"
// thread that asks for missing trade tokens and keeps live ones alive.
#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/messages/ServiceCode.h"
#include "api/order/KApiUdpSender.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiSessionRef.h"
#include "api/provider/KApiTradeContext.h"
#include "api/security/ApiTradeToken.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

constexpr uint32_t kHeartbeatBody = 56;

}  // namespace

void KApi::heart_beat_trade(ApiTradeToken* token) {
    if (token == nullptr) return;
    KApiTradeContext* trade = trade_context_.load(std::memory_order_acquire);
    if (trade == nullptr || trade->udp_sender_ == nullptr) return;
    KApiUdpSender* sender = trade->udp_sender_;
    unsigned char* body = sender->acquire_send_buffer(TRADE_HEARTBEAT, kHeartbeatBody);
    if (body == nullptr) return;
    std::memset(body, 0, kHeartbeatBody);
    if (!sender->send_order(body, kHeartbeatBody, reinterpret_cast<const sockaddr*>(&token->fon_address),
                            reinterpret_cast<const char*>(token->fon_mac)))
        LOG_TRACE("heart beat order send failed");
    sender->release_send_buffer(body);
}

void KApi::refresh_token() {
    if (framework_ == nullptr || framework_->api_message_io_ == nullptr || business_ == nullptr) return;
    KApiMessageIO* io = framework_->api_message_io_;
    KApiAuthManager* auths = business_->auth_mgr_;
    if (auths == nullptr) return;

    // Sessions of normal accounts whose own token is missing.
    const unsigned long high = io->slot_high_.load(std::memory_order_acquire);
    for (unsigned long slot = 1; slot < high && slot < TcpMessageIO::kSlotCount; ++slot) {
        const uint64_t id = io->open_session_ids_[slot].load(std::memory_order_acquire);
        if (id == 0) continue;
        uint64_t request_no = 0, own = 0;
        {
            KApiSessionRef session(framework_, id);
            if (!session || session->login_done.load() == 0 ||
                session->api_type.load() == static_cast<uint8_t>(nq::ApiType::QUOTE) ||
                session->login_account_type.load() != 0 || session->token.load() != nullptr)
                continue;
            own = session->trade_token.load();
            KApiAuth* a = own != 0 ? auths->get_auth(own) : nullptr;
            if (a == nullptr || a->session_id.load() != id) continue;
            request_no = a->token_request_no.load();
        }
        request_token(id, request_no, own);
    }

    // Every record in use: heartbeat its token while its session lives, and
    // ask again for the token of an authorisation made by auth_trade that
    // lost it.
    for (uint64_t slot = 1; slot < KApiAuthManager::kSlots; ++slot) {
        KApiAuth* a = auths->record_at(slot);
        if (a == nullptr || !a->in_use()) continue;
        const uint64_t record_id = a->id.load(std::memory_order_acquire);
        const uint64_t session_id = a->session_id.load();
        if (record_id == 0 || session_id == 0) continue;
        KApiSessionRef session(framework_, session_id);
        if (!session) continue;
        if (ApiTradeToken* token = a->current_token()) heart_beat_trade(token);
        if (!a->in_use() || a->id.load(std::memory_order_acquire) != record_id) continue;
        if (a->reported.load() == 0 || a->current_token() != nullptr) continue;
        if (session->login_done.load() == 0 || session->api_type.load() == static_cast<uint8_t>(nq::ApiType::QUOTE))
            continue;
        request_token(session_id, a->token_request_no.load(), record_id);
    }
}

}}  // namespace nq::api
