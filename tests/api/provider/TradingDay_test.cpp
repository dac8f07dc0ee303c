// A trading day compressed into about half a minute, against the stand-in
// counter on loopback, in a process of its own (one provider per process):
//   - two trading sessions (A and B) and one market-data session, held
//     through many request timeouts (TRV_REQUEST_TIMEOUT=1);
//   - the counter invalidates a token (1034) every second, the sessions in
//     turn; A's first new token comes with token id 0;
//   - four threads send orders and cancels, every ninth of which the counter
//     leaves unanswered; fund transfers and asset queries run beside them,
//     every fourth query unanswered;
//   - the market-data session subscribes and unsubscribes in a loop while the
//     counter re-announces its channel table, every 50 ms and right before
//     each subscription;
//   - the counter closes session B while orders are in flight on it (its
//     requests have ended first); a login that the counter cuts off and a
//     login that succeeds follow;
//   - the host's wall clock is stepped back by 30 s and, seven seconds
//     later, forward again, as time synchronisation does;
//   - at the end an on_quote stops the market-data API while
//     unsubscribe_quote waits for that very receiver, the trading API logs
//     out and stops, and calls after stop are refused.
// It checks throughout that the sessions stay usable (account index,
// start-of-day assets and positions, tokens that are healed), and at the end
// that every callback came exactly once, neither kind of heartbeat paused,
// and the process holds no more threads and descriptors than before
// initialize but for what the provider keeps until the process ends, and that
// no order timed out before its order timeout. Bounds
// are generous: only a fault, not a busy machine, fails them. A hang is
// caught by the parent, which kills the child and lists its threads; a
// sanitizer's report ends the child with a failing status.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
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
#include "support/SampleOrder.h"
#include "support/WallClockStep.h"
#include "trv_api.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using counter::Bytes;
using counter::StandInCounter;

int64_t now_ms() { return StandInCounter::clock_ms(); }
void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// ---------------------------------------------------------------- the day's timing and bounds

constexpr int kDayMs = 16000;            // trading, from the end of the morning logins
constexpr int kCloseAtMs = 5000;         // when the counter closes session B
constexpr int kStepBackAtMs = 6000;      // the wall clock goes back by kStepMs then
constexpr int kStepForwardAtMs = 13000;  // and forward again, to the kernel's, then
constexpr int64_t kStepMs = 30000;
// Timers are armed from the cached clock, which lags when the thread that
// refreshes it (every 100 us) waits for a processor: a time-out may come this
// much before its timeout on a busy machine, never a step's worth.
constexpr int64_t kClockLagMs = 1000;
constexpr int kInvalidationMs = 1000;  // one 1034 this often, the trading sessions in turn
constexpr int kAnnouncementMs = 50;    // the channel table again this often
constexpr int kFeedMs = 2;             // one datagram per channel this often
constexpr int kOrderPaceMs = 15;       // each order thread: an order and its cancel this often
constexpr int kTransferPaceMs = 150;
constexpr int kQueryPaceMs = 200;
constexpr uint16_t kOrderTimeoutS = 3;
constexpr int kOutstandingEndMs = kOrderTimeoutS * 1000 + 800;  // every order and request has ended by then
constexpr uint32_t kSkipEvery = 9;         // orders and cancels whose sequence is a multiple get no report
constexpr int64_t kHealMs = 4000;          // a 1034 is healed by an order under a new token within this
constexpr int64_t kDeadTokenMs = 2000;     // no order under an invalidated token arrives later than this
constexpr int64_t kHeartbeatGapMs = 5000;  // both kinds of heartbeat: a peer gives a session up after 5 s of silence
constexpr int kWaitMs = 5000;              // for a login, a query, a delivery, a disconnect to come
constexpr double kDeadlineS = 150;         // the child is killed as hung after this

// ---------------------------------------------------------------- invariants

const char kLogins[] = "every login() that returned true ends in exactly one on_login";
const char kSessionValid[] = "account index, start-of-day assets and positions stay valid on a live session";
const char kHealed[] = "every 1034 is healed by an order under a new token";
const char kDeadToken[] = "no order goes out under an invalidated token";
const char kRefusals[] = "orders and transfers are refused for a missing token only right after a 1034";
const char kTcpHeartbeats[] = "TCP heartbeats reach the counter on every live session";
const char kTokenHeartbeats[] = "token heartbeats reach the order node";
const char kOrders[] = "every order and cancel is answered or timed out, exactly once";
const char kLostOrders[] = "orders in flight on a lost session end with their time-out";
const char kNoEarlyTimeout[] = "no order times out before its order timeout, whatever the wall clock does";
const char kTransfers[] = "every fund transfer gets one pushed request and one pushed result";
const char kQueries[] = "every query ends exactly once (last page, or 311 timeout)";
const char kSubscriptions[] = "every subscription made during re-announcements succeeds and delivers";
const char kQuotesOnce[] = "on_quote sees no datagram twice";
const char kStopInOnQuote[] = "stop() inside on_quote stops the market-data API while unsubscribe_quote waits";
const char kDisconnect[] = "a session the counter closes gets one on_disconnect, no other session any";
const char kLoginAfterClose[] = "a login follows a closed session";
const char kStopCloses[] = "stop() right after logout() closes every session";
const char kAfterStop[] = "after stop() every request-making call is refused and opens nothing";
const char kCloseOnExec[] = "every descriptor the library opens is close-on-exec";
const char kBackToStart[] = "threads and descriptors are back to their count before initialize";
const char kNoLeak[] = "no memory is leaked";

// Failures are counted per invariant and the first few reported with their
// details, so that a broken invariant shows without flooding the output.
class Faults {
public:
    void fail(const char* invariant, const std::string& detail) {
        std::lock_guard<std::mutex> lock(mu_);
        if (++counts_[invariant] <= 3) ADD_FAILURE() << invariant << ": " << detail;
    }
    void summary() {
        std::lock_guard<std::mutex> lock(mu_);
        for (const auto& kv : counts_)
            if (kv.second > 3) ADD_FAILURE() << kv.first << ": broken " << kv.second << " times in all";
    }

private:
    std::mutex mu_;
    std::map<std::string, int> counts_;
};

