#pragma once
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

namespace nq { namespace api {

// Zero-filled block; alignment up to 16 via calloc, larger via posix_memalign.
void* alloc_mem(unsigned long size, unsigned long align);

// A T built in a zero-filled block with the given alignment; null without
// memory.
template <class T, class... Args>
T* make_object_aligned(unsigned long align, Args&&... args) {
    void* mem = alloc_mem(sizeof(T), align);
    return mem != nullptr ? new (mem) T(std::forward<Args>(args)...) : nullptr;
}

// The same, at least 8-byte aligned. Framework objects are never freed.
template <class T, class... Args>
T* make_object(Args&&... args) {
    return make_object_aligned<T>(alignof(T) > 8 ? alignof(T) : 8, std::forward<Args>(args)...);
}

// Undoes make_object for an object that never came into use; null is ignored.
template <class T>
void free_object(T* object) {
    if (object == nullptr) return;
    object->~T();
    std::free(object);
}

}}  // namespace nq::api
