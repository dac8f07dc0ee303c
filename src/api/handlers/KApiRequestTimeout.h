// The request-timeout path of the service provider reaches the timeout
// operation of the handler of the awaited answer through this entry, which
// the handler component installs when it is loaded.
#pragma once
#include "api/messages/RequestInfo.h"
#include "api/provider/KApiSession.h"
#include "trv_api.h"

namespace nq { namespace api {

void request_timeout(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error);

}}  // namespace nq::api
