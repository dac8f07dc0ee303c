// A stand-in for the Tarvel counter's access gateway, order node and
// market-data channels, for end-to-end tests and the example program.
//
// It listens on 127.0.0.1, accepts any number of sessions and answers every
// request of the protocol from explicit byte offsets (see CounterWire.h):
// the login chain of normal, proxy, privileged and market-data logins,
// paged queries over configurable tables, subscriptions and replays, quote
// requests, fund transfers and privileged requests. It sends a heartbeat
// (code 2, 72 bytes) on every session once per heartbeat interval and
// ignores the ones it receives. A UDP socket on 127.0.0.1 plays the order
// node named in every trade token; every datagram that arrives there is kept.
//
// Everything received is recorded in arrival order with its code, length and
// bytes, so a test can assert the frames the library sent. Per test, any step
// can be scripted: answered with a 1029 error, withheld, duplicated, delayed,
// edited, or answered by closing the session; the counter can go silent, close
// sessions and push any trade message with chosen bytes.
//
// Use in a test:
//   counter::StandInCounter counter;                 // options: CounterOptions
//   counter.add_account({"alice", counter::AccountKind::Normal, 11, 22, "pw"});
//   counter.script(1046, counter::Reply::error(305, 1, "refused"));
//   ASSERT_TRUE(counter.start());                    // gateway: counter.port()
//   ... log in through the library to 127.0.0.1:counter.port() ...
//   ASSERT_TRUE(counter.wait_codes(1, {1030, 1041, 1035, 1046}, 5000));
//
// Thread safety: every public operation may be called from any thread while
// the counter runs; the counter's own thread does the network work. Script
// before the step happens: rules are taken when the request arrives.
#pragma once
#include <netinet/in.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "counter/CounterWire.h"

namespace counter {

// How the counter answers the login of an account.
enum class AccountKind {
    Normal,      // login account type 0: the login authorises itself (1046, 1411)
    Proxy,       // another trading account type (options.proxy_account_type): authorises by auth_trade
    Privileged,  // login account type 1
};

struct CounterAccount {
    std::string name;
    AccountKind kind = AccountKind::Normal;
    uint64_t login_account_index = 0;  // 0: chosen by the counter
    uint64_t trade_account_index = 0;  // answered in 1047/1923; 0: chosen by the counter
    std::string password;              // empty: any password is accepted
};
// Refusals of login (1030) and authorisation (1046), as 1029 answers naming
// 1031 or 1047: a wrong password {305, 2, "invalid password"}; an unknown name
// when unknown accounts may not log in {305, 1, "unknown account"}.

// One market-data channel announced in 1045 at every market-data login.
struct QuoteChannel {
    uint16_t mc_provider = 0;
    uint16_t mc_type = 0;   // the public QuoteMCType
    sockaddr_in group{};    // unicast 127.0.0.1:port or a multicast group
    uint16_t reserved = 0;  // record bytes 20-21
};

// A query table of up to 16 sub-tables; every row is `item_size` bytes.
struct CounterTable {
    uint32_t item_size = 0;
    std::vector<std::vector<Bytes>> sub_tables;
    size_t row_count() const;
};

struct CounterOptions {
    uint16_t port = 0;                    // 0: chosen by the kernel
    uint32_t trading_day = 20240102;      // answered in 1031
    uint64_t cluster_group_id = 7;        // answered in 1031
    uint64_t first_token_id = 5;          // token ids of 1923 count up from here
    uint64_t token_value = 0;             // the u64 at 73 of 1923
    uint8_t proxy_account_type = 2;       // login account type of AccountKind::Proxy
    bool unknown_accounts_log_in = true;  // unknown names log in as normal accounts
    int heartbeat_ms = 1000;              // 0: never send heartbeats
    uint32_t max_page_rows = 0;           // rows per page at most; 0: as many as asked
    bool push_init_data = true;           // 1032 and 1033 after every 1047
    bool channels_before_login = true;    // market data: 1045 before 1031 (else after)
    uint8_t order_node_mac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
    // Rows of the default tables (assets, positions, orders, ...): that many
    // rows in each of `default_sub_tables` sub-tables.
    uint32_t default_rows = 3;
    uint32_t default_sub_tables = 1;
};

// One frame the counter received, in arrival order.
struct ReceivedFrame {
    size_t index = 0;         // position in the record of all frames
    uint64_t session = 0;     // the counter's session number: 1, 2, ... in accept order
    uint32_t code = 0;        // header bits 0-13
    uint32_t length = 0;      // header bits 14-33
    int64_t received_ms = 0;  // StandInCounter::clock_ms() when it was framed
    Bytes bytes;              // the whole frame, header included
    Bytes body() const { return wire::body_of(bytes); }
};

// One UDP datagram that arrived at the order node.
struct ReceivedDatagram {
    size_t index = 0;
    int64_t received_ms = 0;  // StandInCounter::clock_ms() when it was read
    Bytes payload;
    sockaddr_in from{};
    wire::OrderDatagram parsed() const { return wire::parse_order_datagram(payload); }
};

// What a login request (1030) carried.
struct LoginRecord {
    uint64_t session = 0;
    uint8_t api_type = 0;  // 0 privileged, 1 trading, 2 market data
    std::string account;
    std::string password;  // decoded from the xor-ed field
    uint8_t client_id = 0;
    uint32_t trading_day = 0;
    uint64_t request_id = 0, request_seq = 0;
    uint8_t use_level2 = 0;
};

// A scripted reply to one step (one received request code).
struct Reply {
    enum class Kind { Answer, Error, Withhold, Duplicate, Delay, Close };
    Kind kind = Kind::Answer;
    // Error: the 1029 fields; service_code 0 means the code the request awaits.
    uint64_t error_type = 0, error_code = 0;
    std::string error_text;
    uint32_t service_code = 0;
    int delay_ms = 0;  // Delay: answer this much later (other kinds: ignored)
    // Applied to every frame sent in answer to this step (after it is built),
    // e.g. to truncate a body or change a count; wire::set_frame_size keeps
    // the length field consistent, or not, as the test wants.
    std::function<void(Bytes& frame)> edit;

