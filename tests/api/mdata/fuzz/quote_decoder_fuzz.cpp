// Runs both quote decoders over arbitrary payloads and checks that every
// record they return lies wholly inside the payload, after the previous one,
// and carries the type byte found at its position.
//
// Input: byte 0 picks the channel (below 12: one of the decoded channels,
// otherwise the byte itself as the channel number); the rest is the payload.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "trv_api.h"

namespace {

const uint16_t kChannels[] = {1, 2, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110};

void check(bool ok) {
    if (!ok) abort();
}

size_t l1_size(uint8_t type) {
    switch (type) {
        case nq::SSE_L1_INDEX: return sizeof(nq::trv_sse_l1_index_t);
        case nq::SSE_L1_SNAPSHOT: return sizeof(nq::trv_sse_l1_snapshot_t);
        case nq::SZSE_L1_INDEX: return sizeof(nq::trv_szse_l1_index_t);
        case nq::SZSE_L1_SNAPSHOT: return sizeof(nq::trv_szse_l1_snapshot_t);
        case nq::SZSE_L1_BOND_SNAPSHOT: return sizeof(nq::trv_szse_l1_snapshot_bond_t);
        default: return 0;
    }
}

size_t l2_size(uint16_t mc) {
    switch (mc) {
        case 101: return 440;
        case 102: return 72;
        case 103: return 80;
        case 104: return 424;
        case 105: return 96;
        case 106: return 376;
        case 107: return 72;
        case 108: return 96;
        case 109: return 400;
        case 110: return 72;
        default: return 0;
    }
}

void level1(uint16_t mc, const uint8_t* p, size_t n) {
    nq::TRVQuoteDecoder d(static_cast<nq::QuoteMCType>(mc), p, static_cast<uint32_t>(n));
    const uint8_t* end_of_last = p;
    // Each call consumes at least a header or nothing at all, so this bound
    // covers every record the payload can hold, then a few extra calls.
    for (size_t i = 0; i < n / 16 + 4; ++i) {
        nq::TRVQuoteItem* it = d.get_next();
        if (it == nullptr) continue;
        check(mc == 1 || mc == 2);
        const uint8_t* r = reinterpret_cast<const uint8_t*>(it->data.sse_l1_index);
        const size_t size = l1_size(it->data_type);
        check(size != 0);
        const uintptr_t at = reinterpret_cast<uintptr_t>(r), end = reinterpret_cast<uintptr_t>(p + n);
        check(at >= reinterpret_cast<uintptr_t>(end_of_last) + 16 && at <= end && size <= end - at);
        check(r[-16] == it->data_type);
        end_of_last = r + size;
    }
}

void level2(uint16_t mc, const uint8_t* p, size_t n) {
    nq::mqr::MQRQuoteDecoder d(static_cast<nq::QuoteMCType>(mc), p, static_cast<uint32_t>(n));
    const size_t size = l2_size(mc);
    const uint8_t* end_of_last = p;
    for (size_t i = 0; i < n / 72 + 4; ++i) {
        nq::mqr::MQRQuoteItem* it = d.get_next();
        if (it == nullptr) {
            check(d.get_next() == nullptr);  // a refused record stays refused
            break;
        }
        check(size != 0);
        const uint8_t* r = reinterpret_cast<const uint8_t*>(it->data.sse_lev2_snap);
        check(r == end_of_last && size <= static_cast<size_t>(p + n - r));  // back to back, inside
        check(r[8] == it->data_type);
        if (mc == 107) check(r[8] == 23 || r[8] == 24);
        if (mc == 110) check(r[8] == 81 || r[8] == 82);
        end_of_last = r + size;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint16_t mc = data[0] < 12 ? kChannels[data[0]] : data[0];
    // A copy of exactly the payload, so that any read past it is caught.
    std::vector<uint8_t> payload(data + 1, data + size);
    const uint8_t* p = payload.empty() ? nullptr : payload.data();
    level1(mc, p, payload.size());
    level2(mc, p, payload.size());
    return 0;
}
