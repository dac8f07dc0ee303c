#include "api/requests/KApiRequestManager.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "api/messages/ApiBodyHead.h"
#include "api/messages/QueryRequest.h"
#include "api/messages/Request.h"
#include "api/requests/KApiQueryPager.h"
#include "framework/AllocMem.h"
#include "framework/ApiTimerManager.h"
#include "framework/Framework.h"
#include "framework/MutexGuard.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

// The ring's copy of a paged query. Handlers read it after the ring's lock
// is released, so it is freed only when the entry and every lookup result
// that points at it have let go.
class RingQuery : public QueryRequest {
public:
    explicit RingQuery(const QueryRequest& other) : QueryRequest(other), refs(1) {}
    std::atomic<uint32_t> refs;
};

void free_ring_query(QueryRequest* q) {
    RingQuery* r = static_cast<RingQuery*>(q);
    r->~RingQuery();
    std::free(r);
}

request_info_t stale() {
    request_info_t r;
    std::memset(&r, 0, sizeof r);
    r.timed_out = 1;
    return r;
}

}  // namespace

KApiRequestManager::KApiRequestManager(Framework* framework, ApiTimerManager* timers, delay_post_func_t delay_post)
    : mask(kMask), head(0), tail(0), framework_(framework), timers_(timers), delay_post_(delay_post) {
    pthread_mutex_init(&mutex, nullptr);
    for (request_info_t*& s : slots) s = nullptr;
}

KApiRequestManager* KApiRequestManager::create(Framework* framework, ApiTimerManager* timers,
                                               delay_post_func_t delay_post) {
    void* mem = alloc_mem(sizeof(KApiRequestManager), 64);
    return mem ? new (mem) KApiRequestManager(framework, timers, delay_post) : nullptr;
}

bool KApiRequestManager::is_full_no_lock() const { return head - tail + 1 > kMaxOutstanding; }

request_info_t* KApiRequestManager::entry_no_lock(uint64_t seq) const {
    // Numbers never issued, already swept, or whose slot now holds a later
    // request are all stale.
    if (seq < tail || seq >= head) return nullptr;
    request_info_t* e = slots[seq & mask];
    if (e == nullptr || e->request_seq != seq) return nullptr;
    return e;
}

bool KApiRequestManager::is_timeout_no_lock(uint64_t seq) const {
    const request_info_t* e = entry_no_lock(seq);
    return e == nullptr || e->timed_out != 0;
}

bool KApiRequestManager::is_timeout_or_finished_no_lock(uint64_t seq) const {
    return is_timeout_no_lock(seq) || entry_no_lock(seq)->finished != 0;
}

bool KApiRequestManager::set_finished_no_lock(uint64_t seq) {
    if (is_timeout_or_finished_no_lock(seq)) return false;
    entry_no_lock(seq)->finished = 1;
    return true;
}

bool KApiRequestManager::admit_no_lock(unsigned long session_id, Request* request, QueryRequest* copy) {
    if (is_full_no_lock() || timers_ == nullptr) return false;
    request_info_t info;
    std::memset(&info, 0, sizeof info);
    info.session_id = session_id;
    info.request_id = load_le<uint64_t>(request->body_, kRequestIdAt);
    info.request_seq = head;
    info.desire_response = request->desire_response;
    info.request = copy;
    void* data = timers_->create_timer(kTimerQueue, &info, sizeof info);
    if (data == nullptr) return false;
    slots[head & mask] = static_cast<request_info_t*>(data);
    store_le<uint64_t>(request->body_, kRequestSeqAt, head);
    if (copy != nullptr) store_le<uint64_t>(copy->body_, kRequestSeqAt, head);
    ++head;
    return true;
}

bool KApiRequestManager::send_request(unsigned long session_id, Request* request) {
    return send_request(session_id, request, nullptr, nullptr);
}

bool KApiRequestManager::send_request(unsigned long session_id, Request* request, admitted_func_t on_admitted,
                                      void* context) {
    MutexGuard lock(&mutex);
    if (request == nullptr || request->body_ == nullptr) return false;
    store_le<uint64_t>(request->body_, 0, session_id);
    if (!admit_no_lock(session_id, request, nullptr)) return false;
    if (on_admitted != nullptr) on_admitted(context, head - 1);
    framework_->post_message(session_id, request);
    return true;
}

