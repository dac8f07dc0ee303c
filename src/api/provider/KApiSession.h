// A TCP session of the trading API: which API it serves, its login state, the
// callbacks its answers go to, and its trade token and accounts.
#pragma once
#include <atomic>
#include <cstdint>

#include "framework/TcpSession.h"
#include "trv_api.h"

namespace nq { namespace api {

class ApiTradeToken;
class KApiLoginAccount;

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

    uint64_t client_id;
    uint64_t login_account_index;
    uint8_t api_type;  // nq::ApiType
    uint8_t login_done;
    uint64_t login_request_id;
    uint64_t login_request_sequence;
    // Kept from the login for the authorisation step.
    char account_name[kAccountNameSize];
    char password[kPasswordSize];
    char pub_key[kPubKeySize];
    // Copied from the API contexts at login; a stopping API clears its own.
    std::atomic<nq::TRVPrivilegeSpi*> privilege_spi;
    std::atomic<nq::TRVTradeSpi*> trade_spi;
    std::atomic<nq::TRVQuoteSpi*> quote_spi;
    uint8_t login_account_type;  // 0: a normal account that authorises itself
    uint64_t auth_id;
    std::atomic<ApiTradeToken*> token;
    uint64_t trade_token;
    KApiLoginAccount* login_account;
    KApiLoginAccount* subscribe_account;
};

template <unsigned long N>
class ApiSession;

template <>
class ApiSession<2ul> : public KApiSession {
public:
    explicit ApiSession(TcpMessageIO* io) : KApiSession(io) {}
};

}}  // namespace nq::api
