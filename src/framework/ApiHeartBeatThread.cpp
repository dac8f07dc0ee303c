#include "framework/ApiHeartBeatThread.h"

#include <time.h>

#include "framework/TcpMessageIO.h"

namespace nq { namespace api {

ApiHeartBeatThread::ApiHeartBeatThread(TcpMessageIO* io) : ApiServiceThread("mio_heartbeat"), io_(io) {}

void ApiHeartBeatThread::work_proc() {
    while (continue_work()) {
        io_->heartbeat_check_proc();
        timespec ts{1, 0};
        nanosleep(&ts, nullptr);
    }
}

}}  // namespace nq::api
