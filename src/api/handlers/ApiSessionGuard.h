// Scoped holder of an acquired session: releases the reference on every path
// out of a handler.
#pragma once
#include "api/provider/KApiSession.h"

namespace nq { namespace api {

template <unsigned long N>
class ApiSessionGuard;

template <>
class ApiSessionGuard<2ul> {
public:
    explicit ApiSessionGuard(ApiSession<2ul>* session) : session_(session) {}
    ~ApiSessionGuard() {
        if (session_ != nullptr) session_->release();
    }
    ApiSessionGuard(const ApiSessionGuard&) = delete;
    ApiSessionGuard& operator=(const ApiSessionGuard&) = delete;

    ApiSession<2ul>* get() const { return session_; }

private:
    ApiSession<2ul>* session_;
};

}}  // namespace nq::api
