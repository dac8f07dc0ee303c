// Runs both quote decoders over arbitrary payloads next to a reference model
// of the splitting rules, written from the channel tables alone, and compares
// them after every call: whether a record came, its type and position, and
// how far the decoder has read (cursor and `remaining`).
//
// Input: bytes 0-1 the channel (multicast type, little-endian, any 16-bit
// value); the rest is the payload.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "trv_api.h"

namespace {

void check(bool ok) {
    if (!ok) abort();
}

// ---- the rules ------------------------------------------------------------

constexpr uint32_t kL1HeaderSize = 16;

// Record size of a level-1 type on its channel; 0 when the channel does not
// carry it.
uint32_t l1_record_size(uint16_t mc, uint8_t type) {
    if (mc == 1) {
        if (type == 0) return 114;
        if (type == 1) return 330;
    }
    if (mc == 2) {
        if (type == 2) return 117;
        if (type == 3) return 413;
        if (type == 4) return 427;
    }
    return 0;
}

bool l1_channel(uint16_t mc) { return mc == 1 || mc == 2; }

// Record size of a level-2 channel; 0 for any other multicast type.
uint32_t l2_record_size(uint16_t mc) {
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

bool l2_type_accepted(uint16_t mc, uint8_t type) {
    if (mc == 107) return type == 23 || type == 24;
    if (mc == 110) return type == 81 || type == 82;
    return true;
}

// What a decoder should hold after each call.
struct Model {
    const uint8_t* base;
    uint32_t offset;     // bytes read so far
    uint32_t remaining;  // bytes left
    bool has_item;       // a record was returned at some point
    uint8_t item_type;   // of the last record returned
    uint32_t item_offset;
};

// One get_next of the level-1 rules; true when a record is returned.
bool l1_next(uint16_t mc, Model* m) {
    if (!l1_channel(mc) || m->base == nullptr || m->remaining == 0) return false;
    if (m->remaining < kL1HeaderSize) return false;
    const uint8_t type = m->base[m->offset];
    m->offset += kL1HeaderSize;
    m->remaining -= kL1HeaderSize;
    const uint32_t size = l1_record_size(mc, type);
    if (size == 0 || m->remaining < size) return false;
    m->has_item = true;
    m->item_type = type;
    m->item_offset = m->offset;
    m->offset += size;
    m->remaining -= size;
    return true;
}

bool l2_next(uint16_t mc, Model* m) {
    const uint32_t size = l2_record_size(mc);
    if (size == 0 || m->base == nullptr || m->remaining == 0) return false;
    if (m->remaining < size) return false;
    const uint8_t type = m->base[m->offset + 8];
    if (!l2_type_accepted(mc, type)) return false;
    m->has_item = true;
    m->item_type = type;
    m->item_offset = m->offset;
    m->offset += size;
    m->remaining -= size;
    return true;
}

// ---- the decoders' own state ------------------------------------------------

// The decoders' fields, in their declared order; read through a copy so that
// `remaining` can be compared without widening the public class.
struct L1Fields {
    void* splitter;
    const uint8_t* cursor;
    uint32_t remaining;
    nq::TRVQuoteItem item;
};
static_assert(sizeof(L1Fields) == sizeof(nq::TRVQuoteDecoder), "level-1 decoder fields");

struct L2Fields {
    void* splitter;
    const uint8_t* cursor;
    uint32_t remaining;
    nq::mqr::MQRQuoteItem item;
};
static_assert(sizeof(L2Fields) == sizeof(nq::mqr::MQRQuoteDecoder), "level-2 decoder fields");

template <typename Fields, typename Decoder>
Fields fields_of(const Decoder& d) {
    Fields f;
    std::memcpy(static_cast<void*>(&f), static_cast<const void*>(&d), sizeof f);
    return f;
}

template <typename Fields>
void compare_position(const Fields& f, const Model& m) {
    check(f.remaining == m.remaining);
    check(f.cursor == (m.base == nullptr ? nullptr : m.base + m.offset));
}

void level1(uint16_t mc, const uint8_t* p, uint32_t n) {
    nq::TRVQuoteDecoder d(static_cast<nq::QuoteMCType>(mc), p, n);
    Model m{p, 0, n, false, 0, 0};
    // Every call that can move consumes at least a header; the extra calls
    // check that an exhausted decoder stays where it is.
    for (uint32_t i = 0; i < n / kL1HeaderSize + 4; ++i) {
        nq::TRVQuoteItem* it = d.get_next();
        const bool expected = l1_next(mc, &m);
        const L1Fields f = fields_of<L1Fields>(d);
        check((it != nullptr) == expected);
        if (it != nullptr) {
            // The decoder's own item, describing the record just found.
            check(reinterpret_cast<const uint8_t*>(it) ==
                  reinterpret_cast<const uint8_t*>(&d) + offsetof(L1Fields, item));
            check(static_cast<uint8_t>(it->data_type) == m.item_type);
        }
        compare_position(f, m);
        if (m.has_item) {
            // After a null the item keeps the last record returned.
            check(static_cast<uint8_t>(f.item.data_type) == m.item_type);
            check(reinterpret_cast<const uint8_t*>(f.item.data.sse_l1_index) == p + m.item_offset);
        }
    }
}

void level2(uint16_t mc, const uint8_t* p, uint32_t n) {
    nq::mqr::MQRQuoteDecoder d(static_cast<nq::QuoteMCType>(mc), p, n);
    Model m{p, 0, n, false, 0, 0};
    for (uint32_t i = 0; i < n / 72 + 4; ++i) {
        nq::mqr::MQRQuoteItem* it = d.get_next();
        const bool expected = l2_next(mc, &m);
        const L2Fields f = fields_of<L2Fields>(d);
        check((it != nullptr) == expected);
        compare_position(f, m);
        if (m.has_item) {
            check(f.item.data_type == m.item_type);
            check(reinterpret_cast<const uint8_t*>(f.item.data.sse_lev2_snap) == p + m.item_offset);
        }
        if (it != nullptr) {
            check(reinterpret_cast<const uint8_t*>(it) ==
                  reinterpret_cast<const uint8_t*>(&d) + offsetof(L2Fields, item));
            check(it->data_type == m.item_type);
            check(reinterpret_cast<const uint8_t*>(it->data.sse_lev2_snap) == p + m.item_offset);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint16_t mc = static_cast<uint16_t>(data[0] | data[1] << 8);
    // A copy of exactly the payload, so that any read past it is caught.
    std::vector<uint8_t> payload(data + 2, data + size);
    const uint8_t* p = payload.empty() ? nullptr : payload.data();
    const uint32_t n = static_cast<uint32_t>(payload.size());
    level1(mc, p, n);
    level2(mc, p, n);
    return 0;
}
