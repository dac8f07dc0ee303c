// Counts the heap allocations of the calling thread: include it in exactly
// one file of a benchmark program, which then replaces the C allocator's
// entry points with counting ones.
#pragma once
#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
}

namespace {
thread_local unsigned long t_allocs = 0;
}

extern "C" void* malloc(size_t n) {
    ++t_allocs;
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t m) {
    ++t_allocs;
    return __libc_calloc(n, m);
}
extern "C" void* realloc(void* p, size_t n) {
    ++t_allocs;
    return __libc_realloc(p, n);
}
extern "C" int posix_memalign(void** out, size_t align, size_t n) {
    ++t_allocs;
    void* p = __libc_memalign(align, n);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
extern "C" void* aligned_alloc(size_t align, size_t n) {
    ++t_allocs;
    return __libc_memalign(align, n);
}