// ---------------------------------------------------------------- the process's threads and descriptors

std::map<int, std::string> threads_now() {  // tid -> name
    std::map<int, std::string> out;
    DIR* d = opendir("/proc/self/task");
    if (d == nullptr) return out;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        char name[64] = {0};
        if (FILE* f = std::fopen((std::string("/proc/self/task/") + e->d_name + "/comm").c_str(), "re")) {
            if (std::fgets(name, sizeof name, f) == nullptr) name[0] = '\0';
            std::fclose(f);
        }
        std::string n(name);
        if (!n.empty() && n.back() == '\n') n.pop_back();
        out[std::atoi(e->d_name)] = n;
    }
    closedir(d);
    return out;
}

std::map<int, std::string> fds_now() {  // descriptor -> link target
    std::map<int, std::string> out;
    DIR* d = opendir("/proc/self/fd");
    if (d == nullptr) return out;
    const int own = dirfd(d);
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        const int fd = std::atoi(e->d_name);
        char target[512];
        const ssize_t n = readlink((std::string("/proc/self/fd/") + e->d_name).c_str(), target, sizeof target - 1);
        if (fd != own) out[fd] = n > 0 ? std::string(target, size_t(n)) : "?";
    }
    closedir(d);
    return out;
}

int socket_type(int fd) {
    int type = 0;
    socklen_t len = sizeof type;
    return getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len) == 0 ? type : 0;
}

uint16_t local_port(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    return getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0 && a.sin_family == AF_INET ? ntohs(a.sin_port)
                                                                                                  : 0;
}

// ---------------------------------------------------------------- what the callbacks saw

struct LoginEnd {
    uint64_t session;
    bool failed;
    std::string error;
    int64_t at_ms;
};

struct OrderOutcome {
    int responses = 0, trades = 0, cancels = 0, errors = 0, timeouts = 0;
    int64_t timed_out_ms = 0;  // when the first on_order_timeout came
};

struct SentOrder {
    bool cancel;
    bool answered;  // the counter answers it: its sequence is not a multiple of kSkipEvery
    uint64_t session;
    int64_t sent_ms;
};

struct Transfer {
    bool submitted = false, cluster = false;
    uint64_t session = 0;
    int requests = 0, results = 0, other_kind = 0;  // other_kind: pushes through the other kind's callbacks
    uint8_t status = 0;
    uint64_t pushed_session = 0;
};

struct Query {
    bool sent = false, withheld = false;
    int lasts = 0, errors = 0, after_end = 0;
    uint64_t error_type = 0;
    bool ended() const { return lasts + errors > 0; }
};

struct Records {
    std::mutex mu;
    std::map<uint64_t, std::vector<LoginEnd>> logins;  // by request id
    std::map<uint64_t, int> disconnects;               // by library session, both APIs
    std::unordered_map<uint64_t, OrderOutcome> outcomes;
    std::unordered_map<uint64_t, SentOrder> sent;
    std::map<std::string, Transfer> transfers;  // by business number
    std::map<uint64_t, Query> queries;          // by request id
    std::map<uint16_t, std::set<uint64_t>> quote_serials;
    std::vector<std::string> duplicate_quotes;
    uint64_t quotes = 0;

    void login_ended(uint64_t session, uint64_t request_id, const nq::trv_error_info_t* error) {
        std::lock_guard<std::mutex> lock(mu);
        logins[request_id].push_back({session, error != nullptr, error != nullptr ? error->error_msg : "", now_ms()});
    }
    void disconnected(uint64_t session) {
        std::lock_guard<std::mutex> lock(mu);
        ++disconnects[session];
    }
    size_t delivered(uint16_t mc_type) {
        std::lock_guard<std::mutex> lock(mu);
        return quote_serials[mc_type].size();
    }
};

class TradeSpi : public nq::TRVTradeSpi {
public:
    explicit TradeSpi(Records* r) : r_(r) {}
    void on_login(uint64_t session_id, uint64_t request_id, const nq::trv_error_info_t* error) override {
        r_->login_ended(session_id, request_id, error);
    }
    void on_disconnect(uint64_t session_id) override { r_->disconnected(session_id); }
    void on_order_timeout(uint64_t, uint64_t xid) override {
        std::lock_guard<std::mutex> lock(r_->mu);
        OrderOutcome& o = r_->outcomes[xid];
        if (o.timeouts++ == 0) o.timed_out_ms = now_ms();
    }
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
        Query& q = r_->queries[request_id];
        if (q.ended()) ++q.after_end;
        if (error != nullptr) {
            ++q.errors;
            q.error_type = error->error_code_type;
        } else if (is_last) {
            ++q.lasts;
        }
    }

private:
    void bump(uint64_t xid, int OrderOutcome::*field) {
        std::lock_guard<std::mutex> lock(r_->mu);
        ++(r_->outcomes[xid].*field);
    }
    // A push may come before the submit has returned: it is kept under its number.
    void pushed(uint64_t session_id, const char* biz, bool result, uint8_t status, bool cluster) {
        std::lock_guard<std::mutex> lock(r_->mu);
        Transfer& t = r_->transfers[std::string(biz, strnlen(biz, nq::CONST_BIZ_NO_LEN))];
        t.pushed_session = session_id;
        if (t.submitted && t.cluster != cluster) ++t.other_kind;
        if (result) {
            ++t.results;
            t.status = status;
        } else {
            ++t.requests;
        }
    }
    Records* r_;
};

class QuoteSpi : public nq::TRVQuoteSpi {
public:
    explicit QuoteSpi(Records* r) : r_(r) {}
    void on_login(uint64_t session_id, uint64_t request_id, const nq::trv_error_info_t* error) override {
        r_->login_ended(session_id, request_id, error);
    }
    void on_disconnect(uint64_t session_id) override { r_->disconnected(session_id); }
    void on_quote(nq::QuoteMCType mc_type, const void* data, uint32_t len) override {
        const uint64_t serial = counter::CounterRoutine::serial_of(data, len);
        {
            std::lock_guard<std::mutex> lock(r_->mu);
            ++r_->quotes;
            if (!r_->quote_serials[mc_type].insert(serial).second)
                r_->duplicate_quotes.push_back("type " + std::to_string(mc_type) + " serial " + std::to_string(serial));
        }
        if (!stop_armed.exchange(false)) return;
        // Told to stop: the program calls unsubscribe_quote meanwhile, which
        // waits for this very receiver to end.
        in_callback = true;
        sleep_ms(200);
        api->stop();
        stop_returned = true;
    }

