// Named service thread with a process-wide registry.
#pragma once
#include <pthread.h>
#include <atomic>

namespace nq { namespace api {

class ApiServiceThread {
public:
    explicit ApiServiceThread(const char* name);
    virtual ~ApiServiceThread();
    virtual void work_proc() = 0;

    bool start();
    void stop();
    bool continue_work() const;
    bool is_alive() const;
    void rebind_cpu_core(int core);
    void bind_cpu_core() const;
    const char* name() const { return name_; }

    static void start_service();
    static void stop_service();

    int tid_;
    pthread_t handle_;
    char* name_;
    volatile unsigned char stop_;
    int bound_core_;
    ApiServiceThread* next_;

    static ApiServiceThread* head_;
    static pthread_mutex_t os_mutex_;
};

}}
