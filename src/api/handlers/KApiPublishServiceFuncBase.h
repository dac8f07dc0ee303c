// Handler family of the pushed state messages: every copy is delivered,
// replayed ones included.
#pragma once
#include <cstdint>

#include "api/handlers/KApiServiceFuncBase.h"
#include "api/handlers/PushedBody.h"
#include "api/messages/ServiceCode.h"
#include "api/provider/ApiSessionGuard.h"

namespace nq { namespace api {

template <uint32_t N>
class KApiPublishServiceFuncBase : public KApiServiceFuncBase {
public:
    static constexpr uint32_t kBodySize = body_length(N);  // descriptor and record
    static_assert(kBodySize > PushedBody::kDescSize, "a pushed body is a descriptor and a record");

    KApiPublishServiceFuncBase() : KApiServiceFuncBase(N) {}

    void service_func(nq::Message* message) override {
        ApiSessionGuard<2ul> guard(acquire_session(message));
        ApiSession<2ul>* session = guard.get();
        if (session == nullptr || !check_body(message, kBodySize)) return;
        publish_call_back(session, message);
    }

    virtual void publish_call_back(KApiSession* session, nq::Message* message) = 0;
};

}}  // namespace nq::api