    static Reply answer() { return Reply(); }
    static Reply error(uint64_t type, uint64_t code, const std::string& text, uint32_t service_code = 0);
    static Reply withhold();
    static Reply duplicate();
    static Reply delay(int ms);
    static Reply close();
    static Reply edited(std::function<void(Bytes& frame)> edit);
    // Common peer faults, as edits of the answer: the body cut to `body_size`
    // bytes (length field kept consistent), or a u32 / u64 of the body
    // overwritten (counts, sizes) with the rest left as it is. `only_code`
    // limits the edit to the frames of that code among the step's answers
    // (e.g. 1033 of the 1047, 1032, 1033 that answer 1046); 0: every frame.
    static Reply truncated(size_t body_size, uint32_t only_code = 0);
    static Reply with_u32(size_t body_offset, uint32_t value, uint32_t only_code = 0);
    static Reply with_u64(size_t body_offset, uint64_t value, uint32_t only_code = 0);
};

// How orders and cancels that reach the counter (datagram or TCP copy, once
// per xid) are answered with pushed reports.
struct OrderReplies {
    enum class When { Never, AtOnce, Later };
    When when = When::AtOnce;
    int later_ms = 200;
    bool trade = true;       // a trade report 2310 after the order response 2308
    bool order_end = false;  // an order end 2307 after that
    // Every n-th order or cancel, counted by the order sequence in its xid
    // (bits 8-27), gets no report at all; 0: none is left out.
    uint32_t skip_every = 0;
};

// How fund transfers are answered: after the direct answer (1859, 1860,
// 2053) the counter pushes the outcome on the same session: 1347 -> 2436
// request and 2437 result, 1348 -> 2438 and 2439, 1541 -> 2435. A result
// record is the request record followed by i64 result time, u8 status and
// the 272-byte error record.
struct FundTransferReplies {
    bool push = true;
    uint8_t status = 1;  // FundTransStatus SUCCESS
    int64_t result_time = 20240102093000000;
    uint64_t error_type = 0, error_code = 0;
    std::string error_text;
};

class StandInCounter {
public:
    explicit StandInCounter(CounterOptions options = CounterOptions());
    ~StandInCounter();  // stops and closes everything
    StandInCounter(const StandInCounter&) = delete;
    StandInCounter& operator=(const StandInCounter&) = delete;

