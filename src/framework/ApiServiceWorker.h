// Service thread fed by an urgent and a normal task queue of message copies.
#pragma once
#include "framework/ApiServiceThread.h"
#include "framework/ApiTaskQueue.h"
#include "framework/Message.h"

namespace nq { namespace api {

class ApiServiceWorker : public ApiServiceThread {
public:
    explicit ApiServiceWorker(const char* name);
    ~ApiServiceWorker() override;
    void work_proc() override;
    virtual unsigned char* get_first_task();
    virtual void do_one_task(Message* msg) = 0;

    bool initialize();
    void add_task(const Message* msg);
    void add_urgent_task(const Message* msg);
    static unsigned char* dup_message(const Message* msg);
    static void free_message(unsigned char* copy);

    ApiTaskQueue* normal_queue_;
    ApiTaskQueue* urgent_queue_;
};

}}
