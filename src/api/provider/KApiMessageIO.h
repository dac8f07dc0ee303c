// The trading API's TCP transport: makes KApiSession objects, keeps a table of
// the ids of open sessions, and turns closed sessions into the API's
// bookkeeping and the user's on_disconnect.
#pragma once
#include <atomic>
#include <cstdint>

#include "framework/TcpMessageIO.h"

namespace nq { namespace api {

class KApiFramework;

template <unsigned long N>
class TApiMessageIO;

template <>
class TApiMessageIO<2ul> : public TcpMessageIO {
public:
    explicit TApiMessageIO(Framework* framework) : TcpMessageIO(framework) {}
    // A KApiSession with its receive ring; null without memory.
    TcpSession* create_session_object() override;
};

class KApiMessageIO : public TApiMessageIO<2ul> {
public:
    explicit KApiMessageIO(KApiFramework* framework);

    void on_disconnect(unsigned long session_id, unsigned char type) override;
    void on_open_session(unsigned long session_id) override;
    void on_close_session(TcpSession* session) override;

    // Id of the open session in each slot, 0 for none. Written under the
    // transport's table mutex, read by any thread without a lock.
    std::atomic<uint64_t> open_session_ids_[kSlotCount];
    std::atomic<uint64_t> open_session_count_;
};

template <unsigned long N>
class ApiMessageIO;

template <>
class ApiMessageIO<2ul> : public KApiMessageIO {
public:
    explicit ApiMessageIO(KApiFramework* framework) : KApiMessageIO(framework) {}
};

}}  // namespace nq::api
