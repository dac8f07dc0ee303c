// "mio_heartbeat": once a second, heartbeats and the dead-session sweep.
#pragma once
#include "framework/ApiServiceThread.h"

namespace nq { namespace api {

class TcpMessageIO;

class ApiHeartBeatThread : public ApiServiceThread {
public:
    explicit ApiHeartBeatThread(TcpMessageIO* io);
    void work_proc() override;

    TcpMessageIO* io_;
};

}}  // namespace nq::api
