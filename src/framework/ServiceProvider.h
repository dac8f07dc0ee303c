// Base of the library's one service provider: brings up the cached clock, the
// timer manager and the log, starts and stops every service thread, and
// receives timer firings.
#pragma once

namespace nq { namespace api {

class ApiTimerManager;

class ServiceProvider {
public:
    ServiceProvider();
    virtual ~ServiceProvider();
    virtual bool initialize();
    // Called on "timer" for every fired timer.
    virtual void on_timer(unsigned long queue_id, void* data);
    // Called on "timer_recycle" after each recycling round (every 100 us or
    // so), for work that keeps stocks filled away from the threads that use
    // them; the default does nothing.
    virtual void on_timer_recycle();
    virtual bool init_log() = 0;

    bool start_service();
    void stop_service();

    ApiTimerManager* timer_manager_;
};

}}  // namespace nq::api
