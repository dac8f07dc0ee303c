// Logins in progress, keyed by their whole session id. A login enters when
// its request is about to be sent and leaves exactly once, through whichever
// of the login's ends comes first (answer chain, error, timeout, or the
// timeout of a login whose session was lost meanwhile). The entry keeps what
// the final on_login needs even when the session itself is gone, and a new
// login in the same session slot never takes the place of one that has not
// ended yet.
#pragma once
#include <pthread.h>

#include <cstdint>

namespace nq { namespace api {

class KApiLoginState {
public:
    // More than the request ring can hold, so a login whose request was
    // admitted always finds room.
    static constexpr unsigned long kSlots = 65536;

    struct Entry {
        uint64_t session_id;
        uint64_t request_id;
        uint8_t api_type;
    };

    // Enters the login of session_id; false when the table is full.
    static bool begin(uint64_t session_id, uint64_t request_id, uint8_t api_type);
    // Takes the login of session_id out; true (and its entry) for the one
    // caller that does so, false when it already ended or never began.
    static bool end(uint64_t session_id, Entry* entry = nullptr);

private:
    // Open addressing with linear probing from the session slot; an entry
    // with session id 0 is free. Logins begin and end a few times per
    // session, so one mutex is enough.
    static Entry entries_[kSlots];
    static unsigned long used_;  // one entry always stays free: probes end there
    static pthread_mutex_t mutex_;
};

}}  // namespace nq::api
