// What an initialised privileged API brings: its configuration copy and its
// callback object.
#pragma once
#include <atomic>

#include "trv_api.h"

namespace nq { namespace api {

class KApiPrivilegeContext {
public:
    KApiPrivilegeContext(nq::TRVPrivilegeConfig* config, nq::TRVPrivilegeSpi* spi);
    virtual ~KApiPrivilegeContext();
    virtual bool initialize();

    nq::TRVPrivilegeConfig* config_;
    std::atomic<nq::TRVPrivilegeSpi*> spi_;  // cleared when the API stops
};

}}  // namespace nq::api
