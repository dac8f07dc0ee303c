#include "api/provider/KApiCallerScope.h"

namespace nq { namespace api {

thread_local uint8_t KApiCallerScope::caller_ = 0;

}}  // namespace nq::api
