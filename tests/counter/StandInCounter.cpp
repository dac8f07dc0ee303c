#include "counter/StandInCounter.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace counter {

using namespace wire;

namespace {

int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool is_query_code(uint32_t code) {
    return code == 1035 || code == 1037 || code == 1048 || code == 1055 || (code >= 1475 && code <= 1480) ||
           code == 1546 || code == 1547;
}

bool is_order_code(uint32_t code) { return code >= 1283 && code <= 1289; }

// A copy of `body` at least `size` bytes long, so short requests are read as
// zero-padded instead of past their end.
Bytes padded(const Bytes& body, size_t size) {
    Bytes b = body;
    if (b.size() < size) b.resize(size, 0);
    return b;
}

sockaddr_in loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

}  // namespace

struct StandInCounter::Session {
    uint64_t id = 0;
    int fd = -1;  // closed only by the counter's thread, under send_mu
    std::mutex send_mu;
    Bytes inbuf;
    bool open = true;   // under mu_
    LoginRecord login;  // under mu_
    uint8_t login_account_type = 0;
    uint64_t login_account_index = 0;
    uint64_t trade_account_index = 0;
    std::map<uint64_t, uint64_t> auth_accounts;  // auth id -> trade account index
    std::vector<uint64_t> tokens;
    std::vector<uint64_t> trade_tokens;  // head byte 49 of every 1046
};

size_t CounterTable::row_count() const {
    size_t n = 0;
    for (const auto& t : sub_tables) n += t.size();
    return n;
}

Reply Reply::error(uint64_t type, uint64_t code, const std::string& text, uint32_t service_code) {
    Reply r;
    r.kind = Kind::Error;
    r.error_type = type;
    r.error_code = code;
    r.error_text = text;
    r.service_code = service_code;
    return r;
}
Reply Reply::withhold() {
    Reply r;
    r.kind = Kind::Withhold;
    return r;
}
Reply Reply::duplicate() {
    Reply r;
    r.kind = Kind::Duplicate;
    return r;
}
Reply Reply::delay(int ms) {
    Reply r;
    r.kind = Kind::Delay;
    r.delay_ms = ms;
    return r;
}
Reply Reply::close() {
    Reply r;
    r.kind = Kind::Close;
    return r;
}
Reply Reply::edited(std::function<void(Bytes& frame)> edit) {
    Reply r;
    r.edit = std::move(edit);
    return r;
}

Reply Reply::truncated(size_t body_size, uint32_t only_code) {
    return edited([=](Bytes& f) {
        if (only_code == 0 || code_of(f) == only_code) set_frame_size(f, kHeaderSize + body_size);
    });
}
Reply Reply::with_u32(size_t body_offset, uint32_t value, uint32_t only_code) {
    return edited([=](Bytes& f) {
        if (only_code == 0 || code_of(f) == only_code) put_u32(f, kHeaderSize + body_offset, value);
    });
}
Reply Reply::with_u64(size_t body_offset, uint64_t value, uint32_t only_code) {
    return edited([=](Bytes& f) {
        if (only_code == 0 || code_of(f) == only_code) put_u64(f, kHeaderSize + body_offset, value);
    });
}

StandInCounter::StandInCounter(CounterOptions options) : options_(options) {
    next_token_id_ = options_.first_token_id;
    // Start-of-day assets (account | initial funds | balance, 500,000.00
    // each) and two start-of-day positions.
    init_assets_ = Bytes(24, 0);
    put_u64(init_assets_, 0, 1000000);
    put_u64(init_assets_, 8, 500000ull * 10000);
    put_u64(init_assets_, 16, 500000ull * 10000);
    init_positions_ = default_table(1480, 2, 1).sub_tables[0];
}

StandInCounter::~StandInCounter() { stop(); }

int64_t StandInCounter::clock_ms() { return now_ms(); }

bool StandInCounter::start() {
    // Close-on-exec, like every descriptor of the counter: a test that looks
    // for descriptors leaking into children sees the library's alone.
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0) return false;
    const int one = 1;
    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    addr_ = loopback(options_.port);
    socklen_t len = sizeof addr_;
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr_), sizeof addr_) != 0 || listen(listen_fd_, 64) != 0 ||
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr_), &len) != 0) {
        ::close(listen_fd_);
        listen_fd_ = -1;
        return false;
    }
    udp_fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    udp_addr_ = loopback(0);
    len = sizeof udp_addr_;
    if (udp_fd_ < 0 || bind(udp_fd_, reinterpret_cast<sockaddr*>(&udp_addr_), sizeof udp_addr_) != 0 ||
        getsockname(udp_fd_, reinterpret_cast<sockaddr*>(&udp_addr_), &len) != 0) {
        if (udp_fd_ >= 0) ::close(udp_fd_);
        ::close(listen_fd_);
        udp_fd_ = listen_fd_ = -1;
        return false;
    }
    fcntl(listen_fd_, F_SETFL, O_NONBLOCK);
    fcntl(udp_fd_, F_SETFL, O_NONBLOCK);
    stop_ = false;
    last_heartbeat_ms_ = now_ms();
    thread_ = std::thread([this] { run(); });
    return true;
}

void StandInCounter::stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
    std::lock_guard<std::mutex> lock(mu_);
    for (auto& kv : sessions_) {
        std::lock_guard<std::mutex> send_lock(kv.second->send_mu);
        if (kv.second->fd >= 0) ::close(kv.second->fd);
        kv.second->fd = -1;
        kv.second->open = false;
    }
    if (listen_fd_ >= 0) ::close(listen_fd_);
    if (udp_fd_ >= 0) ::close(udp_fd_);
    listen_fd_ = udp_fd_ = -1;
    cv_.notify_all();
}

uint16_t StandInCounter::port() const { return ntohs(addr_.sin_port); }
sockaddr_in StandInCounter::address() const { return addr_; }
sockaddr_in StandInCounter::order_node() const { return udp_addr_; }

// ---------------------------------------------------------------- configuration

void StandInCounter::add_account(const CounterAccount& account) {
    std::lock_guard<std::mutex> lock(mu_);
    accounts_.push_back(account);
}

