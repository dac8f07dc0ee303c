#include "framework/ApiMessageSender.h"

#include "framework/TcpMessageIO.h"

namespace nq { namespace api {

ApiMessageSender::ApiMessageSender(TcpMessageIO* io) : ApiServiceWorker("mio_sender"), io_(io) {}

void ApiMessageSender::do_one_task(Message* msg) { io_->send_message(msg); }

}}  // namespace nq::api
