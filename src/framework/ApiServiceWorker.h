// Service thread fed by an urgent and a normal task queue of message copies.
#pragma once
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
    // owner into header bytes 48..55 (set_copy_owner); the worker then leaves
    // the copy alone.
    virtual void do_one_task(Message* msg) = 0;

    bool initialize();
    void add_task(const Message* msg);
    void add_urgent_task(const Message* msg);
    // Contiguous copy of the frame (length from header word 8); null when the
    // length is below 64 or memory runs out.
    static unsigned char* dup_message(const Message* msg);
    static void free_message(unsigned char* copy);

    static constexpr unsigned kOwnerOffset = 48;
    static constexpr unsigned long kQueueSlots = 1ul << 20;
    static void* copy_owner(const unsigned char* copy);
    static void set_copy_owner(unsigned char* copy, const void* owner);

    ApiTaskQueue* normal_queue_;
    ApiTaskQueue* urgent_queue_;

private:
    void queue_copy(ApiTaskQueue* queue, const Message* msg);
};

}}