void StandInCounter::set_table(uint32_t query_code, const CounterTable& table) {
    std::lock_guard<std::mutex> lock(mu_);
    tables_[query_code] = table;
}

CounterTable StandInCounter::table(uint32_t query_code) const {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = tables_.find(query_code);
    return it == tables_.end() ? CounterTable() : it->second;
}

CounterTable StandInCounter::make_table(uint32_t item_size, uint32_t rows, uint32_t sub_tables) {
    CounterTable t;
    t.item_size = item_size;
    uint64_t serial = 1;
    for (uint32_t s = 0; s < sub_tables; ++s) {
        std::vector<Bytes> sub;
        for (uint32_t r = 0; r < rows; ++r) {
            Bytes row(item_size, 0);
            if (item_size >= 8) put_u64(row.data(), 0, serial);
            ++serial;
            sub.push_back(row);
        }
        t.sub_tables.push_back(sub);
    }
    return t;
}

CounterTable StandInCounter::default_table(uint32_t query_code, uint32_t rows, uint32_t sub_tables) {
    CounterTable t = make_table(default_item_size(query_code), rows, sub_tables);
    struct Security {
        const char* code;
        uint8_t exchange;
    };
    static const Security kSecurities[] = {{"600000", 1}, {"600036", 1}, {"000001", 2}, {"300750", 2}};
    constexpr int64_t kUnit = 10000;  // four decimals
    for (auto& sub : t.sub_tables) {
        for (Bytes& row : sub) {
            const uint64_t n = get_u64(row.data(), 0);
            if (query_code == 1476 || query_code == 1480) {
                // account 0 | code[9] 8 | exchange 17 | quantities 18, 26, 34
                const Security& sec = kSecurities[(n - 1) % 4];
                std::memcpy(row.data() + 8, sec.code, std::strlen(sec.code));
                row[17] = sec.exchange;
                // 1476: total 18 | sellable 26 | frozen 34; 1480: start-of-day sellable 18 |
                // total 26 | frozen 34
                const bool now = query_code == 1476;
                put_u64(row.data(), 18, 1000 * n);
                put_u64(row.data(), 26, now ? 1000 * n - 100 : 1000 * n);
                put_u64(row.data(), 34, now ? 100 : 0);
            } else if (query_code == 1477) {
                // account 0 | available 8 | withholding 16 | bought 24 | buy fee 32 | sold 40 |
                // sell fee 48 | withdrawn 56 | deposited 64 | withdrawable 72
                const int64_t amounts[] = {
                    500000 * kUnit, 10500 * kUnit, 21000 * kUnit, 5 * kUnit, 10250 * kUnit, 5 * kUnit, 0,
                    100000 * kUnit, 400000 * kUnit};
                for (size_t i = 0; i < sizeof amounts / sizeof amounts[0]; ++i)
                    put_u64(row.data(), 8 + 8 * i, uint64_t(amounts[i]));
            }
        }
    }
    return t;
}

uint32_t StandInCounter::default_item_size(uint32_t query_code) {
    switch (query_code) {
        case 1035: return 16;   // security table rows
        case 1037: return 172;  // static quote information
        case 1048: return 97;   // trade account information
        case 1055: return 428;  // level-1 quotes
        case 1475: return 450;  // orders
        case 1476: return 42;   // positions
        case 1477: return 80;   // assets
        case 1478: return 108;  // trades
        case 1479: return 24;   // start-of-day assets
        case 1480: return 42;   // start-of-day positions
        case 1546: return 34;   // brief positions
        case 1547: return 32;   // brief assets
        default: return 8;
    }
}

Bytes StandInCounter::security_row(uint32_t index, uint8_t exchange, const std::string& code) {
    Bytes row(16, 0);
    put_u32(row, 0, index);
    row[5] = exchange;
    std::string padded_code = code.substr(0, 8);
    padded_code.resize(8, ' ');
    std::memcpy(row.data() + 6, padded_code.data(), 8);
    return row;
}

void StandInCounter::set_channels(const std::vector<QuoteChannel>& channels) {
    std::lock_guard<std::mutex> lock(mu_);
    channels_ = channels;
}

std::vector<QuoteChannel> StandInCounter::channels() const {
    std::lock_guard<std::mutex> lock(mu_);
    return channels_;
}

bool StandInCounter::announce_channels(uint64_t session) {
    Bytes head(kHeadSize, 0);
    Bytes table;
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = sessions_.find(session);
        if (it == sessions_.end()) return false;
        put_u64(head, kHeadLoginAccountIndex, it->second->login_account_index);
        head[kHeadAccountType] = it->second->login_account_type;
        table = channel_table(head);
    }
    put_u64(table.data(), 16, session);
    return send_frame(session, table);
}

void StandInCounter::set_level1_quote(const Bytes& record) {
    std::lock_guard<std::mutex> lock(mu_);
    level1_quote_ = record;
}

void StandInCounter::set_rebuild_ticks(uint8_t exchange, uint8_t msg_type, const std::vector<Bytes>& records) {
    std::lock_guard<std::mutex> lock(mu_);
    rebuild_exchange_ = exchange;
    rebuild_msg_type_ = msg_type;
    rebuild_ticks_ = records;
}

void StandInCounter::set_rebuild_error(uint64_t type, uint64_t code, const std::string& text) {
    std::lock_guard<std::mutex> lock(mu_);
    rebuild_error_type_ = type;
    rebuild_error_code_ = code;
    rebuild_error_text_ = text;
}

void StandInCounter::set_init_data(const Bytes& assets, const std::vector<Bytes>& positions) {
    std::lock_guard<std::mutex> lock(mu_);
    init_assets_ = assets;
    init_positions_ = positions;
}

void StandInCounter::set_order_replies(const OrderReplies& replies) {
    std::lock_guard<std::mutex> lock(mu_);
    order_replies_ = replies;
}

void StandInCounter::set_fund_transfer_replies(const FundTransferReplies& replies) {
    std::lock_guard<std::mutex> lock(mu_);
    transfer_replies_ = replies;
}

void StandInCounter::script(uint32_t code, const Reply& reply, int times, uint32_t table_code, uint64_t session) {
    std::lock_guard<std::mutex> lock(mu_);
    rules_[code].push_back(Rule{reply, times, table_code, session});
}

