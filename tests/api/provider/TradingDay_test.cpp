// A trading day compressed into half a minute, against the stand-in counter
// on loopback, in a process of its own (one provider per process):
//   - two trading sessions and one market-data session, held through many
//     request timeouts (TRV_REQUEST_TIMEOUT=1: every request's timer fires
//     about a second after it was sent, answered or not);
//   - the counter invalidates each trading session's token (1034) every few
//     seconds, once with a token answer that carries token id 0;
//   - four threads send orders and cancels, some of which the counter never
//     answers; fund transfers and asset queries run beside them, some
//     queries unanswered;
//   - the market-data session subscribes and unsubscribes in a loop while
//     the counter re-announces its channel table, now and then and right
//     before each subscription; at the end an on_quote calls stop() of the
//     market-data API while unsubscribe_quote waits for that very receiver;
//   - the counter closes a trading session; a login that the counter cuts
//     off and a login that succeeds follow;
//   - logout and stop at the end, calls after stop.
// Throughout and at the end it holds the invariants listed in kInvariants
// and reports, per invariant, whether and when it broke. Every wait has a
// generous deadline; a call that does not return is reported by a watchdog
// naming the call, and the parent kills a child that outlives its deadline.
// The sanitizers' verdict is the child's exit status.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "counter/CounterRoutine.h"
#include "counter/StandInCounter.h"
#include "support/ForkedScenario.h"
#include "trv_api.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using counter::Bytes;
using counter::StandInCounter;

int64_t now_ms() { return StandInCounter::clock_ms(); }
void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// ---------------------------------------------------------------- timing of the day
// The day has two parts, each checked when it ends, so that a crash or a
// hang in the second still leaves the first one's verdict: trading, with a
// session closed by the counter and logged in again; then trading beside the
// market-data subscription loop.
constexpr int kTradingMs = 14000;      // the first part, from the end of the logins
constexpr int kCloseAtMs = 4000;       // when the counter closes session B, in the first part
constexpr int kInvalidationMs = 1500;  // one 1034 every period, the sessions in turn
constexpr int kAnnouncementMs = 50;    // the channel table again this often during the quote loop
                                       // (and right before every subscription)
constexpr int kFeedMs = 2;             // one datagram per channel this often
constexpr int kOrderPaceMs = 15;       // each order thread: an order and its cancel this often
constexpr int kTransferPaceMs = 150;
constexpr int kQueryPaceMs = 200;
constexpr int kQuoteLoopMs = 6000;  // subscribe/unsubscribe rounds for this long, in the second part
constexpr uint16_t kOrderTimeoutS = 2;
constexpr uint32_t kSkipEvery = 9;  // orders and cancels whose sequence is a multiple get no report
// Bounds of the invariants: generous, so only a fault fails them.
constexpr int64_t kHealMs = 3000;          // a 1034 is healed by an order under a new token within this
constexpr int64_t kDeadTokenMs = 1500;     // no order under an invalidated token this long after its 1034
constexpr int64_t kHeartbeatGapMs = 2500;  // both kinds of heartbeat, at most this far apart
constexpr int kCallMs = 10000;             // any single call into the library returns within this
constexpr int kLoginMs = 8000;             // a login ends within this
// A machine too busy to run the scenario: a round of the counter's thread
// (StandInCounter::kStallMs), or a wake-up of the watchdog, this much late.
// A delay that the stalls within it bring under its bound, or a timeout
// that a stall of at least half its length explains, is the machine's doing
// and not held against the library (and is counted).
constexpr int64_t kStallMs = 600;
constexpr int64_t kStallMarginMs = 1000;

// ---------------------------------------------------------------- invariants

const char* const kInvariants[] = {
    "login: every login() that returned true ends in exactly one on_login",
    "session: account index, start-of-day assets and positions stay valid on every live trading session",
    "token: every 1034 is healed by an order under a new token within 3 s",
    "token: no order goes out under an invalidated token 1.5 s after its 1034",
    "token: orders and transfers are refused for a missing token only within 3 s after a 1034",
    "heartbeat: TCP heartbeats (code 2) reach the counter at most 2.5 s apart on every live session",
    "heartbeat: UDP token heartbeats (1286) reach the order node at most 2.5 s apart",
    "orders: every order and cancel is answered or timed out, exactly once",
    "transfers: every fund transfer gets exactly one pushed request and one pushed result",
    "queries: every query ends exactly once (last page, or error 311 when unanswered)",
    "quotes: every subscription made during re-announcements succeeds and delivers",
    "quotes: on_quote sees no datagram twice",
    "quotes: stop() inside on_quote stops the market-data API while unsubscribe_quote waits",
    "disconnect: a session the counter closes gets exactly one on_disconnect, no other session gets any",
    "disconnect: a login follows a closed session and succeeds",
    "stop: stop() right after logout() closes every session (the counter sees them closed)",
    "stop: after stop() every request-making call is refused and opens nothing",
    "descriptors: every descriptor the library opens is close-on-exec",
    "end: threads and descriptors are back to their count before initialize (but what the provider keeps)",
    "end: no memory is leaked (LeakSanitizer, in the AddressSanitizer build)",
};

// Names of the invariants, in the order of kInvariants.
enum Invariant {
    kLogin,
    kSessionValid,
    kHealed,
    kNoDeadToken,
    kRefusals,
    kTcpHeartbeat,
    kTokenHeartbeat,
    kOrders,
    kTransfers,
    kQueries,
    kSubscriptions,
    kNoDuplicateQuote,
    kStopInsideOnQuote,
    kDisconnect,
    kLoginAfterClose,
    kStopCloses,
    kCallsAfterStop,
    kCloseOnExec,
    kBackToStart,
    kNoLeak,
    kInvariantCount
};
static_assert(sizeof kInvariants / sizeof kInvariants[0] == kInvariantCount, "one name per invariant");

// What the scenario is doing, for a report of a crash.
std::atomic<const char*> g_phase{"setting up"};

// A crash names the phase it ended, the library calls in progress and the
// invariants so far, as far as it can (see on_crash); under a sanitizer, the
// sanitizer's own report does more.
class Invariants;
class Watchdog;
Invariants* g_invariants = nullptr;
Watchdog* g_watchdog = nullptr;
void report_crash(int sig);
void on_crash(int sig) {
    alarm(5);  // a report that cannot finish ends the process all the same
    report_crash(sig);
    signal(sig, SIG_DFL);
    raise(sig);
}
void report_crashes() {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, on_crash);
#endif
}

// Failures per invariant: when each first broke, how often, a few examples;
// and which invariants have been checked to the end.
class Invariants {
public:
    explicit Invariants(int64_t t0) : t0_(t0) {}

    void phase(const char* what) {
        g_phase = what;
        log(std::string("-- ") + what);
    }
    void checked(Invariant invariant) {
        std::lock_guard<std::mutex> lock(mu_);
        checked_.insert(kInvariants[invariant]);
    }
    // An invariant this build cannot check.
    void not_applicable(Invariant invariant) {
        std::lock_guard<std::mutex> lock(mu_);
        checked_.insert(kInvariants[invariant]);
        not_applicable_.insert(kInvariants[invariant]);
    }

    void fail(Invariant which, const std::string& detail) {
        const char* invariant = kInvariants[which];
        std::lock_guard<std::mutex> lock(mu_);
        Record& r = records_[invariant];
        const double at = double(now_ms() - t0_) / 1000.0;
        if (r.count == 0) {
            r.first_s = at;
            std::printf("[%7.3f s] BROKEN: %s\n            %s\n", at, invariant, detail.c_str());
        }
        ++r.count;
        if (r.examples.size() < 4 && std::find(r.examples.begin(), r.examples.end(), detail) == r.examples.end())
            r.examples.push_back(detail);
    }
    void note(const std::string& text) {
        std::lock_guard<std::mutex> lock(mu_);
        notes_.push_back(text);
    }
    void log(const std::string& text) const {
        std::printf("[%7.3f s] %s\n", double(now_ms() - t0_) / 1000.0, text.c_str());
    }
    // The table of every invariant: ok, BROKEN (when first, how often, a few
    // examples) or not reached (the scenario ended before its check).
    void print_table() {
        std::lock_guard<std::mutex> lock(mu_);
        print_table_locked();
    }
    // For a crash: nothing when another thread holds the records.
    void try_print_table() {
        std::unique_lock<std::mutex> lock(mu_, std::try_to_lock);
        if (lock.owns_lock()) print_table_locked();
    }
    void print_table_locked() {
        std::printf("\n==== trading day: measurements\n");
        for (const auto& n : notes_) std::printf("  %s\n", n.c_str());
        std::printf("==== trading day: invariants\n");
        for (const char* name : kInvariants) {
            auto it = records_.find(name);
            if (it == records_.end()) {
                std::printf("  %-11s %s\n",
                            not_applicable_.count(name) ? "n/a"
                            : checked_.count(name)      ? "ok"
                                                        : "not reached",
                            name);
                continue;
            }
            std::printf("  %-11s %s\n              first at %.3f s, %zu times\n", "BROKEN", name, it->second.first_s,
                        it->second.count);
            for (const auto& e : it->second.examples) std::printf("              e.g. %s\n", e.c_str());
        }
        std::fflush(nullptr);
    }
    // The table, and a test failure for each broken invariant.
    void report() {
        print_table();
        std::lock_guard<std::mutex> lock(mu_);
        for (const char* name : kInvariants) {
            auto it = records_.find(name);
            if (it != records_.end())
                ADD_FAILURE() << name << ": first broken at " << it->second.first_s << " s, " << it->second.count
                              << " times; e.g. " << it->second.examples.front();
            else if (checked_.count(name) == 0)
                ADD_FAILURE() << name << ": not checked";
        }
    }

private:
    struct Record {
        double first_s = 0;
        size_t count = 0;
        std::vector<std::string> examples;
    };
    const int64_t t0_;
    std::mutex mu_;
    std::map<std::string, Record> records_;
    std::set<std::string> checked_, not_applicable_;
    std::vector<std::string> notes_;
};