    nq::TRVQuoteApi* api = nullptr;
    std::atomic<bool> stop_armed{false}, in_callback{false}, stop_returned{false};

private:
    Records* r_;
};

// ---------------------------------------------------------------- the day

struct Account {
    const char* name;
    uint64_t trade_account_index;
    std::atomic<uint64_t> session{0};          // the library's id; 0 while it is being replaced
    std::atomic<uint64_t> order_session{0};    // the same for orders, which go on until the session is lost
    std::atomic<uint64_t> counter_session{0};  // the counter's number of that session
};

// The time a session was in use, on the counter's clock; to 0 while it is.
struct Life {
    int64_t from = 0, to = 0;
};

class Day {
public:
    Day() : counter_(options()), routine_(counter_), trade_spi_(&records_), quote_spi_(&records_) {}
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
        counter::wire::put_u64(a, 8, 5000000000ull);
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
    bool log_in(bool trade, const char* name, uint64_t request_id, bool retry, LoginEnd* end,
                uint64_t* counter_session);
    bool wait_login_end(uint64_t request_id, LoginEnd* end);
    bool log_in_trade(Account& a, uint64_t request_id);
    void set_invalidating(bool on);
    bool invalidated_lately(const Account& a);
    bool being_replaced(const Account& a, uint64_t s) const { return a.session.load() != s; }
    void step_wall_clock();

    void order_thread(int index);
    void transfer_thread();
    void query_thread();
    void monitor_thread();
    void quote_loop();
    void close_b_and_log_in_again();
    void check_close_on_exec();
    void stop_inside_on_quote();
    void end_of_day();
    void calls_after_stop();
    void check_back_to_start();

    void verify_orders_transfers_queries();
    void verify_logins_disconnects_quotes();
    void verify_tokens();
    void verify_heartbeats();

    bool counters_own(int fd) const {
        const uint16_t p = local_port(fd);
        return p != 0 && (p == counter_.port() || p == ntohs(counter_.order_node().sin_port));
    }
    std::vector<int> library_tcp_sockets() const;

    Faults faults_;
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

    Account a_{"day-a", 22};
    Account b_{"day-b", 33};
    Account* accounts_[2] = {&a_, &b_};
    uint64_t md_session_ = 0, md_counter_session_ = 0;
    std::vector<counter::QuoteChannel> channels_;

    std::atomic<bool> day_over_{false};
    int64_t day_start_ = 0, day_end_ = 0;
    std::mutex lives_mu_;
    std::map<uint64_t, Life> lives_;    // by counter session
    uint64_t closed_session_ = 0;       // the library's id of the session the counter closed
    int64_t closed_at_ = 0;             // when it closed it
    std::atomic<uint64_t> closing_{0};  // that session, from the moment it is closed
    uint64_t cut_off_session_ = 0;      // the library's id of the login the counter cut off

    std::map<int, std::string> threads_before_, fds_before_;
};

bool Day::set_up() {
    char tmpl[] = "/tmp/trv_trading_day.XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return false;
    log_dir_ = tmpl;
    setenv("TRV_FILE_PATH", log_dir_.c_str(), 1);
    setenv("TRV_LOG_LEVEL", "DEBUG", 1);
    setenv("TRV_REQUEST_TIMEOUT", "1", 1);

    counter_.add_account({a_.name, counter::AccountKind::Normal, 11, a_.trade_account_index, ""});
    counter_.add_account({b_.name, counter::AccountKind::Normal, 12, b_.trade_account_index, ""});
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

    // What the process holds before the library: the test's and the counter's.
    threads_before_ = threads_now();
    fds_before_ = fds_now();

    if (!trade_config_.set_local_addr("127.0.0.1", "127.0.0.1") ||
        !trade_config_.add_agw_addr("127.0.0.1", counter_.port()) ||
        !quote_config_.set_local_addr("127.0.0.1", "127.0.0.1") ||
        !quote_config_.add_agw_addr("127.0.0.1", counter_.port()))
        return false;
    trade_config_.set_trading_day(20240102);
    trade_config_.set_order_timeout(kOrderTimeoutS);
    trade_ = nq::TRVTradeApi::create();
    quote_ = nq::TRVQuoteApi::create();
    quote_spi_.api = quote_;
    return true;
}

// A login through the facade; its end, and the counter's number of its
// session, once on_login has come. The chain of seven messages must fit in
// one request timeout (1 s): on a busy machine a login that timed out is
// tried again, twice at most, under request ids 100 apart.
bool Day::log_in(bool trade, const char* name, uint64_t request_id, bool retry, LoginEnd* end,
                 uint64_t* counter_session) {
    for (int attempt = 0;; ++attempt, request_id += 100) {
        const bool sent = trade ? trade_->login(request_id, 7, name, "pw", "key", nullptr)
                                : quote_->login(request_id, 8, name, "pw", "key", nullptr);
        if (!sent) {
            faults_.fail(kLogins,
                         std::string("login of ") + name + " refused: " + nq::TRVTradeApi::get_last_error().error_msg);
            return false;
        }
        if (!wait_login_end(request_id, end)) {
            faults_.fail(kLogins, std::string("login of ") + name + " has no on_login after 5 s");
            return false;
        }
        if (!(retry && end->failed && end->error == "timeout" && attempt < 2)) break;
        std::printf("login of %s timed out; again\n", name);
    }
    for (const auto& l : counter_.logins())
        if (l.request_id == request_id) *counter_session = l.session;
    if (!end->failed) {
        std::lock_guard<std::mutex> lock(lives_mu_);
        lives_[*counter_session].from = end->at_ms;
    }
    return true;
}

bool Day::wait_login_end(uint64_t request_id, LoginEnd* end) {
    for (const int64_t deadline = now_ms() + kWaitMs; now_ms() < deadline; sleep_ms(5)) {
        std::lock_guard<std::mutex> lock(records_.mu);
        auto it = records_.logins.find(request_id);
        if (it != records_.logins.end()) {
            *end = it->second.front();
            return true;
        }
    }
    return false;
}

