#include "framework/ApiServiceThread.h"

#include <errno.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "framework/WordWait.h"
#include "log/Log.h"

namespace nq { namespace api {

ApiServiceThread* ApiServiceThread::head_ = nullptr;
pthread_mutex_t ApiServiceThread::os_mutex_ = PTHREAD_MUTEX_INITIALIZER;

namespace {

// Serialises the end of a thread against binding it from outside, so that a
// binding never uses the handle of a thread that has already ended. Static,
// because the object may be destroyed as soon as the thread has ended.
pthread_mutex_t g_life_mutex = PTHREAD_MUTEX_INITIALIZER;

constexpr int kCpuSetSize = 1024;
constexpr int kRealtimePriority = 60;
constexpr int kUnboundPriority = 21;

long current_tid() { return static_cast<long>(syscall(SYS_gettid)); }

void sleep_ns(long ns) {
    timespec ts{0, ns};
    nanosleep(&ts, nullptr);
}

}  // namespace

ApiServiceThread::ApiServiceThread(const char* name)
    : tid_(0), handle_(0), name_(name != nullptr ? strdup(name) : nullptr), stop_(1), bound_core_(-1), next_(nullptr),
      alive_(false) {
    pthread_mutex_lock(&os_mutex_);
    next_ = head_;
    head_ = this;
    pthread_mutex_unlock(&os_mutex_);
}

ApiServiceThread::~ApiServiceThread() {
    pthread_mutex_lock(&os_mutex_);
    for (ApiServiceThread** p = &head_; *p != nullptr; p = &(*p)->next_) {
        if (*p == this) {
            *p = next_;
            break;
        }
    }
    pthread_mutex_unlock(&os_mutex_);
    if (alive_.load()) LOG_ERROR("service thread destroyed while running: { name = %s }", name_);
    std::free(name_);
}

bool ApiServiceThread::start() {
    pthread_mutex_lock(&g_life_mutex);
    if (alive_.load()) {
        pthread_mutex_unlock(&g_life_mutex);
        return false;
    }
    // Cleared before the thread counts as alive: a stop() by anyone who saw it
    // alive comes later and is kept.
    stop_.store(0);
    // Cleared so that the wait below sees this run's tid, not the last one's.
    tid_.store(0);
    alive_.store(true);
    pthread_mutex_unlock(&g_life_mutex);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t th;
    const int rc = pthread_create(&th, &attr, &ApiServiceThread::thread_main, this);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        LOG_ERROR("create service thread fail: { name = %s, os_err_code = %d }", name_, rc);
        alive_.store(false);
        return false;
    }
    // Blocks until the new thread has stored its tid: the caller may run
    // under SCHED_FIFO on the only core the new thread may use, so a wait
    // that polls would keep that thread from ever running.
    while (tid_.load() == 0) wait_word_change(tid_, 0);
    return true;
}

void* ApiServiceThread::thread_main(void* arg) {
    auto* self = static_cast<ApiServiceThread*>(arg);
    self->handle_ = pthread_self();
    const long tid = current_tid();
    self->tid_.store(static_cast<int>(tid));
    // The starter may not have run since it created this thread: *self stays
    // valid until this thread ends, so the wake may follow the store.
    wake_word_waiters(self->tid_);
    self->bind_cpu_core();
    // The idle sleeps of the service loops are short (100 µs); the default
    // timer slack of 50 µs would stretch each by half.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    if (self->name_ != nullptr && self->name_[0] != '\0') {
        char sys_name[16];  // the kernel keeps 15 characters
        std::strncpy(sys_name, self->name_, sizeof(sys_name) - 1);
        sys_name[sizeof(sys_name) - 1] = '\0';
        pthread_setname_np(pthread_self(), sys_name);
    }
    LOG_INFO("start work: { name = %s, tid = %ld }", self->name_, tid);
    self->work_proc();
    LOG_INFO("stop work: { name = %s, tid = %ld }", self->name_, tid);
    pthread_mutex_lock(&g_life_mutex);
    self->alive_.store(false);  // last access to *self
    pthread_mutex_unlock(&g_life_mutex);
    return nullptr;
}

void ApiServiceThread::stop() { stop_.store(1); }

bool ApiServiceThread::continue_work() const { return stop_.load(std::memory_order_relaxed) == 0; }

bool ApiServiceThread::is_alive() const { return alive_.load(); }

void ApiServiceThread::rebind_cpu_core(int core) {
    bound_core_.store(core);
    // A thread that is just starting binds itself after storing its tid, and
    // reads the core only then, so one of the two bindings sees the new core.
    bind_cpu_core();
}

void ApiServiceThread::bind_cpu_core() const {
    pthread_mutex_lock(&g_life_mutex);
    if (alive_.load() && tid_.load() != 0) apply_binding();
    pthread_mutex_unlock(&g_life_mutex);
}

void ApiServiceThread::apply_binding() const {
    const int core = bound_core_.load();
    const int tid = tid_.load();
    cpu_set_t* set = CPU_ALLOC(kCpuSetSize);
    if (set == nullptr) return;
    const size_t set_size = CPU_ALLOC_SIZE(kCpuSetSize);
    CPU_ZERO_S(set_size, set);
    sched_param param{};
    if (core == -1) {
        if (sched_getaffinity(1, set_size, set) != 0) CPU_ZERO_S(set_size, set);
        // Linux takes only priority 0 with SCHED_OTHER, so this request is
        // refused and an unbound thread keeps the policy it inherited.
        param.sched_priority = kUnboundPriority;
        sched_setscheduler(tid, SCHED_OTHER, &param);
    } else {
        if (core >= 0 && core < kCpuSetSize) CPU_SET_S(core, set_size, set);
        param.sched_priority = kRealtimePriority;
        sched_setscheduler(tid, SCHED_FIFO, &param);
    }
    const int rc = pthread_setaffinity_np(handle_, set_size, set);
    CPU_FREE(set);
    if (rc == 0) {
        LOG_INFO("bind cpu core ok: { core = %d }", core);
    } else {
        char buf[128];
        const char* msg = strerror_r(rc, buf, sizeof(buf));
        (void)msg;
        LOG_WARN("bind cpu core fail: { core = %d, os_err_msg = %s }", core, msg);
    }
}

void ApiServiceThread::start_service() {
    // Walked under the mutex: service threads are created and destroyed while
    // the process runs. start() does not need the mutex; a stopping thread
    // ends without it.
    pthread_mutex_lock(&os_mutex_);
    for (ApiServiceThread* t = head_; t != nullptr; t = t->next_) {
        // A thread asked to stop whose body has not returned yet would refuse
        // the start: wait for its end so that it runs again.
        while (t->alive_.load() && t->stop_.load() != 0) sleep_ns(100000);
        t->start();
    }
    pthread_mutex_unlock(&os_mutex_);
}

void ApiServiceThread::stop_service() {
    pthread_mutex_lock(&os_mutex_);
    for (ApiServiceThread* t = head_; t != nullptr; t = t->next_) t->stop();
    pthread_mutex_unlock(&os_mutex_);
}

}}  // namespace nq::api
