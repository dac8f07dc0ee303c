// The API (trading, market data or privileged) whose facade a user's call
// came in through, for the duration of that call on the calling thread.
// While it is set, a session of another API is not found: each operation
// refuses it as it refuses an unknown session (307 with its own "get session
// failed" text) and leaves it untouched, so one API can neither close nor
// use another API's session. Calls from the library's own threads, and
// operations that take no session of the caller (login), run without it.
#pragma once
#include <cstdint>

#include "trv_api.h"

namespace nq { namespace api {

class KApiCallerScope {
public:
    explicit KApiCallerScope(nq::ApiType own) : saved_(caller_) { caller_ = static_cast<uint8_t>(own) + 1; }
    ~KApiCallerScope() { caller_ = saved_; }
    KApiCallerScope(const KApiCallerScope&) = delete;
    KApiCallerScope& operator=(const KApiCallerScope&) = delete;

    // Whether the current call may use a session of API type `api_type`.
    static bool admits(uint8_t api_type) {
        const uint8_t caller = caller_;
        return caller == 0 || caller == static_cast<uint8_t>(api_type + 1);
    }

private:
    const uint8_t saved_;  // a scope set further out (a facade call inside a callback's call)
    // 0: no facade call under way on this thread; else the API type + 1.
    static thread_local uint8_t caller_;
};

}}  // namespace nq::api