// Names the library call that a thread is in; a call still there after its
// deadline ends the scenario with that name, so a hang shows where it is.
class Watchdog {
public:
    Watchdog(Invariants* invariants) : invariants_(invariants) {}
    void start() {
        thread_ = std::thread([this] { run(); });
    }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int enter(const std::string& what, int ms) {
        std::lock_guard<std::mutex> lock(mu_);
        const int id = next_++;
        watched_[id] = Entry{what, now_ms() + ms, ms};
        return id;
    }
    void leave(int id) {
        std::lock_guard<std::mutex> lock(mu_);
        watched_.erase(id);
    }
    // Times this thread woke far later than it asked to: the machine held the
    // process up.
    std::vector<StandInCounter::Stall> stalls() {
        std::lock_guard<std::mutex> lock(mu_);
        return stalls_;
    }
    // For a crash: the calls in progress, when the list can be had.
    void try_print_calls() {
        std::unique_lock<std::mutex> lock(mu_, std::try_to_lock);
        if (!lock.owns_lock()) return;
        for (const auto& kv : watched_)
            std::printf("  in progress: %s, for %lld ms\n", kv.second.what.c_str(),
                        static_cast<long long>(now_ms() - (kv.second.deadline - kv.second.ms)));
    }

private:
    struct Entry {
        std::string what;
        int64_t deadline;
        int ms;
    };
    void run() {
        int64_t last = now_ms();
        while (!stop_) {
            sleep_ms(100);
            const int64_t now = now_ms();
            std::lock_guard<std::mutex> lock(mu_);
            if (now - last > kStallMs) stalls_.push_back({last, now});
            last = now;
            for (const auto& kv : watched_) {
                if (now_ms() < kv.second.deadline) continue;
                std::printf(
                    "\nHANG: %s has not returned after %d ms (no call from any thread or callback may "
                    "hang); the scenario ends here.\nThreads (tid name state):\n%s",
                    kv.second.what.c_str(), kv.second.ms, trv_test::describe_threads(getpid()).c_str());
                invariants_->print_table();
                _exit(3);
            }
        }
    }
    Invariants* invariants_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mu_;
    int next_ = 1;
    std::map<int, Entry> watched_;
    std::vector<StandInCounter::Stall> stalls_;
};

void report_crash(int sig) {
    std::printf("\nCRASH: %s during: %s\n", strsignal(sig), g_phase.load());
    if (g_watchdog != nullptr) g_watchdog->try_print_calls();
    if (g_invariants != nullptr) g_invariants->try_print_table();
    std::fflush(nullptr);
}

class Watch {
public:
    Watch(Watchdog& dog, const std::string& what, int ms = kCallMs) : dog_(dog), id_(dog.enter(what, ms)) {}
    ~Watch() { dog_.leave(id_); }

private:
    Watchdog& dog_;
    int id_;
};

// ---------------------------------------------------------------- the process's threads and descriptors

struct ThreadInfo {
    int tid;
    std::string name;
};
std::vector<ThreadInfo> threads_now() {
    std::vector<ThreadInfo> out;
    DIR* d = opendir("/proc/self/task");
    if (d == nullptr) return out;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        char name[64] = {0};
        FILE* f = std::fopen((std::string("/proc/self/task/") + e->d_name + "/comm").c_str(), "re");
        if (f != nullptr) {
            if (std::fgets(name, sizeof name, f) == nullptr) name[0] = '\0';
            std::fclose(f);
        }
        std::string n(name);
        if (!n.empty() && n.back() == '\n') n.pop_back();
        out.push_back({std::atoi(e->d_name), n});
    }
    closedir(d);
    return out;
}

std::string fd_target(int fd) {
    char buf[512];
    const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, size_t(n)) : std::string("?");
}

// What a descriptor is, in words a report can name: the kind of socket and
// its addresses, or the link target.
std::string describe_fd(int fd) {
    const std::string target = fd_target(fd);
    if (target.compare(0, 7, "socket:") != 0) return target;
    int type = 0;
    socklen_t len = sizeof type;
    getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len);
    sockaddr_in local{}, peer{};
    socklen_t ll = sizeof local, pl = sizeof peer;
    const bool has_local = getsockname(fd, reinterpret_cast<sockaddr*>(&local), &ll) == 0;
    const bool has_peer = getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &pl) == 0;
    std::string s = type == SOCK_STREAM ? "TCP socket" : type == SOCK_DGRAM ? "UDP socket" : "socket";
    if (has_local) s += " local port " + std::to_string(ntohs(local.sin_port));
    if (has_peer) s += " to port " + std::to_string(ntohs(peer.sin_port));
    return s;
}

std::map<int, std::string> fds_now() {
    std::map<int, std::string> out;
    DIR* d = opendir("/proc/self/fd");
    if (d == nullptr) return out;
    const int own = dirfd(d);
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        const int fd = std::atoi(e->d_name);
        if (fd != own) out[fd] = fd_target(fd);
    }
    closedir(d);
    return out;
}

// ---------------------------------------------------------------- what the callbacks saw

struct Account {
    const char* name;
    uint64_t login_account_index;
    uint64_t trade_account_index;
    std::atomic<uint64_t> session{0};          // the library's id, 0 while none is usable
    std::atomic<uint64_t> counter_session{0};  // the counter's number of that session
    std::atomic<bool> paused{false};           // no new work while the session is being replaced
};

struct LoginEnd {
    uint64_t session;
    bool failed;
    std::string error;
    int64_t at_ms;
};

struct OrderOutcome {
    int responses = 0, trades = 0, cancels = 0, errors = 0, timeouts = 0;
};

struct SentOrder {
    bool cancel;
    bool answered;  // the counter answers it (its sequence is not a multiple of kSkipEvery)
    int account;
    int part;  // of the day
    int64_t sent_ms;
};

struct Transfer {
    bool cluster = false;
    int part = -1;  // of the day; -1 while only its pushes are known
    uint64_t session = 0;
    int requests = 0, results = 0;
    int pushed_other_kind = 0;  // pushes through the callbacks of the other kind of transfer
    uint8_t result_status = 0;
    uint64_t pushed_session = 0;
};

struct QueryEnds {
    int part = -1;
    bool withheld = false;
    int64_t sent_ms = 0, end_ms = 0;
    int pages = 0, lasts = 0, errors = 0, after_end = 0;
    uint64_t error_type = 0;
    std::string error_text;
    bool ended() const { return lasts > 0 || errors > 0; }
};

struct Records {
    std::mutex mu;
    std::map<uint64_t, std::vector<LoginEnd>> logins;  // by request id
    std::map<uint64_t, int> disconnects;               // by library session, both APIs
    std::unordered_map<uint64_t, OrderOutcome> outcomes;
    std::unordered_map<uint64_t, SentOrder> sent;
    std::map<std::string, Transfer> transfers;             // by business number
    std::map<uint64_t, QueryEnds> queries;                 // by request id
    std::map<uint64_t, std::set<uint64_t>> quote_serials;  // by channel type
    std::map<uint64_t, uint64_t> quote_counts;
    std::vector<std::string> duplicate_quotes;
};

class TradeSpi : public nq::TRVTradeSpi {
public:
    explicit TradeSpi(Records* r) : r_(r) {}
    void on_login(uint64_t session_id, uint64_t request_id, const nq::trv_error_info_t* error) override {
        std::lock_guard<std::mutex> lock(r_->mu);
        r_->logins[request_id].push_back(
            {session_id, error != nullptr, error != nullptr ? error->error_msg : "", now_ms()});
    }
    void on_disconnect(uint64_t session_id) override {
        std::lock_guard<std::mutex> lock(r_->mu);
        ++r_->disconnects[session_id];
    }
    void on_order_timeout(uint64_t, uint64_t xid) override { bump(xid, &OrderOutcome::timeouts); }
    void on_order_response(uint64_t, const nq::trv_msg_desc_t*, const nq::trv_order_response_t* r) override {
        bump(r->xid, &OrderOutcome::responses);
    }
    void on_trade_report(uint64_t, const nq::trv_msg_desc_t*, const nq::trv_trade_report_t* r) override {
        bump(r->xid, &OrderOutcome::trades);
    }
    void on_cancel_response(uint64_t, const nq::trv_msg_desc_t*, const nq::trv_cancel_response_t* r) override {
        bump(r->xid, &OrderOutcome::cancels);
    }
    void on_order_error_response(uint64_t, const nq::trv_msg_desc_t*,
                                 const nq::trv_order_error_response_t* r) override {
        bump(r->xid, &OrderOutcome::errors);
    }
    void on_counter_fund_transfer_request(uint64_t session_id, const nq::trv_msg_desc_t*,
                                          const nq::trv_counter_fund_transfer_request_t* r) override {
        pushed(session_id, r->biz_no, false, 0, false);
    }
    void on_counter_fund_transfer_result(uint64_t session_id, const nq::trv_msg_desc_t*,
                                         const nq::trv_counter_fund_transfer_result_t* r) override {
        pushed(session_id, r->biz_no, true, static_cast<uint8_t>(r->status), false);
    }
    void on_cluster_fund_transfer_request(uint64_t session_id, const nq::trv_msg_desc_t*,
                                          const nq::trv_cluster_fund_transfer_request_t* r) override {
        pushed(session_id, r->biz_no, false, 0, true);
    }
    void on_cluster_fund_transfer_result(uint64_t session_id, const nq::trv_msg_desc_t*,
                                         const nq::trv_cluster_fund_transfer_result_t* r) override {
        pushed(session_id, r->biz_no, true, static_cast<uint8_t>(r->status), true);
    }
    void on_query_assets(uint64_t, uint64_t request_id, const nq::TRVAssetList*, bool is_last,
                         const nq::trv_error_info_t* error) override {
        std::lock_guard<std::mutex> lock(r_->mu);
        QueryEnds& q = r_->queries[request_id];
        if (q.ended()) ++q.after_end;
        ++q.pages;
        if (q.end_ms == 0 && (error != nullptr || is_last)) q.end_ms = now_ms();
        if (error != nullptr) {
            ++q.errors;
            q.error_type = error->error_code_type;
            q.error_text = error->error_msg;
        } else if (is_last) {
            ++q.lasts;
        }
    }

private:
    void bump(uint64_t xid, int OrderOutcome::*field) {
        std::lock_guard<std::mutex> lock(r_->mu);
        ++(r_->outcomes[xid].*field);
    }
    void pushed(uint64_t session_id, const char* biz, bool result, uint8_t status, bool cluster) {
        const std::string key(biz, strnlen(biz, nq::CONST_BIZ_NO_LEN));
        std::lock_guard<std::mutex> lock(r_->mu);
        auto it = r_->transfers.find(key);
        if (it == r_->transfers.end()) {
            // A push may overtake the submit's own bookkeeping: keep it under its number.
            it = r_->transfers.emplace(key, Transfer{}).first;
        }
        Transfer& t = it->second;
        t.pushed_session = session_id;
        if (t.part != -1 && t.cluster != cluster) ++t.pushed_other_kind;
        if (result) {
            ++t.results;
            t.result_status = status;
        } else {
            ++t.requests;
        }
    }
    Records* r_;
};

