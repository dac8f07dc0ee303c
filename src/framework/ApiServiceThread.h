// Named service thread with a process-wide registry.
#pragma once
#include <pthread.h>
#include <atomic>

namespace nq { namespace api {

class ApiServiceThread {
public:
    explicit ApiServiceThread(const char* name);
    // Leaves the registry. The owner destroys a thread object only once
    // is_alive() is false (or it was never started).
    virtual ~ApiServiceThread();
    virtual void work_proc() = 0;

    // Starts the thread and returns once it has stored its tid. False when the
    // thread is still running (stopping included) or cannot be created. The
    // caller sleeps until the new thread wakes it, instead of polling every
    // microsecond: a poller under SCHED_FIFO on the only core that the new
    // thread may use would never let it run.
    bool start();
    void stop();
    bool continue_work() const;
    // False once the thread has made its last access to this object.
    bool is_alive() const;
    void rebind_cpu_core(int core);
    void bind_cpu_core() const;
    const char* name() const { return name_; }

    // Starts every registered thread; one still stopping is awaited first.
    static void start_service();
    static void stop_service();

    std::atomic<int> tid_;
    pthread_t handle_;
    char* name_;
    std::atomic<unsigned char> stop_;
    std::atomic<int> bound_core_;
    ApiServiceThread* next_;
    std::atomic<bool> alive_;

    static ApiServiceThread* head_;
    static pthread_mutex_t os_mutex_;

private:
    static void* thread_main(void* arg);
    void apply_binding() const;
};

}}  // namespace nq::api
