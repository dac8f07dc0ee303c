#include "framework/MessageHandler.h"

#include "framework/Framework.h"

namespace nq { namespace api {

MessageHandler::MessageHandler(Framework* framework) : ApiServiceWorker("msg_handler"), framework_(framework) {}

void MessageHandler::do_one_task(Message* msg) { framework_->process_message(msg); }

}}  // namespace nq::api
