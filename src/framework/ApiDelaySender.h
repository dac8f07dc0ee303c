// A worker that posts each queued frame a fixed delay after the epoch-ms time
// stamp in its header.
#pragma once
#include "framework/ApiServiceWorker.h"

namespace nq { namespace api {

class Framework;

class ApiDelaySender : public ApiServiceWorker {
public:
    ApiDelaySender(const char* name, Framework* framework, unsigned long delay_ms);
    void do_one_task(Message* msg) override;

    Framework* framework_;
    unsigned long delay_ms_;
};

}}  // namespace nq::api