bool Day::log_in_trade(Account& a, uint64_t request_id) {
    LoginEnd end;
    uint64_t cs = 0;
    if (!log_in(true, a.name, request_id, true, &end, &cs)) return false;
    if (end.failed) {
        faults_.fail(kLogins, std::string("login of ") + a.name + " failed: " + end.error);
        return false;
    }
    a.counter_session = cs;
    a.session = end.session;
    a.order_session = end.session;
    return true;
}

void Day::set_invalidating(bool on) {
    counter::RoutineOptions o;
    o.token_invalidation_ms = on ? kInvalidationMs : 0;
    o.channel_announcement_ms = kAnnouncementMs;
    o.quote_feed_ms = kFeedMs;
    routine_.set_options(o);
}

// An order or transfer refused for want of a token is right only while a
// 1034 of its session is being healed.
bool Day::invalidated_lately(const Account& a) {
    const int64_t now = now_ms();
    for (const auto& e : routine_.invalidations())
        if (e.session == a.counter_session.load() && e.at_ms <= now && now <= e.at_ms + kHealMs) return true;
    return false;
}

void Day::order_thread(int index) {
    Account& a = *accounts_[index / 2];
    trade_->init_local_send();
    nq::trv_order_insert_info_t order{};
    order.price = 101000 + index;
    order.quantity = 100;
    std::strncpy(order.security_code, index % 2 == 0 ? "600000" : "000001", sizeof order.security_code);
    order.exchange_index = index % 2 == 0 ? nq::ExchangeIndex::SH : nq::ExchangeIndex::SZ;
    order.order_type = nq::OrderType::LIMIT_PRICE;
    order.side = nq::Side::BUY;
    order.business_type = nq::BusinessType::CASH;
    const auto answered = [](uint64_t xid) { return ((xid >> 8) & 0xfffff) % kSkipEvery != 0; };
    while (!day_over_) {
        sleep_ms(kOrderPaceMs);
        const uint64_t s = a.order_session.load();
        if (s == 0) continue;
        const int64_t sent_ms = now_ms();
        const uint64_t xid = trade_->insert_order(s, &order, 0);
        uint64_t cxid = 0;
        if (xid != 0) {
            nq::trv_cancel_order_info_t cancel{0, xid};
            cxid = trade_->cancel_order(s, &cancel, 0);
        }
        const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
        {
            std::lock_guard<std::mutex> lock(records_.mu);
            if (xid != 0) records_.sent[xid] = SentOrder{false, answered(xid), s, sent_ms};
            if (cxid != 0) records_.sent[cxid] = SentOrder{true, answered(cxid), s, sent_ms};
        }
        if (cxid != 0 || a.order_session.load() != s) continue;
        // Refused as unknown once the counter has closed the session.
        if (s == closing_.load() && e.error_code_type == 307) continue;
        if (std::strstr(e.error_msg, "invalid token") != nullptr && invalidated_lately(a)) continue;
        faults_.fail(kRefusals, std::string("order or cancel on ") + a.name + ": " + e.error_msg);
    }
}

void Day::transfer_thread() {
    for (uint64_t i = 0; !day_over_; ++i) {
        sleep_ms(kTransferPaceMs);
        Account& a = *accounts_[i % 2];
        const uint64_t s = a.session.load();
        if (s == 0) continue;
        char biz[nq::CONST_BIZ_NO_LEN] = {0};
        const int kind = int((i / 2) % 3);  // counter in, counter out, cluster
        const nq::amount_t amount = nq::amount_t(10000 * (i + 1));
        const bool ok =
            kind == 2 ? trade_->submit_cluster_fund_transfer_request(s, 50000 + i, amount, biz, 0)
                      : trade_->submit_counter_fund_transfer_request(
                            s, 50000 + i, kind == 0 ? nq::FundTransSide::IN : nq::FundTransSide::OUT, amount, biz, 0);
        if (!ok) {
            const nq::trv_error_info_t e = nq::TRVTradeApi::get_last_error();
            if (being_replaced(a, s) ||
                (std::strstr(e.error_msg, "no trade token") != nullptr && invalidated_lately(a)))
                continue;
            faults_.fail(kRefusals, std::string("fund transfer on ") + a.name + ": " + e.error_msg);
            continue;
        }
        uint64_t sender = 0, token = 0;
        trade_->get_biz_sender(biz, sender, token);
        if (sender != s || token == 0)
            faults_.fail(kTransfers, std::string("get_biz_sender(") + biz + ") names session " +
                                         std::to_string(sender) + ", not " + std::to_string(s));
        std::lock_guard<std::mutex> lock(records_.mu);
        Transfer& t = records_.transfers[std::string(biz, strnlen(biz, sizeof biz))];
        t.submitted = true;
        t.cluster = kind == 2;
        t.session = s;
    }
}

// Asset queries on both sessions in turn, one at a time; every fourth one
// the counter leaves unanswered (its table information is withheld), so it
// ends with error 311 one request timeout later.
void Day::query_thread() {
    bool withhold_pending = false;  // the counter withholds the next query's answer
    for (uint64_t i = 0; !day_over_; ++i) {
        sleep_ms(kQueryPaceMs);
        Account& a = *accounts_[i % 2];
        const uint64_t s = a.session.load();
        if (s == 0) continue;
        const uint64_t rid = 80000 + i;
        if (i % 4 == 3 && !withhold_pending) {
            counter_.script(1041, counter::Reply::withhold(), 1, 1477);
            withhold_pending = true;
        }
        {
            std::lock_guard<std::mutex> lock(records_.mu);
            records_.queries[rid].withheld = withhold_pending;
        }
        if (!trade_->query_assets(s, rid, 0)) {
            if (!being_replaced(a, s))
                faults_.fail(kQueries, std::string("query_assets on ") + a.name +
                                           " refused: " + nq::TRVTradeApi::get_last_error().error_msg);
            continue;
        }
        withhold_pending = false;
        bool ended = false;
        {
            std::lock_guard<std::mutex> lock(records_.mu);
            records_.queries[rid].sent = true;
        }
        for (const int64_t deadline = now_ms() + kWaitMs; !ended && now_ms() < deadline; sleep_ms(5)) {
            std::lock_guard<std::mutex> lock(records_.mu);
            ended = records_.queries[rid].ended();
        }
        if (!ended) faults_.fail(kQueries, "query " + std::to_string(rid) + " on " + a.name + " never ended");
    }
}

