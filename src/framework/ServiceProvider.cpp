#include "framework/ServiceProvider.h"

#include <sched.h>

#include <new>

#include "framework/AllocMem.h"
#include "framework/ApiLocalTime.h"
#include "framework/ApiServiceThread.h"
#include "framework/ApiTimerManager.h"
#include "framework/LastApiError.h"

namespace nq { namespace api {

namespace {
constexpr int kProviderPriority = 21;
}

ServiceProvider::ServiceProvider() : timer_manager_(nullptr) {}

ServiceProvider::~ServiceProvider() {}

void ServiceProvider::on_timer(unsigned long, void*) {}

void ServiceProvider::on_timer_recycle() {}

bool ServiceProvider::initialize() {
    ApiLocalTime::initialize();
    ApiTimerManager* timers = nullptr;
    if (void* mem = alloc_mem(sizeof(ApiTimerManager), 8)) {
        timers = new (mem) ApiTimerManager(this);
        if (!timers->initialize()) {
            free_object(timers);
            timers = nullptr;
        }
    }
    if (timers == nullptr) {
        timer_manager_ = nullptr;
        set_last_error(kErrorStartUp, 0, "alloc timer manager failed");
        return false;
    }
    timer_manager_ = timers;
    if (!init_log()) {
        set_last_error(kErrorStartUp, 0,
                       "log initialization failed: likely insufficient permissions for log path (or other errors)");
        return false;
    }
    // Service threads started from here inherit this policy unless pinned.
    sched_param param;
    param.sched_priority = kProviderPriority;
    sched_setscheduler(0, SCHED_FIFO, &param);
    return true;
}

bool ServiceProvider::start_service() {
    ApiServiceThread::start_service();
    return true;
}

void ServiceProvider::stop_service() { ApiServiceThread::stop_service(); }

}}  // namespace nq::api
