#include "api/handlers/ApiServiceFuncInitPositions.h"

#include "api/business/KApiBusiness.h"
#include "api/provider/ApiSessionGuard.h"
#include "log/Log.h"

namespace nq { namespace api {

TRV_REGISTER_SERVICE_FUNC(INIT_POSITION_NOTICE);

void ApiServiceFunc<INIT_POSITION_NOTICE>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    if (session == nullptr || business_ == nullptr || business_->auth_mgr_ == nullptr ||
        !check_body(message, kHeadSize))
        return;
    const unsigned char* body = message->body_;
    const uint64_t item_size = load_le<uint32_t>(body, 57);
    const uint64_t count = load_le<uint32_t>(body, 61);
    const uint64_t size = body_size(message);
    if (!items_fit(count, item_size, kRowSize, kHeadSize, size)) {
        LOG_WARN(
            "init position notice dropped, items do not fit: { session_id = %lu, body_size = %lu, data_count = "
            "%lu, size_per_item = %lu }",
            session->session_id(), size, count, item_size);
        return;
    }
    const uint64_t session_id = session->session_id();
    business_->auth_mgr_->with_auth(load_le<uint64_t>(body, 49), [&](KApiAuth* a) {
        if (a->session_id.load() != session_id) return;
        const unsigned char* item = body + kHeadSize;
        for (uint64_t i = 0; i < count; ++i, item += item_size)
            a->init_positions.append(reinterpret_cast<const nq::trv_init_position_info_t*>(item), 1);
    });
}

}}  // namespace nq::api
