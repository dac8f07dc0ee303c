// Where a UDP receiver hands every payload it receives.
#pragma once
#include <cstddef>
#include <cstdint>

namespace nq { namespace api {

class IUdpDataSink {
public:
    virtual ~IUdpDataSink() {}
    // Runs on the receiver thread. data points into the receiver's buffer and
    // is valid only during the call.
    virtual void on_data(uint16_t msg_type, const void* data, size_t len) = 0;
};

}}  // namespace nq::api
