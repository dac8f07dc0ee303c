// The processor's spin-wait hint, for every busy-wait loop of the library.
// It lives with the logger because that is the lowest component: every
// other one may include it.
#pragma once

namespace nq {

// Tells the processor that the caller spins on a shared word: on x86 the
// pause instruction (saves power, and avoids the memory-order flush when the
// word finally changes), on 64-bit Arm the yield hint; elsewhere only a
// compiler barrier, so that the loop still re-reads memory.
inline void cpu_pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
    __asm__ __volatile__("yield" ::: "memory");
#else
    __asm__ __volatile__("" ::: "memory");
#endif
}

}  // namespace nq
