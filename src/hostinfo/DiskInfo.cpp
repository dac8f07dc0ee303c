// Block devices: serial numbers from every source in turn, the disk record
// and the list of physical disks.
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hostinfo/HostCommand.h"
#include "hostinfo/HostRoot.h"
#include "hostinfo/HostText.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

namespace {

bool read_clean_file(const char* path, char* buffer, size_t size) {
    if (!read_first_line(path, buffer, size)) return false;
    sanitize_text(buffer);
    return true;
}

bool found(bool ok, const char* buffer) { return ok && buffer[0] != '\0'; }

}  // namespace

bool get_device_serial_number(const char* device, char* buffer, unsigned long size) {
    if (device == nullptr || buffer == nullptr || size == 0) return false;
    memset(buffer, 0, size);
    char dev_path[300];
    snprintf(dev_path, sizeof(dev_path), "/dev/%s", device);

    if (found(read_block_attribute(device, "device/serial", buffer, size), buffer)) return true;
    if (found(read_block_attribute(device, "wwid", buffer, size), buffer)) return true;
    if (found(run_named_command("hdparm -I %s 2>/dev/null | grep 'Serial Number' | "
                                "sed 's/.*Serial Number:[[:space:]]*//'",
                                dev_path, buffer, size),
              buffer))
        return true;
    if (found(read_block_attribute(device, "serial", buffer, size), buffer)) return true;
    char path[4096];
    if (host_pathf(path, sizeof(path), "/sys/block/%s/device/../serial", device) &&
        found(read_clean_file(path, buffer, size), buffer))
        return true;
    if (found(read_block_attribute(device, "device/vpd_pg80", buffer, size), buffer)) return true;
    if (found(run_named_command("udevadm info --query=all --name=%s 2>/dev/null| grep ID_SERIAL= | "
                                "head -n1 | cut -d'=' -f2",
                                dev_path, buffer, size),
              buffer))
        return true;
    if (found(run_named_command("lsblk -ndo SERIAL %s 2>/dev/null", dev_path, buffer, size), buffer)) return true;
    if (found(run_named_command("smartctl -i %s 2>/dev/null | grep 'Serial Number' | awk -F: '{print $2}'", dev_path,
                                buffer, size),
              buffer))
        return true;
    copy_text(buffer, size, "N/A");
    return false;
}

bool get_disk_info(const char* device, DiskInfo* info) {
    if (device == nullptr || info == nullptr) return false;
    memset(info, 0, sizeof(*info));
    copy_text(info->name, sizeof(info->name), device);
    read_block_attribute(device, "device/model", info->model, sizeof(info->model));
    get_device_serial_number(device, info->serial_number, sizeof(info->serial_number));

    char path[4096];
    if (!host_pathf(path, sizeof(path), "/dev/%s", device)) return false;
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    uint64_t bytes = 0;
    if (ioctl(fd, BLKGETSIZE64, &bytes) == 0) info->size = bytes;
    close(fd);

    char value[64];
    if (read_block_attribute(device, "queue/rotational", value, sizeof(value)))
        copy_text(info->type, sizeof(info->type), value[0] == '0' ? "SSD" : "HDD");
    else
        copy_text(info->type, sizeof(info->type), "N/A");

    if (!read_block_attribute(device, "device/transport", info->transport, sizeof(info->transport))) {
        const char* transport = "N/A";
        if (strstr(device, "nvme") != nullptr)
            transport = "NVMe";
        else if (strstr(device, "sd") != nullptr)
            transport = "SATA";
        else if (strstr(device, "vd") != nullptr)
            transport = "virtio";
        copy_text(info->transport, sizeof(info->transport), transport);
    }
    return true;
}

namespace {

bool has_prefix(const char* s, const char* prefix) { return strncmp(s, prefix, strlen(prefix)) == 0; }

bool is_physical_disk(const char* name) {
    char path[4096];
    if (host_pathf(path, sizeof(path), "/sys/block/%s/device/type", name) && access(path, F_OK) == 0) {
        int type = -1;
        if (FILE* f = fopen(path, "re")) {
            if (fscanf(f, "%d", &type) != 1) type = -1;
            fclose(f);
        }
        return type == 0;
    }
    if (!host_pathf(path, sizeof(path), "/sys/block/%s/uevent", name)) return false;
    FILE* f = fopen(path, "re");
    if (f == nullptr) return false;
    char* line = nullptr;
    size_t line_size = 0;
    bool disk = false;
    while (!disk && getline(&line, &line_size, f) > 0) disk = strstr(line, "DEVTYPE=disk") != nullptr;
    free(line);
    fclose(f);
    return disk;
}

}  // namespace

bool list_physical_disks(DiskInfo** disks, int* count) {
    if (disks == nullptr || count == nullptr) return false;
    *disks = nullptr;
    *count = 0;
    char dir_path[4096];
    if (!host_path(dir_path, sizeof(dir_path), "/sys/block")) return false;
    DIR* dir = opendir(dir_path);
    if (dir == nullptr) return false;
    std::vector<DiskInfo> taken;
    while (dirent* e = readdir(dir)) {
        const char* name = e->d_name;
        if (name[0] == '.' || has_prefix(name, "loop") || has_prefix(name, "ram") || has_prefix(name, "md") ||
            has_prefix(name, "sr"))
            continue;
        DiskInfo info;
        if (is_physical_disk(name) && get_disk_info(name, &info)) taken.push_back(info);
    }
    closedir(dir);
    if (taken.empty()) return true;
    DiskInfo* array = static_cast<DiskInfo*>(malloc(taken.size() * sizeof(DiskInfo)));
    if (array == nullptr) return false;
    memcpy(array, taken.data(), taken.size() * sizeof(DiskInfo));
    *disks = array;
    *count = static_cast<int>(taken.size());
    return true;
}

}}  // namespace nq::api
