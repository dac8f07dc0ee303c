#include "api/security/ApiTradeToken.h"

#include <cstring>

namespace nq { namespace api {

constexpr char ApiTradeToken::kAlphabet[];

ApiTradeToken::ApiTradeToken(uint64_t session_id_, uint64_t trade_token_, uint64_t login_account_index_,
                             uint64_t trade_account_index_, uint64_t token_id_, uint64_t reserved,
                             const sockaddr_in& fon_address_, const unsigned char* fon_mac_,
                             const unsigned char* local_mac_)
    : order_sequence_(1), business_sequence_(1), token_id(token_id_), login_account_index(login_account_index_),
      trade_account_index(trade_account_index_), trade_token(trade_token_), session_id(session_id_),
      reserved_(reserved), code(), next_(nullptr), fon_address(fon_address_), fon_mac(), local_mac() {
    uint64_t d = token_id_;
    for (int pos = 5; pos >= 0; --pos) {
        code[pos] = kAlphabet[d % 62];
        d /= 62;
    }
    if (fon_mac_) std::memcpy(fon_mac, fon_mac_, 6);
    if (local_mac_) std::memcpy(local_mac, local_mac_, 6);
}

}}  // namespace nq::api
