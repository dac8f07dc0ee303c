// KApi: login, logout, authorisation, deauthorisation, account lookups and
// the trade-token requests.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>

#include <cstring>

#include "api/business/KApiBusiness.h"
#include "api/messages/ApiBodyHead.h"
#include "api/messages/QueryRequest.h"
#include "api/messages/ServiceCode.h"
#include "api/messages/TQueryRequest.h"
#include "api/messages/TRequest.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiLoginState.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiPrivilegeContext.h"
#include "api/provider/KApiQuoteContext.h"
#include "api/provider/KApiSessionRef.h"
#include "api/provider/KApiTradeContext.h"
#include "api/requests/KApiRequestManager.h"
#include "api/terminal/KApiTerminalInfo.h"
#include "framework/LastApiError.h"
#include "framework/MutexGuard.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

// Login request 1030: body offsets.
constexpr unsigned kLoginApiType = 57;
constexpr unsigned kLoginAccount = 58;
constexpr unsigned kLoginPassword = 123;
constexpr unsigned kLoginClientId = 252;
constexpr unsigned kLoginTradingDay = 253;
constexpr unsigned kLoginEndTerminal = 257;
constexpr unsigned kLoginLocalTerminal = 514;
constexpr unsigned kLoginVersion = 771;
// A u16 that every login request carries as 5; the protocol gives it no
// meaning beyond that value, so it is named for where it stands.
constexpr unsigned kLoginConstantWord = 796;
constexpr uint16_t kLoginConstantValue = 5;
constexpr unsigned kLoginLocalAddr = 798;
constexpr unsigned kLoginLocalPort = 844;
constexpr unsigned kLoginEndLip = 846;
constexpr unsigned kLoginEndMac = 892;
constexpr unsigned kLoginTime = 910;
constexpr unsigned kLoginLevel2 = 918;

// Authorisation request 1046: body offsets.
constexpr unsigned kAuthAccount = 57;
constexpr unsigned kAuthPassword = 122;
constexpr unsigned kAuthTradingDay = 251;
constexpr unsigned kAuthEndTerminal = 255;
constexpr unsigned kAuthLocalTerminal = 512;
constexpr unsigned kAuthEndLip = 769;
constexpr unsigned kAuthEndMac = 815;
constexpr unsigned kAuthTime = 833;

constexpr size_t kAccountChars = 64;
constexpr size_t kPasswordField = 129;
constexpr size_t kPasswordChars = 128;
constexpr size_t kLipField = 46;
constexpr size_t kMacField = 18;

typedef TRequest<LOGIN_REQ, LOGIN_RSP> LoginRequest;
typedef TRequest<AUTH_REQ, AUTH_RSP> AuthRequest;
typedef TRequest<TRADE_TOKEN_REQ, TRADE_TOKEN_RSP> TokenRequest;
typedef TRequest<DEAUTH_REQ, DEAUTH_RSP> DeauthRequest;

static_assert(LoginRequest::kBodyLength == 919, "login body");
static_assert(AuthRequest::kBodyLength == 841, "auth body");

// At most n characters of a caller's text into a zero-filled field of n + 1
// bytes or more.
void copy_text(unsigned char* field, const char* text, size_t n) {
    if (text == nullptr) return;
    std::memcpy(field, text, strnlen(text, n));
}

// The password field: the password, zero-padded to 129 bytes, each byte
// XOR-ed with byte (k mod 8) of the little-endian time value.
void fill_password(unsigned char* field, const char* password, int64_t now) {
    std::memset(field, 0, kPasswordField);
    copy_text(field, password, kPasswordChars);
    unsigned char key[8];
    store_le<int64_t>(key, 0, now);
    for (size_t k = 0; k < kPasswordField; ++k) field[k] ^= key[k % 8];
}

// A terminal field of the end terminal record, "NA" where the record has none.
void fill_terminal_field(unsigned char* field, size_t size, const char* value) {
    const char* v = (value != nullptr && value[0] != '\0') ? value : "NA";
    std::memcpy(field, v, strnlen(v, size - 1));
}

