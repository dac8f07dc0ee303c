// Look-ups in the mount table (/proc/mounts under the host root).
#pragma once
#include <cstddef>

namespace nq { namespace api {

// Device (first field) of the first line mounted exactly on mount_point.
bool find_mount_device(const char* mount_point, char* device, size_t size);

// Mount point (second field) of the first line whose device is device.
bool find_mount_point(const char* device, char* mount_point, size_t size);

}}  // namespace nq::api
