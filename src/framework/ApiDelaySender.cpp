#include "framework/ApiDelaySender.h"

#include <errno.h>
#include <time.h>

#include "framework/ApiLocalTime.h"
#include "framework/Framework.h"

namespace nq { namespace api {

ApiDelaySender::ApiDelaySender(const char* name, Framework* framework, unsigned long delay_ms)
    : ApiServiceWorker(name), framework_(framework), delay_ms_(delay_ms) {}

void ApiDelaySender::do_one_task(Message* msg) {
    const uint64_t due = header_word(msg->header_, 32) + delay_ms_;
    const uint64_t now = ApiLocalTime::epoch_ms();
    if (due >= now) {
        const uint64_t wait = due - now;
        timespec ts{static_cast<time_t>(wait / 1000), static_cast<long>(wait % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
    }
    framework_->post_message(frame_session_id(msg->header_), msg);
}

}}  // namespace nq::api
