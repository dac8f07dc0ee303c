// Fixed-interval timer queues. A timer is appended to its queue with a copy of
// up to 64 bytes of user data, fires once (ServiceProvider::on_timer on the
// "timer" thread) when the cached monotonic clock (ApiLocalTime::mono_ms)
// reaches its creation time plus the queue's interval, and is then recycled
// by "timer_recycle". The wall clock plays no part: a step of the host's
// clock neither fires a timer early nor holds it back. Timers cannot be
// cancelled: a user that no longer needs one ignores it when it fires.
//
// Appending to a queue takes no lock: creators link their node at the tail
// with one atomic exchange, so threads that arm timers at once (every order
// arms one) never wait for each other. The mutex guards the free list and
// recycling only; a creator that holds a node already (take_node) arms its
// timer without it. A creator held up between reading the clock and linking
// its node may end up behind a timer armed after it by another thread; the
// firing round stops at the first timer not yet due, so such a timer fires
// with the one before it: late by no more than the hold-up, never early.
#pragma once
#include <pthread.h>
#include <atomic>
#include <cstdint>

namespace nq { namespace api {

class ServiceProvider;
class TimerCheckThread;
class TimerRecycleThread;

class ApiTimerManager {
public:
    static constexpr unsigned long kQueueCount = 8;
    static constexpr unsigned long kMaxUserData = 64;

    // Nodes are allocated once and reused, never freed. The creator fills a
    // node completely before linking it (release); the firing thread only
    // writes due_ (0 = fired, release); the recycler takes only fired nodes.
    struct timer_node_t {
        std::atomic<uint64_t> queue_id_;  // 0 once recycled
        std::atomic<uint64_t> due_;       // monotonic ms (ApiLocalTime::mono_ms); 0 once fired
        unsigned char data_[kMaxUserData];
        std::atomic<timer_node_t*> next_;
    };

    // A slot is published by its id (release) after interval and list are set,
    // so the firing thread may pick it up while it runs. Creators swap
    // themselves in as the tail and then link behind the node they replaced
    // (or make themselves the head of an empty list); the recycler unlinks
    // fired nodes from the head and takes the last node only when no creator
    // has swapped in behind it.
    struct timer_queue_t {
        std::atomic<uint64_t> id_;  // 0 = slot unused
        uint64_t interval_ms_;
        std::atomic<timer_node_t*> head_;
        std::atomic<timer_node_t*> tail_;
    };

    explicit ApiTimerManager(ServiceProvider* provider);

    // Constructs (does not start) the threads "timer" and "timer_recycle";
    // false when either cannot be allocated.
    bool initialize();

    // Claims the first unused slot for id (non-zero, distinct ids expected);
    // false when all 8 slots are in use or id is 0.
    bool create_timer_queue(unsigned long id, unsigned long interval_ms);

    // Appends a timer due at the monotonic clock plus the queue's interval and
    // returns the address of the node's copy of data (valid for its creator
    // until the timer fires), or null: invalid data, size above 64, unknown
    // queue id (0 included), no memory. The clock is read at the call, not
    // taken from the cache, which lags while its refresh thread waits for a
    // processor: a timer never fires before its interval has passed.
    void* create_timer(unsigned long queue_id, void* data, unsigned long size);

    // A node for a later create_timer_on, taken in advance (the free list's
    // head, else a new node; under the mutex); null without memory. It is the
    // caller's until it is armed.
    timer_node_t* take_node();
    // create_timer with a node from take_node, without any lock. Null (the
    // node stays the caller's) on the same refusals as create_timer.
    void* create_timer_on(timer_node_t* node, unsigned long queue_id, const void* data, unsigned long size);

    // One round of the "timer" thread: fires the due timers of every queue.
    void check_timer_proc();
    void check_timer(timer_queue_t* queue);

    // One round of the "timer_recycle" thread (without the clock refresh):
    // returns the fired timers of every queue to the free list.
    void recycle_timer_proc();
    void recycle_timer(timer_queue_t* queue);

    timer_queue_t queues_[kQueueCount];
    timer_node_t* free_list_;  // only under the mutex
    ServiceProvider* provider_;
    pthread_mutex_t mutex_;
    TimerCheckThread* check_thread_;
    TimerRecycleThread* recycle_thread_;

    // The free list's head, else a new node; null when memory runs out.
    // Caller holds the mutex.
    timer_node_t* alloc_timer();

private:
    timer_queue_t* find_queue(unsigned long id);
    bool check_user_data(unsigned long queue_id, const void* data, unsigned long size) const;
    void* append(timer_queue_t* queue, timer_node_t* node, const void* data, unsigned long size);
};

}}  // namespace nq::api
