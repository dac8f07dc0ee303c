#include "framework/ApiServiceWorker.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/AllocMem.h"
#include "log/CpuPause.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

ApiTaskQueue* create_queue(unsigned long slots) {
    void* mem = alloc_mem(sizeof(ApiTaskQueue), alignof(ApiTaskQueue));
    if (mem == nullptr) return nullptr;
    auto* q = new (mem) ApiTaskQueue(slots);
    if (!q->initialize()) {
        q->~ApiTaskQueue();
        std::free(mem);
        return nullptr;
    }
    return q;
}

void destroy_queue(ApiTaskQueue* q, const void* owner) {
    if (q == nullptr) return;
    while (void* p = q->pop()) {
        auto* copy = static_cast<unsigned char*>(p);
        if (ApiServiceWorker::copy_owner(copy) == owner) ApiServiceWorker::free_message(copy);
    }
    q->~ApiTaskQueue();
    std::free(q);
}

inline int64_t monotonic_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

ApiServiceWorker::ApiServiceWorker(const char* name)
    : ApiServiceThread(name), normal_queue_(nullptr), urgent_queue_(nullptr), sleeping_(0) {}

ApiServiceWorker::~ApiServiceWorker() {
    destroy_queue(normal_queue_, this);
    destroy_queue(urgent_queue_, this);
}

bool ApiServiceWorker::initialize() {
    if (normal_queue_ == nullptr) {
        normal_queue_ = create_queue(kQueueSlots);
        if (normal_queue_ == nullptr) {
            LOG_ERROR("allocate task queue fail: { name = %s }", name_);
            return false;
        }
    }
    if (urgent_queue_ == nullptr) {
        urgent_queue_ = create_queue(kQueueSlots);
        if (urgent_queue_ == nullptr) {
            LOG_ERROR("allocate urgent task queue fail: { name = %s }", name_);
            return false;
        }
    }
    return true;
}

void* ApiServiceWorker::copy_owner(const unsigned char* copy) {
    void* owner;
    std::memcpy(&owner, copy + kHeaderOwnerAt, sizeof(owner));
    return owner;
}

void ApiServiceWorker::set_copy_owner(unsigned char* copy, const void* owner) {
    std::memcpy(copy + kHeaderOwnerAt, &owner, sizeof(owner));
}

unsigned char* ApiServiceWorker::dup_message(const Message* msg) {
    if (msg == nullptr) return nullptr;
    const void* hdr =
        msg->frame_ != nullptr ? static_cast<const void*>(msg->frame_) : static_cast<const void*>(msg->header_);
    if (hdr == nullptr) return nullptr;
    const uint32_t length = frame_length(hdr);
    if (length < kFrameHeaderSize) return nullptr;
    if (msg->frame_ == nullptr && msg->body_ == nullptr && length > kFrameHeaderSize) return nullptr;
    unsigned char* copy = alloc_copy(length);
    if (copy == nullptr) return nullptr;
    if (msg->frame_ != nullptr) {
        std::memcpy(copy, msg->frame_, length);
    } else {
        std::memcpy(copy, msg->header_, kFrameHeaderSize);
        if (length > kFrameHeaderSize) std::memcpy(copy + kFrameHeaderSize, msg->body_, length - kFrameHeaderSize);
    }
    return copy;
}

void ApiServiceWorker::free_message(unsigned char* copy) { std::free(copy); }

unsigned char* ApiServiceWorker::alloc_copy(unsigned long length) {
    return static_cast<unsigned char*>(alloc_mem(length, 16));
}

void ApiServiceWorker::add_copy(unsigned char* copy) {
    if (copy == nullptr) return;
    if (normal_queue_ == nullptr) {
        LOG_ERROR("task dropped, worker not initialized: { name = %s }", name_);
        free_message(copy);
        return;
    }
    set_copy_owner(copy, this);
    normal_queue_->push(copy);
}

void ApiServiceWorker::queue_copy(ApiTaskQueue* queue, const Message* msg) {
    if (queue == nullptr) {
        LOG_ERROR("task dropped, worker not initialized: { name = %s }", name_);
        return;
    }
    unsigned char* copy = dup_message(msg);
    if (copy == nullptr) {
        LOG_ERROR("task dropped, copy message fail: { name = %s }", name_);
        return;
    }
    set_copy_owner(copy, this);
    queue->push(copy);
}

void ApiServiceWorker::add_task(const Message* msg) { queue_copy(normal_queue_, msg); }

void ApiServiceWorker::add_urgent_task(const Message* msg) { queue_copy(urgent_queue_, msg); }

unsigned char* ApiServiceWorker::get_first_task() {
    void* p = urgent_queue_ != nullptr ? urgent_queue_->pop() : nullptr;
    if (p == nullptr && normal_queue_ != nullptr) p = normal_queue_->pop();
    return static_cast<unsigned char*>(p);
}

bool ApiServiceWorker::queues_empty() const {
    return (urgent_queue_ == nullptr || urgent_queue_->peek() == nullptr) &&
           (normal_queue_ == nullptr || normal_queue_->peek() == nullptr);
}

void ApiServiceWorker::wake() {
    // The exchange orders the caller's push before the read of the flag; the
    // worker sets the flag before it looks at its queues a last time, so one
    // of the two sees the other. Awake worker: the flag is 0, no system call.
    if (sleeping_.exchange(0) == 0) return;
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(&sleeping_), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

void ApiServiceWorker::idle_sleep() {
    sleeping_.store(1);
    // A task queued before the flag was visible would not wake the worker.
    // Subclasses that take tasks from elsewhere (get_first_task) still poll
    // every kIdleSleepNs.
    if (queues_empty()) {
        timespec ts{0, kIdleSleepNs};
        syscall(SYS_futex, reinterpret_cast<uint32_t*>(&sleeping_), FUTEX_WAIT_PRIVATE, 1u, &ts, nullptr, 0);
    }
    sleeping_.store(0, std::memory_order_relaxed);
}

void ApiServiceWorker::work_proc() {
    // Deadline of the poll that follows a task; 0 once it has run out, so an
    // idle worker goes from sleep to sleep without spinning in between.
    int64_t spin_until = 0;
    bool after_task = false;
    while (continue_work()) {
        unsigned char* copy = get_first_task();
        if (copy == nullptr) {
            if (after_task) {
                after_task = false;
                spin_until = monotonic_ns() + kSpinAfterTaskNs;
            }
            if (spin_until != 0) {
                if (monotonic_ns() < spin_until) {
                    nq::cpu_pause();
                    continue;
                }
                spin_until = 0;
            }
            idle_sleep();
            continue;
        }
        Message m;
        m.header_ = reinterpret_cast<MessageHeader*>(copy);
        m.body_ = copy + kFrameHeaderSize;
        m.frame_ = copy;
        do_one_task(&m);
        if (copy_owner(copy) == this) free_message(copy);
        after_task = true;
        spin_until = 0;
    }
}

}}  // namespace nq::api
