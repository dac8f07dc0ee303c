// A reference on one open session of the trading API, taken by id and
// released when the holder goes out of scope.
#pragma once
#include <cstdint>

#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiSession.h"

namespace nq { namespace api {

class KApiSessionRef {
public:
    KApiSessionRef(KApiFramework* framework, uint64_t session_id) : tcp_(nullptr), session_(nullptr) {
        if (framework == nullptr || framework->api_message_io_ == nullptr) return;
        tcp_ = framework->api_message_io_->acquire_session(session_id);
        if (tcp_ == nullptr) return;
        session_ = KApiSession::from(tcp_);
        if (session_ == nullptr) {
            tcp_->release();
            tcp_ = nullptr;
        }
    }
    ~KApiSessionRef() {
        if (tcp_ != nullptr) tcp_->release();
    }
    KApiSessionRef(const KApiSessionRef&) = delete;
    KApiSessionRef& operator=(const KApiSessionRef&) = delete;

    KApiSession* get() const { return session_; }
    KApiSession* operator->() const { return session_; }
    explicit operator bool() const { return session_ != nullptr; }

private:
    TcpSession* tcp_;
    KApiSession* session_;
};

}}  // namespace nq::api
