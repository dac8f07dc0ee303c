// Host information exported by libtrv_api: processor, memory, system
// identity, storage and network interfaces. Every function keeps no state,
// takes no lock and reports only through its result.
#ifndef TRV_HOSTINFO_H
#define TRV_HOSTINFO_H

#include <stdint.h>

#ifndef TRV_API_EXPORT
#define TRV_API_EXPORT __attribute__((visibility("default")))
#endif

struct sockaddr_in;

namespace nq { namespace api {

struct CpuInfo {
    char vendor[64];         // CPUID leaf 0 vendor text
    char brand[64];          // brand text without leading blanks, or "N/A"
    char serial_number[64];  // "%08X%08X" of EDX and EAX of leaf 1
    int32_t family;
    int32_t model;
    int32_t stepping;
};

struct MotherboardInfo {
    char vendor[128];
    char name[128];
    char serial_number[128];
};

struct DiskInfo {
    char name[64];  // block device name, e.g. "sda"
    char model[128];
    char serial_number[128];
    char transport[32];
    char type[32];  // "SSD", "HDD" or "N/A"
    uint64_t size;  // bytes
};

struct DiskPartitionInfo {
    char device[256];       // "/dev/" + partition name
    char mount_point[256];  // "N/A" when not mounted
    char fs_type[64];
    char uuid_or_label[128];
    uint64_t total_bytes;
    uint64_t free_bytes;
    uint64_t used_bytes;
};

#if __cplusplus >= 201103L
static_assert(sizeof(CpuInfo) == 204, "CpuInfo layout");
static_assert(sizeof(MotherboardInfo) == 384, "MotherboardInfo layout");
static_assert(sizeof(DiskInfo) == 392, "DiskInfo layout");
static_assert(sizeof(DiskPartitionInfo) == 728, "DiskPartitionInfo layout");
#endif

// ---- processor, memory, system identity --------------------------------

// Configured / online processors; -1 on failure.
TRV_API_EXPORT long get_cpu_total_count();
TRV_API_EXPORT long get_cpu_online_count();
// total - online; -1 when the total fails, the total when the online count fails.
TRV_API_EXPORT long get_cpu_isolated_count();

TRV_API_EXPORT bool get_cpu_info(CpuInfo* info);
// The serial text of get_cpu_info, at most size - 1 characters, terminated.
TRV_API_EXPORT bool get_cpu_serial_number(char* buffer, unsigned long size);
// Classifies CPUs into performance and efficiency cores; either array may be
// null (then only counted). Temporarily re-pins the calling thread on hybrid
// processors. False when the CPU count cannot be read.
TRV_API_EXPORT bool get_cpu_core_list(int* performance, int* efficiency, long* performance_count,
                                      long* efficiency_count);

// CPU list functions write the CPU numbers in the array and do not report how
// many; the caller sizes the array for get_cpu_total_count() entries, and no
// more entries than that are ever written.
TRV_API_EXPORT bool get_process_cpu_affinity(int pid, int* cpus);
TRV_API_EXPORT bool set_process_cpu_affinity(int pid, int cpu);
TRV_API_EXPORT bool get_cpu_isolated_cores(int* cpus);
TRV_API_EXPORT bool get_cpu_nohz_full_cores(int* cpus);

// Total and free memory in bytes; both 0 (and false) when sysinfo fails.
TRV_API_EXPORT bool get_memory_info(unsigned long* total, unsigned long* free);
TRV_API_EXPORT bool get_hostname(char* buffer, unsigned long size);
// First real DMI serial number; "N/A" and false when none.
TRV_API_EXPORT bool get_system_serial_number(char* buffer, unsigned long size);
TRV_API_EXPORT bool get_motherboard_info(MotherboardInfo* info);

// ---- storage -------------------------------------------------------------

// Device names are given without "/dev/". Names that are handed to external
// tools must consist of letters, digits and "._+:/-", must not begin with
// '-' and must not contain ".."; otherwise the tool is not run.
TRV_API_EXPORT bool get_device_serial_number(const char* device, char* buffer, unsigned long size);
TRV_API_EXPORT bool get_disk_info(const char* device, DiskInfo* info);
// Arrays are allocated with malloc; the caller releases them with free.
TRV_API_EXPORT bool list_physical_disks(DiskInfo** disks, int* count);
TRV_API_EXPORT bool get_disk_partitions(const char* disk, DiskPartitionInfo** partitions, int* count);
// File-system UUID of a device path ("/dev/...") or a mount point.
TRV_API_EXPORT bool get_volume_serial_number(const char* volume, char* buffer, unsigned long size);
TRV_API_EXPORT bool get_system_disk_volume(char* buffer, unsigned long size);
TRV_API_EXPORT bool get_system_disk_device(char* buffer, unsigned long size);
TRV_API_EXPORT bool get_system_disk_volume_serial_number(char* buffer, unsigned long size);

// ---- network interfaces ----------------------------------------------------

// Interface index of the interface holding this IPv4 address (network byte
// order); 0 when none.
TRV_API_EXPORT unsigned get_nic_id(unsigned int ipv4);
TRV_API_EXPORT unsigned get_nic_id(const sockaddr_in* address);
TRV_API_EXPORT unsigned get_nic_id_from_ip(const char* dotted);
// 0 and the name (buffer of 16) when found, -1 otherwise.
TRV_API_EXPORT int get_name_from_nic(unsigned index, char* name);
// True for a Solarflare interface that supports kernel bypass.
TRV_API_EXPORT bool is_support_efvi(unsigned index);
// 0 and the 6-byte hardware address, -1 on failure.
TRV_API_EXPORT int get_mac_from_nic(unsigned index, unsigned char* mac);
TRV_API_EXPORT int get_mac_from_addr(unsigned int ipv4, unsigned char* mac);
// Adds / removes the alias interface "<name>:<alias>" (alias 0..9) with ipv4.
TRV_API_EXPORT bool set_nic_vip(int index, const char* ipv4, int alias);
TRV_API_EXPORT bool unset_nic_vip(int index, const char* ipv4, int alias);

}}  // namespace nq::api

#endif  // TRV_HOSTINFO_H
