// ApiServiceFunc<N>: the one handler class of service code N, a final class
// derived from the family of its code and specialised next to its handling
// code. TRV_REGISTER_SERVICE_FUNC(N) gives it its static object and its
// entry in the handler table while the library is loaded.
#pragma once
#include <cstdint>
#include <new>

#include "framework/ServiceFunc.h"

namespace nq { namespace api {

template <uint32_t N>
class ApiServiceFunc;

// Storage of one handler for the life of the process. The handler is built
// in place and entered in the table; it is never destroyed, so a worker that
// still runs while the process exits never calls a destroyed handler.
template <class H>
class StaticServiceFunc {
public:
    StaticServiceFunc() {
        H* handler = new (storage_) H();
        if (handler->service_code_ < nq::ServiceFunc::kTableSize)
            nq::ServiceFunc::service_func_[handler->service_code_] = handler;
    }
    H* get() { return reinterpret_cast<H*>(storage_); }

private:
    alignas(H) unsigned char storage_[sizeof(H)];
};

}}  // namespace nq::api

// At namespace scope of a source file of the library.
#define TRV_REGISTER_SERVICE_FUNC(N) \
    static ::nq::api::StaticServiceFunc<::nq::api::ApiServiceFunc<N>> trv_service_func_##N
