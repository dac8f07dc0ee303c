#include "framework/TimerRecycleThread.h"

#include <time.h>

#include "framework/ApiLocalTime.h"
#include "framework/ApiTimerManager.h"
#include "framework/ServiceProvider.h"

namespace nq { namespace api {

TimerRecycleThread::TimerRecycleThread(ApiTimerManager* manager)
    : ApiServiceThread("timer_recycle"), manager_(manager) {}

void TimerRecycleThread::work_proc() {
    const timespec pause{0, 100 * 1000};
    while (continue_work()) {
        ApiLocalTime::update_local_time();
        manager_->recycle_timer_proc();
        if (manager_->provider_ != nullptr) manager_->provider_->on_timer_recycle();
        nanosleep(&pause, nullptr);
    }
}

}}  // namespace nq::api