class QuoteSpi : public nq::TRVQuoteSpi {
public:
    QuoteSpi(Records* r, Watchdog* dog) : r_(r), dog_(dog) {}
    void on_login(uint64_t session_id, uint64_t request_id, const nq::trv_error_info_t* error) override {
        std::lock_guard<std::mutex> lock(r_->mu);
        r_->logins[request_id].push_back(
            {session_id, error != nullptr, error != nullptr ? error->error_msg : "", now_ms()});
    }
    void on_disconnect(uint64_t session_id) override {
        std::lock_guard<std::mutex> lock(r_->mu);
        ++r_->disconnects[session_id];
    }
    void on_quote(nq::QuoteMCType mc_type, const void* data, uint32_t len) override {
        const uint64_t serial = counter::CounterRoutine::serial_of(data, len);
        {
            std::lock_guard<std::mutex> lock(r_->mu);
            ++r_->quote_counts[mc_type];
            if (!r_->quote_serials[mc_type].insert(serial).second && r_->duplicate_quotes.size() < 4)
                r_->duplicate_quotes.push_back("type " + std::to_string(mc_type) + " serial " + std::to_string(serial));
        }
        if (!stop_armed.exchange(false)) return;
        // The quote loop is told to unsubscribe now; once it waits for this
        // very receiver to end, the callback stops the market-data API.
        in_stopping_callback = true;
        sleep_ms(200);
        {
            Watch w(*dog_, "TRVQuoteApi::stop() called inside on_quote while unsubscribe_quote waits");
            api->stop();
        }
        stop_returned = true;
    }

    nq::TRVQuoteApi* api = nullptr;
    std::atomic<bool> stop_armed{false};
    std::atomic<bool> in_stopping_callback{false};
    std::atomic<bool> stop_returned{false};

private:
    Records* r_;
    Watchdog* dog_;
};

// ---------------------------------------------------------------- the day

class Day {
public:
    Day()
        : t0_(now_ms()),
          inv_(t0_),
          dog_(&inv_),
          counter_(options()),
          routine_(counter_),
          trade_spi_(&records_),
          quote_spi_(&records_, &dog_) {}

    bool run();

private:
    static counter::CounterOptions options() {
        counter::CounterOptions o;
        o.trading_day = 20240102;
        return o;
    }
    static Bytes init_assets() {
        Bytes a(24, 0);
        counter::wire::put_u64(a, 0, 22);
        counter::wire::put_u64(a, 8, 5000000000ull);  // 500,000.0000 available
        counter::wire::put_u64(a, 16, 6000000000ull);
        return a;
    }
    static std::vector<Bytes> init_positions() {
        std::vector<Bytes> v;
        for (int i = 0; i < 2; ++i) {
            Bytes p(42, 0);
            counter::wire::put_u64(p, 0, 22);
            std::memcpy(p.data() + 8, i == 0 ? "600000" : "600036", 6);
            p[17] = 1;
            counter::wire::put_u64(p, 18, 1000 * (i + 1));
            counter::wire::put_u64(p, 26, 1000 * (i + 1));
            v.push_back(p);
        }
        return v;
    }

    bool set_up();
    bool log_in(const std::string& what, const std::function<bool(uint64_t)>& send, uint64_t request_id,
                bool expect_success, Invariant invariant, LoginEnd* end, uint64_t* counter_session);
    uint64_t log_in_trade(Account& a, uint64_t request_id, bool expect_success, Invariant invariant);
    bool wait_login_end(uint64_t request_id, LoginEnd* end);
    uint64_t counter_session_of(uint64_t request_id) const;
    void order_thread(int index);
    void transfer_thread();
    void query_thread();
    void quote_loop();
    void stop_inside_on_quote();
    bool delivered_since(const std::map<uint64_t, uint64_t>& before, int ms);
    std::map<uint64_t, uint64_t> quote_counts();
    void update_routine();
    bool counters_own(int fd) const;
    std::vector<std::string> library_sockets(int type) const;
    void monitor_thread();
    void close_and_log_in_again();
    void check_descriptors_close_on_exec();
    bool refusal_allowed(const Account& a, int64_t at);
    int64_t stalled_ms(int64_t from, int64_t to);
    bool delay_explained(int64_t from, int64_t to, int64_t bound);
    bool timeout_explained(int64_t from, int64_t to, int64_t timeout_ms);
    void end_of_day();
    void calls_after_stop();
    void check_threads_and_descriptors();
    void check_leaks();
    void verify_day_records(int part, bool last);
    void verify_end_records();
    void verify_tokens(int64_t from, int64_t to);
    void verify_heartbeats(int64_t from, int64_t to);
    std::string part_name() const { return part_.load() == 0 ? "first part: " : "second part: "; }
    std::vector<std::thread> start_workers();
    void end_part(std::vector<std::thread>* workers, int64_t start);

    Account& account(int i) { return i == 0 ? a_ : b_; }

    const int64_t t0_;
    Invariants inv_;
    Watchdog dog_;
    StandInCounter counter_;
    counter::CounterRoutine routine_;
    Records records_;
    TradeSpi trade_spi_;
    QuoteSpi quote_spi_;
    nq::TRVTradeConfig trade_config_;
    nq::TRVQuoteConfig quote_config_;
    nq::TRVTradeApi* trade_ = nullptr;
    nq::TRVQuoteApi* quote_ = nullptr;
    std::string log_dir_;

    Account a_{"day-a", 11, 22};
    Account b_{"day-b", 12, 33};
    uint64_t md_session_ = 0, md_counter_session_ = 0;
    std::vector<counter::QuoteChannel> channels_;

    std::atomic<bool> part_over_{false};
    std::atomic<int> part_{0};
    std::atomic<uint64_t> next_query_{0};
    std::atomic<size_t> excused_{0};  // timing checks that stalls explained
    // What the counter's routine does now.
    std::atomic<bool> invalidating_{false}, announcing_{false}, feeding_{false};
    std::mutex routine_mu_;
    int64_t day_start_ = 0, day_end_ = 0;  // the trading parts, from the first start to the last end
    // Per counter session: when it was logged in and when its life ended (the
    // counter closed it, or logout / stop), for the heartbeat check.
    std::map<uint64_t, std::pair<int64_t, int64_t>> lives_;
    std::set<uint64_t> counter_closed_;  // library sessions the counter closed
    std::mutex lives_mu_;

    std::vector<ThreadInfo> base_threads_;
    std::map<int, std::string> base_fds_;
    std::set<std::string> cloexec_reported_;
    std::mutex cloexec_mu_;
};

bool Day::set_up() {
    g_invariants = &inv_;
    g_watchdog = &dog_;
    report_crashes();
    char tmpl[] = "/tmp/trv_trading_day.XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return false;
    log_dir_ = tmpl;
    setenv("TRV_FILE_PATH", log_dir_.c_str(), 1);
    setenv("TRV_LOG_LEVEL", "DEBUG", 1);
    setenv("TRV_REQUEST_TIMEOUT", "1", 1);
    inv_.log("library log under " + log_dir_);

    counter_.add_account({a_.name, counter::AccountKind::Normal, a_.login_account_index, a_.trade_account_index, ""});
    counter_.add_account({b_.name, counter::AccountKind::Normal, b_.login_account_index, b_.trade_account_index, ""});
    counter_.add_account({"day-md", counter::AccountKind::Normal, 13, 44, ""});
    counter_.set_init_data(init_assets(), init_positions());
    counter::OrderReplies replies;
    replies.skip_every = kSkipEvery;
    counter_.set_order_replies(replies);
    for (uint16_t type : {uint16_t(nq::TRV_SSE_L1), uint16_t(nq::TRV_SZSE_L1), uint16_t(nq::DVS_SSE_L2_STOCK_TICK)}) {
        counter::QuoteChannel c = counter::QuoteFeeder::loopback_channel(type);
        if (c.mc_type == 0) return false;
        c.mc_provider = 1;
        channels_.push_back(c);
    }
    counter_.set_channels(channels_);
    if (!counter_.start() || !routine_.start()) return false;
    dog_.start();

    // What the process holds before the library: the counter's and the
    // test's own threads and descriptors.
    base_threads_ = threads_now();
    base_fds_ = fds_now();

    if (!trade_config_.set_local_addr("127.0.0.1", "127.0.0.1") ||
        !trade_config_.add_agw_addr("127.0.0.1", counter_.port()) ||
        !quote_config_.set_local_addr("127.0.0.1", "127.0.0.1") ||
        !quote_config_.add_agw_addr("127.0.0.1", counter_.port()))
        return false;
    trade_config_.set_trading_day(20240102);
    trade_config_.set_order_timeout(kOrderTimeoutS);
    trade_ = nq::TRVTradeApi::create();
    quote_ = nq::TRVQuoteApi::create();
    if (trade_ == nullptr || quote_ == nullptr) {
        ADD_FAILURE() << "create: " << nq::TRVTradeApi::get_last_error().error_msg;
        return true;
    }
    quote_spi_.api = quote_;
    EXPECT_TRUE(trade_->initialize(&trade_config_, &trade_spi_)) << nq::TRVTradeApi::get_last_error().error_msg;
    EXPECT_TRUE(quote_->initialize(&quote_config_, &quote_spi_)) << nq::TRVQuoteApi::get_last_error().error_msg;
    return true;
}