// The local record of this host with the address and MAC of the interface of
// `local`.
KApiTerminalInfo local_terminal(const sockaddr& local) {
    KApiTerminalInfo copy(KApiTerminalInfo::local_terminal_info());
    copy.set_local_ip_and_mac(&local);
    return copy;
}

uint16_t socket_local_port(int fd) {
    sockaddr_in addr;
    socklen_t len = sizeof addr;
    std::memset(&addr, 0, sizeof addr);
    if (fd < 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || addr.sin_family != AF_INET)
        return 0;
    return ntohs(addr.sin_port);
}

// What a login takes from its API: the configuration and the callback
// objects.
struct LoginContext {
    uint64_t agw_count;
    sockaddr* agw_addrs;
    sockaddr local;
    uint64_t trading_day;
    uint8_t use_level2;
    nq::TRVTradeSpi* trade_spi;
    nq::TRVPrivilegeSpi* privilege_spi;
    nq::TRVQuoteSpi* quote_spi;
};

// The caller's login as it came in.
struct LoginCall {
    uint64_t request_id;
    uint16_t client_id;
    const char* account_name;
    const char* password;
    const char* pub_key;
    nq::ApiType type;
    const nq::trv_user_terminal_info_t* info;

    uint32_t cid() const { return client_id; }
};

// Runs under the request ring's lock before the login request is posted.
void store_login_sequence(void* context, uint64_t seq) {
    static_cast<KApiSession*>(context)->login_request_sequence.store(seq, std::memory_order_release);
}

void store_auth_sequence(void* context, uint64_t seq) {
    static_cast<KApiAuth*>(context)->request_seq.store(seq, std::memory_order_release);
}

// What a login of `type` takes from its API. False, with the last error set,
// when that API is not initialised or is stopped. Under the API mutex.
bool login_context(KApi* api, nq::ApiType type, LoginContext* ctx) {
    // A stopped API has no service left to carry a login to its end: refused
    // before a connection is opened.
    const bool stopped = api->service_stopped_.load() != 0;
    switch (type) {
        case nq::ApiType::PRIVILEGE: {
            KApiPrivilegeContext* c = api->privilege_context_.load(std::memory_order_acquire);
            if (c == nullptr) {
                set_last_error(kErrorNotInitialised, 0, "privilege api not initialized");
                return false;
            }
            if (stopped || api->privilege_stopped_.load() != 0) {
                set_last_error(kErrorNotInitialised, 0, "privilege api stopped");
                return false;
            }
            *ctx = {c->config_->agw_count(),
                    c->config_->agw_addrs(),
                    c->config_->get_local_addr(0),
                    c->config_->trading_day(),
                    0,
                    nullptr,
                    c->spi_.load(std::memory_order_acquire),
                    nullptr};
            ctx->trade_spi = ctx->privilege_spi;
            return true;
        }
        case nq::ApiType::TRADE: {
            KApiTradeContext* c = api->trade_context_.load(std::memory_order_acquire);
            if (c == nullptr) {
                set_last_error(kErrorNotInitialised, 0, "trade api not initialized");
                return false;
            }
            if (stopped || api->trade_stopped_.load() != 0) {
                set_last_error(kErrorNotInitialised, 0, "trade api stopped");
                return false;
            }
            *ctx = {c->config_->agw_count(),
                    c->config_->agw_addrs(),
                    c->config_->get_local_addr(0),
                    c->config_->trading_day(),
                    0,
                    c->spi_.load(std::memory_order_acquire),
                    nullptr,
                    nullptr};
            return true;
        }
        case nq::ApiType::QUOTE: {
            KApiQuoteContext* c = api->quote_context_.load(std::memory_order_acquire);
            if (c == nullptr) {
                set_last_error(kErrorNotInitialised, 0, "quote api not initialized");
                return false;
            }
            if (stopped || api->quote_stopped_.load() != 0) {
                set_last_error(kErrorNotInitialised, 0, "quote api stopped");
                return false;
            }
            *ctx = {c->config_->agw_count(),
                    c->config_->agw_addrs(),
                    c->config_->get_local_addr(0),
                    c->config_->trading_day(),
                    static_cast<uint8_t>(c->config_->use_level2() ? 1 : 0),
                    nullptr,
                    nullptr,
                    c->spi_.load(std::memory_order_acquire)};
            return true;
        }
        default: set_last_error(kErrorNotInitialised, 0, "invalid api type"); return false;
    }
}

