#include "counter/CounterRoutine.h"

#include <algorithm>
#include <chrono>

namespace counter {

CounterRoutine::CounterRoutine(StandInCounter& counter, const RoutineOptions& options)
    : counter_(counter), options_(options) {}

CounterRoutine::~CounterRoutine() { stop(); }

bool CounterRoutine::start() {
    if (thread_.joinable()) return true;
    if (!feeder_.open()) return false;
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void CounterRoutine::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void CounterRoutine::set_options(const RoutineOptions& options) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        options_ = options;
    }
    cv_.notify_all();
}

std::vector<TokenInvalidation> CounterRoutine::invalidations() const {
    std::lock_guard<std::mutex> lock(mu_);
    return invalidations_;
}

Bytes CounterRoutine::quote_payload(uint16_t mc_type, uint64_t serial) {
    Bytes b(64, 0);
    wire::put_u64(b, 0, serial);
    wire::put_u16(b, 8, mc_type);
    return b;
}

uint64_t CounterRoutine::serial_of(const void* payload, size_t size) {
    if (payload == nullptr || size < 8) return 0;
    return wire::get_u64(static_cast<const unsigned char*>(payload), 0);
}

// Each event keeps its own schedule; the thread sleeps until the earliest is
// due or the options change.
void CounterRoutine::run() {
    int64_t next_invalidation = 0, next_announcement = 0, next_feed = 0;
    RoutineOptions seen;
    for (;;) {
        RoutineOptions o;
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (stop_) return;
            o = options_;
        }
        const int64_t now = StandInCounter::clock_ms();
        // A period that was switched on or changed starts counting now.
        if (o.token_invalidation_ms != seen.token_invalidation_ms) next_invalidation = now + o.token_invalidation_ms;
        if (o.channel_announcement_ms != seen.channel_announcement_ms)
            next_announcement = now + o.channel_announcement_ms;
        if (o.quote_feed_ms != seen.quote_feed_ms) next_feed = now + o.quote_feed_ms;
        seen = o;
        if (o.token_invalidation_ms > 0 && now >= next_invalidation) {
            invalidate_next();
            next_invalidation = now + o.token_invalidation_ms;
        }
        if (o.channel_announcement_ms > 0 && now >= next_announcement) {
            announce_all();
            next_announcement = now + o.channel_announcement_ms;
        }
        if (o.quote_feed_ms > 0 && now >= next_feed) {
            feed_all();
            next_feed = now + o.quote_feed_ms;
        }
        int64_t wake = now + 1000;
        if (o.token_invalidation_ms > 0) wake = std::min(wake, next_invalidation);
        if (o.channel_announcement_ms > 0) wake = std::min(wake, next_announcement);
        if (o.quote_feed_ms > 0) wake = std::min(wake, next_feed);
        std::unique_lock<std::mutex> lock(mu_);
        const int64_t wait = wake - StandInCounter::clock_ms();
        if (wait > 0 && !stop_)
            cv_.wait_for(lock, std::chrono::milliseconds(wait), [&] {
                return stop_.load() || options_.token_invalidation_ms != seen.token_invalidation_ms ||
                       options_.channel_announcement_ms != seen.channel_announcement_ms ||
                       options_.quote_feed_ms != seen.quote_feed_ms;
            });
    }
}

void CounterRoutine::invalidate_next() {
    const std::vector<uint64_t> open = counter_.sessions();
    for (size_t tried = 0; tried < open.size(); ++tried) {
        const uint64_t s = open[next_session_++ % open.size()];
        if (counter_.login_of(s).api_type != 1) continue;
        const std::vector<uint64_t> own = counter_.trade_tokens_of(s);
        const std::vector<uint64_t> tokens = counter_.tokens_of(s);
        if (own.empty() || tokens.empty()) continue;
        {
            std::lock_guard<std::mutex> lock(mu_);
            auto it = tokens_at_invalidation_.find(s);
            if (it != tokens_at_invalidation_.end() && it->second >= tokens.size()) continue;  // not replaced yet
        }
        TokenInvalidation e;
        e.at_ms = StandInCounter::clock_ms();
        e.session = s;
        e.trade_token = own.front();
        e.token_id = tokens.back();
        // Recorded before it is sent: whoever sees its effect finds it.
        {
            std::lock_guard<std::mutex> lock(mu_);
            invalidations_.push_back(e);
        }
        if (!counter_.invalidate_token(s, e.trade_token)) {
            std::lock_guard<std::mutex> lock(mu_);
            invalidations_.pop_back();
            continue;
        }
        std::lock_guard<std::mutex> lock(mu_);
        tokens_at_invalidation_[s] = tokens.size();
        return;
    }
}

void CounterRoutine::announce_all() {
    for (uint64_t s : counter_.sessions())
        if (counter_.login_of(s).api_type == 2 && counter_.announce_channels(s)) announcements_.fetch_add(1);
}

void CounterRoutine::feed_all() {
    for (const QuoteChannel& c : counter_.channels())
        if (feeder_.send(c, quote_payload(c.mc_type, next_serial_++))) quotes_sent_.fetch_add(1);
}

}  // namespace counter
