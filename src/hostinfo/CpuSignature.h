// Decoding of the CPUID leaf 1 signature and the processor serial text.
#pragma once
#include <cstddef>
#include <cstdint>

namespace nq { namespace api {

struct CpuSignature {
    int32_t family;
    int32_t model;
    int32_t stepping;
};

// Family, model and stepping of a leaf 1 EAX value, with the extended family
// (base family 15) and extended model (base family 6 or 15) applied.
CpuSignature decode_cpu_signature(uint32_t eax);

// "%08X%08X" of EDX and EAX into buffer (at least 17 bytes).
void format_cpu_serial(uint32_t edx, uint32_t eax, char* buffer, size_t size);

}}  // namespace nq::api