bool Day::wait_login_end(uint64_t request_id, LoginEnd* end) {
    const int64_t deadline = now_ms() + kLoginMs;
    while (now_ms() < deadline) {
        {
            std::lock_guard<std::mutex> lock(records_.mu);
            auto it = records_.logins.find(request_id);
            if (it != records_.logins.end() && !it->second.empty()) {
                *end = it->second.front();
                return true;
            }
        }
        sleep_ms(5);
    }
    return false;
}

uint64_t Day::counter_session_of(uint64_t request_id) const {
    for (const auto& l : counter_.logins())
        if (l.request_id == request_id) return l.session;
    return 0;
}

// A login through `send` (the facade's login with a request id); on
// success its end and the counter's session, else false (and `invariant`
// broken when a success was expected). A login that timed out while the
// machine held the scenario up is tried again, twice at most, with request
// ids 100 apart.
bool Day::log_in(const std::string& what, const std::function<bool(uint64_t)>& send, uint64_t request_id,
                 bool expect_success, Invariant invariant, LoginEnd* end, uint64_t* counter_session) {
    for (int attempt = 0;; ++attempt, request_id += 100) {
        const int64_t started = now_ms();
        bool sent = false;
        {
            Watch w(dog_, what);
            sent = send(request_id);
        }
        if (!sent) {
            inv_.fail(kLogin, what + " refused: " + nq::TRVTradeApi::get_last_error().error_msg);
            return false;
        }
        if (!wait_login_end(request_id, end)) {
            inv_.fail(kLogin, what + " (request " + std::to_string(request_id) + ") has no on_login after " +
                                  std::to_string(kLoginMs) + " ms");
            return false;
        }
        if (!end->failed) {
            if (!expect_success) inv_.log(what + " succeeded where the counter cut it off");
            *counter_session = counter_session_of(request_id);
            std::lock_guard<std::mutex> lock(lives_mu_);
            lives_[*counter_session] = {end->at_ms, 0};
            return true;
        }
        if (!expect_success) return false;
        if (end->error == "timeout" && attempt < 2 && timeout_explained(started, end->at_ms, 1000)) {
            inv_.log(what + " timed out while the machine held it up; again");
            continue;
        }
        inv_.fail(invariant, what + " failed: " + end->error);
        return false;
    }
}

uint64_t Day::log_in_trade(Account& a, uint64_t request_id, bool expect_success, Invariant invariant) {
    LoginEnd end;
    uint64_t cs = 0;
    const auto send = [&](uint64_t rid) { return trade_->login(rid, 7, a.name, "pw", "key", nullptr); };
    if (!log_in(std::string("TRVTradeApi::login of ") + a.name, send, request_id, expect_success, invariant, &end,
                &cs))
        return 0;
    a.counter_session = cs;
    a.session = end.session;
    return end.session;
}

// The trading workers of one part of the day, with the counter's token
// invalidations and its feed on.
std::vector<std::thread> Day::start_workers() {
    part_over_ = false;
    invalidating_ = feeding_ = true;
    update_routine();
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i) workers.emplace_back([this, i] { order_thread(i); });
    workers.emplace_back([this] { transfer_thread(); });
    workers.emplace_back([this] { query_thread(); });
    workers.emplace_back([this] { monitor_thread(); });
    return workers;
}

// Ends a part: no new work, everything outstanding ends (order timeouts
// included), and the part's invariants are checked.
void Day::end_part(std::vector<std::thread>* workers, int64_t start) {
    const int64_t end = now_ms();
    part_over_ = true;
    invalidating_ = false;
    update_routine();
    for (auto& t : *workers) t.join();
    workers->clear();
    inv_.phase(part_.load() == 0 ? "first part over: the last order timeouts"
                                 : "second part over: the last order timeouts");
    sleep_ms(kOrderTimeoutS * 1000 + 800);
    verify_tokens(start, end);
    verify_heartbeats(start, end);
    verify_day_records(part_.load(), part_.load() == 1);
    inv_.checked(kSessionValid);
    inv_.checked(kRefusals);
}

void Day::update_routine() {
    std::lock_guard<std::mutex> lock(routine_mu_);
    counter::RoutineOptions o;
    o.token_invalidation_ms = invalidating_ ? kInvalidationMs : 0;
    o.channel_announcement_ms = announcing_ ? kAnnouncementMs : 0;
    o.quote_feed_ms = feeding_ ? kFeedMs : 0;
    routine_.set_options(o);
}

// The counter's end of a session or its order node: the counter lives in
// this process too.
bool Day::counters_own(int fd) const {
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0 || local.sin_family != AF_INET) return false;
    return local.sin_port == htons(counter_.port()) || local.sin_port == counter_.order_node().sin_port;
}

// How long, within [from, to], the counter's thread or the watchdog was
// held up (the union of their stalls).
int64_t Day::stalled_ms(int64_t from, int64_t to) {
    std::vector<StandInCounter::Stall> stalls = counter_.stalls();
    const std::vector<StandInCounter::Stall> own = dog_.stalls();
    stalls.insert(stalls.end(), own.begin(), own.end());
    std::sort(stalls.begin(), stalls.end(),
              [](const StandInCounter::Stall& x, const StandInCounter::Stall& y) { return x.from_ms < y.from_ms; });
    int64_t total = 0, covered_to = from;
    for (const auto& st : stalls) {
        const int64_t a = std::max(st.from_ms, covered_to), b = std::min(st.to_ms, to);
        if (b > a) {
            total += b - a;
            covered_to = b;
        }
    }
    return total;
}

// A delay from `from` to `to` that the stalls within it bring down to
// `bound`: the machine's doing, not the library's (and counted).
bool Day::delay_explained(int64_t from, int64_t to, int64_t bound) {
    if ((to - from) - stalled_ms(from, to) > bound) return false;
    ++excused_;
    return true;
}

// A timeout, at `to`, of something begun at `from` while the machine held
// the scenario up for at least half of `timeout_ms`.
bool Day::timeout_explained(int64_t from, int64_t to, int64_t timeout_ms) {
    if (stalled_ms(from - kStallMarginMs, to) < timeout_ms / 2) return false;
    ++excused_;
    return true;
}

bool Day::refusal_allowed(const Account& a, int64_t at) {
    const uint64_t cs = a.counter_session.load();
    int64_t last = 0;
    for (const auto& e : routine_.invalidations())
        if (e.session == cs && e.at_ms <= at) last = std::max(last, e.at_ms);
    return last != 0 && (at <= last + kHealMs || delay_explained(last, at, kHealMs));
}

void Day::order_thread(int index) {
    Account& a = account(index / 2);
    trade_->init_local_send();
    nq::trv_order_insert_info_t order{};
    order.price = 101000 + index;
    order.quantity = 100;
    std::strncpy(order.security_code, index % 2 == 0 ? "600000" : "000001", sizeof order.security_code);
    order.exchange_index = index % 2 == 0 ? nq::ExchangeIndex::SH : nq::ExchangeIndex::SZ;
    order.order_type = nq::OrderType::LIMIT_PRICE;
    order.side = nq::Side::BUY;
    order.business_type = nq::BusinessType::CASH;
    while (!part_over_) {
        sleep_ms(kOrderPaceMs);
        const uint64_t s = a.session.load();
        if (s == 0 || a.paused) continue;
        const uint64_t xid = trade_->insert_order(s, &order, 0);
        if (xid == 0) {
            const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
            if (a.paused || a.session.load() != s) continue;  // the session is being replaced
            if (std::strstr(e.error_msg, "invalid token") != nullptr && refusal_allowed(a, now_ms())) continue;
            inv_.fail(kRefusals, std::string("insert_order on ") + a.name + ": " + e.error_msg);
            continue;
        }
        const auto answered = [](uint64_t x) { return ((x >> 8) & 0xfffff) % kSkipEvery != 0; };
        {
            std::lock_guard<std::mutex> lock(records_.mu);
            records_.sent[xid] = SentOrder{false, answered(xid), index / 2, part_.load(), now_ms()};
        }
        nq::trv_cancel_order_info_t cancel{0, xid};
        const uint64_t cxid = trade_->cancel_order(s, &cancel, 0);
        if (cxid == 0) {
            const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
            if (a.paused || a.session.load() != s) continue;
            if (std::strstr(e.error_msg, "invalid token") != nullptr && refusal_allowed(a, now_ms())) continue;
            inv_.fail(kRefusals, std::string("cancel_order on ") + a.name + ": " + e.error_msg);
            continue;
        }
        std::lock_guard<std::mutex> lock(records_.mu);
        records_.sent[cxid] = SentOrder{true, answered(cxid), index / 2, part_.load(), now_ms()};
    }
}

