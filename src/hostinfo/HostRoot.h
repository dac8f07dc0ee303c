// Root prefix under which /sys, /proc and /dev are read, so that tests can
// point the host-information functions at a fixture tree. Empty by default.
#pragma once
#include <cstddef>

namespace nq { namespace api {

// Sets the prefix (null or "" restores the real root). Not thread-safe: call
// it before any host-information function runs.
void set_host_root(const char* root);
const char* host_root();

// root + absolute path into out; false when it does not fit.
bool host_path(char* out, size_t size, const char* path);
// printf-style form of host_path.
bool host_pathf(char* out, size_t size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

}}  // namespace nq::api