void StandInCounter::clear_scripts() {
    std::lock_guard<std::mutex> lock(mu_);
    rules_.clear();
}

void StandInCounter::set_silent(bool silent) { silent_ = silent; }

void StandInCounter::set_silent(uint64_t session, bool silent) {
    std::lock_guard<std::mutex> lock(mu_);
    if (silent)
        silent_sessions_.insert(session);
    else
        silent_sessions_.erase(session);
}

bool StandInCounter::is_silent(uint64_t session) const {
    if (silent_) return true;
    std::lock_guard<std::mutex> lock(mu_);
    return silent_sessions_.count(session) != 0;
}

void StandInCounter::set_handler(uint32_t code, Handler handler) {
    std::lock_guard<std::mutex> lock(mu_);
    handlers_[code] = std::move(handler);
}

// ---------------------------------------------------------------- sessions

std::shared_ptr<StandInCounter::Session> StandInCounter::find(uint64_t session) const {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = sessions_.find(session);
    return it == sessions_.end() ? nullptr : it->second;
}

std::vector<uint64_t> StandInCounter::sessions() const {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<uint64_t> ids;
    for (const auto& kv : sessions_)
        if (kv.second->open) ids.push_back(kv.first);
    return ids;
}

bool StandInCounter::is_open(uint64_t session) const {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = sessions_.find(session);
    return it != sessions_.end() && it->second->open;
}

void StandInCounter::close_session(uint64_t session) {
    auto s = find(session);
    if (!s) return;
    // The socket itself is closed by the counter's thread when it sees the
    // shutdown, so no descriptor is reused under a reader.
    std::lock_guard<std::mutex> send_lock(s->send_mu);
    if (s->fd >= 0) shutdown(s->fd, SHUT_RDWR);
}

void StandInCounter::close_all() {
    for (uint64_t id : sessions()) close_session(id);
}

LoginRecord StandInCounter::login_of(uint64_t session) const {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = sessions_.find(session);
    return it == sessions_.end() ? LoginRecord() : it->second->login;
}

std::vector<LoginRecord> StandInCounter::logins() const {
    std::lock_guard<std::mutex> lock(mu_);
    return logins_;
}

std::vector<uint64_t> StandInCounter::tokens_of(uint64_t session) const {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = sessions_.find(session);
    return it == sessions_.end() ? std::vector<uint64_t>() : it->second->tokens;
}

std::vector<uint64_t> StandInCounter::trade_tokens_of(uint64_t session) const {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = sessions_.find(session);
    return it == sessions_.end() ? std::vector<uint64_t>() : it->second->trade_tokens;
}

bool StandInCounter::invalidate_token(uint64_t session, uint64_t trade_token) {
    Bytes b(kHeadSize, 0);
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = sessions_.find(session);
        if (it == sessions_.end()) return false;
        put_u64(b, kHeadLoginAccountIndex, it->second->login_account_index);
        b[kHeadAccountType] = it->second->login_account_type;
    }
    put_u64(b, kHeadSession, 0);
    put_u64(b, kHeadTradeToken, trade_token);
    return send(session, 1034, b);
}

CounterAccount StandInCounter::account_for(const std::string& name) const {
    for (const auto& a : accounts_)
        if (a.name == name) return a;
    CounterAccount a;
    a.name = options_.unknown_accounts_log_in ? name : std::string();
    return a;
}

// ---------------------------------------------------------------- sending

// Whole frames only: the socket is non-blocking, so a full send buffer is
// waited out (up to 10 s, or until the counter stops) instead of cutting a
// frame; a peer that reads nothing for that long gets its session shut down.
bool StandInCounter::write(const std::shared_ptr<Session>& s, const Bytes& frame) {
    std::lock_guard<std::mutex> send_lock(s->send_mu);
    if (s->fd < 0) return false;
    const unsigned char* p = frame.data();
    size_t left = frame.size();
    while (left > 0) {
        const ssize_t n = ::send(s->fd, p, left, MSG_NOSIGNAL);
        if (n > 0) {
            p += n;
            left -= size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            bool writable = false;
            for (int waited = 0; waited < 10000 && !stop_ && !writable; waited += 100) {
                pollfd pfd{s->fd, POLLOUT, 0};
                writable = poll(&pfd, 1, 100) > 0;
            }
            if (writable) continue;
        }
        shutdown(s->fd, SHUT_RDWR);
        return false;
    }
    return true;
}

bool StandInCounter::send_frame(uint64_t session, const Bytes& frame) {
    auto s = find(session);
    return s && write(s, frame);
}

bool StandInCounter::send(uint64_t session, uint32_t code, const Bytes& body) {
    return send_frame(session, frame(code, body, session));
}

uint64_t StandInCounter::push(uint64_t session, uint32_t code, const Bytes& record) {
    return push(session, code, record, PushOptions());
}

uint64_t StandInCounter::push(uint64_t session, uint32_t code, const Bytes& record, const PushOptions& options) {
    auto s = find(session);
    if (!s) return 0;
    Bytes body;
    uint64_t seq = 0;
    {
        std::lock_guard<std::mutex> lock(mu_);
        const uint64_t account = options.account_index ? options.account_index : s->trade_account_index;
        uint64_t& last = account_sequences_[account];
        seq = options.sequence ? options.sequence : last + 1;
        if (seq > last) last = seq;
        body = pushed_body(code, account, seq, options.rebuild, record);
        if (options.body_size != 0) body.resize(options.body_size, 0);
        if (options.keep_for_replay) history_.push_back(Pushed{account, seq, code, body});
    }
    return write(s, frame(code, body, session)) ? seq : 0;
}