void Day::transfer_thread() {
    for (uint64_t i = 0; !part_over_; ++i) {
        sleep_ms(kTransferPaceMs);
        Account& a = account(int(i % 2));
        const uint64_t s = a.session.load();
        if (s == 0 || a.paused) continue;
        char biz[nq::CONST_BIZ_NO_LEN] = {0};
        const int kind = int((i / 2) % 3);
        const nq::amount_t amount = nq::amount_t(10000 * (i + 1));
        bool ok = false;
        if (kind == 2)
            ok = trade_->submit_cluster_fund_transfer_request(s, 50000 + i, amount, biz, 0);
        else
            ok = trade_->submit_counter_fund_transfer_request(
                s, 50000 + i, kind == 0 ? nq::FundTransSide::IN : nq::FundTransSide::OUT, amount, biz, 0);
        if (!ok) {
            const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
            if (a.paused || a.session.load() != s) continue;
            if (std::strstr(e.error_msg, "no trade token") != nullptr && refusal_allowed(a, now_ms())) continue;
            inv_.fail(kRefusals, std::string("fund transfer on ") + a.name + ": " + e.error_msg);
            continue;
        }
        const std::string key(biz, strnlen(biz, sizeof biz));
        uint64_t sender = 0, token = 0;
        trade_->get_biz_sender(biz, sender, token);
        if (sender != s || token == 0)
            inv_.fail(kTransfers, "get_biz_sender(" + key + ") names session " + std::to_string(sender) + " token " +
                                      std::to_string(token) + ", not session " + std::to_string(s));
        std::lock_guard<std::mutex> lock(records_.mu);
        Transfer& t = records_.transfers[key];
        t.cluster = kind == 2;
        t.part = part_.load();
        t.session = s;
    }
}

// Asset queries on both sessions in turn, one at a time; every fourth one
// the counter leaves unanswered (its table information is withheld), so it
// ends with error 311 "timeout" one request timeout later.
void Day::query_thread() {
    bool withhold_pending = false;
    for (uint64_t i = 0; !part_over_; ++i) {
        sleep_ms(kQueryPaceMs);
        Account& a = account(int(i % 2));
        const uint64_t s = a.session.load();
        if (s == 0 || a.paused) continue;
        const uint64_t rid = 80000 + next_query_++;
        if (i % 4 == 3 && !withhold_pending) {
            counter_.script(1041, counter::Reply::withhold(), 1, 1477);
            withhold_pending = true;
        }
        bool sent = false;
        const int64_t sent_at = now_ms();
        {
            Watch w(dog_, "TRVTradeApi::query_assets");
            sent = trade_->query_assets(s, rid, 0);
        }
        if (!sent) {
            if (a.paused || a.session.load() != s) continue;
            inv_.fail(kQueries, std::string("query_assets on ") + a.name +
                                    " refused: " + nq::TRVTradeApi::get_last_error().error_msg);
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(records_.mu);
            records_.queries[rid].withheld = withhold_pending;
            records_.queries[rid].part = part_.load();
            records_.queries[rid].sent_ms = sent_at;
        }
        withhold_pending = false;
        const int64_t deadline = now_ms() + 4000;
        bool ended = false;
        while (!ended && now_ms() < deadline) {
            sleep_ms(5);
            std::lock_guard<std::mutex> lock(records_.mu);
            ended = records_.queries[rid].ended();
        }
        if (!ended) inv_.fail(kQueries, "query " + std::to_string(rid) + " on " + a.name + " has not ended after 4 s");
    }
}

namespace {

void quote_threads(nq::quote_thread_t threads[2]) {
    std::memset(threads, 0, 2 * sizeof threads[0]);
    threads[0].cpu_affinity = -1;
    threads[0].mc_count = 2;
    threads[0].mc_types[0] = nq::TRV_SSE_L1;
    threads[0].mc_types[1] = nq::TRV_SZSE_L1;
    threads[1].cpu_affinity = -1;
    threads[1].mc_count = 1;
    threads[1].mc_types[0] = nq::DVS_SSE_L2_STOCK_TICK;
}

}  // namespace

bool Day::delivered_since(const std::map<uint64_t, uint64_t>& before, int ms) {
    const int64_t deadline = now_ms() + ms;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(records_.mu);
            bool all = true;
            for (const auto& c : channels_) {
                auto it = before.find(c.mc_type);
                if (records_.quote_counts[c.mc_type] <= (it == before.end() ? 0 : it->second)) all = false;
            }
            if (all) return true;
        }
        if (now_ms() >= deadline) return false;
        sleep_ms(2);
    }
}

std::map<uint64_t, uint64_t> Day::quote_counts() {
    std::lock_guard<std::mutex> lock(records_.mu);
    return records_.quote_counts;
}

// Subscribe, wait for a datagram of every subscribed channel, unsubscribe,
// round after round, while the counter re-announces the channel table: now
// and then, and right before each subscription, which follows it after a
// delay that sweeps the time the library takes to take the table in (so the
// subscription meets the old table, the new one, or one being replaced).
void Day::quote_loop() {
    nq::quote_thread_t threads[2];
    quote_threads(threads);
    int rounds = 0, refused = 0, silent = 0;
    const int64_t end = now_ms() + kQuoteLoopMs;
    for (; now_ms() < end; ++rounds) {
        const std::map<uint64_t, uint64_t> before = quote_counts();
        counter_.announce_channels(md_counter_session_);
        std::this_thread::sleep_for(std::chrono::microseconds(50 * (rounds % 16)));
        bool ok = false;
        {
            Watch w(dog_, "TRVQuoteApi::subscribe_quote");
            ok = quote_->subscribe_quote(md_session_, 2, threads);
        }
        if (!ok) {
            ++refused;
            inv_.fail(kSubscriptions, "round " + std::to_string(rounds) +
                                          ": subscribe_quote refused: " + nq::TRVQuoteApi::get_last_error().error_msg);
            continue;
        }
        // After three silent subscriptions the wait is cut short: the fault is shown.
        const int64_t waited_from = now_ms();
        if (!delivered_since(before, silent < 3 ? 3000 : 200) && !timeout_explained(waited_from, now_ms(), 3000)) {
            ++silent;
            inv_.fail(kSubscriptions, "round " + std::to_string(rounds) + ": a subscribed channel delivered nothing");
        }
        bool unsubscribed = false;
        {
            Watch w(dog_, "TRVQuoteApi::unsubscribe_quote");
            unsubscribed = quote_->unsubscribe_quote(md_session_);
        }
        if (!unsubscribed)
            inv_.fail(kSubscriptions, "round " + std::to_string(rounds) + ": unsubscribe_quote refused: " +
                                          nq::TRVQuoteApi::get_last_error().error_msg);
    }
    inv_.note("quote loop: " + std::to_string(rounds) + " rounds, " + std::to_string(refused) +
              " subscriptions refused, " + std::to_string(silent) + " without delivery, " +
              std::to_string(rounds + routine_.announcements()) + " channel re-announcements");
    announcing_ = false;
    update_routine();
    inv_.checked(kSubscriptions);
}

// The last act of the market-data API: an on_quote calls stop() while the
// program waits in unsubscribe_quote for that very receiver to end. Neither
// may hang; afterwards the API is stopped: its session closes and what needs
// the session is refused.
void Day::stop_inside_on_quote() {
    nq::quote_thread_t threads[2];
    quote_threads(threads);
    const std::map<uint64_t, uint64_t> before = quote_counts();
    bool ok = false;
    {
        Watch w(dog_, "TRVQuoteApi::subscribe_quote");
        ok = quote_->subscribe_quote(md_session_, 2, threads);
    }
    if (!ok || !delivered_since(before, 3000)) {
        inv_.fail(kStopInsideOnQuote, std::string("no subscription to stop from: ") +
                                          (ok ? "nothing delivered" : nq::TRVQuoteApi::get_last_error().error_msg));
        return;
    }
    quote_spi_.stop_armed = true;
    const int64_t d = now_ms() + 3000;
    while (!quote_spi_.in_stopping_callback && now_ms() < d) sleep_ms(1);
    if (!quote_spi_.in_stopping_callback) {
        quote_spi_.stop_armed = false;
        inv_.fail(kStopInsideOnQuote, "no datagram reached on_quote to call stop() from");
    }
    bool unsubscribed = false;
    {
        Watch w(dog_, "TRVQuoteApi::unsubscribe_quote while on_quote calls TRVQuoteApi::stop()");
        unsubscribed = quote_->unsubscribe_quote(md_session_);
    }
    if (!unsubscribed)
        inv_.fail(kStopInsideOnQuote,
                  std::string("unsubscribe_quote refused: ") + nq::TRVQuoteApi::get_last_error().error_msg);
    const int64_t d2 = now_ms() + kCallMs;
    while (quote_spi_.in_stopping_callback && !quote_spi_.stop_returned && now_ms() < d2) sleep_ms(5);
    {
        std::lock_guard<std::mutex> lock(lives_mu_);
        lives_[md_counter_session_].second = now_ms();
    }
    bool again = true;
    {
        Watch w(dog_, "TRVQuoteApi::subscribe_quote after stop()");
        again = quote_->subscribe_quote(md_session_, 2, threads);
    }
    if (again) {
        inv_.fail(kStopInsideOnQuote, "subscribe_quote succeeds after stop() of the market-data API");
        Watch w(dog_, "TRVQuoteApi::unsubscribe_quote after stop()");
        quote_->unsubscribe_quote(md_session_);
    }
    if (!counter_.wait_closed(md_counter_session_, 10000))
        inv_.fail(kStopInsideOnQuote, "10 s after stop() the market-data session is still open at the counter");
    inv_.checked(kStopInsideOnQuote);
}

