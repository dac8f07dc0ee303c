#include "api/handlers/ApiServiceFuncQuoteChannels.h"

#include <arpa/inet.h>

#include <cstring>

#include "api/provider/ApiSessionGuard.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiQuoteContext.h"
#include "log/Log.h"

namespace nq { namespace api {

TRV_REGISTER_SERVICE_FUNC(QUOTE_CHANNEL_NOTICE);

void ApiServiceFunc<QUOTE_CHANNEL_NOTICE>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    if (session == nullptr || session->api_type.load() != static_cast<uint8_t>(nq::ApiType::QUOTE) ||
        !check_body(message, kHeadSize))
        return;
    const unsigned char* body = message->body_;
    const uint64_t item_size = load_le<uint32_t>(body, 57);
    const uint64_t count = load_le<uint32_t>(body, 61);
    const uint64_t size = body_size(message);
    LOG_TRACE("receive quote mc info notify: { session_id = %lu, data_count = %u, size_per_item = %u }",
              session->session_id(), (uint32_t)count, (uint32_t)item_size);
    if (!items_fit(count, item_size, kItemSize, kHeadSize, size)) {
        LOG_WARN(
            "quote mc info notify dropped, items do not fit: { session_id = %lu, body_size = %lu, data_count = "
            "%lu, size_per_item = %lu }",
            session->session_id(), size, count, item_size);
        return;
    }
    KApi* api = KApi::instance_.load(std::memory_order_acquire);
    if (api == nullptr || api->quote_context_.load(std::memory_order_acquire) == nullptr) return;
    const unsigned char* item = body + kHeadSize;
    for (uint64_t i = 0; i < count; ++i, item += item_size) {
        quote_mc_info_t info;
        std::memcpy(&info, item, sizeof info);
        sockaddr_in addr;
        std::memcpy(&addr, info.mc_addr, sizeof addr);
        char ip[INET_ADDRSTRLEN] = {0};
        inet_ntop(AF_INET, &addr.sin_addr, ip, sizeof ip);
        LOG_TRACE("quote mc info: { index = %lu, mc_provider = %u, mc_flag = %u, mc_addr = %s:%d }", i,
                  (unsigned)info.mc_provider, (unsigned)info.mc_type, ip, (int)ntohs(addr.sin_port));
    }
    // One step: a subscription made meanwhile sees the old table or this one.
    KApiQuoteContext::replace_quote_mc_infos(body + kHeadSize, count, item_size);
}

}}  // namespace nq::api
