// Splits the exchanges' level-2 multicast payloads into their fixed-size
// records.
#include "trv_api.h"

namespace nq { namespace mqr {

namespace {

// Byte 8 of every feed record is its message type.
constexpr uint32_t kTypeOffset = 8;

typedef mqr_quote_data_union_t U;

}  // namespace

struct MQRQuoteSplit {
    template <class T>
    static MQRQuoteItem* take(MQRQuoteDecoder* d, uint8_t type, const T* U::*member) {
        // The item changes only together with a returned record.
        d->item.data_type = type;
        d->item.data.*member = reinterpret_cast<const T*>(d->cursor);
        d->cursor += sizeof(T);
        d->remaining -= sizeof(T);
        return &d->item;
    }

    // A channel of one record kind: the type byte is passed on unchecked.
    template <class T, const T* U::*M>
    static MQRQuoteItem* one(MQRQuoteDecoder* d) {
        if (d->remaining < sizeof(T)) return nullptr;
        return take(d, d->cursor[kTypeOffset], M);
    }

    // A channel of two record kinds of one size: any other type byte stops
    // the payload, with nothing consumed.
    template <class A, const A* U::*MA, uint8_t TA, class B, const B* U::*MB, uint8_t TB>
    static MQRQuoteItem* two(MQRQuoteDecoder* d) {
        static_assert(sizeof(A) == sizeof(B), "records of one channel share a size");
        if (d->remaining < sizeof(A)) return nullptr;
        const uint8_t type = d->cursor[kTypeOffset];
        if (type == TA) return take(d, type, MA);
        if (type == TB) return take(d, type, MB);
        return nullptr;
    }
};

MQRQuoteDecoder::MQRQuoteDecoder(QuoteMCType mc_type, const void* data, uint32_t len)
    : splitter(nullptr), cursor(static_cast<const uint8_t*>(data)), remaining(len), item() {
    typedef MQRQuoteSplit S;
    switch (mc_type) {
        case DVS_SSE_L2_STOCK_SNAP: splitter = &S::one<sse_dvs_lev2, &U::sse_lev2_snap>; break;
        case DVS_SSE_L2_STOCK_TICK: splitter = &S::one<sse_dvs_tick_merge, &U::sse_lev2_tick_merge>; break;
        case DVS_SSE_L2_INDEX: splitter = &S::one<sse_dvs_idx, &U::sse_lev2_idx>; break;
        case DVS_SSE_L2_BOND_SNAP: splitter = &S::one<sse_dvs_bond_snap, &U::sse_lev2_bond_snap>; break;
        case DVS_SSE_L2_BOND_TICK: splitter = &S::one<sse_dvs_bond_tick, &U::sse_lev2_bond_tick>; break;
        case DVS_SZSE_L2_STOCK_SNAP: splitter = &S::one<sze_dvs_lev2, &U::sze_lev2_snap>; break;
        case DVS_SZSE_L2_STOCK_TICK:
            splitter = &S::two<sze_dvs_order, &U::sze_lev2_order, SZE_LEV2_ORDER_MSG_TYPE, sze_dvs_exe,
                               &U::sze_lev2_exe, SZE_LEV2_EXE_MSG_TYPE>;
            break;
        case DVS_SZSE_L2_INDEX: splitter = &S::one<sze_dvs_idx, &U::sze_lev2_idx>; break;
        case DVS_SZSE_L2_BOND_SNAP: splitter = &S::one<sze_dvs_bond_snap, &U::sze_lev2_bond_snap>; break;
        case DVS_SZSE_L2_BOND_TICK:
            splitter = &S::two<sze_dvs_bond_order, &U::sze_lev2_bond_order, SZE_LEV2_BOND_ORDER_MSG_TYPE,
                               sze_dvs_bond_exe, &U::sze_lev2_bond_exe, SZE_LEV2_BOND_EXE_MSG_TYPE>;
            break;
        default: break;
    }
}

MQRQuoteItem* MQRQuoteDecoder::get_next() {
    if (splitter == nullptr || cursor == nullptr || remaining == 0) return nullptr;
    return splitter(this);
}

}}  // namespace nq::mqr
