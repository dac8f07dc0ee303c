#include "api/provider/KApiSession.h"

#include <cstring>

namespace nq { namespace api {

KApiSession::KApiSession(TcpMessageIO* io)
    : TApiSession<2ul>(io), client_id(0), login_account_index(0),
      api_type(static_cast<uint8_t>(nq::ApiType::TRADE)), login_done(0), login_request_id(0),
      login_request_sequence(0), login_answered(0), privilege_spi(nullptr), trade_spi(nullptr), quote_spi(nullptr),
      login_account_type(0), auth_id(0), token(nullptr), trade_token(0), login_account(nullptr),
      subscribe_account(nullptr) {
    std::memset(account_name, 0, sizeof account_name);
    std::memset(password, 0, sizeof password);
    std::memset(pub_key, 0, sizeof pub_key);
}

}}  // namespace nq::api
