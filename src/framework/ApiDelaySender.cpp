#include "framework/ApiDelaySender.h"

#include <errno.h>
#include <time.h>

#include "framework/ApiLocalTime.h"
#include "framework/Framework.h"

namespace nq { namespace api {

namespace {

constexpr long kStepNs = 10 * 1000000L;

}  // namespace

ApiDelaySender::ApiDelaySender(const char* name, Framework* framework, unsigned long delay_ms)
    : ApiServiceWorker(name), framework_(framework), delay_ms_(delay_ms) {}

void ApiDelaySender::delay(const Message* msg) {
    unsigned char* copy = dup_message(msg);
    if (copy == nullptr) return;
    set_header_word(copy, kWireStamp, frame_time_stamp(copy));
    set_header_word(copy, kQueuedAt, ApiLocalTime::mono_ms());
    add_copy(copy);
}

void ApiDelaySender::do_one_task(Message* msg) {
    const uint64_t due = header_word(msg->header_, kQueuedAt) + delay_ms_;
    const uint64_t now = ApiLocalTime::mono_ms();
    if (due >= now) {
        // Slept in short steps: a stamp far ahead must not park the worker
        // beyond a stop. A message cut short by the stop is not sent.
        timespec end;
        clock_gettime(CLOCK_MONOTONIC, &end);
        const uint64_t wait = due - now;
        end.tv_sec += static_cast<time_t>(wait / 1000);
        end.tv_nsec += static_cast<long>(wait % 1000) * 1000000L;
        if (end.tv_nsec >= 1000000000L) {
            end.tv_sec += 1;
            end.tv_nsec -= 1000000000L;
        }
        for (;;) {
            if (is_alive() && !continue_work()) return;
            timespec step;
            clock_gettime(CLOCK_MONOTONIC, &step);
            if (step.tv_sec > end.tv_sec || (step.tv_sec == end.tv_sec && step.tv_nsec >= end.tv_nsec)) break;
            step.tv_nsec += kStepNs;
            if (step.tv_nsec >= 1000000000L) {
                step.tv_sec += 1;
                step.tv_nsec -= 1000000000L;
            }
            if (step.tv_sec > end.tv_sec || (step.tv_sec == end.tv_sec && step.tv_nsec > end.tv_nsec)) step = end;
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &step, nullptr);
        }
    }
    // The frame as it was given: its own stamp back, the spare word zero.
    set_frame_time_stamp(msg->header_, header_word(msg->header_, kWireStamp));
    set_header_word(msg->header_, kWireStamp, 0);
    framework_->post_message(frame_session_id(msg->header_), msg);
}

}}  // namespace nq::api
