// "crontab": the once-a-second maintenance thread of the service provider.
#pragma once
#include "framework/ApiServiceThread.h"

namespace nq { namespace api {

class KApi;

class KApiCrontab : public ApiServiceThread {
public:
    static constexpr long kPeriodMs = 1000;

    KApiCrontab(const char* name, KApi* api);
    // Once a second until told to stop.
    void work_proc() override;

    KApi* api_;
};

}}  // namespace nq::api
