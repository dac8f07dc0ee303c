// Memory size, host name and the DMI identity of the machine.
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "hostinfo/HostRoot.h"
#include "hostinfo/HostText.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

bool get_memory_info(unsigned long* total, unsigned long* free) {
    struct sysinfo si;
    bool ok = sysinfo(&si) == 0;
    if (total != nullptr) *total = ok ? si.totalram * static_cast<unsigned long>(si.mem_unit) : 0;
    if (free != nullptr) *free = ok ? si.freeram * static_cast<unsigned long>(si.mem_unit) : 0;
    return ok;
}

bool get_hostname(char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) return false;
    if (gethostname(buffer, size) != 0) {
        buffer[0] = '\0';
        return false;
    }
    buffer[size - 1] = '\0';
    return true;
}

namespace {

struct DmiSerialSource {
    const char* file;
    const char* placeholders[3];
};

const DmiSerialSource kSerialSources[] = {
    {"/sys/class/dmi/id/product_serial", {"None", "System Serial Number", nullptr}},
    {"/sys/class/dmi/id/chassis_serial", {"None", "Chassis Serial Number", "Default string"}},
    {"/sys/class/dmi/id/board_serial", {"None", "Base Board Serial Number", nullptr}},
};

bool read_dmi(const char* file, char* buffer, size_t size) {
    char path[4096];
    if (!host_path(path, sizeof(path), file)) return false;
    return read_first_line(path, buffer, size);
}

}  // namespace

bool get_system_serial_number(char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) return false;
    for (const DmiSerialSource& source : kSerialSources) {
        if (!read_dmi(source.file, buffer, size)) continue;
        bool rejected = false;
        for (const char* placeholder : source.placeholders) {
            if (placeholder != nullptr && strcmp(buffer, placeholder) == 0) rejected = true;
        }
        if (!rejected) return true;
    }
    copy_text(buffer, size, "N/A");
    return false;
}

bool get_motherboard_info(MotherboardInfo* info) {
    if (info == nullptr) return false;
    struct Field {
        const char* file;
        char* out;
    } fields[] = {
        {"/sys/class/dmi/id/board_vendor", info->vendor},
        {"/sys/class/dmi/id/board_name", info->name},
        {"/sys/class/dmi/id/board_serial", info->serial_number},
    };
    bool all = true;
    for (const Field& f : fields) {
        if (!read_dmi(f.file, f.out, 128)) {
            copy_text(f.out, 128, "N/A");
            all = false;
        }
    }
    return all;
}

}}  // namespace nq::api