bool KApiRequestManager::delay_send_request(unsigned long session_id, Request* request) {
    MutexGuard lock(&mutex);
    if (request == nullptr || request->body_ == nullptr || delay_post_ == nullptr) return false;
    store_le<uint64_t>(request->body_, 0, session_id);
    if (!admit_no_lock(session_id, request, nullptr)) return false;
    delay_post_(framework_, session_id, request);
    return true;
}

QueryRequest* KApiRequestManager::alloc_query_request(QueryRequest* query) {
    if (query == nullptr) return nullptr;
    return make_object<RingQuery>(static_cast<const QueryRequest&>(*query));
}

bool KApiRequestManager::send_query_request(unsigned long session_id, QueryRequest* query) {
    MutexGuard lock(&mutex);
    if (query == nullptr || query->body_ == nullptr) return false;
    store_le<uint64_t>(query->body_, 0, session_id);
    QueryRequest* copy = alloc_query_request(query);
    if (copy == nullptr) {
        LOG_ERROR("send query request failed, no memory for the copy: { session_id = %lu, table_code = %lu }",
                  session_id, query->status.table_code);
        return false;
    }
    if (!admit_no_lock(session_id, query, copy)) {
        free_ring_query(copy);
        return false;
    }
    KApiQueryPager::query(copy, framework_);
    return true;
}

request_info_t KApiRequestManager::copy_out_no_lock(const request_info_t* entry) {
    request_info_t r = *entry;
    if (r.request != nullptr) static_cast<RingQuery*>(r.request)->refs.fetch_add(1, std::memory_order_relaxed);
    return r;
}

request_info_t KApiRequestManager::on_request_response(uint64_t seq) {
    MutexGuard lock(&mutex);
    if (is_timeout_no_lock(seq)) return stale();
    set_finished_no_lock(seq);
    return copy_out_no_lock(entry_no_lock(seq));
}

request_info_t KApiRequestManager::peek(uint64_t seq) {
    MutexGuard lock(&mutex);
    if (is_timeout_no_lock(seq)) return stale();
    request_info_t r = *entry_no_lock(seq);
    r.request = nullptr;
    return r;
}

request_info_t KApiRequestManager::on_error(uint64_t seq) { return on_request_response(seq); }

request_info_t KApiRequestManager::on_query_data_table_info(uint64_t seq, Framework* framework,
                                                            const nq::api_data_table_info_t* info) {
    MutexGuard lock(&mutex);
    if (is_timeout_no_lock(seq)) return stale();
    request_info_t* e = entry_no_lock(seq);
    if (!e->finished && e->request != nullptr && info != nullptr) {
        KApiQueryPager::on_data_table_info(e->request, framework, info);
        if (e->request->status.is_finished) set_finished_no_lock(seq);
    }
    return copy_out_no_lock(e);
}

request_info_t KApiRequestManager::on_query_response(uint64_t seq, Framework* framework,
                                                     const nq::api_query_response_head_t* page) {
    MutexGuard lock(&mutex);
    if (is_timeout_no_lock(seq)) return stale();
    request_info_t* e = entry_no_lock(seq);
    if (!e->finished && e->request != nullptr && page != nullptr) {
        KApiQueryPager::on_response(e->request, framework, page);
        if (e->request->status.is_finished) set_finished_no_lock(seq);
    }
    return copy_out_no_lock(e);
}

request_info_t KApiRequestManager::on_timeout(request_info_t* info) {
    MutexGuard lock(&mutex);
    if (info == nullptr || info->timed_out) return stale();  // reported once only
    info->timed_out = 1;
    while (tail < head) {
        request_info_t* e = slots[tail & mask];
        if (e == nullptr || !e->timed_out) break;
        slots[tail & mask] = nullptr;
        ++tail;
    }
    // The entry's own reference on the query copy passes to the caller.
    return *info;
}

void KApiRequestManager::release(request_info_t& info) {
    QueryRequest* q = info.request;
    info.request = nullptr;
    if (q == nullptr) return;
    if (static_cast<RingQuery*>(q)->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) free_ring_query(q);
}

}}  // namespace nq::api
