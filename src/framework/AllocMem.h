#pragma once
#include <cstddef>
namespace nq { namespace api {
// Zero-filled block; alignment up to 16 via calloc, larger via posix_memalign.
void* alloc_mem(unsigned long size, unsigned long align);
}}
