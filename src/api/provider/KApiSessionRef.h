// A reference on one open session of the trading API, taken by id and
// released when the holder goes out of scope.
#pragma once
#include <cstdint>

#include "api/provider/ApiSessionGuard.h"
#include "api/provider/KApiCallerScope.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiSession.h"

namespace nq { namespace api {

class KApiSessionRef : public ApiSessionGuard<2ul> {
public:
    KApiSessionRef(KApiFramework* framework, uint64_t session_id) : ApiSessionGuard<2ul>(acquire(framework, session_id)) {}

    ApiSession<2ul>* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    // The session of the id with a reference taken, or null when there is
    // none, it is not one of ours, or it belongs to another API than the
    // one the user's call came in through.
    static ApiSession<2ul>* acquire(KApiFramework* framework, uint64_t session_id) {
        if (framework == nullptr || framework->api_message_io_ == nullptr) return nullptr;
        TcpSession* tcp = framework->api_message_io_->acquire_session(session_id);
        if (tcp == nullptr) return nullptr;
        auto* session = dynamic_cast<ApiSession<2ul>*>(tcp);
        if (session != nullptr && !KApiCallerScope::admits(session->api_type.load())) session = nullptr;
        if (session == nullptr) tcp->release();
        return session;
    }
};

}}  // namespace nq::api
