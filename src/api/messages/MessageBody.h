// MessageBody<N>: the layout of the body of service code N, as its handler
// reads it. The primary template has no definition: each code's layout is
// given by a specialisation next to the handling code. The two bodies shared
// by every request family are defined here.
#pragma once
#include <cstddef>
#include <cstdint>

#include "api/messages/ApiBodyHead.h"
#include "api/messages/ApiDataTableInfo.h"
#include "api/messages/ApiErrorBody.h"
#include "api/messages/ServiceCode.h"
#include "framework/Message.h"

namespace nq {

template <uint32_t N>
struct MessageBody;

// 1029: error answer to a tracked request.
template <>
struct __attribute__((packed)) MessageBody<API_ERR_RSP> : api::api_error_body_t {};

// 1042: data-table information of a paged query.
template <>
struct __attribute__((packed)) MessageBody<DATA_TABLE_INFO_RSP> {
    api::api_body_head_t head;
    api_data_table_info_t info;
};

static_assert(sizeof(MessageBody<API_ERR_RSP>) == body_length(API_ERR_RSP), "1029 body");
static_assert(sizeof(MessageBody<DATA_TABLE_INFO_RSP>) == body_length(DATA_TABLE_INFO_RSP), "1042 body");
static_assert(offsetof(MessageBody<DATA_TABLE_INFO_RSP>, info) == 57, "1042 body layout");

// The body of a received message viewed as the layout of code N, or null when
// the frame is too short to hold that layout.
template <uint32_t N>
inline const MessageBody<N>* message_body(const Message& message) {
    if (message.header_ == nullptr || message.body_ == nullptr) return nullptr;
    uint32_t length = frame_length(message.header_);
    if (length < kFrameHeaderSize || length - kFrameHeaderSize < sizeof(MessageBody<N>)) return nullptr;
    return reinterpret_cast<const MessageBody<N>*>(message.body_);
}

}  // namespace nq
