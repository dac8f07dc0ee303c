// The process-wide request ring: gives every tracked request a sequence
// number (written at body bytes 16-23), arms its request-timeout timer on
// queue 1 and lets the handlers complete it by that number. At most 65535
// requests are outstanding; a request leaves the ring when its timer fires.
#pragma once
#include <pthread.h>

#include <cstdint>

#include "api/messages/RequestInfo.h"

namespace nq {

struct Message;
struct api_data_table_info_t;
struct api_query_response_head_t;

namespace api {

class ApiTimerManager;
class Framework;
class QueryRequest;
class Request;

class KApiRequestManager {
public:
    static constexpr uint64_t kMask = 0xffff;
    static constexpr uint64_t kSlotCount = kMask + 1;
    static constexpr uint64_t kMaxOutstanding = 0xffff;
    static constexpr unsigned long kTimerQueue = 1;

    // Posts a message on a session 500 ms later (the framework's delay sender).
    typedef void (*delay_post_func_t)(Framework* framework, unsigned long session_id, Message* message);

    KApiRequestManager(Framework* framework, ApiTimerManager* timers, delay_post_func_t delay_post);
    // Zero-filled, 64-byte aligned block, never freed; null without memory.
    static KApiRequestManager* create(Framework* framework, ApiTimerManager* timers, delay_post_func_t delay_post);

    // Called under the ring's lock once a request is admitted and before it
    // is posted, with its sequence number: lets the caller store what an
    // answer will look for before the answer can arrive.
    typedef void (*admitted_func_t)(void* context, uint64_t seq);

    bool send_request(unsigned long session_id, Request* request);
    bool send_request(unsigned long session_id, Request* request, admitted_func_t on_admitted, void* context);
    bool delay_send_request(unsigned long session_id, Request* request);
    bool send_query_request(unsigned long session_id, QueryRequest* query);
    QueryRequest* alloc_query_request(QueryRequest* query);

    // Lookups. A result with `request` set holds a reference on the ring's
    // query copy: the caller hands it back with release() once it no longer
    // reads the query (timeouts included).
    request_info_t on_request_response(uint64_t seq);
    // A copy of the entry (without its query), or the stale result; changes
    // nothing.
    request_info_t peek(uint64_t seq);
    request_info_t on_error(uint64_t seq);
    request_info_t on_query_data_table_info(uint64_t seq, Framework* framework, const nq::api_data_table_info_t* info);
    request_info_t on_query_response(uint64_t seq, Framework* framework, const nq::api_query_response_head_t* head);
    // Called with the entry inside the firing timer.
    request_info_t on_timeout(request_info_t* info);
    static void release(request_info_t& info);

    bool is_full_no_lock() const;
    bool is_timeout_no_lock(uint64_t seq) const;
    bool is_timeout_or_finished_no_lock(uint64_t seq) const;
    bool set_finished_no_lock(uint64_t seq);

    Framework* framework() const { return framework_; }

    alignas(64) uint64_t mask;
    alignas(64) uint64_t head;
    alignas(64) uint64_t tail;
    pthread_mutex_t mutex;
    request_info_t* slots[kSlotCount];

private:
    bool admit_no_lock(unsigned long session_id, Request* request, QueryRequest* copy);
    request_info_t* entry_no_lock(uint64_t seq) const;
    request_info_t copy_out_no_lock(const request_info_t* entry);

    Framework* framework_;
    ApiTimerManager* timers_;
    delay_post_func_t delay_post_;
};

}  // namespace api
}  // namespace nq
