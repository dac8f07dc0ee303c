#include "framework/ApiTimerManager.h"

#include <cstring>
#include <new>

#include "framework/AllocMem.h"
#include "framework/ApiLocalTime.h"
#include "framework/MutexGuard.h"
#include "framework/ServiceProvider.h"
#include "framework/TimerCheckThread.h"
#include "framework/TimerRecycleThread.h"
#include "log/Log.h"

namespace nq { namespace api {

ApiTimerManager::ApiTimerManager(ServiceProvider* provider)
    : free_list_(nullptr), provider_(provider), check_thread_(nullptr), recycle_thread_(nullptr) {
    for (timer_queue_t& q : queues_) {
        q.id_.store(0, std::memory_order_relaxed);
        q.interval_ms_ = 0;
        q.head_.store(nullptr, std::memory_order_relaxed);
        q.tail_.store(nullptr, std::memory_order_relaxed);
    }
    pthread_mutex_init(&mutex_, nullptr);
}

bool ApiTimerManager::initialize() {
    check_thread_ = make_object<TimerCheckThread>(this);
    if (!check_thread_) return false;
    recycle_thread_ = make_object<TimerRecycleThread>(this);
    if (recycle_thread_ == nullptr) {
        // Not started yet: out of the registry, so that starting the service
        // threads never runs a timer thread of a manager nobody uses.
        free_object(check_thread_);
        check_thread_ = nullptr;
        return false;
    }
    return true;
}

bool ApiTimerManager::create_timer_queue(unsigned long id, unsigned long interval_ms) {
    // Id 0 marks an unused slot; a queue under it could never be found.
    if (id == 0) return false;
    MutexGuard lock(&mutex_);
    for (timer_queue_t& q : queues_) {
        if (q.id_.load(std::memory_order_relaxed) != 0) continue;
        q.interval_ms_ = interval_ms;
        q.head_.store(nullptr, std::memory_order_relaxed);
        q.tail_.store(nullptr, std::memory_order_relaxed);
        // "timer" may already be scanning the slots: the id goes last.
        q.id_.store(id, std::memory_order_release);
        return true;
    }
    return false;
}

ApiTimerManager::timer_queue_t* ApiTimerManager::find_queue(unsigned long id) {
    if (id == 0) return nullptr;  // would match an unused slot
    for (timer_queue_t& q : queues_) {
        if (q.id_.load(std::memory_order_acquire) == id) return &q;
    }
    return nullptr;
}

ApiTimerManager::timer_node_t* ApiTimerManager::alloc_timer() {
    timer_node_t* node = free_list_;
    if (node) {
        free_list_ = node->next_.load(std::memory_order_relaxed);
        return node;
    }
    void* mem = alloc_mem(sizeof(timer_node_t), 16);
    return mem ? new (mem) timer_node_t() : nullptr;
}

bool ApiTimerManager::check_user_data(unsigned long queue_id, const void* data, unsigned long size) const {
    if (data == nullptr || size == 0) {
        LOG_ERROR("create timer failed, invalid user_data: { queue_id = %lu, user_data = %p, size = %lu }", queue_id,
                  data, size);
        return false;
    }
    if (size > kMaxUserData) {
        LOG_ERROR("create timer failed, user_data_size too large: { queue_id = %lu, size = %lu, max = %lu }", queue_id,
                  size, kMaxUserData);
        return false;
    }
    return true;
}

ApiTimerManager::timer_node_t* ApiTimerManager::take_node() {
    MutexGuard lock(&mutex_);
    return alloc_timer();
}

void* ApiTimerManager::create_timer(unsigned long queue_id, void* data, unsigned long size) {
    if (!check_user_data(queue_id, data, size)) return nullptr;
    timer_queue_t* q = find_queue(queue_id);
    if (!q) return nullptr;
    timer_node_t* node = take_node();
    if (!node) return nullptr;
    return append(q, node, data, size);
}

void* ApiTimerManager::create_timer_on(timer_node_t* node, unsigned long queue_id, const void* data,
                                       unsigned long size) {
    if (node == nullptr || !check_user_data(queue_id, data, size)) return nullptr;
    timer_queue_t* q = find_queue(queue_id);
    if (!q) return nullptr;
    return append(q, node, data, size);
}

void* ApiTimerManager::append(timer_queue_t* q, timer_node_t* node, const void* data, unsigned long size) {
    std::memcpy(node->data_, data, size);
    // No bytes of an earlier timer stay behind the copy.
    std::memset(node->data_ + size, 0, kMaxUserData - size);
    node->next_.store(nullptr, std::memory_order_relaxed);
    node->queue_id_.store(q->id_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    // On the monotonic clock: a step of the wall clock neither fires the
    // timer early nor holds it back. Read now rather than from the cache,
    // which may lag behind: the timer never fires before its interval.
    uint64_t due = ApiLocalTime::mono_ms_now() + q->interval_ms_;
    if (due == 0) due = 1;  // 0 means fired
    // Release: whoever sees this due time also sees the node's other fields.
    node->due_.store(due, std::memory_order_release);
    // From the exchange on the node is the tail; it becomes reachable (and
    // the nodes that creators link behind it with it) once it is linked.
    timer_node_t* prev = q->tail_.exchange(node, std::memory_order_acq_rel);
    if (prev)
        prev->next_.store(node, std::memory_order_release);
    else
        q->head_.store(node, std::memory_order_release);
    return node->data_;
}

void ApiTimerManager::check_timer_proc() {
    for (timer_queue_t& q : queues_) {
        if (q.id_.load(std::memory_order_acquire) != 0) check_timer(&q);
    }
}

void ApiTimerManager::check_timer(timer_queue_t* q) {
    const uint64_t qid = q->id_.load(std::memory_order_acquire);
    if (qid == 0) return;
    timer_node_t* node = q->head_.load(std::memory_order_acquire);
    if (!node) return;
    // The due time first: a node seen pending here that was reused since it
    // was read as head shows its new queue id, as the creator set that before
    // the due time.
    uint64_t due = node->due_.load(std::memory_order_acquire);
    if (due == 0) return;  // fired, waiting for recycling
    if (node->queue_id_.load(std::memory_order_relaxed) != qid) return;
    const uint64_t now = ApiLocalTime::mono_ms();
    while (due != 0 && due <= now) {
        // Read the link before marking the node fired: from then on the
        // recycler may take the node.
        timer_node_t* next = node->next_.load(std::memory_order_acquire);
        if (provider_) provider_->on_timer(qid, node->data_);
        node->due_.store(0, std::memory_order_release);
        if (!next) break;
        node = next;
        due = node->due_.load(std::memory_order_acquire);
    }
}

void ApiTimerManager::recycle_timer_proc() {
    for (timer_queue_t& q : queues_) {
        if (q.id_.load(std::memory_order_acquire) != 0) recycle_timer(&q);
    }
}

void ApiTimerManager::recycle_timer(timer_queue_t* q) {
    MutexGuard lock(&mutex_);
    timer_node_t* node = q->head_.load(std::memory_order_acquire);
    // Acquire pairs with the firing thread's store of 0: its use of the data
    // is over before the node is reused.
    while (node && node->due_.load(std::memory_order_acquire) == 0) {
        timer_node_t* next = node->next_.load(std::memory_order_acquire);
        if (next == nullptr) {
            // Seemingly the last node: it goes only if it still is the tail.
            // Otherwise a creator has swapped in behind it and is about to
            // link; the node waits for the next round.
            timer_node_t* last = node;
            if (!q->tail_.compare_exchange_strong(last, nullptr, std::memory_order_acq_rel)) break;
            // The list is empty now; a creator that has meanwhile made its
            // node the head keeps it there.
            timer_node_t* head = node;
            q->head_.compare_exchange_strong(head, nullptr, std::memory_order_acq_rel);
        } else {
            q->head_.store(next, std::memory_order_release);
        }
        node->queue_id_.store(0, std::memory_order_relaxed);
        node->next_.store(free_list_, std::memory_order_relaxed);
        free_list_ = node;
        if (next == nullptr) break;
        node = next;
    }
}

}}  // namespace nq::api
