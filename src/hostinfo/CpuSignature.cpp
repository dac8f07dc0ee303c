#include "hostinfo/CpuSignature.h"

#include <cstdio>

namespace nq { namespace api {

CpuSignature decode_cpu_signature(uint32_t eax) {
    CpuSignature s;
    s.stepping = static_cast<int32_t>(eax & 0xf);
    s.model = static_cast<int32_t>((eax >> 4) & 0xf);
    const uint32_t base_family = (eax >> 8) & 0xf;
    s.family = static_cast<int32_t>(base_family);
    if (base_family == 15) s.family = static_cast<int32_t>(15 + ((eax >> 20) & 0xff));
    if (base_family == 15 || base_family == 6) s.model += static_cast<int32_t>(((eax >> 16) & 0xf) << 4);
    return s;
}

void format_cpu_serial(uint32_t edx, uint32_t eax, char* buffer, size_t size) {
    snprintf(buffer, size, "%08X%08X", edx, eax);
}

}}  // namespace nq::api
