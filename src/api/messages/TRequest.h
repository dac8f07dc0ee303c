// A tracked request of code REQ answered by RSP, holding its 64-byte frame
// header and its body in place, packed, directly after desire_response.
#pragma once
#include <cstdint>
#include <cstring>

#include "api/messages/ApiBodyHead.h"
#include "api/messages/Request.h"
#include "api/messages/ServiceCode.h"
#include "framework/Message.h"

namespace nq { namespace api {

template <uint32_t REQ, uint32_t RSP>
class TRequest : public Request {
public:
    static constexpr uint32_t kBodyLength = body_length(REQ);
    static constexpr uint32_t kFrameLength = kFrameHeaderSize + kBodyLength;
    static_assert(kBodyLength >= sizeof(api_body_head_t), "a request body starts with the common head");
    static_assert(REQ <= kMaxServiceCode && RSP <= kMaxServiceCode, "14-bit service codes");

    // Zeroed frame with the code-and-length word of REQ already written.
    TRequest() : Request(RSP) {
        std::memset(&storage_, 0, sizeof(storage_));
        point_at_storage();
        set_frame_code_length(header_, REQ, kFrameLength);
    }
    // A copy is a complete message of its own: its pointers lead to its own storage.
    TRequest(const TRequest& other) : Request(other) {
        std::memcpy(&storage_, &other.storage_, sizeof(storage_));
        point_at_storage();
    }
    TRequest& operator=(const TRequest& other) {
        desire_response = other.desire_response;
        std::memmove(&storage_, &other.storage_, sizeof(storage_));
        point_at_storage();
        return *this;
    }

    api_body_head_t* head() { return reinterpret_cast<api_body_head_t*>(storage_.body); }
    unsigned char* body() { return storage_.body; }

private:
    void point_at_storage() {
        header_ = &storage_.header;
        body_ = storage_.body;
        frame_ = reinterpret_cast<unsigned char*>(&storage_);
    }

    struct __attribute__((packed)) Storage {
        MessageHeader header;
        unsigned char body[kBodyLength];
    } storage_;
    static_assert(sizeof(Storage) == kFrameLength, "header and body are stored back to back");
};

}}  // namespace nq::api
