#include "api/handlers/KApiRequestTimeout.h"

#include "api/handlers/KApiServiceFuncBase.h"
#include "api/provider/KApi.h"
#include "framework/ServiceFunc.h"

namespace nq { namespace api {

void request_timeout(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error) {
    if (info == nullptr || info->desire_response >= nq::ServiceFunc::kTableSize) return;
    if (auto* handler = dynamic_cast<KApiServiceFuncBase*>(nq::ServiceFunc::service_func_[info->desire_response]))
        handler->timeout_func(session, info, error);
}

namespace {

struct InstallRequestTimeout {
    InstallRequestTimeout() { KApi::request_timeout_func_ = &request_timeout; }
};
InstallRequestTimeout g_install_request_timeout;

}  // namespace

}}  // namespace nq::api
