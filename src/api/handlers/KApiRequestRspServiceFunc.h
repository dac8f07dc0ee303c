// Handler family of the single answers: the answer completes its request in
// the ring, then reaches request_call_back as the body layout of its code.
#pragma once
#include <cstdint>

#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/ApiBodyHead.h"
#include "api/messages/MessageBody.h"
#include "api/provider/ApiSessionGuard.h"
#include "api/provider/KApiFramework.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/Message.h"

namespace nq { namespace api {

template <uint32_t N>
class KApiRequestRspServiceFunc : public KApiServiceFuncBase {
public:
    KApiRequestRspServiceFunc() : KApiServiceFuncBase(N) {}

    // The body must hold the whole MessageBody<N> before anything is read; an
    // answer to a request that is no longer open is dropped.
    void service_func(nq::Message* message) override {
        static_assert(sizeof(nq::MessageBody<N>) >= 57, "an answer body starts with the common head");
        ApiSessionGuard<2ul> guard(acquire_session(message));
        ApiSession<2ul>* session = guard.get();
        KApiRequestManager* ring = request_manager();
        if (session == nullptr || ring == nullptr || !check_body(message, sizeof(nq::MessageBody<N>))) return;
        const uint64_t seq = load_le<uint64_t>(message->body_, kRequestSeqAt);
        if (!request_open(ring, seq, session->session_id())) return;
        request_info_t info = ring->on_request_response(seq);
        if (info.timed_out == 0) request_call_back(session, reinterpret_cast<nq::MessageBody<N>*>(message->body_));
        KApiRequestManager::release(info);
    }

    virtual void request_call_back(KApiSession*, nq::MessageBody<N>*) {}
};

}}  // namespace nq::api
