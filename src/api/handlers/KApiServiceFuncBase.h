// Base of every handler of the trading API: the error, timeout and page
// operations that the request paths call on the handler of an answer code,
// and the checks every handler makes before it reads what the peer sent.
#pragma once
#include <cstdint>

#include "api/messages/RequestInfo.h"
#include "api/provider/KApiSession.h"
#include "api/provider/TApiServiceFunc.h"
#include "framework/Message.h"
#include "trv_api.h"

namespace nq { namespace api {

struct KApiDataList;
class KApiRequestManager;

class KApiServiceFuncBase : public TApiServiceFunc<2ul> {
public:
    explicit KApiServiceFuncBase(uint32_t service_code) : TApiServiceFunc<2ul>(service_code) {}

    // Error reply (1029) to a request that awaited this code; `message` is the
    // 1029 message.
    virtual void error_func(KApiSession* session, nq::Message* message, request_info_t* info);
    // The request that awaited this code timed out; `error` is 311 "timeout".
    virtual void timeout_func(KApiSession* session, request_info_t* info, nq::trv_error_info_t* error);
    // One page of rows of a paged query answered by this code.
    virtual void query_call_back(KApiSession* session, uint64_t request_id, const KApiDataList* list,
                                 const request_info_t* info);

    // Body bytes of a message copy (its frame length less the header); 0 for a
    // frame shorter than its header.
    static uint32_t body_size(const nq::Message* message);
    // True when the body holds at least `need` bytes; otherwise logs the drop
    // at WARN and returns false.
    static bool check_body(const nq::Message* message, uint64_t need);
    // True when `count` items of `item_size` bytes, each at least `min_item`
    // bytes, lie inside a body of `body_size` bytes after its head of
    // `head_size`; no items always fit.
    static bool items_fit(uint64_t count, uint64_t item_size, uint64_t min_item, uint64_t head_size,
                          uint64_t body_size) {
        return count == 0 ||
               (item_size >= min_item && head_size <= body_size && count * item_size <= body_size - head_size);
    }
    // The error record of an error reply (1029 body offset 61) copied with its
    // text terminated; false (and `out` zeroed) when the body is too short.
    static bool error_of(const nq::Message* message, nq::trv_error_info_t* out);
    // A copy of an error record as it lies in a body, with its text
    // terminated.
    static void copy_error(const unsigned char* record, nq::trv_error_info_t* out);

protected:
    // The session named in the frame header with a reference taken, or null
    // when it is closed (KApiMessageIO::acquire_api_session); the caller
    // releases it (ApiSessionGuard).
    ApiSession<2ul>* acquire_session(const nq::Message* message) const;
    KApiRequestManager* request_manager() const;
    // True while request `seq`, sent on `session_id`, still awaits its
    // answer: neither finished by an earlier answer or error reply nor timed
    // out. A repeated answer must not reach the user a second time, nor an
    // answer on another session complete this one's request.
    static bool request_open(KApiRequestManager* ring, uint64_t seq, uint64_t session_id);
};

}}  // namespace nq::api
