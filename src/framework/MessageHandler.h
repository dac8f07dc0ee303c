// "msg_handler": a worker that runs the message handler of each queued
// frame's service code.
#pragma once
#include "framework/ApiServiceWorker.h"

namespace nq { namespace api {

class Framework;

class MessageHandler : public ApiServiceWorker {
public:
    explicit MessageHandler(Framework* framework);
    void do_one_task(Message* msg) override;

    Framework* framework_;
};

}}  // namespace nq::api
