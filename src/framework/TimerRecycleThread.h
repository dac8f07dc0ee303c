// Thread "timer_recycle": refreshes the cached clock and recycles fired
// timers every 100 us. It is the clock's only writer.
#pragma once
#include "framework/ApiServiceThread.h"

namespace nq { namespace api {

class ApiTimerManager;

class TimerRecycleThread : public ApiServiceThread {
public:
    explicit TimerRecycleThread(ApiTimerManager* manager);
    void work_proc() override;

    ApiTimerManager* manager_;
};

}}  // namespace nq::api