    // Opens the TCP listener and the order node, starts the counter's thread.
    bool start();
    void stop();
    // Steady milliseconds, the clock of received_ms.
    static int64_t clock_ms();
    uint16_t port() const;           // TCP port (after start)
    sockaddr_in address() const;     // 127.0.0.1:port
    sockaddr_in order_node() const;  // the UDP order node (after start)

    // ---- accounts, tables, channels (set before the step that uses them)
    void add_account(const CounterAccount& account);
    // Replaces the table of a query code (1035 security table, 1037, 1048,
    // 1055, 1475-1480, 1546, 1547). Tables not set are made at their first
    // query: the security table holds SH 600000 and 600036 and SZ 000001 and
    // 300750 (indices 1-4), the others default_table(code, default_rows,
    // default_sub_tables). A page holds the rows asked for, at most
    // max_page_rows and never more than fit into a 65,536-byte frame.
    void set_table(uint32_t query_code, const CounterTable& table);
    CounterTable table(uint32_t query_code) const;
    // A table of `sub_tables` sub-tables of `rows` generated rows each; row r
    // of the whole table carries u64 r + 1 at offset 0, the rest zero.
    static CounterTable make_table(uint32_t item_size, uint32_t rows, uint32_t sub_tables = 1);
    // Row size of the default table of a query code.
    static uint32_t default_item_size(uint32_t query_code);
    // make_table(default_item_size(code), rows, sub_tables) with believable
    // fields: position rows (1476, 1480) hold the four securities of the
    // security table in turn with quantities (total 1000 x row; now:
    // sellable 100 less, frozen 100; at start of day: nothing frozen), asset
    // rows (1477) available funds of 500,000.00
    // and their other amounts (amounts and prices carry four decimals). The
    // serial at offset 0 stays, as the account index.
    static CounterTable default_table(uint32_t query_code, uint32_t rows, uint32_t sub_tables);
    // A security-table row: u32 index at 0, u8 exchange at 5, 8-byte code at
    // 6 (space-padded). Rows are 16 bytes.
    static Bytes security_row(uint32_t index, uint8_t exchange, const std::string& code);
    void set_channels(const std::vector<QuoteChannel>& channels);
    std::vector<QuoteChannel> channels() const;
    // Announces the channel table (1045) again on a session, as it stands now.
    bool announce_channels(uint64_t session);
    // The 428-byte record answered to 1039 (default: zero bytes with the
    // requested exchange index at 0 and code at 1).
    void set_level1_quote(const Bytes& record);
    // 1052 rebuild: each record is answered as one 1054 (exchange 57, message
    // type 58, 70-byte record 59); none configured: 1053 with this error.
    void set_rebuild_ticks(uint8_t exchange, uint8_t msg_type, const std::vector<Bytes>& records);
    void set_rebuild_error(uint64_t type, uint64_t code, const std::string& text);
    // Initial assets (24 bytes) and positions (42-byte items) pushed after 1047.
    void set_init_data(const Bytes& assets, const std::vector<Bytes>& positions);
    void set_order_replies(const OrderReplies& replies);
    void set_fund_transfer_replies(const FundTransferReplies& replies);

    // ---- scripting
    // The next `times` requests of `code` (-1: all) get `reply` instead of the
    // normal answer. For 1041 (data-table information), `table_code` limits the
    // rule to one query code (0: any); `session` limits it to one session (0:
    // any). Rules of one code apply in the order given. Orders and cancels
    // (1283-1289) follow set_order_replies instead.
    void script(uint32_t code, const Reply& reply, int times = 1, uint32_t table_code = 0, uint64_t session = 0);
    void clear_scripts();
    // Silent: no answer, no heartbeat, no order report; frames are still
    // recorded. The first form silences every session, the second one session.
    // Explicit sends (send, push, ...) still go out.
    void set_silent(bool silent);
    void set_silent(uint64_t session, bool silent);
    // Own handler for a code, run before the built-in one; returning true
    // means handled (the built-in answer is not sent).
    using Handler = std::function<bool(StandInCounter& counter, const ReceivedFrame& frame)>;
    void set_handler(uint32_t code, Handler handler);

