// A minimal client of the counter protocol for the counter's own tests,
// written from the byte offsets of the messages (not from the library).
#pragma once
#include <netinet/in.h>

#include <string>

#include "counter/CounterWire.h"

namespace counter {

struct HeadFields {
    uint64_t session = 0, request_id = 0, request_seq = 0, login_account_index = 0;
    uint8_t account_type = 0;
    uint64_t trade_account_index = 0, auth_id = 0, trade_token = 0;
};

// The 57-byte common head followed by zeros up to `size` bytes.
Bytes request_body(const HeadFields& head, size_t size);
// Login 1030 body (919 bytes) with the password xor-ed with `time_value`.
Bytes login_body(const HeadFields& head, uint8_t api_type, const std::string& account, const std::string& password,
                 uint64_t time_value, uint8_t client_id = 0);
// Authorisation 1046 body (841 bytes).
Bytes auth_body(const HeadFields& head, const std::string& account, const std::string& password, uint64_t time_value);
// Data-table information 1041 body (65 bytes) for a query code.
Bytes table_info_body(const HeadFields& head, uint32_t query_code);
// A page request of a query: paging block at 57.
Bytes page_body(const HeadFields& head, size_t size, uint16_t table_index, uint32_t count, uint32_t reference,
                uint32_t end_point);

class CounterClient {
public:
    ~CounterClient();
    bool connect_to(const sockaddr_in& addr);
    bool send(uint32_t code, const Bytes& body);
    // The next frame that is not a heartbeat (or any frame with heartbeats).
    bool next(Bytes* frame, int timeout_ms = 3000, bool skip_heartbeats = true);
    // True when nothing but heartbeats arrives within quiet_ms.
    bool quiet(int quiet_ms);
    bool eof(int timeout_ms);
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

// Sends one datagram from an ephemeral loopback socket.
bool send_datagram(const sockaddr_in& to, const Bytes& payload);

}  // namespace counter
