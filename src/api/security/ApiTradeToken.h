// Counter-issued trade token: names the order node and carries the order and
// business sequences.
#pragma once
#include <netinet/in.h>

#include <atomic>
#include <cstdint>

namespace nq { namespace api {

class alignas(64) ApiTradeToken {
public:
    ApiTradeToken(uint64_t session_id, uint64_t trade_token, uint64_t login_account_index, uint64_t trade_account_index,
                  uint64_t token_id, uint64_t reserved, const sockaddr_in& fon_address, const unsigned char* fon_mac,
                  const unsigned char* local_mac);
    virtual ~ApiTradeToken() = default;
    virtual bool initialize() { return true; }

    // Each user thread that sends takes its numbers here; the two counters sit
    // on their own cache lines so order and business numbering do not contend.
    alignas(64) std::atomic<uint64_t> order_sequence_;
    alignas(64) std::atomic<uint64_t> business_sequence_;
    alignas(64) uint64_t token_id;
    uint64_t login_account_index;
    uint64_t trade_account_index;
    uint64_t trade_token;
    uint64_t session_id;
    uint64_t reserved_;  // kept with the token, not read by the library
    char code[8];
    ApiTradeToken* next_;
    sockaddr_in fon_address;
    unsigned char fon_mac[6];
    unsigned char local_mac[6];

    static constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
};

}}  // namespace nq::api