// The session's own records, read as a program reads them all day long.
void Day::monitor_thread() {
    const Bytes assets = init_assets();
    for (int round = 0; !day_over_; ++round) {
        sleep_ms(50);
        for (Account* a : accounts_) {
            const uint64_t s = a->session.load();
            if (s == 0) continue;
            const uint64_t index = trade_->get_account_index(s, 0);
            const nq::trv_init_asset_info_t* got = trade_->get_init_assets(s, 0);
            const nq::TRVInitPositionList* positions = trade_->get_init_positions(s, 0);
            if (being_replaced(*a, s)) continue;
            if (index != a->trade_account_index)
                faults_.fail(kSessionValid,
                             std::string("get_account_index(") + a->name + ") = " + std::to_string(index));
            if (got == nullptr || std::memcmp(got, assets.data(), assets.size()) != 0)
                faults_.fail(kSessionValid, std::string("get_init_assets(") + a->name + ") is " +
                                                (got == nullptr ? "null" : "not what the counter sent"));
            if (positions == nullptr || positions->data_count() != 2)
                faults_.fail(kSessionValid, std::string("get_init_positions(") + a->name + ") is " +
                                                (positions == nullptr ? "null" : "not two rows"));
        }
        if (round % 5 == 0) check_close_on_exec();
    }
}

