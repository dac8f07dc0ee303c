#include "api/provider/KApiCrontab.h"

#include <time.h>

#include "api/provider/KApi.h"

namespace nq { namespace api {

KApiCrontab::KApiCrontab(const char* name, KApi* api) : ApiServiceThread(name), api_(api) {}

void KApiCrontab::work_proc() {
    while (continue_work()) {
        if (api_ != nullptr) api_->refresh_token();
        timespec ts{kPeriodMs / 1000, (kPeriodMs % 1000) * 1000000L};
        nanosleep(&ts, nullptr);
    }
}

}}  // namespace nq::api
