#include "framework/ServiceFunc.h"

namespace nq {

// Zero-initialised before any dynamic initialisation, so handler objects in
// other translation units may register themselves from their constructors.
ServiceFunc* ServiceFunc::service_func_[ServiceFunc::kTableSize];

ServiceFunc::~ServiceFunc() {}

}  // namespace nq
