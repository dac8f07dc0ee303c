#include "framework/AllocMem.h"

#include <cstdlib>
#include <cstring>

namespace nq { namespace api {

void* alloc_mem(unsigned long size, unsigned long align) {
    if (align <= 16) return std::calloc(1, size);
    void* p = nullptr;
    if (posix_memalign(&p, align, size) != 0) return nullptr;
    std::memset(p, 0, size);
    return p;
}

}}  // namespace nq::api
