// A reference on one of the API's sessions, held for the length of a call and
// released on every way out.
#pragma once
#include <cstdint>

#include "api/provider/KApiFramework.h"
#include "api/provider/KApiSession.h"
#include "framework/TcpMessageIO.h"

namespace nq { namespace api {

class SessionRef {
public:
    // The live session of the full id `session_id`, or none (get() null) for
    // an unknown, closed or stale id, or a session that is not the API's.
    SessionRef(const KApiFramework* framework, uint64_t session_id) : tcp_(nullptr), session_(nullptr) {
        if (framework == nullptr || framework->message_io_ == nullptr) return;
        tcp_ = framework->message_io_->acquire_session(session_id);
        if (tcp_ == nullptr) return;
        session_ = KApiSession::from(tcp_);
        if (session_ == nullptr) {
            tcp_->release();
            tcp_ = nullptr;
        }
    }
    ~SessionRef() {
        if (tcp_ != nullptr) tcp_->release();
    }
    SessionRef(const SessionRef&) = delete;
    SessionRef& operator=(const SessionRef&) = delete;

    KApiSession* get() const { return session_; }
    KApiSession* operator->() const { return session_; }
    explicit operator bool() const { return session_ != nullptr; }

private:
    TcpSession* tcp_;
    KApiSession* session_;
};

}}  // namespace nq::api