void Day::check_close_on_exec() {
    for (const auto& kv : fds_now()) {
        auto before = fds_before_.find(kv.first);
        if (before != fds_before_.end() && before->second == kv.second) continue;
        const int flags = fcntl(kv.first, F_GETFD);
        if (flags >= 0 && (flags & FD_CLOEXEC) == 0)
            faults_.fail(kCloseOnExec, "descriptor " + std::to_string(kv.first) + " (" + kv.second + ")");
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

// Subscribe, wait for a datagram on every channel, unsubscribe, all day,
// while the counter re-announces the channel table every 50 ms and right
// before each subscription, which follows it after a delay that sweeps the
// time the library takes to take the table in.
void Day::quote_loop() {
    nq::quote_thread_t threads[2];
    quote_threads(threads);
    int round = 0;
    for (; !day_over_; ++round) {
        std::map<uint16_t, size_t> before;
        for (const auto& c : channels_) before[c.mc_type] = records_.delivered(c.mc_type);
        counter_.announce_channels(md_counter_session_);
        std::this_thread::sleep_for(std::chrono::microseconds(50 * (round % 16)));
        if (!quote_->subscribe_quote(md_session_, 2, threads)) {
            faults_.fail(kSubscriptions, "round " + std::to_string(round) + ": subscribe_quote refused: " +
                                             nq::TRVQuoteApi::get_last_error().error_msg);
            continue;
        }
        for (const auto& c : channels_) {
            const int64_t deadline = now_ms() + kWaitMs;
            while (records_.delivered(c.mc_type) == before[c.mc_type] && now_ms() < deadline) sleep_ms(1);
            if (records_.delivered(c.mc_type) == before[c.mc_type])
                faults_.fail(kSubscriptions, "round " + std::to_string(round) + ": channel " +
                                                 std::to_string(c.mc_type) + " delivered nothing");
        }
        if (!quote_->unsubscribe_quote(md_session_))
            faults_.fail(kSubscriptions, "round " + std::to_string(round) + ": unsubscribe_quote refused: " +
                                             nq::TRVQuoteApi::get_last_error().error_msg);
    }
    std::printf("%d subscriptions, %llu channel re-announcements\n", round,
                static_cast<unsigned long long>(round + routine_.announcements()));
}

// The counter closes session B while its two order threads go on sending
// on it; one on_disconnect follows, and every order of B still unanswered
// then ends with its own time-out. Then a login that the counter cuts off at
// its authorisation, which ends once, with an error, and a login that
// succeeds.
void Day::close_b_and_log_in_again() {
    set_invalidating(false);
    const uint64_t old = b_.session.exchange(0);
    // A lost session's outstanding requests never end: let B's end first.
    // Its orders are not requests: they go on until the session is lost.
    sleep_ms(kOutstandingEndMs);
    {
        std::lock_guard<std::mutex> lock(lives_mu_);
        lives_[b_.counter_session.load()].to = now_ms();
    }
    closed_session_ = old;
    closing_ = old;
    closed_at_ = now_ms();
    counter_.close_session(b_.counter_session.load());
    int seen = 0;
    for (const int64_t deadline = now_ms() + 12000; seen == 0 && now_ms() < deadline; sleep_ms(10)) {
        std::lock_guard<std::mutex> lock(records_.mu);
        seen = records_.disconnects[old];
    }
    b_.order_session = 0;
    if (seen == 0) faults_.fail(kDisconnect, "no on_disconnect within 12 s of the counter closing session B");

    counter_.script(1046, counter::Reply::close(), 1);
    LoginEnd end;
    uint64_t cs = 0;
    if (log_in(true, b_.name, 4, false, &end, &cs)) {
        cut_off_session_ = end.session;
        if (!end.failed) faults_.fail(kLoginAfterClose, "a login whose session the counter closed succeeded");
    }
    if (!log_in_trade(b_, 5)) faults_.fail(kLoginAfterClose, "no login of B after its session was closed");
    set_invalidating(true);
}

// The last act of the market-data API: an on_quote calls stop() while the
// program waits in unsubscribe_quote for that very receiver to end. Neither
// may hang; afterwards the API is stopped.
void Day::stop_inside_on_quote() {
    nq::quote_thread_t threads[2];
    quote_threads(threads);
    if (!quote_->subscribe_quote(md_session_, 2, threads)) {
        faults_.fail(kStopInOnQuote, std::string("subscribe_quote: ") + nq::TRVQuoteApi::get_last_error().error_msg);
        return;
    }
    quote_spi_.stop_armed = true;
    for (const int64_t deadline = now_ms() + kWaitMs; !quote_spi_.in_callback && now_ms() < deadline;) sleep_ms(1);
    if (!quote_spi_.in_callback) faults_.fail(kStopInOnQuote, "no datagram reached on_quote");
    if (!quote_->unsubscribe_quote(md_session_))
        faults_.fail(kStopInOnQuote, std::string("unsubscribe_quote: ") + nq::TRVQuoteApi::get_last_error().error_msg);
    if (quote_spi_.in_callback && !quote_spi_.stop_returned)
        faults_.fail(kStopInOnQuote, "unsubscribe_quote returned before the on_quote it waited for");
    {
        std::lock_guard<std::mutex> lock(lives_mu_);
        lives_[md_counter_session_].to = now_ms();
    }
    if (quote_->subscribe_quote(md_session_, 2, threads)) {
        faults_.fail(kStopInOnQuote, "subscribe_quote succeeds after stop()");
        quote_->unsubscribe_quote(md_session_);
    }
    if (!counter_.wait_closed(md_counter_session_, kWaitMs))
        faults_.fail(kStopInOnQuote, "the market-data session is still open at the counter 5 s after stop()");
}

std::vector<int> Day::library_tcp_sockets() const {
    std::vector<int> out;
    for (const auto& kv : fds_now())
        if (fds_before_.count(kv.first) == 0 && socket_type(kv.first) == SOCK_STREAM && !counters_own(kv.first))
            out.push_back(kv.first);
    return out;
}

// Logout and stop, the last things a trading program does: stop() right
// after logout() closes every session, on both ends.
void Day::end_of_day() {
    {
        std::lock_guard<std::mutex> lock(lives_mu_);
        for (Account* a : accounts_) lives_[a->counter_session.load()].to = day_end_;
    }
    set_invalidating(false);
    if (!trade_->logout(a_.session.load()))
        faults_.fail(kStopCloses, std::string("logout: ") + nq::TRVTradeApi::get_last_error().error_msg);
    trade_->stop();
    if (!quote_spi_.stop_returned) quote_->stop();
    const bool closed =
        counter_.wait_until([&] { return counter_.sessions().empty() && library_tcp_sockets().empty(); }, kWaitMs);
    if (!closed)
        faults_.fail(kStopCloses, "5 s after stop() the counter has " + std::to_string(counter_.sessions().size()) +
                                      " sessions open and the library " + std::to_string(library_tcp_sockets().size()) +
                                      " TCP sockets");
}

// After stop, nothing that makes a request may succeed, reach the counter or
// open a descriptor.
void Day::calls_after_stop() {
    const size_t logins = counter_.logins().size();
    const std::map<int, std::string> fds = fds_now();
    const uint64_t b = b_.session.load();
    nq::trv_order_insert_info_t order = trv_test::sh_limit_buy(100000, 100);
    const struct {
        const char* what;
        std::function<bool()> call;  // true: accepted
    } cases[] = {
        {"TRVTradeApi::login", [&] { return trade_->login(90, 7, a_.name, "pw", "key", nullptr); }},
        {"TRVQuoteApi::login", [&] { return quote_->login(91, 8, "day-md", "pw", "key", nullptr); }},
        {"insert_order", [&] { return trade_->insert_order(b, &order, 0) != 0; }},
        {"query_assets", [&] { return trade_->query_assets(b, 92, 0); }},
        {"submit_counter_fund_transfer_request",
         [&] { return trade_->submit_counter_fund_transfer_request(b, 93, nq::FundTransSide::IN, 10000, nullptr, 0); }},
        {"query_level1_quote",
         [&] { return quote_->query_level1_quote(md_session_, 94, nq::ExchangeIndex::SH, "600000"); }},
    };
    for (const auto& c : cases) {
        if (c.call())
            faults_.fail(kAfterStop, std::string(c.what) + " succeeded");
        else if (nq::TRVTradeApi::get_last_error().error_code_type == 0)
            faults_.fail(kAfterStop, std::string(c.what) + " failed without a last error");
    }
    sleep_ms(500);
    if (counter_.logins().size() != logins) faults_.fail(kAfterStop, "a login reached the counter");
    for (const auto& kv : fds_now())
        if (fds.count(kv.first) == 0 && !counters_own(kv.first))
            faults_.fail(kAfterStop, "descriptor " + std::to_string(kv.first) + " (" + kv.second + ") was opened");
}

// After stop the service threads end and every session's socket is closed.
// The provider and what it made live until the process ends, since nothing of
// it is freed: the logger's two threads and its file, the transport's epoll
// instance and the order socket stay, and are named as kept.
void Day::check_back_to_start() {
    uint16_t order_port = 0;  // the order socket's, as the order node saw it
    for (const auto& d : counter_.datagrams()) order_port = ntohs(d.from.sin_port);
    std::vector<std::string> threads, fds;
    for (const int64_t deadline = now_ms() + kWaitMs;; sleep_ms(100)) {
        threads.clear();
        fds.clear();
        for (const auto& kv : threads_now())
            if (threads_before_.count(kv.first) == 0 && kv.second != "log_main" && kv.second != "log_write")
                threads.push_back(kv.second);
        bool epoll_kept = false, order_socket_kept = false;
        for (const auto& kv : fds_now()) {
            auto before = fds_before_.find(kv.first);
            if ((before != fds_before_.end() && before->second == kv.second) || counters_own(kv.first)) continue;
            if (kv.second.compare(0, log_dir_.size() + 8, log_dir_ + "/tarvel_") == 0) continue;
            if (kv.second == "anon_inode:[eventpoll]" && !epoll_kept) {
                epoll_kept = true;
                continue;
            }
            if (socket_type(kv.first) == SOCK_DGRAM && local_port(kv.first) == order_port && !order_socket_kept) {
                order_socket_kept = true;
                continue;
            }
            fds.push_back(std::to_string(kv.first) + " (" + kv.second + ")");
        }
        if ((threads.empty() && fds.empty()) || now_ms() > deadline) break;
    }
    for (const auto& t : threads) faults_.fail(kBackToStart, "thread " + t + " still runs after stop()");
    for (const auto& f : fds) faults_.fail(kBackToStart, "descriptor " + f + " is still open after stop()");
}

// Every order and cancel, transfer and query of the day, once all have had
// their time to end.
void Day::verify_orders_transfers_queries() {
    std::lock_guard<std::mutex> lock(records_.mu);
    size_t lost_in_flight = 0;  // orders of the closed session that ended by their time-out after its loss
    for (const auto& kv : records_.sent) {
        const SentOrder& s = kv.second;
        const OrderOutcome& o = records_.outcomes[kv.first];
        const bool only_timed_out = o.timeouts == 1 && o.responses + o.trades + o.cancels + o.errors == 0;
        // A report that a busy machine held up past the order timeout follows the timeout.
        bool ok = !s.answered ? only_timed_out
                  : s.cancel  ? o.cancels == 1 && o.responses + o.trades + o.errors == 0 && o.timeouts <= 1
                              : o.responses == 1 && o.trades == 1 && o.cancels + o.errors == 0 && o.timeouts <= 1;
        if (s.session == closed_session_ && only_timed_out && o.timed_out_ms > closed_at_) ++lost_in_flight;
        // On the closed session its answer may have been lost with the session,
        // whole (its time-out ends it) or after the order response (which ends it).
        if (s.session == closed_session_ && !ok)
            ok = only_timed_out ||
                 (!s.cancel && o.responses == 1 && o.trades == 0 && o.cancels + o.errors + o.timeouts == 0);
        if (o.timeouts != 0 && o.timed_out_ms - s.sent_ms < kOrderTimeoutS * 1000 - kClockLagMs)
            faults_.fail(kNoEarlyTimeout, "xid " + std::to_string(kv.first) + " timed out " +
                                              std::to_string(o.timed_out_ms - s.sent_ms) + " ms after it was sent");
        if (!ok) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "%s %#llx (%s): %d responses, %d trades, %d cancel responses, %d errors, %d timeouts",
                          s.cancel ? "cancel" : "order", static_cast<unsigned long long>(kv.first),
                          s.answered ? "answered" : "unanswered", o.responses, o.trades, o.cancels, o.errors,
                          o.timeouts);
            faults_.fail(kOrders, text);
        }
    }
    for (const auto& kv : records_.outcomes)
        if (records_.sent.count(kv.first) == 0)
            faults_.fail(kOrders, "a callback for xid " + std::to_string(kv.first) + ", which no call returned");
    // B's order threads sent until the loss, every ninth order unanswered: some
    // were in flight.
    if (lost_in_flight == 0) faults_.fail(kLostOrders, "no order of the closed session ended by its time-out");
    for (const auto& kv : records_.transfers) {
        const Transfer& t = kv.second;
        if (!t.submitted)
            faults_.fail(kTransfers, "pushes for " + kv.first + ", which no submit returned");
        else if (t.requests != 1 || t.results != 1 || t.status != 1 || t.other_kind != 0 ||
                 t.pushed_session != t.session)
            faults_.fail(kTransfers, kv.first + ": " + std::to_string(t.requests) + " pushed requests, " +
                                         std::to_string(t.results) + " results (" + std::to_string(t.other_kind) +
                                         " of the other kind), status " + std::to_string(t.status));
    }
    size_t withheld = 0;
    for (const auto& kv : records_.queries) {
        const Query& q = kv.second;
        if (!q.sent) continue;
        withheld += q.withheld;
        // An answer that a busy machine held up past the request timeout ends it as a timeout.
        const bool timed_out = q.errors == 1 && q.error_type == 311 && q.lasts == 0;
        const bool ok = q.after_end == 0 && (timed_out || (!q.withheld && q.errors == 0 && q.lasts == 1));
        if (!ok)
            faults_.fail(kQueries, "query " + std::to_string(kv.first) + (q.withheld ? " (unanswered)" : "") + ": " +
                                       std::to_string(q.lasts) + " last pages, " + std::to_string(q.errors) +
                                       " errors (" + std::to_string(q.error_type) + "), " +
                                       std::to_string(q.after_end) + " callbacks after its end");
    }
    EXPECT_GT(records_.sent.size(), 1000u);
    EXPECT_GT(records_.transfers.size(), 20u);
    // At least one query went unanswered, so the time-out path was taken (a slow build makes fewer queries).
    EXPECT_GE(withheld, 1u);
    std::printf(
        "%zu orders and cancels (%zu of the lost session ended by their time-out), %zu fund transfers, "
        "%zu queries (%zu unanswered)\n",
        records_.sent.size(), lost_in_flight, records_.transfers.size(), records_.queries.size(), withheld);
}

