// Service thread fed by an urgent and a normal task queue of message copies.
#pragma once
#include <atomic>
#include <cstdint>

#include "framework/ApiServiceThread.h"
#include "framework/ApiTaskQueue.h"
#include "framework/Message.h"

namespace nq { namespace api {

class ApiServiceWorker : public ApiServiceThread {
public:
    explicit ApiServiceWorker(const char* name);
    // Frees the queues and the copies still queued on them.
    ~ApiServiceWorker() override;
    void work_proc() override;
    virtual unsigned char* get_first_task();
    // A task that keeps the copy beyond the call must first write another
    // owner into the header's owner word (set_copy_owner); the worker then
    // leaves the copy alone.
    virtual void do_one_task(Message* msg) = 0;

    bool initialize();
    void add_task(const Message* msg);
    void add_urgent_task(const Message* msg);
    // Contiguous copy of the frame (length from header word 8); null when the
    // length is below 64 or memory runs out.
    static unsigned char* dup_message(const Message* msg);
    static void free_message(unsigned char* copy);
    // A zero-filled block for a copy of `length` bytes that add_copy queues
    // (the same allocation dup_message makes); null without memory.
    static unsigned char* alloc_copy(unsigned long length);
    // Queues a copy made by alloc_copy and filled by the caller, on the
    // normal queue; the worker frees it after its task.
    void add_copy(unsigned char* copy);

    static constexpr unsigned long kQueueSlots = 1ul << 20;
    static void* copy_owner(const unsigned char* copy);
    static void set_copy_owner(unsigned char* copy, const void* owner);

    // Ends the worker's idle sleep early when it is asleep; costs one atomic
    // exchange and no system call when it is awake. Called by producers that
    // want the task they just queued handled at once (the receiver thread for
    // the handler workers); others leave the worker to its next poll.
    void wake();

    // Idle behaviour: after a task the worker polls its queues for this long
    // before it sleeps, so that a burst is handled without a sleep between
    // frames; an idle worker sleeps at most kIdleSleepNs per poll.
    static constexpr long kSpinAfterTaskNs = 50000;
    static constexpr long kIdleSleepNs = 100000;

    ApiTaskQueue* normal_queue_;
    ApiTaskQueue* urgent_queue_;

private:
    void queue_copy(ApiTaskQueue* queue, const Message* msg);
    bool queues_empty() const;
    void idle_sleep();

    // 1 while the worker sleeps (futex word). On a cache line of its own:
    // the producers that wake the worker write it once per task. The pads
    // are never read; they only keep other fields off that line (alignas
    // would need every allocation of a worker to be 64-byte aligned).
    [[maybe_unused]] char pad_before_sleeping_[64];
    std::atomic<uint32_t> sleeping_;
    [[maybe_unused]] char pad_after_sleeping_[60];
};

}}  // namespace nq::api
