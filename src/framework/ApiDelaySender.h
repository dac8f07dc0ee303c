// A worker that posts each queued frame a fixed delay after it was queued.
//
// The delay is measured on the monotonic clock, so that a step of the host's
// clock neither sends a frame early nor holds it back. The frame's own time
// stamp (epoch ms: what the peer sees) travels unchanged: in the queued copy
// it is kept in the header's spare word (zero on the wire) while the time
// stamp word holds the monotonic ms at which the frame was queued; both are
// put back before the frame is posted.
#pragma once
#include "framework/ApiServiceWorker.h"

namespace nq { namespace api {

class Framework;

class ApiDelaySender : public ApiServiceWorker {
public:
    // Header words of the queued copy.
    static constexpr unsigned kQueuedAt = kHeaderTimeStampAt;  // monotonic ms
    static constexpr unsigned kWireStamp = kHeaderSpareAt;     // the frame's own stamp

    ApiDelaySender(const char* name, Framework* framework, unsigned long delay_ms);
    // Queues a copy of the frame (contiguous, length from its header), to be
    // posted delay_ms from now; the frame's time stamp is sent as it is.
    void delay(const Message* msg);
    // Waits until delay_ms after the copy was queued (or the worker is
    // stopped: the frame is then dropped), then posts it.
    void do_one_task(Message* msg) override;

    Framework* framework_;
    unsigned long delay_ms_;
};

}}  // namespace nq::api