    // ---- sessions
    std::vector<uint64_t> sessions() const;  // open sessions, oldest first
    bool is_open(uint64_t session) const;
    void close_session(uint64_t session);  // shuts the socket down now
    void close_all();
    // The last login request of a session, and all logins so far in order.
    LoginRecord login_of(uint64_t session) const;
    std::vector<LoginRecord> logins() const;
    // Token ids issued to a session (1923), in order.
    std::vector<uint64_t> tokens_of(uint64_t session) const;
    // The library's trade tokens (head byte 49 of every 1046) of a session, in order.
    std::vector<uint64_t> trade_tokens_of(uint64_t session) const;
    // Notice 1034: the token of the library's record `trade_token` is no longer valid.
    bool invalidate_token(uint64_t session, uint64_t trade_token);

    // ---- sending (ignores silence; false when the session is not open).
    // Frames carry the counter's session number at header offset 16.
    bool send_frame(uint64_t session, const Bytes& frame);          // bytes as they are
    bool send(uint64_t session, uint32_t code, const Bytes& body);  // header built here
    // Pushes a trade message: descriptor (the session's trade account index
    // unless given, that account's next sequence unless given, rebuild flag)
    // followed by `record`, padded to the code's size. Sequences count per
    // trade account, across sessions. The push is kept for replay: a 1413 of
    // that account is answered by 1925 and then by the kept pushes in
    // (start, end] with the rebuild flag set, reports only with mask 0x3,
    // raw reports only with 0xc, order-book messages only with 0x270. A 1050
    // is answered with the requested start and the account's last sequence.
    // Returns the sequence used (0 on failure).
    struct PushOptions {
        bool rebuild = false;
        uint64_t sequence = 0;       // 0: next of the session
        uint64_t account_index = 0;  // 0: the session's trade account index
        bool keep_for_replay = true;
        size_t body_size = 0;  // 0: the code's full size; else cut or padded to this
    };
    uint64_t push(uint64_t session, uint32_t code, const Bytes& record);
    uint64_t push(uint64_t session, uint32_t code, const Bytes& record, const PushOptions& options);
    // Many pushes of one code written with as few sends as possible (for
    // throughput runs); sequences as for push. Returns the last sequence used
    // (0 on failure). Set keep_for_replay false for long runs: kept pushes
    // stay in memory.
    uint64_t push_batch(uint64_t session, uint32_t code, const std::vector<Bytes>& records, const PushOptions& options);
    // Pushes an order report (2307-2313) with the given report id and xid.
    uint64_t push_report(uint64_t session, uint32_t code, const std::string& report_id, uint64_t xid,
                         bool rebuild = false);
    // Last pushed sequence of the session's trade account.
    uint64_t last_sequence(uint64_t session) const;

    // ---- what was received
    std::vector<ReceivedFrame> frames() const;                  // all, in order
    std::vector<ReceivedFrame> frames(uint64_t session) const;  // one session, heartbeats included
    std::vector<uint32_t> codes(uint64_t session, bool with_heartbeats = false) const;
    std::vector<ReceivedDatagram> datagrams() const;
    // Well-formed order datagrams of one code (1286 also carries the token
    // heartbeats: 56 zero bytes).
    std::vector<ReceivedDatagram> datagrams(uint16_t code) const;
    // Waits until the session's codes (heartbeats left out) begin with `expected`.
    bool wait_codes(uint64_t session, const std::vector<uint32_t>& expected, int timeout_ms) const;
    size_t frame_count() const;
    // Forgets the frames and datagrams recorded so far (long runs, benchmarks);
    // record positions start again at 0.
    void clear_records();
    // Waits for a frame of `code` at or after record position `from`
    // (any session when session is 0); false after timeout_ms.
    bool wait_frame(uint32_t code, int timeout_ms, ReceivedFrame* out = nullptr, size_t from = 0,
                    uint64_t session = 0) const;
    bool wait_datagrams(size_t count, int timeout_ms) const;
    bool wait_sessions(size_t opened_total, int timeout_ms) const;  // sessions ever accepted
    bool wait_closed(uint64_t session, int timeout_ms) const;
    // Waits until `pred` holds (checked at every change and every 10 ms).
    bool wait_until(const std::function<bool()>& pred, int timeout_ms) const;

private:
    struct Session;
    struct Rule {
        Reply reply;
        int remaining;
        uint32_t table_code;
        uint64_t session;
    };
    struct Pending {
        int64_t due_ms;
        uint64_t session;
        Bytes frame;
    };

