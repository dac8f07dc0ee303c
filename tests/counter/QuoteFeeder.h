// Sends market-data datagrams to the channels the stand-in counter announces:
// unicast on 127.0.0.1, or multicast on loopback only (IP_MULTICAST_IF
// 127.0.0.1, TTL 0), never on a real interface.
#pragma once
#include <string>

#include "counter/StandInCounter.h"

namespace counter {

class QuoteFeeder {
public:
    QuoteFeeder() = default;
    ~QuoteFeeder();
    QuoteFeeder(const QuoteFeeder&) = delete;
    QuoteFeeder& operator=(const QuoteFeeder&) = delete;

    bool open();
    // A channel of `mc_type` on a UDP port that is free at the time of the
    // call: unicast 127.0.0.1 when `group` is null, else that multicast group
    // (dotted text). mc_type 0 marks a failure.
    static QuoteChannel loopback_channel(uint16_t mc_type, const char* group = nullptr);
    // One datagram with `payload` to the channel's group address.
    bool send(const QuoteChannel& channel, const Bytes& payload);

    // Level-1 channels (types 1 and 2): each record behind a 16-byte record
    // header whose byte 0 is the record's QuoteMsgType.
    static Bytes level1_entry(uint8_t msg_type, const Bytes& record);
    // A Shanghai level-1 snapshot record (330 bytes) or a Shenzhen one (413
    // bytes) with the security code, the trade date and the last price filled.
    static Bytes sse_l1_snapshot(const std::string& code, uint32_t trade_date, uint64_t last_px);
    static Bytes szse_l1_snapshot(const std::string& code, int64_t orig_time, uint64_t last_px);
    // Level-2 channels (101-110): records of one fixed size per channel, the
    // record's message type at byte 8; 0 for other channel types.
    static size_t level2_record_size(uint16_t mc_type);
    static Bytes level2_record(uint16_t mc_type, uint8_t msg_type, uint64_t serial);

private:
    int fd_ = -1;
};

}  // namespace counter
