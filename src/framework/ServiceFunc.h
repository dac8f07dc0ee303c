// Base of every message handler object, and the process-wide table that
// maps a service code to its handler.
#pragma once
#include <cstdint>

#include "framework/Message.h"

namespace nq {

class ServiceFunc {
public:
    static constexpr uint32_t kTableSize = 16383;  // codes 0..16382; 16383 means no code

    explicit ServiceFunc(uint32_t service_code = kNoServiceCode) : service_code_(service_code) {}
    virtual ~ServiceFunc();
    virtual void service_func(Message* message) = 0;

    uint32_t service_code_;

    // Filled while the library is loaded, before any thread runs; only read
    // afterwards.
    static ServiceFunc* service_func_[kTableSize];
};

}  // namespace nq
