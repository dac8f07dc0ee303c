// Fails chosen allocations of the library in a test executable linked with
// -Wl,--wrap=_ZN2nq3api9alloc_memEmm. Include in exactly one file of it.
// The countdown is per thread, so logger or worker threads are never hit.
#pragma once
#include <cstdint>

extern "C" void* __real__ZN2nq3api9alloc_memEmm(unsigned long size, unsigned long align);

namespace alloc_fault {
// 0: off; n > 0: the n-th alloc_mem of this thread from now returns null.
inline thread_local long countdown = 0;
inline thread_local long calls = 0;
inline void fail_nth(long n) {
    countdown = n;
    calls = 0;
}
inline void off() { countdown = 0; }
}  // namespace alloc_fault

extern "C" void* __wrap__ZN2nq3api9alloc_memEmm(unsigned long size, unsigned long align) {
    ++alloc_fault::calls;
    if (alloc_fault::countdown > 0 && --alloc_fault::countdown == 0) return nullptr;
    return __real__ZN2nq3api9alloc_memEmm(size, align);
}
