#include "framework/TimerCheckThread.h"

#include <time.h>

#include "framework/ApiTimerManager.h"

namespace nq { namespace api {

TimerCheckThread::TimerCheckThread(ApiTimerManager* manager) : ApiServiceThread("timer"), manager_(manager) {}

void TimerCheckThread::work_proc() {
    const timespec pause{0, 100 * 1000};
    while (continue_work()) {
        manager_->check_timer_proc();
        nanosleep(&pause, nullptr);
    }
}

}}  // namespace nq::api
