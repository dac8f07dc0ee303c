// Layout shared by every pushed trade message: a 17-byte descriptor, then
// the record of its code; the reports carry their id and order id at fixed
// places.
#pragma once
#include <cstdint>

namespace nq { namespace api {

struct PushedBody {
    static constexpr uint32_t kDescSize = 17;         // trv_msg_desc_t
    static constexpr uint32_t kIsRebuildOffset = 16;  // bool in the descriptor
    static constexpr uint32_t kReportIdOffset = 18;   // 32 bytes, binary
    static constexpr uint32_t kXidOffset = 50;
};

}}  // namespace nq::api
