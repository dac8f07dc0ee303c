// Handler of the notice 1033: start-of-day positions of an authorisation,
// appended to its list.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ServiceCode.h"

namespace nq { namespace api {

template <>
class ApiServiceFunc<INIT_POSITION_NOTICE> final : public KApiServiceFuncBase {
public:
    static constexpr uint32_t kHeadSize = 65;  // items start here
    static constexpr uint32_t kRowSize = 42;

    ApiServiceFunc() : KApiServiceFuncBase(INIT_POSITION_NOTICE) {}
    // The items must lie inside the body, each at least one row long.
    void service_func(nq::Message* message) override;
};

}}  // namespace nq::api
