// Partitions of one disk: file system, UUID or label, mount point and sizes.
#include <dirent.h>
#include <sys/statvfs.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hostinfo/HostCommand.h"
#include "hostinfo/HostRoot.h"
#include "hostinfo/HostText.h"
#include "hostinfo/MountTable.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

namespace {

void take_blkid_line(const char* line, void* context) {
    DiskPartitionInfo* p = static_cast<DiskPartitionInfo*>(context);
    char value[64];
    if (strncmp(line, "TYPE=", 5) == 0) {
        copy_text(value, sizeof(value), line + 5);
        sanitize_text(value);
        copy_text(p->fs_type, sizeof(p->fs_type), value);
    } else if (strncmp(line, "UUID=", 5) == 0) {
        copy_text(value, sizeof(value), line + 5);
        sanitize_text(value);
        copy_text(p->uuid_or_label, sizeof(p->uuid_or_label), value);
    } else if (strncmp(line, "LABEL=", 6) == 0 && p->uuid_or_label[0] == '\0') {
        copy_text(value, sizeof(value), line + 6);
        sanitize_text(value);
        copy_text(p->uuid_or_label, sizeof(p->uuid_or_label), value);
    }
}

// Mount point of a holder (e.g. a device-mapper volume on the partition).
void find_holder_mount(const char* disk, const char* partition, DiskPartitionInfo* p) {
    char path[4096];
    if (!host_pathf(path, sizeof(path), "/sys/block/%s/%s/holders", disk, partition)) return;
    DIR* dir = opendir(path);
    if (dir == nullptr) return;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        char holder[300];
        snprintf(holder, sizeof(holder), "/dev/%s", e->d_name);
        if (find_mount_point(holder, p->mount_point, sizeof(p->mount_point))) break;
    }
    closedir(dir);
}

void fill_partition(const char* disk, const char* partition, DiskPartitionInfo* p) {
    memset(p, 0, sizeof(*p));
    snprintf(p->device, sizeof(p->device), "/dev/%.250s", partition);
    for_each_command_line("blkid -o export %s 2>/dev/null", p->device, 63, take_blkid_line, p);

    copy_text(p->mount_point, sizeof(p->mount_point), "N/A");
    find_holder_mount(disk, partition, p);
    if (strcmp(p->mount_point, "N/A") == 0) find_mount_point(p->device, p->mount_point, sizeof(p->mount_point));

    if (strcmp(p->mount_point, "N/A") == 0) {
        char path[4096];
        long long sectors = 0;
        if (host_pathf(path, sizeof(path), "/sys/block/%s/%s/size", disk, partition)) {
            if (FILE* f = fopen(path, "re")) {
                if (fscanf(f, "%lld", &sectors) != 1) sectors = 0;
                fclose(f);
            }
        }
        p->total_bytes = sectors > 0 ? static_cast<uint64_t>(sectors) * 512u : 0;
        return;
    }
    struct statvfs vfs;
    if (statvfs(p->mount_point, &vfs) == 0) {
        p->total_bytes = static_cast<uint64_t>(vfs.f_frsize) * vfs.f_blocks;
        p->free_bytes = static_cast<uint64_t>(vfs.f_frsize) * vfs.f_bavail;
        p->used_bytes = p->total_bytes - static_cast<uint64_t>(vfs.f_frsize) * vfs.f_bfree;
    }
}

}  // namespace

bool get_disk_partitions(const char* disk, DiskPartitionInfo** partitions, int* count) {
    if (disk == nullptr || partitions == nullptr || count == nullptr) return false;
    *partitions = nullptr;
    *count = 0;
    char dir_path[4096];
    if (!host_pathf(dir_path, sizeof(dir_path), "/sys/block/%s", disk)) return false;
    DIR* dir = opendir(dir_path);
    if (dir == nullptr) return false;
    const size_t disk_len = strlen(disk);
    std::vector<DiskPartitionInfo> found;
    while (dirent* e = readdir(dir)) {
        if (strncmp(e->d_name, disk, disk_len) != 0 || strlen(e->d_name) <= disk_len) continue;
        found.emplace_back();
        fill_partition(disk, e->d_name, &found.back());
    }
    closedir(dir);
    if (found.empty()) return true;
    DiskPartitionInfo* array = static_cast<DiskPartitionInfo*>(malloc(found.size() * sizeof(DiskPartitionInfo)));
    if (array == nullptr) return false;
    memcpy(array, found.data(), found.size() * sizeof(DiskPartitionInfo));
    *partitions = array;
    *count = static_cast<int>(found.size());
    return true;
}

}}  // namespace nq::api