// The login account begun for the login on session_id, or null with the
// session closed and the last error set. Under the API mutex.
KApiLoginAccount* begin_login_account(KApi* api, const LoginCall& call, uint64_t session_id) {
    KApiBusiness* business = api->business_;
    KApiLoginAccountManager* accounts = business != nullptr ? business->login_account_mgr_ : nullptr;
    if (accounts == nullptr) {
        api->framework_->close_session(session_id, false);
        set_last_error(kErrorLoginRefused, 0, "login account manager not initialized");
        return nullptr;
    }
    KApiLoginAccount* account = call.type == nq::ApiType::QUOTE
                                    ? accounts->try_begin_login_quote(call.account_name, session_id)
                                    : accounts->try_begin_login(call.account_name, session_id);
    if (account == nullptr) {
        api->framework_->close_session(session_id, false);
        set_last_error(kErrorLoginRefused, 0,
                       "repeat login is not allowed: { request_id = %lu, account_name = %s, client_id = %u }",
                       call.request_id, call.account_name, call.cid());
    }
    return account;
}

// Request 1030 of the login on `socket` (the session's, for its local port).
void fill_login_request(LoginRequest* request, const LoginCall& call, const LoginContext& ctx, int socket) {
    unsigned char* body = request->body();
    store_le<uint64_t>(body, kRequestIdAt, call.request_id);
    body[kLoginApiType] = static_cast<unsigned char>(call.type);
    copy_text(body + kLoginAccount, call.account_name, kAccountChars);
    const int64_t now = static_cast<int64_t>(time(nullptr));
    fill_password(body + kLoginPassword, call.password, now);
    body[kLoginClientId] = static_cast<unsigned char>(call.client_id & 0xff);
    store_le<uint32_t>(body, kLoginTradingDay, static_cast<uint32_t>(ctx.trading_day));

    const KApiTerminalInfo local = local_terminal(ctx.local);
    const KApiTerminalInfo end = call.info != nullptr ? KApiTerminalInfo(call.info) : local;
    end.get_terminal_info_str(reinterpret_cast<char*>(body + kLoginEndTerminal));
    local.get_terminal_info_str(reinterpret_cast<char*>(body + kLoginLocalTerminal));
    copy_text(body + kLoginVersion, KApi::get_api_version(), nq::CONST_API_VERSION_STR_LEN - 1);
    store_le<uint16_t>(body, kLoginConstantWord, kLoginConstantValue);
    if (ctx.local.sa_family == AF_INET) {
        const sockaddr_in* in = reinterpret_cast<const sockaddr_in*>(&ctx.local);
        inet_ntop(AF_INET, &in->sin_addr, reinterpret_cast<char*>(body + kLoginLocalAddr), kLipField);
    }
    store_le<uint16_t>(body, kLoginLocalPort, socket_local_port(socket));
    fill_terminal_field(body + kLoginEndLip, kLipField, end.lip());
    fill_terminal_field(body + kLoginEndMac, kMacField, end.mac_addr());
    store_le<int64_t>(body, kLoginTime, now);
    body[kLoginLevel2] = ctx.use_level2;
}

