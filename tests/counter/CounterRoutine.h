// What a counter does by itself over a long session, on a thread of its own
// and through the stand-in counter's public operations:
//   - token invalidation: every period, the next trading session of a normal
//     login (in turn) that holds a token issued since its last invalidation
//     gets a 1034 for its own authorisation record (the record of the login's
//     own 1046), so each session's token is invalidated every few periods and
//     only once it was replaced;
//   - channel announcement: every period, every market-data session gets the
//     channel table (1045) again, the same table as at its login;
//   - quote feed: every period, one datagram to every announced channel
//     (quote_payload: a serial that no other datagram carries).
// Every invalidation is recorded, with its time on the counter's clock
// (StandInCounter::clock_ms), before it is sent, so a test can measure how
// the library heals and finds it whenever it sees its effect.
// A period of 0 switches the event off; periods may change while the routine
// runs.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "counter/QuoteFeeder.h"
#include "counter/StandInCounter.h"

namespace counter {

struct RoutineOptions {
    int token_invalidation_ms = 0;
    int channel_announcement_ms = 0;
    int quote_feed_ms = 0;
};

struct TokenInvalidation {
    int64_t at_ms = 0;         // StandInCounter::clock_ms() when the 1034 was sent
    uint64_t session = 0;      // the counter's session number
    uint64_t trade_token = 0;  // the library's record named in the 1034
    uint64_t token_id = 0;     // the last token issued to the session before it
};

class CounterRoutine {
public:
    explicit CounterRoutine(StandInCounter& counter, const RoutineOptions& options = RoutineOptions());
    ~CounterRoutine();  // stops
    CounterRoutine(const CounterRoutine&) = delete;
    CounterRoutine& operator=(const CounterRoutine&) = delete;

    // Opens the feeder's socket and starts the thread.
    bool start();
    void stop();
    void set_options(const RoutineOptions& options);

    std::vector<TokenInvalidation> invalidations() const;
    uint64_t announcements() const { return announcements_.load(); }
    uint64_t quotes_sent() const { return quotes_sent_.load(); }

    // The datagram of the feed: u64 serial at 0, u16 channel type at 8, 64
    // bytes in all.
    static Bytes quote_payload(uint16_t mc_type, uint64_t serial);
    static uint64_t serial_of(const void* payload, size_t size);  // 0 when too short

private:
    void run();
    void invalidate_next();
    void announce_all();
    void feed_all();

    StandInCounter& counter_;
    QuoteFeeder feeder_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> announcements_{0};
    std::atomic<uint64_t> quotes_sent_{0};
    uint64_t next_serial_ = 1;  // routine thread only
    size_t next_session_ = 0;   // round-robin position, routine thread only

    mutable std::mutex mu_;  // everything below
    std::condition_variable cv_;
    RoutineOptions options_;
    std::vector<TokenInvalidation> invalidations_;
    // Per session: how many tokens had been issued to it at its last invalidation.
    std::map<uint64_t, size_t> tokens_at_invalidation_;
};

}  // namespace counter
