#include "api/handlers/ApiServiceFuncInitAssets.h"

#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/handlers/ApiSessionGuard.h"

namespace nq { namespace api {

TRV_REGISTER_SERVICE_FUNC(INIT_ASSET_NOTICE);

static_assert(sizeof(nq::trv_init_asset_info_t) == 24, "start-of-day assets are 24 bytes");

void ApiServiceFunc<INIT_ASSET_NOTICE>::service_func(nq::Message* message) {
    ApiSessionGuard<2ul> guard(acquire_session(message));
    ApiSession<2ul>* session = guard.get();
    if (session == nullptr || business_ == nullptr || business_->auth_mgr_ == nullptr ||
        !check_body(message, kBodySize))
        return;
    const unsigned char* body = message->body_;
    const uint64_t session_id = session->session_id();
    business_->auth_mgr_->with_auth(load_le<uint64_t>(body, 49), [&](KApiAuth* a) {
        if (a->session_id.load() == session_id) std::memcpy(&a->init_assets, body + 57, sizeof a->init_assets);
    });
}

}}  // namespace nq::api