uint64_t StandInCounter::push_batch(uint64_t session, uint32_t code, const std::vector<Bytes>& records,
                                    const PushOptions& options) {
    auto s = find(session);
    if (!s) return 0;
    Bytes stream;
    uint64_t seq = 0;
    {
        std::lock_guard<std::mutex> lock(mu_);
        const uint64_t account = options.account_index ? options.account_index : s->trade_account_index;
        uint64_t& last = account_sequences_[account];
        seq = options.sequence ? options.sequence - 1 : last;
        for (const auto& record : records) {
            Bytes body = pushed_body(code, account, ++seq, options.rebuild, record);
            if (options.body_size != 0) body.resize(options.body_size, 0);
            if (options.keep_for_replay) history_.push_back(Pushed{account, seq, code, body});
            const Bytes f = frame(code, body, session);
            stream.insert(stream.end(), f.begin(), f.end());
        }
        if (seq > last) last = seq;
    }
    return write(s, stream) ? seq : 0;
}

uint64_t StandInCounter::push_report(uint64_t session, uint32_t code, const std::string& report_id, uint64_t xid,
                                     bool rebuild) {
    PushOptions o;
    o.rebuild = rebuild;
    return push(session, code, order_report_record(code, report_id, xid), o);
}

uint64_t StandInCounter::last_sequence(uint64_t session) const {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = sessions_.find(session);
    if (it == sessions_.end()) return 0;
    auto jt = account_sequences_.find(it->second->trade_account_index);
    return jt == account_sequences_.end() ? 0 : jt->second;
}

void StandInCounter::schedule(uint64_t session, Bytes f, int delay_ms) {
    std::lock_guard<std::mutex> lock(mu_);
    pending_.push_back(Pending{now_ms() + delay_ms, session, std::move(f)});
}

// ---------------------------------------------------------------- records

void StandInCounter::notify() const { cv_.notify_all(); }

std::vector<ReceivedFrame> StandInCounter::frames() const {
    std::lock_guard<std::mutex> lock(mu_);
    return frames_;
}

std::vector<ReceivedFrame> StandInCounter::frames(uint64_t session) const {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<ReceivedFrame> out;
    for (const auto& f : frames_)
        if (f.session == session) out.push_back(f);
    return out;
}

std::vector<uint32_t> StandInCounter::codes(uint64_t session, bool with_heartbeats) const {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<uint32_t> out;
    for (const auto& f : frames_)
        if (f.session == session && (with_heartbeats || f.code != 2)) out.push_back(f.code);
    return out;
}

std::vector<ReceivedDatagram> StandInCounter::datagrams() const {
    std::lock_guard<std::mutex> lock(mu_);
    return datagrams_;
}

void StandInCounter::clear_records() {
    std::lock_guard<std::mutex> lock(mu_);
    frames_.clear();
    datagrams_.clear();
}

size_t StandInCounter::frame_count() const {
    std::lock_guard<std::mutex> lock(mu_);
    return frames_.size();
}

std::vector<ReceivedDatagram> StandInCounter::datagrams(uint16_t code) const {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<ReceivedDatagram> out;
    for (const auto& d : datagrams_) {
        const OrderDatagram o = d.parsed();
        if (o.well_formed && o.code == code) out.push_back(d);
    }
    return out;
}

bool StandInCounter::wait_codes(uint64_t session, const std::vector<uint32_t>& expected, int timeout_ms) const {
    return wait_until(
        [&] {
            const std::vector<uint32_t> got = codes(session);
            return got.size() >= expected.size() && std::equal(expected.begin(), expected.end(), got.begin());
        },
        timeout_ms);
}

bool StandInCounter::wait_until(const std::function<bool()>& pred, int timeout_ms) const {
    const int64_t deadline = now_ms() + timeout_ms;
    for (;;) {
        if (pred()) return true;
        if (now_ms() >= deadline) return false;
        std::unique_lock<std::mutex> lock(mu_);
        cv_.wait_for(lock, std::chrono::milliseconds(10));
    }
}

bool StandInCounter::wait_frame(uint32_t code, int timeout_ms, ReceivedFrame* out, size_t from,
                                uint64_t session) const {
    return wait_until(
        [&] {
            std::lock_guard<std::mutex> lock(mu_);
            for (size_t i = from; i < frames_.size(); ++i) {
                const auto& f = frames_[i];
                if (f.code == code && (session == 0 || f.session == session)) {
                    if (out) *out = f;
                    return true;
                }
            }
            return false;
        },
        timeout_ms);
}

bool StandInCounter::wait_datagrams(size_t count, int timeout_ms) const {
    return wait_until(
        [&] {
            std::lock_guard<std::mutex> lock(mu_);
            return datagrams_.size() >= count;
        },
        timeout_ms);
}

bool StandInCounter::wait_sessions(size_t opened_total, int timeout_ms) const {
    return wait_until(
        [&] {
            std::lock_guard<std::mutex> lock(mu_);
            return sessions_accepted_ >= opened_total;
        },
        timeout_ms);
}

bool StandInCounter::wait_closed(uint64_t session, int timeout_ms) const {
    return wait_until([&] { return !is_open(session); }, timeout_ms);
}

// ---------------------------------------------------------------- the counter's thread

void StandInCounter::run() {
    std::vector<pollfd> fds;
    std::vector<std::shared_ptr<Session>> polled;
    while (!stop_) {
        fds.clear();
        polled.clear();
        fds.push_back(pollfd{listen_fd_, POLLIN, 0});
        fds.push_back(pollfd{udp_fd_, POLLIN, 0});
        {
            std::lock_guard<std::mutex> lock(mu_);
            for (auto& kv : sessions_)
                if (kv.second->open) {
                    fds.push_back(pollfd{kv.second->fd, POLLIN, 0});
                    polled.push_back(kv.second);
                }
        }
        const int r = poll(fds.data(), fds.size(), 5);
        if (r > 0) {
            if (fds[0].revents & POLLIN) accept_new();
            if (fds[1].revents & POLLIN) read_order_node();
            for (size_t i = 0; i < polled.size(); ++i)
                if (fds[i + 2].revents != 0) read_session(polled[i]);
        }
        const int64_t now = now_ms();
        flush_pending(now);
        send_heartbeats(now);
    }
}

void StandInCounter::accept_new() {
    for (;;) {
        const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        fcntl(fd, F_SETFL, O_NONBLOCK);
        auto s = std::make_shared<Session>();
        s->fd = fd;
        std::lock_guard<std::mutex> lock(mu_);
        s->id = next_session_++;
        sessions_[s->id] = s;
        ++sessions_accepted_;
        notify();
    }
}

