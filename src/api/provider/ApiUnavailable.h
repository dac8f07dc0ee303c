// The refusal of a provider operation that this build does not carry.
#pragma once
#include "framework/LastApiError.h"

namespace nq { namespace api {

inline void report_unavailable(const char* operation) {
    set_last_error(301, 0, "operation not available in this library build: { operation = %s }", operation);
}

}}  // namespace nq::api
