// Thread "timer": fires the due timers every 100 us.
#pragma once
#include "framework/ApiServiceThread.h"

namespace nq { namespace api {

class ApiTimerManager;

class TimerCheckThread : public ApiServiceThread {
public:
    explicit TimerCheckThread(ApiTimerManager* manager);
    void work_proc() override;

    ApiTimerManager* manager_;
};

}}  // namespace nq::api
