// Compiled, never run (see format_checked_sites.cmake): a log line and a
// last error whose arguments match their formats build; one of either kind
// that does not fit fails the build with the library's flags.
#include "framework/LastApiError.h"
#include "log/Log.h"

namespace nq { namespace api {

void sites(unsigned long session_id) {
#if defined(TRV_MISMATCH_LAST_ERROR)
    set_last_error(kErrorNoSession, 0, "get session failed: { session_id = %s }", session_id);
#elif defined(TRV_MISMATCH_LOG)
    LOG_ERROR("get session failed: { session_id = %s }", session_id);
#else
    set_last_error(kErrorNoSession, 0, "get session failed: { session_id = %lu }", session_id);
    LOG_ERROR("get session failed: { session_id = %lu }", session_id);
#endif
}

}}  // namespace nq::api