void Day::check_descriptors_close_on_exec() {
    for (const auto& kv : fds_now()) {
        auto base = base_fds_.find(kv.first);
        if (base != base_fds_.end() && base->second == kv.second) continue;
        const int flags = fcntl(kv.first, F_GETFD);
        if (flags < 0 || (flags & FD_CLOEXEC) != 0) continue;
        std::string what = describe_fd(kv.first);
        // One report per kind of descriptor.
        std::string kind = what;
        const size_t port = kind.find(" local port");
        if (port != std::string::npos) kind = kind.substr(0, port);
        {
            std::lock_guard<std::mutex> lock(cloexec_mu_);
            if (!cloexec_reported_.insert(kind).second) continue;
        }
        inv_.fail(kCloseOnExec, "descriptor " + std::to_string(kv.first) + " (" + what + ") is not close-on-exec");
    }
}

void Day::monitor_thread() {
    const Bytes assets = init_assets();
    const std::vector<Bytes> positions = init_positions();
    for (int round = 0; !part_over_; ++round) {
        sleep_ms(50);
        for (int i = 0; i < 2; ++i) {
            Account& a = account(i);
            const uint64_t s = a.session.load();
            if (s == 0 || a.paused) continue;
            const uint64_t index = trade_->get_account_index(s, 0);
            const nq::trv_init_asset_info_t* got = trade_->get_init_assets(s, 0);
            const nq::TRVInitPositionList* list = trade_->get_init_positions(s, 0);
            if (a.session.load() != s || a.paused) continue;  // replaced meanwhile
            if (index != a.trade_account_index)
                inv_.fail(kSessionValid, std::string("get_account_index(") + a.name + ") = " + std::to_string(index) +
                                             ", not " + std::to_string(a.trade_account_index));
            if (got == nullptr)
                inv_.fail(kSessionValid, std::string("get_init_assets(") + a.name + ") is null");
            else if (std::memcmp(got, assets.data(), assets.size()) != 0)
                inv_.fail(kSessionValid,
                          std::string("get_init_assets(") + a.name + ") differs from what the counter sent");
            if (list == nullptr || list->data_count() != positions.size())
                inv_.fail(kSessionValid, std::string("get_init_positions(") + a.name + ") is " +
                                             (list == nullptr ? "null" : std::to_string(list->data_count()) + " rows"));
        }
        if (round % 5 == 0) check_descriptors_close_on_exec();
    }
}

// The counter closes session B; exactly one on_disconnect follows. Then a
// login that the counter cuts off at its authorisation, which ends once, with
// an error, and a login that succeeds.
void Day::close_and_log_in_again() {
    b_.paused = true;
    invalidating_ = false;
    update_routine();
    // Everything B had outstanding ends meanwhile (order and request timeouts).
    sleep_ms(kOrderTimeoutS * 1000 + 600);
    const uint64_t old = b_.session.load();
    inv_.log("the counter closes session B (" + std::to_string(old) + ")");
    {
        std::lock_guard<std::mutex> lock(lives_mu_);
        lives_[b_.counter_session.load()].second = now_ms();
        counter_closed_.insert(old);
    }
    counter_.close_session(b_.counter_session.load());
    const int64_t deadline = now_ms() + 12000;
    int seen = 0;
    while (now_ms() < deadline && seen == 0) {
        sleep_ms(10);
        std::lock_guard<std::mutex> lock(records_.mu);
        seen = records_.disconnects.count(old) ? records_.disconnects[old] : 0;
    }
    if (seen == 0)
        inv_.fail(kDisconnect, "no on_disconnect within 12 s of the counter closing session B");
    else
        inv_.log("on_disconnect of session B");
    b_.session = 0;

    // The counter closes the next login's session when its authorisation arrives.
    counter_.script(1046, counter::Reply::close(), 1);
    if (log_in_trade(b_, 4, false, kLoginAfterClose) != 0)
        inv_.fail(kLoginAfterClose, "a login whose session the counter closed during the login succeeded");
    b_.session = 0;
    if (log_in_trade(b_, 5, true, kLoginAfterClose) == 0) {
        inv_.fail(kLoginAfterClose, "no login of B succeeded after its session was closed");
    } else {
        inv_.log("session B logged in again (" + std::to_string(b_.session.load()) + ")");
    }
    inv_.checked(kLoginAfterClose);
    b_.paused = false;
    invalidating_ = true;
    update_routine();
}

// Logout and stop: the last things a trading program does.
void Day::end_of_day() {
    {
        std::lock_guard<std::mutex> lock(lives_mu_);
        for (Account* a : {&a_, &b_})
            if (a->counter_session.load() != 0 && lives_[a->counter_session.load()].second == 0)
                lives_[a->counter_session.load()].second = day_end_;
    }
    invalidating_ = false;
    update_routine();
    const uint64_t a = a_.session.load();
    if (a != 0) {
        Watch w(dog_, "TRVTradeApi::logout");
        if (!trade_->logout(a))
            inv_.fail(kStopCloses, std::string("logout refused: ") + trade_->get_last_error().error_msg);
    }
    {
        Watch w(dog_, "TRVTradeApi::stop");
        trade_->stop();
    }
    if (!quote_spi_.stop_returned) {
        Watch w(dog_, "TRVQuoteApi::stop");
        quote_->stop();
    }
    inv_.log("logged out and stopped");
    // Closed on both ends: the counter sees the end of every session, and
    // the library holds no TCP socket any more.
    std::vector<std::string> sockets;
    const bool closed = counter_.wait_until(
        [&] {
            sockets = library_sockets(SOCK_STREAM);
            return counter_.sessions().empty() && sockets.empty();
        },
        10000);
    if (!closed) {
        std::string open;
        for (uint64_t s : counter_.sessions())
            open += " " + std::to_string(s) + " (" + counter_.login_of(s).account + ")";
        if (!open.empty()) inv_.fail(kStopCloses, "10 s after stop() the counter still has sessions open:" + open);
        for (const auto& d : sockets) inv_.fail(kStopCloses, "10 s after stop() the library still holds " + d);
    }
    inv_.checked(kStopCloses);
}

// The library's descriptors of a socket type: every socket that is neither
// the test's own (held before initialize) nor the counter's.
std::vector<std::string> Day::library_sockets(int type) const {
    std::vector<std::string> out;
    for (const auto& kv : fds_now()) {
        auto base = base_fds_.find(kv.first);
        if ((base != base_fds_.end() && base->second == kv.second) || counters_own(kv.first)) continue;
        int t = 0;
        socklen_t len = sizeof t;
        if (getsockopt(kv.first, SOL_SOCKET, SO_TYPE, &t, &len) == 0 && t == type)
            out.push_back("descriptor " + std::to_string(kv.first) + " (" + describe_fd(kv.first) + ")");
    }
    return out;
}

// After stop, nothing that makes a request may succeed, hang or open anything.
void Day::calls_after_stop() {
    const size_t accepted = counter_.logins().size();
    const std::map<int, std::string> fds_before = fds_now();
    struct Case {
        const char* what;
        std::function<bool()> call;  // true: the call was (wrongly) accepted
    };
    const uint64_t b = b_.session.load();
    nq::trv_order_insert_info_t order{};
    order.price = 100000;
    order.quantity = 100;
    std::strncpy(order.security_code, "600000", sizeof order.security_code);
    order.exchange_index = nq::ExchangeIndex::SH;
    order.order_type = nq::OrderType::LIMIT_PRICE;
    order.side = nq::Side::BUY;
    order.business_type = nq::BusinessType::CASH;
    const Case cases[] = {
        {"TRVTradeApi::login", [&] { return trade_->login(90, 7, a_.name, "pw", "key", nullptr); }},
        {"TRVQuoteApi::login", [&] { return quote_->login(91, 7, "day-md", "pw", "key", nullptr); }},
        {"TRVTradeApi::insert_order", [&] { return trade_->insert_order(b, &order, 0) != 0; }},
        {"TRVTradeApi::query_assets", [&] { return trade_->query_assets(b, 92, 0); }},
        {"TRVTradeApi::submit_counter_fund_transfer_request",
         [&] { return trade_->submit_counter_fund_transfer_request(b, 93, nq::FundTransSide::IN, 10000, nullptr, 0); }},
        {"TRVQuoteApi::query_level1_quote",
         [&] { return quote_->query_level1_quote(md_session_, 94, nq::ExchangeIndex::SH, "600000"); }},
    };
    for (const Case& c : cases) {
        bool accepted_call = false;
        {
            Watch w(dog_, std::string(c.what) + " after stop()");
            accepted_call = c.call();
        }
        if (accepted_call)
            inv_.fail(kCallsAfterStop, std::string(c.what) + " after stop() returned success");
        else if (nq::TRVTradeApi::get_last_error().error_code_type == 0)
            inv_.fail(kCallsAfterStop, std::string(c.what) + " after stop() failed without a last error");
    }
    sleep_ms(500);
    if (counter_.logins().size() != accepted) inv_.fail(kCallsAfterStop, "a login after stop() reached the counter");
    for (const auto& kv : fds_now())
        if (fds_before.count(kv.first) == 0 && !counters_own(kv.first))
            inv_.fail(kCallsAfterStop, "a call after stop() left descriptor " + std::to_string(kv.first) + " (" +
                                           describe_fd(kv.first) + ") open");
    inv_.checked(kCallsAfterStop);
}

