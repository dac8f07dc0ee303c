// Handler of the notice 1034: the counter no longer accepts a trade token;
// the token refresh asks for a new one.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ServiceCode.h"

namespace nq { namespace api {

template <>
class ApiServiceFunc<TOKEN_INVALID_NOTICE> final : public KApiServiceFuncBase {
public:
    ApiServiceFunc() : KApiServiceFuncBase(TOKEN_INVALID_NOTICE) {}
    void service_func(nq::Message* message) override;
};

}}  // namespace nq::api