void StandInCounter::read_session(const std::shared_ptr<Session>& s) {
    unsigned char buf[65536];
    bool closed = false;
    for (;;) {
        const ssize_t n = recv(s->fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            s->inbuf.insert(s->inbuf.end(), buf, buf + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        closed = true;  // end of stream or error
        break;
    }
    size_t off = 0;
    while (!closed && s->inbuf.size() - off >= kHeaderSize) {
        const uint32_t length = testpeer::length_of(s->inbuf.data() + off);
        if (length < kHeaderSize) {
            closed = true;  // not a frame: the stream cannot be cut any more
            break;
        }
        if (s->inbuf.size() - off < length) break;
        ReceivedFrame f;
        f.session = s->id;
        f.received_ms = now_ms();
        f.code = testpeer::code_of(s->inbuf.data() + off);
        f.length = length;
        f.bytes.assign(s->inbuf.begin() + off, s->inbuf.begin() + off + length);
        off += length;
        {
            std::lock_guard<std::mutex> lock(mu_);
            f.index = frames_.size();
            frames_.push_back(f);
            notify();
        }
        handle(s, f);
    }
    s->inbuf.erase(s->inbuf.begin(), s->inbuf.begin() + off);
    if (closed) {
        std::lock_guard<std::mutex> lock(mu_);
        {
            std::lock_guard<std::mutex> send_lock(s->send_mu);
            if (s->fd >= 0) ::close(s->fd);
            s->fd = -1;
        }
        s->open = false;
        notify();
    }
}

void StandInCounter::read_order_node() {
    for (;;) {
        unsigned char buf[65536];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = recvfrom(udp_fd_, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) return;
        ReceivedDatagram d;
        d.received_ms = now_ms();
        d.payload.assign(buf, buf + n);
        d.from = from;
        {
            std::lock_guard<std::mutex> lock(mu_);
            d.index = datagrams_.size();
            datagrams_.push_back(d);
            notify();
        }
        const OrderDatagram o = d.parsed();
        if (o.well_formed && is_order_code(o.code)) on_order(0, o.code, o.body);
    }
}

void StandInCounter::send_heartbeats(int64_t now) {
    if (options_.heartbeat_ms <= 0 || now - last_heartbeat_ms_ < options_.heartbeat_ms) return;
    last_heartbeat_ms_ = now;
    for (uint64_t id : sessions()) {
        if (is_silent(id)) continue;
        auto s = find(id);
        if (s) write(s, frame(2, Bytes(8, 0), id));
    }
}

void StandInCounter::flush_pending(int64_t now) {
    std::vector<Pending> due;
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it =
            std::stable_partition(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.due_ms > now; });
        due.assign(it, pending_.end());
        pending_.erase(it, pending_.end());
    }
    for (auto& p : due)
        if (!is_silent(p.session)) send_frame(p.session, p.frame);
}

bool StandInCounter::take_rule(uint32_t code, uint32_t table_code, uint64_t session, Reply* out) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = rules_.find(code);
    if (it == rules_.end()) return false;
    for (auto r = it->second.begin(); r != it->second.end(); ++r) {
        if (r->table_code != 0 && r->table_code != table_code) continue;
        if (r->session != 0 && r->session != session) continue;
        *out = r->reply;
        if (r->remaining > 0 && --r->remaining == 0) it->second.erase(r);
        return true;
    }
    return false;
}

void StandInCounter::handle(const std::shared_ptr<Session>& s, const ReceivedFrame& f) {
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = handlers_.find(f.code);
        if (it != handlers_.end()) handler = it->second;
    }
    if (handler && handler(*this, f)) return;
    if (f.code == 2 || is_silent(s->id)) return;
    const Bytes body = f.body();
    if (is_order_code(f.code)) {
        on_order(s->id, f.code, body);
        return;
    }
    const uint32_t table_code = f.code == 1041 ? uint32_t(get_u64(padded(body, 65).data(), 57) & 0x3fff) : 0;
    Reply reply;
    const bool scripted = take_rule(f.code, table_code, s->id, &reply);
    std::vector<Bytes> frames = build_answer(s, f);
    for (auto& fr : frames) put_u64(fr.data(), 16, s->id);
    if (scripted) {
        switch (reply.kind) {
            case Reply::Kind::Answer: break;
            case Reply::Kind::Error: {
                uint32_t awaited = f.code == 1041 ? answer_code(table_code) : answer_code(f.code);
                if (f.code == 1052) awaited = 1053;
                frames.clear();
                frames.push_back(frame(1029,
                                       error_body(body, reply.service_code ? reply.service_code : awaited,
                                                  reply.error_type, reply.error_code, reply.error_text),
                                       s->id));
                break;
            }
            case Reply::Kind::Withhold: return;
            case Reply::Kind::Duplicate: {
                const size_t n = frames.size();
                for (size_t i = 0; i < n; ++i) frames.push_back(frames[i]);
                break;
            }
            case Reply::Kind::Delay: break;
            case Reply::Kind::Close: close_session(s->id); return;
        }
        if (reply.edit)
            for (auto& fr : frames) reply.edit(fr);
        if (reply.kind == Reply::Kind::Delay) {
            for (auto& fr : frames) schedule(s->id, fr, reply.delay_ms);
            return;
        }
    }
    for (const auto& fr : frames) write(s, fr);
}

