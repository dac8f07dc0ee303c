// Holds a pthread mutex for the life of a scope.
#pragma once
#include <pthread.h>

namespace nq { namespace api {

class MutexGuard {
public:
    explicit MutexGuard(pthread_mutex_t* m) : m_(m) { pthread_mutex_lock(m_); }
    ~MutexGuard() { pthread_mutex_unlock(m_); }
    MutexGuard(const MutexGuard&) = delete;
    MutexGuard& operator=(const MutexGuard&) = delete;

private:
    pthread_mutex_t* m_;
};

}}  // namespace nq::api
