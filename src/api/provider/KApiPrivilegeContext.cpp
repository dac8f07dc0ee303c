#include "api/provider/KApiPrivilegeContext.h"

namespace nq { namespace api {

KApiPrivilegeContext::KApiPrivilegeContext(nq::TRVPrivilegeConfig* config, nq::TRVPrivilegeSpi* spi)
    : config_(config), spi_(spi) {}

KApiPrivilegeContext::~KApiPrivilegeContext() {}

bool KApiPrivilegeContext::initialize() { return true; }

}}  // namespace nq::api