void Day::verify_logins_disconnects_quotes() {
    std::lock_guard<std::mutex> lock(records_.mu);
    for (const auto& kv : records_.logins)
        if (kv.second.size() != 1)
            faults_.fail(kLogins,
                         "login " + std::to_string(kv.first) + " ended " + std::to_string(kv.second.size()) + " times");
    for (const auto& kv : records_.disconnects) {
        // The login the counter cut off may be reported lost as well, once.
        const int allowed = kv.first == closed_session_ || kv.first == cut_off_session_ ? 1 : 0;
        if (kv.second > allowed)
            faults_.fail(kDisconnect,
                         std::to_string(kv.second) + " on_disconnect for session " + std::to_string(kv.first));
    }
    for (const auto& d : records_.duplicate_quotes) faults_.fail(kQuotesOnce, d);
    EXPECT_GT(records_.quotes, 100u);
}

// Each 1034 is healed: an order under a newer token of its session reaches
// the order node soon after, and none under the invalidated one much later.
void Day::verify_tokens() {
    std::map<uint64_t, std::vector<int64_t>> arrivals;  // token id -> order datagrams' arrival
    for (const auto& d : counter_.datagrams()) {
        const counter::wire::OrderDatagram o = d.parsed();
        if (!o.well_formed || o.code < 1283 || o.code > 1289 || o.body.size() < 16) continue;
        const uint64_t xid = counter::wire::get_u64(o.body.data(), 8);
        if (xid != 0) arrivals[xid >> 28].push_back(d.received_ms);  // 0: a token heartbeat
    }
    const std::vector<counter::TokenInvalidation> invalidations = routine_.invalidations();
    int64_t slowest = 0;
    for (const auto& e : invalidations) {
        Life life;
        {
            std::lock_guard<std::mutex> lock(lives_mu_);
            life = lives_[e.session];
        }
        const std::string what = "1034 for token " + std::to_string(e.token_id) + " of session " +
                                 std::to_string(e.session) + " at " + std::to_string(e.at_ms - day_start_) + " ms";
        int64_t healed = 0;
        for (uint64_t t : counter_.tokens_of(e.session))
            if (t > e.token_id)
                for (int64_t at : arrivals[t])
                    if (at >= e.at_ms && (healed == 0 || at < healed)) healed = at;
        // Its session stopped trading before it could be healed: nothing to tell.
        if (healed == 0 && life.to != 0 && life.to < e.at_ms + kHealMs) continue;
        if (healed == 0 || healed - e.at_ms > kHealMs)
            faults_.fail(kHealed, what + (healed == 0 ? " never healed"
                                                      : " healed after " + std::to_string(healed - e.at_ms) + " ms"));
        if (healed != 0) slowest = std::max(slowest, healed - e.at_ms);
        for (int64_t at : arrivals[e.token_id])
            if (at > e.at_ms + kDeadTokenMs) {
                faults_.fail(kDeadToken, what + ": an order under it " + std::to_string(at - e.at_ms) + " ms later");
                break;
            }
    }
    EXPECT_GE(invalidations.size(), 6u);
    std::printf("%zu token invalidations, the slowest healed in %lld ms\n", invalidations.size(),
                static_cast<long long>(slowest));
}

