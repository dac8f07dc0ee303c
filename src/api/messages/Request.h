// Base of every request built before it is handed to the request ring: a
// message view (header, body, contiguous frame) plus the service code of the
// answer it waits for.
#pragma once
#include <cstdint>

#include "framework/Message.h"

namespace nq { namespace api {

class Request : public nq::Message {
public:
    explicit Request(uint32_t desire_response = 0)
        : nq::Message{nullptr, nullptr, nullptr}, desire_response(desire_response) {}
    virtual ~Request() {}

    // Service code of the answer; the ring keeps it in the tracking record
    // and the answer's handler is found by it.
    uint32_t desire_response;

protected:
    Request(const Request&) = default;
    Request& operator=(const Request&) = default;
};

}}  // namespace nq::api
