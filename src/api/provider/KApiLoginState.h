// Logins in progress, one entry per session-table slot. A login enters when
// its request is about to be sent and leaves exactly once, through whichever
// of the login's ends comes first (answer chain, error, timeout, or the
// timeout of a login whose session was lost meanwhile). The entry keeps what
// the final on_login needs even when the session itself is gone.
#pragma once
#include <atomic>
#include <cstdint>

namespace nq { namespace api {

class KApiLoginState {
public:
    static constexpr unsigned long kSlots = 65536;

    struct Entry {
        uint64_t session_id;
        uint64_t request_id;
        uint8_t api_type;
    };

    static void begin(uint64_t session_id, uint64_t request_id, uint8_t api_type);
    // Takes the login of session_id out; true (and its entry) for the one
    // caller that does so, false when it already ended or never began.
    static bool end(uint64_t session_id, Entry* entry = nullptr);
    static bool in_progress(uint64_t session_id);

private:
    struct Slot {
        std::atomic<uint64_t> session_id;
        std::atomic<uint64_t> request_id;
        std::atomic<uint8_t> api_type;
    };
    static Slot slots_[kSlots];
};

}}  // namespace nq::api
