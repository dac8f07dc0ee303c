// Handler of the login answer 1031: takes the login on to the security
// table, the login's own authorisation, or its end.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ServiceCode.h"

namespace nq { namespace api {

template <>
class ApiServiceFunc<LOGIN_RSP> final : public KApiServiceFuncBase {
public:
    // Body bytes up to the cluster group id.
    static constexpr uint32_t kBodySize = 82;

    ApiServiceFunc() : KApiServiceFuncBase(LOGIN_RSP) {}
    void service_func(nq::Message* message) override;
    void error_func(KApiSession* session, nq::Message* message, request_info_t* info) override;
    void timeout_func(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error) override;

    // After the security table, or at once when it is loaded: a normal
    // account authorises itself with the login's credentials, which are then
    // wiped; any other account's login ends.
    static void continue_login(KApiSession* session);
};

}}  // namespace nq::api