std::vector<Bytes> StandInCounter::build_answer(const std::shared_ptr<Session>& s, const ReceivedFrame& f) {
    const Bytes body = f.body();
    const uint64_t sid = s->id;
    std::vector<Bytes> out;
    if (f.code == 1030) return answer_login(s, body);
    if (f.code == 1041) return answer_table_info(body);
    if (is_query_code(f.code)) return answer_page(f.code, body);
    switch (f.code) {
        case 1046: return answer_auth(s, body);
        case 1411: return answer_token(s, body);
        case 1413: return answer_rebuild(s, body);
        case 1052: return answer_rebuild_ticks(body);
        case 1412: out.push_back(frame(1924, answer_body(body, kHeadSize), sid)); return out;
        case 1043: {
            Bytes b = answer_body(body, 65);
            put_u64(b, 57, s->trade_account_index);
            out.push_back(frame(1044, b, sid));
            return out;
        }
        case 1050: {
            const Bytes req = padded(body, 74);
            Bytes b = answer_body(body, 73);
            put_u64(b, 57, get_u64(req.data(), 66));
            std::lock_guard<std::mutex> lock(mu_);
            put_u64(b, 65, account_sequences_[s->trade_account_index]);
            out.push_back(frame(1051, b, sid));
            return out;
        }
        case 1039: {
            const Bytes req = padded(body, 67);
            Bytes b = answer_body(body, kHeadSize + 428);
            std::lock_guard<std::mutex> lock(mu_);
            if (!level1_quote_.empty()) {
                std::memcpy(b.data() + 57, level1_quote_.data(), std::min<size_t>(428, level1_quote_.size()));
            } else {
                b[57] = req[57];
                std::memcpy(b.data() + 58, req.data() + 58, 8);
            }
            out.push_back(frame(1040, b, sid));
            return out;
        }
        case 1539: {
            Bytes b = answer_body(body, 58);
            b[57] = 1;
            out.push_back(frame(2051, b, sid));
            return out;
        }
        case 1540: {
            const Bytes req = padded(body, 65);
            Bytes b = answer_body(body, 65);
            put_u64(b, 57, get_u64(req.data(), 57));
            out.push_back(frame(2052, b, sid));
            return out;
        }
        default: break;
    }
    const uint32_t answer = answer_code(f.code);
    if (answer != 0) out.push_back(frame(answer, answer_body(body, kHeadSize), sid));
    if (f.code == 1347 || f.code == 1348 || f.code == 1541) add_transfer_pushes(s, f.code, body, &out);
    return out;
}

// A pushed message of the session's account, numbered and kept for replay.
// Called with mu_ held.
Bytes StandInCounter::kept_push(uint64_t account, uint32_t code, const Bytes& record, uint64_t session) {
    uint64_t& last = account_sequences_[account];
    const Bytes body = pushed_body(code, account, ++last, false, record);
    history_.push_back(Pushed{account, last, code, body});
    return frame(code, body, session);
}

void StandInCounter::add_transfer_pushes(const std::shared_ptr<Session>& s, uint32_t code, const Bytes& raw,
                                         std::vector<Bytes>* out) {
    std::lock_guard<std::mutex> lock(mu_);
    const FundTransferReplies& r = transfer_replies_;
    if (!r.push) return;
    const size_t record_size = code == 1347 ? 46 : code == 1348 ? 45 : 39;
    const Bytes body = padded(raw, kHeadSize + record_size);
    const Bytes request(body.begin() + kHeadSize, body.begin() + kHeadSize + record_size);
    Bytes result = request;
    result.resize(record_size + 8 + 1 + 272, 0);
    put_u64(result, record_size, uint64_t(r.result_time));
    result[record_size + 8] = r.status;
    put_u64(result, record_size + 9, r.error_type);
    put_u64(result, record_size + 17, r.error_code);
    put_text(result, record_size + 25, r.error_text, kErrorMsgSize);
    uint64_t account = get_u64(request.data(), 0);
    if (account == 0) account = s->trade_account_index;
    if (code == 1347) {
        out->push_back(kept_push(account, 2436, request, s->id));
        out->push_back(kept_push(account, 2437, result, s->id));
    } else if (code == 1348) {
        out->push_back(kept_push(account, 2438, request, s->id));
        out->push_back(kept_push(account, 2439, result, s->id));
    } else {
        out->push_back(kept_push(account, 2435, result, s->id));
    }
}

std::vector<Bytes> StandInCounter::answer_login(const std::shared_ptr<Session>& s, const Bytes& raw) {
    const Bytes body = padded(raw, 919);
    const unsigned char* p = body.data();
    LoginRecord login;
    login.session = s->id;
    login.api_type = p[57];
    login.account = get_text(p, 58, 65);
    login.password = decode_password(p + 123, get_u64(p, 910));
    login.client_id = p[252];
    login.trading_day = get_u32(p, 253);
    login.request_id = get_u64(p, 8);
    login.request_seq = get_u64(p, 16);
    login.use_level2 = p[918];

    std::vector<Bytes> out;
    std::lock_guard<std::mutex> lock(mu_);
    logins_.push_back(login);
    s->login = login;
    const CounterAccount account = account_for(login.account);
    if (account.name.empty()) {
        out.push_back(frame(1029, error_body(raw, 1031, 305, 1, "unknown account"), s->id));
        return out;
    }
    if (!account.password.empty() && account.password != login.password) {
        out.push_back(frame(1029, error_body(raw, 1031, 305, 2, "invalid password"), s->id));
        return out;
    }
    s->login_account_type = account.kind == AccountKind::Normal       ? 0
                            : account.kind == AccountKind::Privileged ? 1
                                                                      : options_.proxy_account_type;
    s->login_account_index = account.login_account_index ? account.login_account_index : next_login_index_++;
    s->trade_account_index = account.trade_account_index ? account.trade_account_index : next_trade_index_++;

    Bytes b = answer_body(raw, 82);
    put_u64(b, 57, s->login_account_index);
    put_u32(b, 65, options_.trading_day);
    b[69] = s->login_account_type;
    put_u64(b, 74, options_.cluster_group_id);
    Bytes answer = frame(1031, b, s->id);
    if (login.api_type == 2) {
        Bytes table = channel_table(raw);
        if (options_.channels_before_login) {
            out.push_back(table);
            out.push_back(answer);
        } else {
            out.push_back(answer);
            out.push_back(table);
        }
    } else {
        out.push_back(answer);
    }
    return out;
}

// Called with mu_ held.
Bytes StandInCounter::channel_table(const Bytes& request_body) const {
    Bytes b = answer_body(request_body, 65 + 22 * channels_.size());
    put_u32(b, 57, 22);
    put_u32(b, 61, uint32_t(channels_.size()));
    size_t off = 65;
    for (const auto& c : channels_) {
        put_u16(b, off, c.mc_provider);
        put_u16(b, off + 2, c.mc_type);
        put_sockaddr(b, off + 4, c.group);
        put_u16(b, off + 20, c.reserved);
        off += 22;
    }
    return frame(1045, b, get_u64(b.data(), 0));
}

