// The trading API's TCP transport: makes KApiSession objects, keeps a table of
// the ids of open sessions, and turns closed sessions into the API's
// bookkeeping and the user's on_disconnect.
#pragma once
#include <atomic>
#include <cstdint>

#include "api/provider/KApiCallerScope.h"
#include "api/provider/KApiSession.h"
#include "framework/TcpMessageIO.h"

namespace nq { namespace api {

class KApiFramework;

template <unsigned long N>
class TApiMessageIO;

template <>
class TApiMessageIO<2ul> : public TcpMessageIO {
public:
    explicit TApiMessageIO(Framework* framework) : TcpMessageIO(framework) {}
    // A KApiSession (an ApiSession<2ul>) with its receive ring; null without
    // memory. Final: the lookups of KApiMessageIO rely on every session
    // object of this transport being one.
    TcpSession* create_session_object() final;
};

class KApiMessageIO : public TApiMessageIO<2ul> {
public:
    explicit KApiMessageIO(KApiFramework* framework);

    void on_disconnect(unsigned long session_id, unsigned char type) override;
    void on_open_session(unsigned long session_id) override;
    void on_close_session(TcpSession* session) override;

    // No wanted API type: any the caller may use.
    static constexpr uint8_t kAnyApi = 0xff;
    // The one way from a session id to a session of the trading API: the
    // session of exactly this id, with a reference taken (the caller
    // releases it, e.g. through KApiSessionRef), or null when there is none,
    // it is closed, it is not of api_type (when one is wanted), or it belongs
    // to another API than the one the user's call came in through
    // (KApiCallerScope).
    ApiSession<2ul>* acquire_api_session(uint64_t id, uint8_t api_type = kAnyApi) {
        return find_api_session<true>(id, api_type);
    }
    // The same lookup without a reference, for the order path: no reference
    // count is touched, and the session may die just after, so the caller
    // touches neither its socket nor its ring (session objects are never
    // freed, and the whole id is checked, so a reused slot is not taken for
    // this session).
    ApiSession<2ul>* live_api_session(uint64_t id, uint8_t api_type = kAnyApi) {
        return find_api_session<false>(id, api_type);
    }

    // Id of the open session in each slot, 0 for none. Written under the
    // transport's table mutex, read by any thread without a lock.
    std::atomic<uint64_t> open_session_ids_[kSlotCount];
    std::atomic<uint64_t> open_session_count_;

private:
    template <bool kReference>
    ApiSession<2ul>* find_api_session(uint64_t id, uint8_t api_type) {
        TcpSession* tcp = kReference ? acquire_session(id) : live_session(id);
        if (tcp == nullptr) return nullptr;
        // Every session object of this transport is one (create_session_object
        // is final).
        auto* session = static_cast<ApiSession<2ul>*>(tcp);
        // The type is read once, for both checks.
        const uint8_t type = session->api_type.load();
        if ((api_type == kAnyApi || type == api_type) && KApiCallerScope::admits(type)) return session;
        if (kReference) tcp->release();
        return nullptr;
    }
};

template <unsigned long N>
class ApiMessageIO;

template <>
class ApiMessageIO<2ul> : public KApiMessageIO {
public:
    explicit ApiMessageIO(KApiFramework* framework) : KApiMessageIO(framework) {}
};

}}  // namespace nq::api
