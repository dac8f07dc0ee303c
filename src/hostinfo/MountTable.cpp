#include "hostinfo/MountTable.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostinfo/HostRoot.h"
#include "hostinfo/HostText.h"

namespace nq { namespace api {

namespace {

// Calls match(device, mount point) for every line until it returns true.
template <typename Match>
bool scan_mounts(Match match) {
    char path[4096];
    if (!host_path(path, sizeof(path), "/proc/mounts")) return false;
    FILE* f = fopen(path, "re");
    if (f == nullptr) return false;
    char* line = nullptr;
    size_t line_size = 0;
    bool found = false;
    while (!found && getline(&line, &line_size, f) > 0) {
        char device[256];
        char point[256];
        if (sscanf(line, "%255s %255s", device, point) != 2) continue;
        found = match(device, point);
    }
    free(line);
    fclose(f);
    return found;
}

}  // namespace

bool find_mount_device(const char* mount_point, char* device, size_t size) {
    if (mount_point == nullptr || device == nullptr || size == 0) return false;
    return scan_mounts([&](const char* dev, const char* point) {
        if (strcmp(point, mount_point) != 0) return false;
        copy_text(device, size, dev);
        return true;
    });
}

bool find_mount_point(const char* device, char* mount_point, size_t size) {
    if (device == nullptr || mount_point == nullptr || size == 0) return false;
    return scan_mounts([&](const char* dev, const char* point) {
        if (strcmp(dev, device) != 0) return false;
        copy_text(mount_point, size, point);
        return true;
    });
}

}}  // namespace nq::api
