// "mio_sender": the one worker that writes queued frames to their sessions,
// so that writes to one socket never interleave.
#pragma once
#include "framework/ApiServiceWorker.h"

namespace nq { namespace api {

class TcpMessageIO;

class ApiMessageSender : public ApiServiceWorker {
public:
    explicit ApiMessageSender(TcpMessageIO* io);
    void do_one_task(Message* msg) override;

    TcpMessageIO* io_;
};

}}  // namespace nq::api
