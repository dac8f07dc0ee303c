#include "framework/ApiMessageReceiver.h"

#include "framework/TcpMessageIO.h"

namespace nq { namespace api {

ApiMessageReceiver::ApiMessageReceiver(TcpMessageIO* io) : ApiServiceThread("msg_receiver"), io_(io) {}

void ApiMessageReceiver::work_proc() {
    while (continue_work()) io_->epoll_receive_proc();
}

}}  // namespace nq::api
