// Case tables for the quote decoders: payloads are assembled byte by byte and
// the decoder's state is read at the byte offsets of its fields (splitter 0,
// cursor 8, remaining 16, item 24), so the tests do not lean on the header.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "trv_api.h"

namespace quote_test {

typedef std::vector<uint8_t> Bytes;

constexpr int kNull = -1;

// One get_next call: the record type and its offset in the payload, or null.
struct Step {
    int type;
    size_t offset;
};

struct Case {
    std::string name;
    uint16_t mc_type;
    Bytes payload;
    bool null_data;
    std::vector<Step> steps;
    uint32_t remaining;  // after the last step
};

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes fill(size_t n, uint8_t v) { return Bytes(n, v); }

inline uint32_t remaining_of(const void* decoder) {
    uint32_t v;
    std::memcpy(&v, static_cast<const unsigned char*>(decoder) + 16, sizeof v);
    return v;
}

template <class Decoder, class Item>
void run_case(const Case& c) {
    SCOPED_TRACE(c.name);
    const uint8_t* base = c.null_data ? nullptr : c.payload.data();
    Decoder d(static_cast<nq::QuoteMCType>(c.mc_type), base, static_cast<uint32_t>(c.payload.size()));
    const unsigned char* item = reinterpret_cast<const unsigned char*>(&d) + 24;
    // Type byte and record pointer as last returned; zero before the first.
    unsigned char last[16] = {0};
    for (size_t i = 0; i < c.steps.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i + 1));
        const Step& s = c.steps[i];
        Item* got = d.get_next();
        if (s.type == kNull) {
            EXPECT_EQ(got, nullptr);
        } else {
            ASSERT_NE(got, nullptr);
            EXPECT_EQ(static_cast<const void*>(got), static_cast<const void*>(item));
            EXPECT_EQ(int(item[0]), s.type);
            const uint8_t* record;
            std::memcpy(&record, item + 8, sizeof record);
            EXPECT_EQ(record, base + s.offset);
            std::memcpy(last, item, sizeof last);
        }
        // A null result leaves the item as the last record returned.
        EXPECT_EQ(item[0], last[0]);
        EXPECT_EQ(std::memcmp(item + 8, last + 8, 8), 0);
    }
    EXPECT_EQ(remaining_of(&d), c.remaining);
}

}  // namespace quote_test
