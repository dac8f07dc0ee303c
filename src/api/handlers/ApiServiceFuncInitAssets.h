// Handler of the notice 1032: the start-of-day assets of an authorisation.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ServiceCode.h"

namespace nq { namespace api {

template <>
class ApiServiceFunc<INIT_ASSET_NOTICE> final : public KApiServiceFuncBase {
public:
    static constexpr uint32_t kBodySize = 57 + 24;

    ApiServiceFunc() : KApiServiceFuncBase(INIT_ASSET_NOTICE) {}
    void service_func(nq::Message* message) override;
};

}}  // namespace nq::api