std::vector<Bytes> StandInCounter::answer_table_info(const Bytes& raw) {
    const Bytes body = padded(raw, 65);
    const uint32_t code = uint32_t(get_u64(body.data(), 57) & 0x3fff);
    Bytes b = answer_body(raw, 125);
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = tables_.find(code);
        if (it == tables_.end() && is_query_code(code)) {
            CounterTable t;
            if (code == 1035) {
                t.item_size = 16;
                t.sub_tables.push_back({security_row(1, 1, "600000"), security_row(2, 1, "600036"),
                                        security_row(3, 2, "000001"), security_row(4, 2, "300750")});
            } else {
                t = default_table(code, options_.default_rows, options_.default_sub_tables);
            }
            it = tables_.emplace(code, t).first;
        }
        if (it != tables_.end()) {
            const auto& t = it->second;
            const uint32_t n = uint32_t(std::min<size_t>(t.sub_tables.size(), 16));
            put_u32(b, 57, n);
            for (uint32_t i = 0; i < n; ++i) put_u32(b, 61 + 4 * i, uint32_t(t.sub_tables[i].size()));
        }
    }
    std::vector<Bytes> out;
    out.push_back(frame(1042, b, get_u64(body.data(), 0)));
    return out;
}

std::vector<Bytes> StandInCounter::answer_page(uint32_t code, const Bytes& raw) {
    const Bytes body = padded(raw, 71);
    const uint16_t index = get_u16(body.data(), 57);
    const uint32_t count = get_u32(body.data(), 59);
    const uint32_t reference = get_u32(body.data(), 63);
    std::vector<Bytes> rows;
    uint32_t item_size = default_item_size(code);
    bool last = true;
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = tables_.find(code);
        if (it != tables_.end()) {
            const auto& t = it->second;
            item_size = t.item_size;
            if (index < t.sub_tables.size()) {
                const auto& sub = t.sub_tables[index];
                size_t n = reference < sub.size() ? sub.size() - reference : 0;
                if (count != 0) n = std::min<size_t>(n, count);
                if (options_.max_page_rows != 0) n = std::min<size_t>(n, options_.max_page_rows);
                // A frame is at most 65,536 bytes: larger pages are split.
                if (item_size != 0) n = std::min<size_t>(n, (kMaxFrame - kHeaderSize - kPageHeadSize) / item_size);
                for (size_t i = 0; i < n; ++i) rows.push_back(sub[reference + i]);
                if (reference + n < sub.size()) last = false;
                for (size_t j = size_t(index) + 1; j < t.sub_tables.size() && j < 16; ++j)
                    if (!t.sub_tables[j].empty()) last = false;
            }
        }
    }
    Bytes b = answer_body(raw, kPageHeadSize);
    put_u16(b, 57, index);
    put_u32(b, 59, count);
    put_u32(b, 63, reference);
    put_u32(b, 71, uint32_t(rows.size()));
    put_u32(b, 75, reference + uint32_t(rows.size()));
    put_u32(b, 79, item_size);
    b[83] = last ? 1 : 0;
    for (const auto& r : rows) {
        Bytes row = r;
        row.resize(item_size, 0);
        b.insert(b.end(), row.begin(), row.end());
    }
    std::vector<Bytes> out;
    out.push_back(frame(answer_code(code), b, get_u64(body.data(), 0)));
    return out;
}

std::vector<Bytes> StandInCounter::answer_auth(const std::shared_ptr<Session>& s, const Bytes& raw) {
    const Bytes body = padded(raw, 841);
    const std::string name = get_text(body.data(), 57, 65);
    const std::string password = decode_password(body.data() + 122, get_u64(body.data(), 833));
    std::vector<Bytes> out;
    std::lock_guard<std::mutex> lock(mu_);
    const CounterAccount account = account_for(name);
    if (account.name.empty()) {
        out.push_back(frame(1029, error_body(raw, 1047, 305, 1, "unknown account"), s->id));
        return out;
    }
    if (!account.password.empty() && account.password != password) {
        out.push_back(frame(1029, error_body(raw, 1047, 305, 2, "invalid password"), s->id));
        return out;
    }
    uint64_t trade_index = account.trade_account_index;
    if (trade_index == 0) trade_index = name == s->login.account ? s->trade_account_index : next_trade_index_++;
    const uint64_t auth_id = next_auth_id_++;
    s->auth_accounts[auth_id] = trade_index;
    s->trade_tokens.push_back(get_u64(body.data(), kHeadTradeToken));
    Bytes b = answer_body(raw, 73);
    put_u64(b, 57, auth_id);
    put_u64(b, 65, trade_index);
    out.push_back(frame(1047, b, s->id));
    if (options_.push_init_data) {
        Bytes assets = answer_body(raw, kHeadSize);
        assets.insert(assets.end(), init_assets_.begin(), init_assets_.end());
        out.push_back(frame(1032, assets, s->id));
        Bytes positions = answer_body(raw, 65);
        put_u32(positions, 57, 42);
        put_u32(positions, 61, uint32_t(init_positions_.size()));
        for (const auto& pos : init_positions_) {
            Bytes item = pos;
            item.resize(42, 0);
            positions.insert(positions.end(), item.begin(), item.end());
        }
        out.push_back(frame(1033, positions, s->id));
    }
    return out;
}

std::vector<Bytes> StandInCounter::answer_token(const std::shared_ptr<Session>& s, const Bytes& raw) {
    const Bytes body = padded(raw, kHeadSize);
    const uint64_t auth_id = get_u64(body.data(), kHeadAuthId);
    uint64_t trade_index = get_u64(body.data(), kHeadTradeAccountIndex);
    std::lock_guard<std::mutex> lock(mu_);
    auto it = s->auth_accounts.find(auth_id);
    if (trade_index == 0 && it != s->auth_accounts.end()) trade_index = it->second;
    const uint64_t token_id = next_token_id_++;
    s->tokens.push_back(token_id);
    token_sessions_[token_id] = s->id;
    Bytes b = answer_body(raw, 103);
    put_u64(b, 57, trade_index);
    put_u64(b, 65, token_id);
    put_u64(b, 73, options_.token_value);
    put_sockaddr(b, 81, udp_addr_);
    std::memcpy(b.data() + 97, options_.order_node_mac, 6);
    std::vector<Bytes> out;
    out.push_back(frame(1923, b, s->id));
    return out;
}