// After stop the service threads end and the sessions' sockets are closed.
// What stays is what the provider keeps for the life of the process, since
// nothing of it is freed: the logger (its two threads and its file), the
// transport's epoll instance and the order socket, one of each.
void Day::check_threads_and_descriptors() {
    std::set<int> base_tids;
    for (const auto& t : base_threads_) base_tids.insert(t.tid);
    uint16_t order_port = 0;  // the order socket's, as the order node saw it
    for (const auto& d : counter_.datagrams()) order_port = ntohs(d.from.sin_port);
    std::vector<std::string> extra_threads, extra_fds, kept;
    const int64_t deadline = now_ms() + 10000;
    do {
        extra_threads.clear();
        extra_fds.clear();
        kept.clear();
        for (const auto& t : threads_now())
            if (base_tids.count(t.tid) == 0 && t.name != "log_main" && t.name != "log_write")
                extra_threads.push_back(t.name + "(" + std::to_string(t.tid) + ")");
        bool epoll_kept = false, order_socket_kept = false;
        for (const auto& kv : fds_now()) {
            auto base = base_fds_.find(kv.first);
            if (base != base_fds_.end() && base->second == kv.second) continue;
            if (counters_own(kv.first)) continue;
            const std::string what = describe_fd(kv.first);
            if (kv.second.find(log_dir_ + "/tarvel_") == 0) {
                kept.push_back("the log file");
                continue;
            }
            if (kv.second == "anon_inode:[eventpoll]" && !epoll_kept) {
                epoll_kept = true;
                kept.push_back("an epoll instance");
                continue;
            }
            if (what == "UDP socket local port " + std::to_string(order_port) && !order_socket_kept) {
                order_socket_kept = true;
                kept.push_back("the order socket");
                continue;
            }
            extra_fds.push_back(std::to_string(kv.first) + " (" + what + ")");
        }
        if (extra_threads.empty() && extra_fds.empty()) break;
        sleep_ms(100);
    } while (now_ms() < deadline);
    for (const auto& t : extra_threads) inv_.fail(kBackToStart, "10 s after stop() thread " + t + " still runs");
    for (const auto& f : extra_fds) inv_.fail(kBackToStart, "10 s after stop() descriptor " + f + " is still open");
    inv_.checked(kBackToStart);
    std::string kept_text;
    for (const auto& k : kept) kept_text += (kept_text.empty() ? "" : ", ") + k;
    inv_.note("threads before initialize: " + std::to_string(base_threads_.size()) +
              ", at the end: " + std::to_string(threads_now().size()) + " (the logger's two included)");
    inv_.note("descriptors before initialize: " + std::to_string(base_fds_.size()) +
              ", at the end: " + std::to_string(fds_now().size()) + " (kept by the provider: " + kept_text + ")");
}

// What the library still holds is reachable from its provider; anything
// else is a leak.
void Day::check_leaks() {
#if defined(__SANITIZE_ADDRESS__)
    if (__lsan_do_recoverable_leak_check() != 0)
        inv_.fail(kNoLeak, "LeakSanitizer reports leaks (see its report above)");
    inv_.checked(kNoLeak);
#else
    inv_.not_applicable(kNoLeak);
#endif
}

// The invalidations sent in [from, to]: each healed in time, none outlived
// by orders under its token.
void Day::verify_tokens(int64_t from, int64_t to) {
    std::vector<counter::TokenInvalidation> invalidations;
    for (const auto& e : routine_.invalidations())
        if (e.at_ms >= from && e.at_ms <= to) invalidations.push_back(e);
    // Order datagrams by token id, in arrival order.
    std::map<uint64_t, std::vector<int64_t>> orders_by_token;
    size_t order_datagrams = 0;
    for (const auto& d : counter_.datagrams()) {
        const counter::wire::OrderDatagram o = d.parsed();
        if (!o.well_formed || o.code < 1283 || o.code > 1289 || o.body.size() < 16) continue;
        const uint64_t xid = counter::wire::get_u64(o.body.data(), 8);
        if (xid == 0) continue;  // token heartbeat
        orders_by_token[xid >> 28].push_back(d.received_ms);
        ++order_datagrams;
    }
    int64_t worst = 0;
    for (const auto& e : invalidations) {
        const std::string what = "1034 for session " + std::to_string(e.session) + " (token " +
                                 std::to_string(e.token_id) + ") at " + std::to_string(double(e.at_ms - t0_) / 1000.0) +
                                 " s";
        // Healed: an order under a token issued to the session after this one.
        int64_t healed = 0;
        for (uint64_t t : counter_.tokens_of(e.session)) {
            if (t <= e.token_id) continue;
            auto it = orders_by_token.find(t);
            if (it == orders_by_token.end()) continue;
            for (int64_t at : it->second)
                if (at >= e.at_ms && (healed == 0 || at < healed)) healed = at;
        }
        const bool session_ended = [&] {
            std::lock_guard<std::mutex> lock(lives_mu_);
            auto it = lives_.find(e.session);
            return it != lives_.end() && it->second.second != 0 && it->second.second < e.at_ms + kHealMs;
        }();
        // The session's life, or the part of the day, ended first: nothing to tell.
        if (healed == 0 && (session_ended || e.at_ms + kHealMs > to)) continue;
        if ((healed == 0 || healed - e.at_ms > kHealMs) && !delay_explained(e.at_ms, healed != 0 ? healed : to, kHealMs))
            inv_.fail(kHealed, what + (healed == 0 ? " never healed"
                                                   : " healed only after " + std::to_string(healed - e.at_ms) + " ms"));
        else
            worst = std::max(worst, healed - e.at_ms);
        auto it = orders_by_token.find(e.token_id);
        if (it != orders_by_token.end()) {
            size_t late = 0;
            int64_t last = 0;
            for (int64_t at : it->second)
                if (at > e.at_ms + kDeadTokenMs && !delay_explained(e.at_ms, at, kDeadTokenMs)) {
                    ++late;
                    last = at;
                }
            if (late > 0)
                inv_.fail(kNoDeadToken, what + ": " + std::to_string(late) + " orders under it later, the last " +
                                            std::to_string(last - e.at_ms) + " ms after");
        }
    }
    inv_.checked(kHealed);
    inv_.checked(kNoDeadToken);
    inv_.note(part_name() + std::to_string(invalidations.size()) + " token invalidations, the slowest healed in " +
              std::to_string(worst) + " ms; " + std::to_string(order_datagrams) + " order and cancel datagrams so far");
}

// Both kinds of heartbeat in [window_from, window_to].
void Day::verify_heartbeats(int64_t window_from, int64_t window_to) {
    std::map<uint64_t, std::pair<int64_t, int64_t>> lives;
    {
        std::lock_guard<std::mutex> lock(lives_mu_);
        lives = lives_;
    }
    int64_t worst_tcp = 0;
    for (const auto& kv : lives) {
        const int64_t from = std::max(kv.second.first, window_from);
        const int64_t to = std::min(kv.second.second != 0 ? kv.second.second : window_to, window_to);
        if (kv.first == 0 || to - from < 3000) continue;
        int64_t last = from;
        for (const auto& f : counter_.frames(kv.first)) {
            if (f.code != 2 || f.received_ms < from || f.received_ms > to) continue;
            worst_tcp = std::max(worst_tcp, f.received_ms - last);
            if (f.received_ms - last > kHeartbeatGapMs && !delay_explained(last, f.received_ms, kHeartbeatGapMs))
                inv_.fail(kTcpHeartbeat, "session " + std::to_string(kv.first) + " (" +
                                             counter_.login_of(kv.first).account + "): no TCP heartbeat for " +
                                             std::to_string(f.received_ms - last) + " ms before " +
                                             std::to_string(double(f.received_ms - t0_) / 1000.0) + " s");
            last = f.received_ms;
        }
        if (to - last > kHeartbeatGapMs && !delay_explained(last, to, kHeartbeatGapMs))
            inv_.fail(kTcpHeartbeat, "session " + std::to_string(kv.first) + " (" +
                                         counter_.login_of(kv.first).account + "): no TCP heartbeat in its last " +
                                         std::to_string(to - last) + " ms");
    }
    // Token heartbeats: 56 zero bytes of code 1286 at the order node.
    const int64_t from = window_from + 1000, to = window_to;
    int64_t last = from, worst_udp = 0;
    size_t count = 0;
    for (const auto& d : counter_.datagrams()) {
        const counter::wire::OrderDatagram o = d.parsed();
        if (!o.well_formed || o.code != 1286 || o.body.size() != 56 ||
            std::any_of(o.body.begin(), o.body.end(), [](unsigned char c) { return c != 0; }))
            continue;
        if (d.received_ms < from || d.received_ms > to) continue;
        ++count;
        worst_udp = std::max(worst_udp, d.received_ms - last);
        if (d.received_ms - last > kHeartbeatGapMs && !delay_explained(last, d.received_ms, kHeartbeatGapMs))
            inv_.fail(kTokenHeartbeat, "no token heartbeat for " + std::to_string(d.received_ms - last) +
                                           " ms before " + std::to_string(double(d.received_ms - t0_) / 1000.0) + " s");
        last = d.received_ms;
    }
    if (to - last > kHeartbeatGapMs && !delay_explained(last, to, kHeartbeatGapMs))
        inv_.fail(kTokenHeartbeat, "no token heartbeat in the last " + std::to_string(to - last) + " ms of " +
                                       (part_.load() == 0 ? "the first" : "the second") + " part of the day");
    inv_.checked(kTcpHeartbeat);
    inv_.checked(kTokenHeartbeat);
    inv_.note(part_name() + "TCP heartbeats at most " + std::to_string(worst_tcp) + " ms apart; " +
              std::to_string(count) + " token heartbeats, at most " + std::to_string(worst_udp) + " ms apart");
}