    void run();
    void accept_new();
    void read_session(const std::shared_ptr<Session>& s);
    void read_order_node();
    void handle(const std::shared_ptr<Session>& s, const ReceivedFrame& f);
    std::vector<Bytes> build_answer(const std::shared_ptr<Session>& s, const ReceivedFrame& f);
    bool take_rule(uint32_t code, uint32_t table_code, uint64_t session, Reply* out);
    void add_transfer_pushes(const std::shared_ptr<Session>& s, uint32_t code, const Bytes& body,
                             std::vector<Bytes>* out);
    Bytes kept_push(uint64_t account, uint32_t code, const Bytes& record, uint64_t session);
    void on_order(uint64_t session_hint, uint32_t code, const Bytes& body);
    void send_heartbeats(int64_t now);
    void flush_pending(int64_t now);
    void schedule(uint64_t session, Bytes frame, int delay_ms);
    bool write(const std::shared_ptr<Session>& s, const Bytes& frame);
    std::shared_ptr<Session> find(uint64_t session) const;
    CounterAccount account_for(const std::string& name) const;
    void notify() const;
    bool is_silent(uint64_t session) const;

    std::vector<Bytes> answer_login(const std::shared_ptr<Session>& s, const Bytes& body);
    std::vector<Bytes> answer_table_info(const Bytes& body);
    std::vector<Bytes> answer_page(uint32_t code, const Bytes& body);
    std::vector<Bytes> answer_auth(const std::shared_ptr<Session>& s, const Bytes& body);
    std::vector<Bytes> answer_token(const std::shared_ptr<Session>& s, const Bytes& body);
    std::vector<Bytes> answer_rebuild(const std::shared_ptr<Session>& s, const Bytes& body);
    std::vector<Bytes> answer_rebuild_ticks(const Bytes& body);
    Bytes channel_table(const Bytes& request_body) const;

    CounterOptions options_;
    int listen_fd_ = -1;
    int udp_fd_ = -1;
    sockaddr_in addr_{};
    sockaddr_in udp_addr_{};
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> silent_{false};

    mutable std::mutex mu_;  // everything below
    mutable std::condition_variable cv_;
    uint64_t next_session_ = 1;
    std::map<uint64_t, std::shared_ptr<Session>> sessions_;
    size_t sessions_accepted_ = 0;
    std::vector<CounterAccount> accounts_;
    std::map<uint32_t, CounterTable> tables_;
    std::vector<QuoteChannel> channels_;
    Bytes level1_quote_;
    uint8_t rebuild_exchange_ = 1, rebuild_msg_type_ = 0;
    std::vector<Bytes> rebuild_ticks_;
    uint64_t rebuild_error_type_ = 310, rebuild_error_code_ = 1;
    std::string rebuild_error_text_ = "no tick data";
    Bytes init_assets_;
    std::vector<Bytes> init_positions_;
    OrderReplies order_replies_;
    FundTransferReplies transfer_replies_;
    std::map<uint32_t, std::deque<Rule>> rules_;
    std::map<uint32_t, Handler> handlers_;
    std::vector<ReceivedFrame> frames_;
    std::vector<ReceivedDatagram> datagrams_;
    std::vector<LoginRecord> logins_;
    std::vector<Pending> pending_;
    uint64_t next_token_id_ = 0;
    uint64_t next_auth_id_ = 1001;
    uint64_t next_login_index_ = 101;
    uint64_t next_trade_index_ = 20001;
    uint64_t next_report_ = 1;
    struct Pushed {
        uint64_t account;
        uint64_t sequence;
        uint32_t code;
        Bytes body;
    };
    std::vector<Pushed> history_;                     // pushes kept for replay
    std::map<uint64_t, uint64_t> account_sequences_;  // trade account -> last sequence
    std::map<uint64_t, uint64_t> token_sessions_;     // token id -> session
    std::set<uint64_t> answered_xids_;
    std::set<uint64_t> silent_sessions_;
    int64_t last_heartbeat_ms_ = 0;
};

}  // namespace counter
