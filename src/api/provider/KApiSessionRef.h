// A reference on one open session of the trading API, taken by id and
// released when the holder goes out of scope.
#pragma once
#include <cstdint>

#include "api/provider/ApiSessionGuard.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiSession.h"

namespace nq { namespace api {

class KApiSessionRef : public ApiSessionGuard<2ul> {
public:
    // Empty (false) when the lookup finds no session (KApiMessageIO::
    // acquire_api_session: none, closed, or of another API than the one the
    // user's call came in through).
    KApiSessionRef(KApiFramework* framework, uint64_t session_id)
        : ApiSessionGuard<2ul>(framework != nullptr && framework->api_message_io_ != nullptr
                                   ? framework->api_message_io_->acquire_api_session(session_id)
                                   : nullptr) {}

    ApiSession<2ul>* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
};

}}  // namespace nq::api
