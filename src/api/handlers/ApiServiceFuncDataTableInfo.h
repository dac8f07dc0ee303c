// Handler of the data-table information 1042 that starts every paged query.
#pragma once
#include "api/handlers/ApiServiceFunc.h"
#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ServiceCode.h"

namespace nq { namespace api {

template <>
class ApiServiceFunc<DATA_TABLE_INFO_RSP> final : public KApiServiceFuncBase {
public:
    ApiServiceFunc() : KApiServiceFuncBase(DATA_TABLE_INFO_RSP) {}
    void service_func(nq::Message* message) override;
};

}}  // namespace nq::api