std::vector<Bytes> StandInCounter::answer_rebuild(const std::shared_ptr<Session>& s, const Bytes& raw) {
    const Bytes body = padded(raw, 81);
    const uint64_t start = get_u64(body.data(), 65);
    const uint64_t end = get_u64(body.data(), 73);
    uint64_t account = get_u64(body.data(), kHeadTradeAccountIndex);
    std::vector<Bytes> out;
    Bytes b = answer_body(raw, 73);
    put_u64(b, 57, start);
    put_u64(b, 65, end);
    out.push_back(frame(1925, b, s->id));
    std::lock_guard<std::mutex> lock(mu_);
    if (account == 0) account = s->trade_account_index;
    const uint64_t mask = get_u64(body.data(), 57);
    for (const auto& h : history_) {
        if (h.account != account || h.sequence <= start || h.sequence > end) continue;
        // The replay mask selects reports (0x3), raw reports (0xc) and
        // order-book messages (0x270); other pushes are always replayed.
        if (h.code >= 2307 && h.code <= 2313 && (mask & 0x3) == 0) continue;
        if (h.code == 2339 && (mask & 0xc) == 0) continue;
        if (h.code >= 2371 && h.code <= 2373 && (mask & 0x270) == 0) continue;
        Bytes copy = h.body;
        if (copy.size() > 16) copy[16] = 1;
        out.push_back(frame(h.code, copy, s->id));
    }
    return out;
}

std::vector<Bytes> StandInCounter::answer_rebuild_ticks(const Bytes& raw) {
    std::vector<Bytes> out;
    const uint64_t sid = get_u64(padded(raw, 8).data(), 0);
    std::lock_guard<std::mutex> lock(mu_);
    if (rebuild_ticks_.empty()) {
        Bytes b = answer_body(raw, 330);
        b[57] = 0;
        put_u64(b, 58, rebuild_error_type_);
        put_u64(b, 66, rebuild_error_code_);
        put_text(b, 74, rebuild_error_text_, kErrorMsgSize);
        out.push_back(frame(1053, b, sid));
        return out;
    }
    for (const auto& r : rebuild_ticks_) {
        Bytes b = answer_body(raw, 129);
        b[57] = rebuild_exchange_;
        b[58] = rebuild_msg_type_;
        if (!r.empty()) std::memcpy(b.data() + 59, r.data(), std::min<size_t>(70, r.size()));
        out.push_back(frame(1054, b, sid));
    }
    return out;
}

// Orders: answered once per xid, whichever copy (datagram or TCP) comes first;
// an order left unanswered (replies Never) is answered when a copy or resend
// arrives after the replies were switched on.
void StandInCounter::on_order(uint64_t session_hint, uint32_t code, const Bytes& raw) {
    const Bytes body = padded(raw, 56);
    const uint64_t xid = get_u64(body.data(), 8);
    if (xid == 0) return;  // token heartbeat (56 zero bytes) or no order
    std::vector<Bytes> frames;
    std::shared_ptr<Session> s;
    OrderReplies replies;
    {
        std::lock_guard<std::mutex> lock(mu_);
        replies = order_replies_;
        if (replies.when == OrderReplies::When::Never || answered_xids_.count(xid) != 0) return;
        if (replies.skip_every != 0 && ((xid >> 8) & 0xfffff) % replies.skip_every == 0) return;
        uint64_t session = session_hint;
        if (session == 0) {
            auto it = token_sessions_.find(xid >> 28);
            if (it == token_sessions_.end()) return;
            session = it->second;
        }
        auto it = sessions_.find(session);
        if (it == sessions_.end() || !it->second->open) return;
        if (silent_ || silent_sessions_.count(session) != 0) return;
        s = it->second;
        answered_xids_.insert(xid);
        const uint64_t account = s->trade_account_index;
        const uint64_t n = next_report_++;
        char id[40];
        if (code == 1289) {
            std::snprintf(id, sizeof id, "CNTR-CXL-%016llx", static_cast<unsigned long long>(n));
            frames.push_back(kept_push(account, 2309, order_report_record(2309, id, xid), s->id));
        } else {
            // Order fields from the order body: quantity 32, price 40, side 48.
            const uint64_t quantity = get_u64(body.data(), 32), price = get_u64(body.data(), 40);
            std::snprintf(id, sizeof id, "CNTR-ORD-%016llx", static_cast<unsigned long long>(n));
            Bytes rsp = order_report_record(2308, id, xid);
            rsp[52] = code <= 1285 ? 1 : 2;  // exchange index
            put_u64(rsp, 53, price);
            put_u64(rsp, 61, quantity);
            rsp[69] = body[48];          // side
            put_u64(rsp, 70, quantity);  // leaves
            frames.push_back(kept_push(account, 2308, rsp, s->id));
            if (replies.trade) {
                std::snprintf(id, sizeof id, "CNTR-TRD-%016llx", static_cast<unsigned long long>(n));
                Bytes trd = order_report_record(2310, id, xid);
                put_text(trd, 43, std::string(id + 9), 17);  // exec id
                put_u64(trd, 60, price);
                put_u64(trd, 68, quantity);
                put_u64(trd, 76, 0);  // leaves
                put_u64(trd, 84, quantity);
                frames.push_back(kept_push(account, 2310, trd, s->id));
            }
            if (replies.order_end) {
                std::snprintf(id, sizeof id, "CNTR-END-%016llx", static_cast<unsigned long long>(n));
                frames.push_back(kept_push(account, 2307, order_report_record(2307, id, xid), s->id));
            }
        }
    }
    for (auto& f : frames) {
        if (replies.when == OrderReplies::When::AtOnce)
            write(s, f);
        else
            schedule(s->id, f, replies.later_ms);
    }
}

}  // namespace counter