// Over the day: a TCP heartbeat (code 2) on every live session, and a token
// heartbeat (1286 of 56 zero bytes) at the order node, never far apart.
void Day::verify_heartbeats() {
    std::map<uint64_t, Life> lives;
    {
        std::lock_guard<std::mutex> lock(lives_mu_);
        lives = lives_;
    }
    const auto gaps = [&](const std::vector<int64_t>& times, int64_t from, int64_t to, const char* invariant,
                          const std::string& what) {
        int64_t last = from;
        for (int64_t t : times) {
            if (t < from || t > to) continue;
            if (t - last > kHeartbeatGapMs)
                faults_.fail(invariant, what + ": none for " + std::to_string(t - last) + " ms before " +
                                            std::to_string(t - day_start_) + " ms");
            last = t;
        }
        if (to - last > kHeartbeatGapMs)
            faults_.fail(invariant, what + ": none in the last " + std::to_string(to - last) + " ms");
    };
    for (const auto& kv : lives) {
        const int64_t from = std::max(kv.second.from, day_start_);
        const int64_t to = std::min(kv.second.to != 0 ? kv.second.to : day_end_, day_end_);
        if (to - from < 2 * kHeartbeatGapMs) continue;
        std::vector<int64_t> times;
        for (const auto& f : counter_.frames(kv.first))
            if (f.code == 2) times.push_back(f.received_ms);
        gaps(times, from, to, kTcpHeartbeats, "session " + std::to_string(kv.first));
    }
    std::vector<int64_t> times;
    for (const auto& d : counter_.datagrams(1286)) {
        const counter::wire::OrderDatagram o = d.parsed();
        if (o.body.size() == 56 && std::all_of(o.body.begin(), o.body.end(), [](unsigned char c) { return c == 0; }))
            times.push_back(d.received_ms);
    }
    gaps(times, day_start_, day_end_, kTokenHeartbeats, "the order node");
}

// The host's wall clock goes back by kStepMs and, seven seconds later,
// forward again: timers, heartbeats and silence detection must not notice.
void Day::step_wall_clock() {
    while (!day_over_ && now_ms() < day_start_ + kStepBackAtMs) sleep_ms(5);
    trv_test::set_wall_clock_step(-kStepMs);
    while (!day_over_ && now_ms() < day_start_ + kStepForwardAtMs) sleep_ms(5);
    trv_test::set_wall_clock_step(0);
}

bool Day::run() {
    if (!set_up()) return false;
    if (trade_ == nullptr || quote_ == nullptr || !trade_->initialize(&trade_config_, &trade_spi_) ||
        !quote_->initialize(&quote_config_, &quote_spi_)) {
        ADD_FAILURE() << "initialize: " << nq::TRVTradeApi::get_last_error().error_msg;
        return true;
    }
    LoginEnd md;
    if (!log_in_trade(a_, 1) || !log_in_trade(b_, 2) || !log_in(false, "day-md", 3, true, &md, &md_counter_session_) ||
        md.failed) {
        ADD_FAILURE() << "the morning logins failed";
        return true;
    }
    md_session_ = md.session;
    // A's next token request, after its first invalidation, is answered with token id 0.
    counter_.script(1411, counter::Reply::with_u64(65, 0, 1923), 1, 0, a_.counter_session.load());

    day_start_ = now_ms();
    set_invalidating(true);
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i) workers.emplace_back([this, i] { order_thread(i); });
    workers.emplace_back([this] { transfer_thread(); });
    workers.emplace_back([this] { query_thread(); });
    workers.emplace_back([this] { monitor_thread(); });
    workers.emplace_back([this] { quote_loop(); });
    workers.emplace_back([this] { step_wall_clock(); });
    sleep_ms(kCloseAtMs);
    close_b_and_log_in_again();
    while (now_ms() < day_start_ + kDayMs) sleep_ms(20);
    day_end_ = now_ms();
    day_over_ = true;
    for (auto& t : workers) t.join();
    set_invalidating(false);
    sleep_ms(kOutstandingEndMs);  // the last orders time out

    stop_inside_on_quote();
    end_of_day();
    calls_after_stop();
    check_close_on_exec();
    check_back_to_start();
    routine_.stop();
    verify_orders_transfers_queries();
    verify_logins_disconnects_quotes();
    verify_tokens();
    verify_heartbeats();
#if defined(__SANITIZE_ADDRESS__)
    // What the library keeps is reachable from its provider; anything else leaks.
    if (__lsan_do_recoverable_leak_check() != 0) faults_.fail(kNoLeak, "see LeakSanitizer's report above");
#endif
    counter_.stop();
    faults_.summary();
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
        "the scenario could not set up its counter", kDeadlineS);
}

}  // namespace
