// Splits the counter's level-1 multicast payloads into records.
#include "trv_api.h"

namespace nq {

namespace {

// Every level-1 record is preceded by a 16-byte header; only byte 0 (the
// record type) is meaningful to us.
constexpr uint32_t kHeaderSize = 16;

}  // namespace

struct TRVQuoteSplit {
    // Record size of `type` on this channel, or 0 when the channel does not
    // carry it. The type is taken as a raw byte, so any value is safe.
    static uint32_t sse_size(uint8_t type) {
        switch (type) {
            case SSE_L1_INDEX: return sizeof(trv_sse_l1_index_t);
            case SSE_L1_SNAPSHOT: return sizeof(trv_sse_l1_snapshot_t);
            default: return 0;
        }
    }

    static uint32_t szse_size(uint8_t type) {
        switch (type) {
            case SZSE_L1_INDEX: return sizeof(trv_szse_l1_index_t);
            case SZSE_L1_SNAPSHOT: return sizeof(trv_szse_l1_snapshot_t);
            case SZSE_L1_BOND_SNAPSHOT: return sizeof(trv_szse_l1_snapshot_bond_t);
            default: return 0;
        }
    }

    template <uint32_t (*SizeOf)(uint8_t)>
    static TRVQuoteItem* split(TRVQuoteDecoder* d) {
        if (d->remaining < kHeaderSize) return nullptr;
        const uint8_t type = d->cursor[0];
        // The header stays consumed even when the record is refused, so the
        // next call resynchronises 16 bytes further on.
        d->cursor += kHeaderSize;
        d->remaining -= kHeaderSize;
        const uint32_t size = SizeOf(type);
        if (size == 0 || d->remaining < size) return nullptr;
        // The item changes only together with a returned record: a caller
        // holding the previous item never sees a type without its pointer.
        TRVQuoteItem& item = d->item;
        item.data_type = static_cast<QuoteMsgType>(type);
        switch (type) {
            case SSE_L1_INDEX: item.data.sse_l1_index = reinterpret_cast<const trv_sse_l1_index_t*>(d->cursor); break;
            case SSE_L1_SNAPSHOT:
                item.data.sse_l1_snapshot = reinterpret_cast<const trv_sse_l1_snapshot_t*>(d->cursor);
                break;
            case SZSE_L1_INDEX:
                item.data.szse_l1_index = reinterpret_cast<const trv_szse_l1_index_t*>(d->cursor);
                break;
            case SZSE_L1_SNAPSHOT:
                item.data.szse_l1_snapshot = reinterpret_cast<const trv_szse_l1_snapshot_t*>(d->cursor);
                break;
            default:
                item.data.szse_l1_snapshot_bond = reinterpret_cast<const trv_szse_l1_snapshot_bond_t*>(d->cursor);
                break;
        }
        d->cursor += size;
        d->remaining -= size;
        return &item;
    }
};

TRVQuoteDecoder::TRVQuoteDecoder(QuoteMCType mc_type, const void* data, uint32_t len)
    : splitter(nullptr), cursor(static_cast<const uint8_t*>(data)), remaining(len), item() {
    switch (mc_type) {
        case TRV_SSE_L1: splitter = &TRVQuoteSplit::split<&TRVQuoteSplit::sse_size>; break;
        case TRV_SZSE_L1: splitter = &TRVQuoteSplit::split<&TRVQuoteSplit::szse_size>; break;
        default: break;
    }
}

TRVQuoteItem* TRVQuoteDecoder::get_next() {
    if (splitter == nullptr || cursor == nullptr || remaining == 0) return nullptr;
    return splitter(this);
}

}  // namespace nq
