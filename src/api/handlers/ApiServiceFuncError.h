// Handler of the error answer 1029: completes the failed request and runs
// the error operation of the handler of the answer that request awaited.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ServiceCode.h"

namespace nq { namespace api {

template <>
class ApiServiceFunc<API_ERR_RSP> final : public KApiServiceFuncBase {
public:
    ApiServiceFunc() : KApiServiceFuncBase(API_ERR_RSP) {}
    // The request is found by the echoed sequence and must belong to the
    // session the answer came on; the handler is chosen by the code the
    // request awaits, never by the code the peer names, so no handler runs
    // on a request it was not made for.
    void service_func(nq::Message* message) override;
};

}}  // namespace nq::api
