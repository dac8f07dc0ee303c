// "msg_receiver": reads every session and hands complete frames on.
#pragma once
#include "framework/ApiServiceThread.h"

namespace nq { namespace api {

class TcpMessageIO;

class ApiMessageReceiver : public ApiServiceThread {
public:
    explicit ApiMessageReceiver(TcpMessageIO* io);
    void work_proc() override;

    TcpMessageIO* io_;
};

}}  // namespace nq::api
