// Login or trade-message subscription state of one account.
#pragma once
#include <atomic>
#include <cstdint>

namespace nq { namespace api {

struct KApiLoginAccount {
    enum : uint8_t { kIdle = 0, kInProgress = 1, kDone = 2 };
    static constexpr unsigned kNameSize = 65;  // at most 64 characters and a terminator

    char name[kNameSize];
    std::atomic<uint8_t> state;
    std::atomic<uint64_t> session_id;  // the session that began the login or subscription
    uint8_t in_use;                    // meaningful only in the manager's table
    KApiLoginAccount* next_free;       // the manager's list of records to reuse

    // Copies at most 64 characters of name (null leaves it empty); idle, no session.
    void reset(const char* account_name);

    // Idle -> in progress for session_id; false when the account is not idle.
    bool try_begin_login(uint64_t session_id);
    bool try_begin_subscribe_trade(uint64_t session_id);

    // Every later change is made only for the session that began the login or
    // subscription: another session's success, failure, logout or
    // unsubscription leaves the account as it is and returns false, so a late
    // event of a closed session cannot release a newer session's claim.
    bool on_login_success(uint64_t session_id);
    bool on_login_failed(uint64_t session_id);
    bool on_logout(uint64_t session_id);
    bool on_subscribe_trade_success(uint64_t session_id);
    bool on_subscribe_trade_failed(uint64_t session_id);
    bool on_unsubscribe_trade(uint64_t session_id);

    bool owned_by(uint64_t sid) const {
        return state.load(std::memory_order_acquire) != kIdle && session_id.load(std::memory_order_acquire) == sid;
    }

private:
    bool begin(uint64_t sid);
    bool complete(uint64_t sid);
    bool release(uint64_t sid);
};

}}  // namespace nq::api
