// A TCP session of the trading API: which API it serves, its login state, the
// callbacks its answers go to, and its trade token and accounts.
#pragma once
#include <atomic>
#include <cstdint>

#include "framework/TcpSession.h"
#include "trv_api.h"

namespace nq { namespace api {

class ApiTradeToken;
struct KApiLoginAccount;

template <unsigned long N>
class TApiSession;

template <>
class TApiSession<2ul> : public TcpSession {
public:
    explicit TApiSession(TcpMessageIO* io) : TcpSession(io) {}
};

class KApiSession : public TApiSession<2ul> {
public:
    static constexpr unsigned long kAccountNameSize = 65;
    static constexpr unsigned long kPasswordSize = 129;
    static constexpr unsigned long kPubKeySize = 256;

    explicit KApiSession(TcpMessageIO* io);

    // The session of a transport lookup, or null when it is not one of ours.
    static KApiSession* from(TcpSession* session) { return dynamic_cast<KApiSession*>(session); }

    // A login starts on this (reused) object: every field a login relies on
    // starts afresh, all three callback slots included, then the API type,
    // the client id's low byte and the login's request id are set. Before the
    // login account is begun: a refused login's close then finds no account
    // of an earlier login here.
    void begin_login(nq::ApiType type, uint16_t client, uint64_t request_id);
    // The login's callback objects (a market-data login's quote callback,
    // else the privilege and trade ones) and its login account.
    void attach_login(KApiLoginAccount* account, nq::TRVPrivilegeSpi* privilege, nq::TRVTradeSpi* trade,
                      nq::TRVQuoteSpi* quote);
    // Keeps what the authorisation step needs, each text cut to its field.
    void keep_credentials(const char* account, const char* pass, const char* key);
    // Clears the password and public key once the authorisation step no
    // longer needs them.
    void forget_secrets();
    // What the login answer says of the login account.
    void set_login_answer(uint8_t account_type, uint64_t account_index);
    // Forgets the session's own token, then its own authorisation record,
    // whose id it returns (0 for none) for the caller to close.
    uint64_t drop_own_auth();

    // Written by login (under the request ring's lock, before the request is
    // posted) and by the login chain on handler worker 2; read by any thread.
    uint64_t client_id;
    std::atomic<uint64_t> login_account_index;
    std::atomic<uint8_t> api_type;  // nq::ApiType
    std::atomic<uint8_t> login_done;
    std::atomic<uint64_t> login_request_id;
    std::atomic<uint64_t> login_request_sequence;
    // Set by the first login answer of this login; a repeated one is ignored.
    std::atomic<uint8_t> login_answered;
    // Kept from the login for the authorisation step.
    char account_name[kAccountNameSize];
    char password[kPasswordSize];
    char pub_key[kPubKeySize];
    // Copied from the API contexts at login; a stopping API clears its own.
    std::atomic<nq::TRVPrivilegeSpi*> privilege_spi;
    std::atomic<nq::TRVTradeSpi*> trade_spi;
    std::atomic<nq::TRVQuoteSpi*> quote_spi;
    std::atomic<uint8_t> login_account_type;  // 0: a normal account that authorises itself
    std::atomic<uint64_t> auth_id;
    std::atomic<ApiTradeToken*> token;
    std::atomic<uint64_t> trade_token;
    // Taken back (exchange) by whoever releases them, so each is released once.
    std::atomic<KApiLoginAccount*> login_account;
    std::atomic<KApiLoginAccount*> subscribe_account;
};

template <unsigned long N>
class ApiSession;

template <>
class ApiSession<2ul> : public KApiSession {
public:
    explicit ApiSession(TcpMessageIO* io) : KApiSession(io) {}
};

}}  // namespace nq::api
