// Order id (xid): token id << 28 | order sequence << 8 | check byte, where the
// check byte is the low byte of token id + sequence. Sequences run from 1 to
// 0xfffff per token. Kept beside the trade tokens: the order store, the order
// path and the facades all read it.
#pragma once
#include <cstdint>

namespace nq { namespace api {

constexpr uint64_t kMaxOrderSequence = 0xfffff;

constexpr uint64_t make_xid(uint64_t token_id, uint64_t sequence) {
    return token_id << 28 | sequence << 8 | ((token_id + sequence) & 0xff);
}
constexpr uint64_t xid_sequence(uint64_t xid) { return (xid >> 8) & kMaxOrderSequence; }
constexpr uint64_t xid_token_id(uint64_t xid) { return xid >> 28; }

static_assert(make_xid(5, 1) == 0x50000106, "first order of token 5");

}}  // namespace nq::api