// Sends the login request of session `s`, whose login state is in place.
// Refused: the login leaves no trace (login state, secrets, login account)
// and its session is closed, with the last error set. Under the API mutex.
bool send_login_request(KApi* api, KApiSession* s, LoginRequest* request, const LoginCall& call,
                        const LoginContext& ctx) {
    const uint64_t session_id = s->session_id();
    // Everything the answers read is in place before the request can leave.
    s->keep_credentials(call.account_name, call.password, call.pub_key);
    const bool entered = KApiLoginState::begin(session_id, call.request_id, static_cast<uint8_t>(call.type));

    if (!entered || !api->framework_->request_manager_->send_request(session_id, request, &store_login_sequence, s)) {
        KApiLoginState::end(session_id);
        s->forget_secrets();
        if (KApiLoginAccount* a = s->login_account.exchange(nullptr)) {
            KApiLoginAccountManager* accounts = api->business_->login_account_mgr_;
            accounts->on_login_failed(a, session_id);
            accounts->discard(a);
        }
        api->framework_->close_session(session_id, false);
        set_last_error(kErrorLoginRefused, 0,
                       "login request error, request too fast: { request_id = %lu, account_name = %s, client_id = %u }",
                       call.request_id, call.account_name, call.cid());
        return false;
    }
    LOG_INFO(
        "login request: { service_code = %lu request_id: %lu, session_id = %lu, client_id = %u, account_name = %s, "
        "trading_day = %d, term_info = %s }",
        (unsigned long)LOGIN_REQ, call.request_id, session_id, call.cid(), s->account_name,
        (int)(uint32_t)ctx.trading_day, reinterpret_cast<const char*>(request->body() + kLoginEndTerminal));
    return true;
}

}  // namespace

bool KApi::login(uint64_t request_id, uint16_t client_id, const char* account_name, const char* password,
                 const char* pub_key, nq::ApiType type, const nq::trv_user_terminal_info_t* info) {
    const LoginCall call{request_id, client_id, account_name, password, pub_key, type, info};
    LoginContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    {
        MutexGuard lock(&api_mutex_);
        if (!login_context(this, type, &ctx)) return false;
    }
    if (ctx.agw_count > 32) ctx.agw_count = 32;

    // Connected without the API mutex: a gateway that drops the attempts
    // holds up no other login and no stop. The attempts end within the
    // request timeout, like the rest of the login.
    const uint64_t session_id =
        framework_->open_session(ctx.agw_count, ctx.agw_addrs, &ctx.local, static_cast<unsigned char>(type),
                                 static_cast<unsigned long>(config_->request_timeout) * 1000);
    if (session_id == 0) {
        set_last_error(kErrorNotInitialised, 0,
                       "connect to AGW failed: { request_id = %lu, account_name = %s, client_id = %u }", request_id,
                       account_name, call.cid());
        return false;
    }
    MutexGuard lock(&api_mutex_);
    // Looked at again: the API may have been stopped during the connection
    // (its callbacks are then cleared). The new session goes at once.
    if (!login_context(this, type, &ctx)) {
        framework_->close_session(session_id, false);
        framework_->api_message_io_->close_dead_sockets();
        return false;
    }
    KApiSessionRef session(framework_, session_id);
    if (!session) {
        set_last_error(kErrorNoSession, 0,
                       "login request error, get session failed: { request_id = %lu, account_name = %s, client_id = "
                       "%u, session_id = %lu }",
                       request_id, account_name, call.cid(), session_id);
        framework_->close_session(session_id, false);
        return false;
    }
    session->begin_login(type, client_id, request_id);
    KApiLoginAccount* account = begin_login_account(this, call, session_id);
    if (account == nullptr) return false;
    if (type == nq::ApiType::QUOTE) KApiQuoteContext::clear_quote_mc_infos();
    session->attach_login(account, ctx.privilege_spi, ctx.trade_spi, ctx.quote_spi);

    LoginRequest request;
    fill_login_request(&request, call, ctx, session->socket_);
    return send_login_request(this, session.get(), &request, call, ctx);
}

bool KApi::logout(uint64_t session_id) {
    {
        KApiSessionRef session(framework_, session_id);
        if (!session) {
            set_last_error(kErrorNoSession, 0, "logout request error, get session failed: { session_id = %lu }",
                           session_id);
            return false;
        }
        KApiLoginAccountManager* accounts = business_ != nullptr ? business_->login_account_mgr_ : nullptr;
        if (KApiLoginAccount* a = session->login_account.exchange(nullptr)) {
            if (accounts != nullptr) {
                accounts->on_logout(a, session_id);
                accounts->discard(a);
            }
        }
        // The session's own authorisation ends with it.
        const uint64_t own = session->trade_token.exchange(0);
        if (own != 0 && business_ != nullptr && business_->auth_mgr_ != nullptr) business_->auth_mgr_->close_auth(own);
        session->token.store(nullptr);
    }
    framework_->close_session(session_id, false);
    LOG_INFO("logout: { session_id = %lu }", session_id);
    return true;
}

