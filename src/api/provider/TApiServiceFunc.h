// Base of the trading API's message handlers: the service provider hands each
// registered handler the business state and the framework while it starts.
#pragma once
#include "framework/ServiceFunc.h"

namespace nq { namespace api {

class KApiBusiness;
class KApiFramework;

template <unsigned long N>
class TApiServiceFunc;

template <>
class TApiServiceFunc<2ul> : public nq::ServiceFunc {
public:
    explicit TApiServiceFunc(uint32_t service_code = kNoServiceCode)
        : nq::ServiceFunc(service_code), business_(nullptr), framework_(nullptr) {}

    KApiBusiness* business_;
    KApiFramework* framework_;
};

}}  // namespace nq::api