// What only the end can tell: every login ended once, every on_disconnect
// was for a session the counter closed, no datagram reached on_quote twice.
void Day::verify_end_records() {
    std::lock_guard<std::mutex> lock(records_.mu);
    for (const auto& kv : records_.logins)
        if (kv.second.size() != 1)
            inv_.fail(kLogin, "login request " + std::to_string(kv.first) + " ended " +
                                  std::to_string(kv.second.size()) + " times");
    for (uint64_t s : counter_closed_)
        if (records_.disconnects[s] > 1)
            inv_.fail(kDisconnect, "session " + std::to_string(s) + " got " + std::to_string(records_.disconnects[s]) +
                                       " on_disconnect");
    for (const auto& kv : records_.disconnects) {
        if (counter_closed_.count(kv.first) != 0 || kv.second == 0) continue;
        // The login the counter cut off may be reported lost once as well.
        bool cut_off = false;
        for (const auto& l : records_.logins[4]) cut_off = cut_off || l.session == kv.first;
        if (cut_off && kv.second == 1) continue;
        inv_.fail(kDisconnect, "on_disconnect for session " + std::to_string(kv.first) +
                                   ", which the counter did not close (" + std::to_string(kv.second) + " times)");
    }
    for (const auto& d : records_.duplicate_quotes) inv_.fail(kNoDuplicateQuote, "on_quote saw " + d + " twice");
    uint64_t quotes = 0;
    for (const auto& kv : records_.quote_counts) quotes += kv.second;
    inv_.note(std::to_string(quotes) + " datagrams reached on_quote");
    inv_.checked(kLogin);
    inv_.checked(kNoDuplicateQuote);
    inv_.checked(kDisconnect);
}

// Orders, transfers and queries of one part of the day, once everything has
// had its time to end; after the last part, also callbacks that no call
// asked for.
void Day::verify_day_records(int part, bool last) {
    std::lock_guard<std::mutex> lock(records_.mu);
    size_t answered = 0, timed_out = 0, wrong = 0, orders = 0;
    for (const auto& kv : records_.sent) {
        if (kv.second.part != part) continue;
        ++orders;
        const OrderOutcome o = records_.outcomes.count(kv.first) ? records_.outcomes[kv.first] : OrderOutcome();
        const SentOrder& s = kv.second;
        bool ok;
        if (!s.answered)
            ok = o.timeouts == 1 && o.responses == 0 && o.trades == 0 && o.cancels == 0;
        else if (s.cancel)
            ok = o.cancels == 1 && o.timeouts == 0 && o.responses == 0;
        else
            ok = o.responses == 1 && o.trades == 1 && o.timeouts == 0 && o.cancels == 0;
        // A report the machine held up past the order timeout comes after it.
        if (!ok && s.answered && o.timeouts == 1 && o.errors == 0 &&
            (s.cancel ? o.cancels == 1 && o.responses == 0 : o.responses == 1 && o.trades == 1 && o.cancels == 0))
            ok = timeout_explained(s.sent_ms, s.sent_ms + kOrderTimeoutS * 1000, kOrderTimeoutS * 1000);
        ok = ok && o.errors == 0;
        if (ok) {
            (s.answered ? answered : timed_out) += 1;
            continue;
        }
        ++wrong;
        char text[256];
        std::snprintf(text, sizeof text,
                      "%s %#llx on %s (%s by the counter): %d responses, %d trades, %d cancel responses, %d errors, "
                      "%d timeouts",
                      s.cancel ? "cancel" : "order", static_cast<unsigned long long>(kv.first), account(s.account).name,
                      s.answered ? "answered" : "left unanswered", o.responses, o.trades, o.cancels, o.errors,
                      o.timeouts);
        inv_.fail(kOrders, text);
    }
    if (last)
        for (const auto& kv : records_.outcomes)
            if (records_.sent.count(kv.first) == 0) {
                ++wrong;
                inv_.fail(kOrders, "a callback for xid " + std::to_string(kv.first) + ", which no call returned");
            }
    inv_.note(part_name() + std::to_string(orders) + " orders and cancels: " + std::to_string(answered) +
              " answered once, " + std::to_string(timed_out) + " timed out once, " + std::to_string(wrong) + " not");
    // Fund transfers.
    size_t good = 0, transfers = 0;
    for (const auto& kv : records_.transfers) {
        const Transfer& t = kv.second;
        if (t.session == 0) {
            if (last) inv_.fail(kTransfers, "a pushed transfer " + kv.first + " that no submit returned");
            continue;
        }
        if (t.part != part) continue;
        ++transfers;
        if (t.requests == 1 && t.results == 1 && t.result_status == 1 && t.pushed_session == t.session &&
            t.pushed_other_kind == 0) {
            ++good;
            continue;
        }
        inv_.fail(kTransfers, std::string(t.cluster ? "cluster" : "counter") + " transfer " + kv.first + ": " +
                                  std::to_string(t.requests) + " pushed requests, " + std::to_string(t.results) +
                                  " pushed results (" + std::to_string(t.pushed_other_kind) +
                                  " as the other kind), status " + std::to_string(t.result_status) + ", on session " +
                                  std::to_string(t.pushed_session) + " of " + std::to_string(t.session));
    }
    inv_.note(part_name() + std::to_string(transfers) + " fund transfers, " + std::to_string(good) +
              " with one pushed request and result");
    // Queries.
    size_t withheld = 0, queries = 0;
    for (const auto& kv : records_.queries) {
        const QueryEnds& q = kv.second;
        if (q.part == -1 && last)
            inv_.fail(kQueries, "a callback for query " + std::to_string(kv.first) + ", which no call sent");
        if (q.part != part) continue;
        ++queries;
        withheld += q.withheld;
        const bool timed_out = q.errors == 1 && q.pages == 1 && q.error_type == 311 && q.error_text == "timeout";
        // An answered query may still time out when the machine held the answer up.
        const bool ok = q.withheld ? timed_out
                                   : (q.errors == 0 && q.lasts == 1 && q.after_end == 0) ||
                                         (timed_out && timeout_explained(q.sent_ms, q.end_ms, 1000));
        if (!ok)
            inv_.fail(kQueries, "query " + std::to_string(kv.first) + (q.withheld ? " (unanswered)" : "") + ": " +
                                    std::to_string(q.pages) + " callbacks, " + std::to_string(q.lasts) +
                                    " last pages, " + std::to_string(q.errors) + " errors (" +
                                    std::to_string(q.error_type) + " " + q.error_text + "), " +
                                    std::to_string(q.after_end) + " after its end");
    }
    inv_.note(part_name() + std::to_string(queries) + " asset queries, " + std::to_string(withheld) +
              " of them unanswered by the counter");
    inv_.checked(kOrders);
    inv_.checked(kTransfers);
    inv_.checked(kQueries);
}

bool Day::run() {
    if (!set_up()) return false;
    if (trade_ == nullptr || quote_ == nullptr) return true;

    inv_.phase("morning logins");
    if (log_in_trade(a_, 1, true, kLogin) == 0 || log_in_trade(b_, 2, true, kLogin) == 0) {
        inv_.report();
        return true;
    }
    {
        LoginEnd end;
        const auto send = [&](uint64_t rid) { return quote_->login(rid, 8, "day-md", "pw", "key", nullptr); };
        if (!log_in("TRVQuoteApi::login", send, 3, true, kLogin, &end, &md_counter_session_)) {
            inv_.report();
            return true;
        }
        md_session_ = end.session;
    }
    inv_.log("logged in: A " + std::to_string(a_.session.load()) + ", B " + std::to_string(b_.session.load()) +
             ", market data " + std::to_string(md_session_));
    // A's next token request, after its first invalidation, is answered with token id 0.
    counter_.script(1411, counter::Reply::with_u64(65, 0, 1923), 1, 0, a_.counter_session.load());

    // First part: trading, and the counter closes a session.
    day_start_ = now_ms();
    std::vector<std::thread> workers = start_workers();
    inv_.phase("the trading day");
    while (now_ms() < day_start_ + kCloseAtMs) sleep_ms(20);
    inv_.phase("the counter closes a session, logins follow");
    close_and_log_in_again();
    inv_.phase("the trading day");
    while (now_ms() < day_start_ + kTradingMs) sleep_ms(20);
    end_part(&workers, day_start_);

    // Second part: trading beside the market-data subscription loop.
    part_ = 1;
    const int64_t second = now_ms();
    workers = start_workers();
    announcing_ = true;
    update_routine();
    inv_.phase("the trading day, with the market-data loop");
    quote_loop();
    end_part(&workers, second);
    day_end_ = now_ms();

    inv_.phase("on_quote stops the market-data API");
    stop_inside_on_quote();
    inv_.phase("logout and stop");
    end_of_day();
    inv_.phase("calls after stop");
    calls_after_stop();
    check_descriptors_close_on_exec();
    inv_.checked(kCloseOnExec);
    inv_.phase("threads and descriptors after stop");
    check_threads_and_descriptors();
    verify_end_records();
    check_leaks();
    {
        std::vector<StandInCounter::Stall> stalls = counter_.stalls();
        const std::vector<StandInCounter::Stall> own = dog_.stalls();
        stalls.insert(stalls.end(), own.begin(), own.end());
        int64_t longest = 0;
        for (const auto& st : stalls) longest = std::max(longest, st.to_ms - st.from_ms);
        inv_.note("the machine held the scenario up " + std::to_string(stalls.size()) + " times, at most " +
                  std::to_string(longest) + " ms; " + std::to_string(excused_.load()) +
                  " late events were explained by them and not held against the library");
    }
    dog_.stop();
    routine_.stop();
    counter_.stop();
    inv_.report();
    if (!::testing::Test::HasFailure()) {
        std::error_code ec;
        std::filesystem::remove_all(log_dir_, ec);
    } else {
        std::printf("the library's log stays under %s\n", log_dir_.c_str());
    }
    return true;
}

TEST(TradingDay, SessionsHoldThroughTimeoutsInvalidationsReannouncementsAndStop) {
    trv_test::run_forked_scenario(
        [] {
            Day day;
            return day.run();
        },
        "the scenario could not set up its counter", 240);
}

}  // namespace
