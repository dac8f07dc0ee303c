// Volume UUIDs and the system disk and volume.
#include <cstdio>
#include <cstring>

#include "hostinfo/HostCommand.h"
#include "hostinfo/HostText.h"
#include "hostinfo/MountTable.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

bool get_volume_serial_number(const char* volume, char* buffer, unsigned long size) {
    if (volume == nullptr || buffer == nullptr || size == 0) return false;
    char device[256] = "";
    bool known;
    if (strncmp(volume, "/dev/", 5) == 0) {
        copy_text(device, sizeof(device), volume);
        known = true;
    } else {
        known = find_mount_device(volume, device, sizeof(device));
    }
    // Without a device blkid would report every device; never take another
    // volume's UUID.
    if (known && device[0] != '\0' &&
        run_named_command("blkid -s UUID -o value %s 2>/dev/null", device, buffer, size) && buffer[0] != '\0')
        return true;
    copy_text(buffer, size, "N/A");
    return false;
}

bool get_system_disk_volume(char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) return false;
    buffer[0] = '\0';
    char device[256];
    if (!find_mount_device("/boot/efi", device, sizeof(device)) &&
        !find_mount_device("/boot", device, sizeof(device)) && !find_mount_device("/", device, sizeof(device)))
        return false;
    if (run_named_command("lsblk -no MOUNTPOINT %s 2>/dev/null", device, buffer, size)) return true;
    copy_text(buffer, size, "N/A");
    return false;
}

bool get_system_disk_device(char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) return false;
    buffer[0] = '\0';
    char device[256];
    if (!find_mount_device("/boot", device, sizeof(device))) return false;
    char line[128];
    if (!run_named_command("lsblk -d -n -o PKNAME %s 2>/dev/null", device, line, sizeof(line)) || line[0] == '\0')
        return false;
    copy_text(buffer, size, line);
    return true;
}

bool get_system_disk_volume_serial_number(char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) return false;
    char volume[256];
    if (get_system_disk_volume(volume, sizeof(volume)) && get_volume_serial_number(volume, buffer, size)) return true;
    copy_text(buffer, size, "N/A");
    return false;
}

}}  // namespace nq::api
