// One authorisation record. Its id (slot | open counter << 20) is what the
// public interface calls the trade token.
#pragma once
#include <atomic>
#include <cstdint>

#include "api/business/KApiInitPositionStdList.h"
#include "api/security/ApiTradeToken.h"
#include "trv_api.h"

namespace nq { namespace api {

struct KApiAuth {
    // Written under the manager's claim lock, read without a lock by
    // get_auth on any thread.
    std::atomic<uint8_t> free;
    std::atomic<uint8_t> reported;     // on_auth_trade was called for this record
    std::atomic<uint64_t> request_id;  // the caller's request id of the authorisation
    // Request-ring sequence of the authorisation request; stored before the
    // request is posted, read by the answer's handler.
    std::atomic<uint64_t> request_seq;
    std::atomic<uint64_t> session_id;           // session that opened the record
    std::atomic<uint64_t> id;                   // slot | counter << 20
    std::atomic<uint64_t> auth_id;              // returned by the counter (1047)
    std::atomic<uint64_t> trade_account_index;  // returned by the counter (1047)
    std::atomic<uint64_t> token_request_no;     // request id of the next token request (1411); starts at 1
    // Ring sequence + 1 of the last token request sent for the record, 0 for
    // none: a new one is not sent while that one is still outstanding.
    std::atomic<uint64_t> token_request_pending;
    // Attached by a handler worker, read by order-sending threads and
    // "crontab": always through set_token / current_token.
    std::atomic<ApiTradeToken*> token;
    nq::trv_init_asset_info_t init_assets;
    KApiInitPositionStdList init_positions;

    KApiAuth()
        : free(1), reported(0), request_id(0), request_seq(0), session_id(0), id(0), auth_id(0), trade_account_index(0),
          token_request_no(1), token_request_pending(0), token(nullptr), init_assets() {}

    void set_token(ApiTradeToken* t) { token.store(t, std::memory_order_release); }
    ApiTradeToken* current_token() const { return token.load(std::memory_order_acquire); }
    bool in_use() const { return free.load(std::memory_order_acquire) == 0; }
};

}}  // namespace nq::api
