// What each public facade keeps in its own source file: its one-time
// creation, and the forwarding of its operations to the service provider,
// refused with 304 while the provider is not ready.
#pragma once
#include <atomic>
#include <utility>

#include "api/provider/KApi.h"
#include "api/provider/KApiCallerScope.h"
#include "framework/LastApiError.h"
#include "framework/WordWait.h"

namespace nq { namespace api {

// The privileged facade once it exists. It is a trading facade too: the
// trading operations called on it act for the privileged API and its
// sessions, those called on the trading facade for the trading API.
extern std::atomic<const void*> privileged_facade;

template <class T>
class FacadeSlot {
public:
    enum : int { kNone = 0, kCreating = 1, kCreated = 2 };
    // A waiter looks at the flag again at least this often.
    static constexpr long kWaitNs = 1000000;

    // Constant-initialised, so that creation works from any static
    // initialiser of the user program.
    constexpr explicit FacadeSlot(const char* not_initialized)
        : flag_(kNone), instance_(nullptr), not_initialized_(not_initialized) {}

    // The facade, made on the first call. The caller that moves the flag from
    // kNone to kCreating runs `make` (allocation, plus any start-up of its
    // own) and publishes the result; every other caller waits until the flag
    // reads kCreated. A failed `make` puts the flag back, so that a waiter
    // takes over instead of waiting for ever.
    template <class Make>
    T* create(Make make) {
        for (;;) {
            if (flag_.load(std::memory_order_acquire) == kCreated) return instance_.load(std::memory_order_acquire);
            int expected = kNone;
            if (flag_.compare_exchange_strong(expected, kCreating, std::memory_order_acq_rel)) {
                T* object = make();
                if (object == nullptr) {
                    flag_.store(kNone, std::memory_order_release);
                    wake_word_waiters(flag_);
                    return nullptr;
                }
                // The release store of the flag publishes the instance to
                // every caller that reads kCreated with acquire.
                instance_.store(object, std::memory_order_release);
                flag_.store(kCreated, std::memory_order_release);
                wake_word_waiters(flag_);
                return object;
            }
            // The acquire load at the top of the loop is the only ordering
            // a waiter needs. It sleeps rather than spins: the creator may
            // need this core (a spinning waiter under SCHED_FIFO on the
            // creator's only core would keep it from ever finishing).
            wait_word_change(flag_, kCreating, kWaitNs);
            // In a child forked while another thread was creating the facade
            // (and with it the provider), that thread is not there.
            if (flag_.load(std::memory_order_acquire) == kCreating && KApi::in_forked_child()) {
                KApi::refuse_in_forked_child();
                return nullptr;
            }
        }
    }

    // `object` as the facade allocated it (only the facade may call its own
    // constructor); a null one sets last error 301 with `failure`.
    static T* checked(T* object, const char* failure) {
        if (object == nullptr) set_last_error_text(kErrorStartUp, 0, failure);
        return object;
    }

    // The provider once an API has been initialised, or null with last error
    // 304: before any initialize (whether or not create() has brought the
    // provider up), and in a forked child, which has its own text.
    KApi* provider() const {
        KApi* api = KApi::serving_instance();
        if (api == nullptr) {
            if (KApi::in_forked_child())
                KApi::refuse_in_forked_child();
            else
                set_last_error_text(kErrorNotInitialised, 0, not_initialized_);
        }
        return api;
    }

    // (provider->*op)(args...), or the zero of its result (false, 0, null)
    // when the provider is not ready.
    template <class R, class... Params, class... Args>
    R call(R (KApi::*op)(Params...), Args&&... args) const {
        KApi* api = provider();
        return api != nullptr ? (api->*op)(std::forward<Args>(args)...) : R();
    }

    // call() for an operation on one of the caller's sessions, made for the
    // API `own`: a session of another API is refused by the operation as an
    // unknown one (307, its own text) and left untouched.
    template <class R, class... Params, class... Args>
    R call_as(nq::ApiType own, R (KApi::*op)(Params...), Args&&... args) const {
        KApi* api = provider();
        if (api == nullptr) return R();
        KApiCallerScope scope(own);
        return (api->*op)(std::forward<Args>(args)...);
    }

    // The facade once made, else null; never makes it.
    T* existing() const {
        return flag_.load(std::memory_order_acquire) == kCreated ? instance_.load(std::memory_order_acquire) : nullptr;
    }

private:
    std::atomic<int> flag_;
    std::atomic<T*> instance_;
    const char* not_initialized_;  // static lifetime
};

}}  // namespace nq::api