namespace {

// False, with the last error set, when `session` may not authorise: none,
// not a trading session, or a proxy authorisation on a normal account.
bool auth_allowed(const KApiSessionRef& session, uint64_t session_id, uint64_t request_id, bool proxy) {
    if (!session) {
        set_last_error(kErrorNoSession, 0, "auth error, get session failed: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    const unsigned api_type = session->api_type.load();
    if (api_type != static_cast<unsigned>(nq::ApiType::TRADE)) {
        set_last_error(kErrorNoSession, 0,
                       "auth error, invalid session api type: { session_id = %lu, request_id = %lu, api_type = %u }",
                       session_id, request_id, api_type);
        return false;
    }
    if (proxy && session->login_account_type.load() == 0) {
        set_last_error(kErrorNoSession, 0,
                       "auth error, normal account can not use proxy auth: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    return true;
}

// Request 1046 for record `trade_token` of `session`, from `local_addr`.
void fill_auth_request(AuthRequest* request, const KApiSession& session, uint64_t request_id, uint64_t trade_token,
                       const char* account_name, const char* password, const nq::trv_user_terminal_info_t* info,
                       const sockaddr& local_addr, uint32_t trading_day) {
    unsigned char* body = request->body();
    api_body_head_t* head = request->head();
    head->request_id = request_id;
    head->login_account_index = session.login_account_index.load();
    head->login_account_type = session.login_account_type.load();
    head->trade_token = trade_token;
    copy_text(body + kAuthAccount, account_name, kAccountChars);
    const int64_t now = static_cast<int64_t>(time(nullptr));
    fill_password(body + kAuthPassword, password, now);
    store_le<uint32_t>(body, kAuthTradingDay, trading_day);
    const KApiTerminalInfo local = local_terminal(local_addr);
    const KApiTerminalInfo end = info != nullptr ? KApiTerminalInfo(info) : local;
    end.get_terminal_info_str(reinterpret_cast<char*>(body + kAuthEndTerminal));
    local.get_terminal_info_str(reinterpret_cast<char*>(body + kAuthLocalTerminal));
    fill_terminal_field(body + kAuthEndLip, kLipField, end.lip());
    fill_terminal_field(body + kAuthEndMac, kMacField, end.mac_addr());
    store_le<int64_t>(body, kAuthTime, now);
}

// A record that did not get its request out is closed at once: nothing would
// ever answer it, and the token refresh must not chase it. Without `proxy`
// it was the session's own.
void abandon_auth(KApiSession* session, KApiAuthManager* auths, uint64_t trade_token, bool proxy) {
    uint64_t expected = trade_token;
    if (!proxy) session->trade_token.compare_exchange_strong(expected, 0);
    auths->close_auth(trade_token);
}

}  // namespace

bool KApi::auth(uint64_t session_id, uint64_t request_id, const char* account_name, const char* password, const char*,
                const nq::trv_user_terminal_info_t* info, bool proxy) {
    KApiSessionRef session(framework_, session_id);
    if (!auth_allowed(session, session_id, request_id, proxy)) return false;
    KApiAuthManager* auths = business_ != nullptr ? business_->auth_mgr_ : nullptr;
    const uint64_t trade_token = auths != nullptr ? auths->open_auth() : 0;
    if (trade_token == 0) {
        set_last_error(kErrorNoSession, 0, "auth error, open auth failed: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    KApiAuth* record = nullptr;
    auths->with_auth(trade_token, [&](KApiAuth* a) {
        a->session_id.store(session_id);
        a->request_id.store(request_id);
        record = a;
    });
    if (!proxy) session->trade_token.store(trade_token);

    KApiTradeContext* trade = trade_context_.load(std::memory_order_acquire);
    sockaddr local_addr;
    std::memset(&local_addr, 0, sizeof local_addr);
    if (trade != nullptr) local_addr = trade->config_->get_local_addr(0);
    AuthRequest request;
    fill_auth_request(&request, *session.get(), request_id, trade_token, account_name, password, info, local_addr,
                      business_->trading_day());

    if (record == nullptr || auths->get_auth(trade_token) != record || record->session_id.load() != session_id) {
        abandon_auth(session.get(), auths, trade_token, proxy);
        set_last_error(kErrorRefused, 0, "auth error, invalid trade_token: { session_id = %lu, trade_token: %lu }",
                       session_id, trade_token);
        return false;
    }
    if (!framework_->request_manager_->send_request(session_id, &request, &store_auth_sequence, record)) {
        abandon_auth(session.get(), auths, trade_token, proxy);
        set_last_error(kErrorRefused, 0, "auth error, request too fast: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    LOG_TRACE("auth: { session_id = %lu, request_id = %lu, account_name = %s }", session_id, request_id,
              reinterpret_cast<const char*>(request.body() + kAuthAccount));
    return true;
}

bool KApi::deauth(uint64_t session_id, uint64_t request_id, uint64_t trade_token) {
    KApiSessionRef session(framework_, session_id);
    if (!session) {
        set_last_error(kErrorNoSession, 0, "deauth error, get session failed: { session_id = %lu, trade_token = %lu }",
                       session_id, trade_token);
        return false;
    }
    const uint64_t id = trade_token != 0 ? trade_token : session->trade_token.load();
    KApiAuthManager* auths = business_ != nullptr ? business_->auth_mgr_ : nullptr;
    KApiAuth* record = (auths != nullptr && id != 0) ? auths->get_auth(id) : nullptr;
    if (record == nullptr || record->session_id.load() != session_id) {
        set_last_error(kErrorRefused, 0, "deauth error, invalid trade_token: { session_id = %lu, trade_token = %lu }",
                       session_id, trade_token);
        return false;
    }
    DeauthRequest request;
    api_body_head_t* head = request.head();
    head->request_id = request_id;
    head->login_account_index = session->login_account_index.load();
    head->login_account_type = session->login_account_type.load();
    head->trade_account_index = record->trade_account_index.load();
    head->auth_id = record->auth_id.load();
    head->trade_token = id;
    if (!framework_->request_manager_->send_request(session_id, &request)) {
        set_last_error(kErrorRefused, 0, "deauth error, request too fast: { session_id = %lu, trade_token = %lu }",
                       session_id, trade_token);
        return false;
    }
    LOG_TRACE("deauth: { session_id = %lu, trade_token = %lu }", session_id, trade_token);
    if (trade_token != 0) auths->close_auth(trade_token);
    return true;
}

uint64_t KApi::get_account_index(uint64_t session_id, uint64_t trade_token) {
    KApiSessionRef session(framework_, session_id);
    if (!session) {
        set_last_error(kErrorNoSession, 0,
                       "get account index error, get session failed: { session_id = %lu, trade_token = %lu }",
                       session_id, trade_token);
        return 0;
    }
    uint64_t id = trade_token;
    if (id == 0) {
        id = session->trade_token.load();
        if (session->login_account_type.load() != 0 || id == 0) {
            set_last_error(kErrorNoSession, 0,
                           "get account index error, invalid trade_token for non-normal login account: { session_id = "
                           "%lu, trade_token = %lu }",
                           session_id, trade_token);
            return 0;
        }
    }
    KApiAuth* record =
        business_ != nullptr && business_->auth_mgr_ != nullptr ? business_->auth_mgr_->get_auth(id) : nullptr;
    if (record == nullptr || record->session_id.load() != session_id) {
        set_last_error(kErrorNoSession, 0,
                       "get account index error, invalid trade_token: { session_id = %lu, trade_token = %lu }",
                       session_id, trade_token);
        return 0;
    }
    return record->trade_account_index.load();
}

namespace {

// The token request of a record, or of the session's own record when
// trade_token is 0; the record (null when unknown) is returned through
// `record`.
void build_token_request(TokenRequest& request, KApiSession* session, KApiAuthManager* auths, uint64_t request_id,
                         uint64_t trade_token, KApiAuth** record) {
    api_body_head_t* head = request.head();
    head->request_id = request_id;
    head->login_account_index = session->login_account_index.load();
    head->login_account_type = session->login_account_type.load();
    const uint64_t id = trade_token != 0 ? trade_token : session->trade_token.load();
    KApiAuth* a = (auths != nullptr && id != 0) ? auths->get_auth(id) : nullptr;
    if (a != nullptr && a->session_id.load() == session->session_id()) {
        head->trade_account_index = a->trade_account_index.load();
        head->auth_id = a->auth_id.load();
        head->trade_token = id;
    } else {
        a = nullptr;
    }
    *record = a;
}

// True while the record's last token request is still waiting for its
// answer: a second one would only be a duplicate.
bool token_request_outstanding(KApiRequestManager* ring, KApiAuth* record, uint64_t session_id) {
    const uint64_t pending = record->token_request_pending.load(std::memory_order_acquire);
    if (pending == 0) return false;
    const request_info_t e = ring->peek(pending - 1);
    return !e.timed_out && !e.finished && e.session_id == session_id && e.desire_response == TRADE_TOKEN_RSP;
}

void store_token_sequence(void* context, uint64_t seq) {
    static_cast<KApiAuth*>(context)->token_request_pending.store(seq + 1, std::memory_order_release);
}

// A token request, sent at once or through the ring's delayed sender; the
// two ways differ only in how the ring takes the request and in their logs.
bool send_token_request(KApiFramework* framework, KApiBusiness* business, uint64_t session_id, uint64_t request_id,
                        uint64_t trade_token, bool delayed) {
    KApiSessionRef session(framework, session_id);
    if (!session) {
        LOG_ERROR("request token error, get session failed: { session_id = %lu, request_id = %lu, trade_token = %lu }",
                  session_id, request_id, trade_token);
        return false;
    }
    KApiRequestManager* ring = framework->request_manager_;
    TokenRequest request;
    KApiAuth* record = nullptr;
    build_token_request(request, session.get(), business != nullptr ? business->auth_mgr_ : nullptr, request_id,
                        trade_token, &record);
    const api_body_head_t* head = request.head();
    if (record != nullptr && token_request_outstanding(ring, record, session_id)) {
        LOG_TRACE("request token skipped, one is outstanding: { session_id = %lu, trade_token = %lu }", session_id,
                  head->trade_token);
        return true;
    }
    if (delayed) {
        if (!ring->delay_send_request(session_id, &request)) {
            LOG_ERROR(
                "request token error, request too fast: { session_id = %lu, request_id = %lu, trade_token = %lu }",
                session_id, request_id, (uint64_t)head->trade_token);
            return false;
        }
        if (record != nullptr)
            record->token_request_pending.store(load_le<uint64_t>(request.body(), kRequestSeqAt) + 1);
        LOG_TRACE(
            "delay request token: { session_id = %lu, request_id = %lu, login_account_index = %lu, "
            "trade_token = %lu, auth_id = %lu }",
            session_id, request_id, (uint64_t)head->login_account_index, (uint64_t)head->trade_token,
            (uint64_t)head->auth_id);
        return true;
    }
    bool sent = record != nullptr ? ring->send_request(session_id, &request, &store_token_sequence, record)
                                  : ring->send_request(session_id, &request);
    if (!sent) {
        LOG_ERROR(
            "request token error, request too fast: { session_id = %lu, request_id = %lu, trade_token = %lu, "
            "auth_id = %lu }",
            session_id, request_id, (uint64_t)head->trade_token, (uint64_t)head->auth_id);
        return false;
    }
    LOG_TRACE(
        "request token: { session_id = %lu, request_id = %lu, login_account_index = %lu, trade_token = %lu, "
        "auth_id = %lu }",
        session_id, request_id, (uint64_t)head->login_account_index, (uint64_t)head->trade_token,
        (uint64_t)head->auth_id);
    return true;
}

}  // namespace

bool KApi::request_token(uint64_t session_id, uint64_t request_id, uint64_t trade_token) {
    return send_token_request(framework_, business_, session_id, request_id, trade_token, false);
}

bool KApi::delay_request_token(uint64_t session_id, uint64_t request_id, uint64_t trade_token) {
    return send_token_request(framework_, business_, session_id, request_id, trade_token, true);
}

}}  // namespace nq::api
