#include "hostinfo/HostRoot.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace nq { namespace api {

namespace {
char g_root[1024];
}

void set_host_root(const char* root) {
    if (root == nullptr) root = "";
    size_t n = strlen(root);
    if (n >= sizeof(g_root)) n = sizeof(g_root) - 1;
    memcpy(g_root, root, n);
    // A trailing '/' would double the separator in front of "/sys".
    while (n > 0 && g_root[n - 1] == '/') --n;
    g_root[n] = '\0';
}

const char* host_root() { return g_root; }

bool host_path(char* out, size_t size, const char* path) {
    int n = snprintf(out, size, "%s%s", g_root, path);
    return n >= 0 && static_cast<size_t>(n) < size;
}

bool host_pathf(char* out, size_t size, const char* fmt, ...) {
    char rel[4096];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(rel, sizeof(rel), fmt, ap);
    va_end(ap);
    if (n < 0 || static_cast<size_t>(n) >= sizeof(rel)) {
        if (size > 0) out[0] = '\0';
        return false;
    }
    return host_path(out, size, rel);
}

}}  // namespace nq::api
