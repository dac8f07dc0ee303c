// Processor counts, identity (CPUID), hybrid core classification, affinity
// and the isolated / tickless CPU lists.
#include <cpuid.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "hostinfo/CpuList.h"
#include "hostinfo/CpuSignature.h"
#include "hostinfo/HostRoot.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

namespace {

struct Regs {
    unsigned eax, ebx, ecx, edx;
};

Regs cpuid(unsigned leaf, unsigned subleaf = 0) {
    Regs r;
    __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

long cpu_set_limit() {
    long total = get_cpu_total_count();
    if (total <= 0) return 0;
    return total > kMaxCpus ? kMaxCpus : total;
}

}  // namespace

long get_cpu_total_count() {
    long n = sysconf(_SC_NPROCESSORS_CONF);
    return n < 0 ? -1 : n;
}

long get_cpu_online_count() {
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n < 0 ? -1 : n;
}

long get_cpu_isolated_count() {
    long total = get_cpu_total_count();
    if (total < 0) return -1;
    long online = get_cpu_online_count();
    if (online < 0) return total;
    return total - online;
}

bool get_cpu_info(CpuInfo* info) {
    if (info == nullptr) return false;
    memset(info, 0, sizeof(*info));
    Regs r0 = cpuid(0);
    memcpy(info->vendor, &r0.ebx, 4);
    memcpy(info->vendor + 4, &r0.edx, 4);
    memcpy(info->vendor + 8, &r0.ecx, 4);
    if (r0.eax >= 1) {
        Regs r1 = cpuid(1);
        CpuSignature s = decode_cpu_signature(r1.eax);
        info->family = s.family;
        info->model = s.model;
        info->stepping = s.stepping;
        format_cpu_serial(r1.edx, r1.eax, info->serial_number, sizeof(info->serial_number));
    }
    Regs ext = cpuid(0x80000000u);
    if (ext.eax >= 0x80000004u) {
        char brand[49];
        for (unsigned i = 0; i < 3; ++i) {
            Regs r = cpuid(0x80000002u + i);
            memcpy(brand + 16 * i, &r.eax, 4);
            memcpy(brand + 16 * i + 4, &r.ebx, 4);
            memcpy(brand + 16 * i + 8, &r.ecx, 4);
            memcpy(brand + 16 * i + 12, &r.edx, 4);
        }
        brand[48] = '\0';
        const char* p = brand;
        while (*p == ' ') ++p;
        snprintf(info->brand, sizeof(info->brand), "%s", p);
    } else {
        snprintf(info->brand, sizeof(info->brand), "N/A");
    }
    return true;
}

bool get_cpu_serial_number(char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) return false;
    CpuInfo info;
    get_cpu_info(&info);
    snprintf(buffer, size, "%s", info.serial_number);
    return true;
}

bool get_cpu_core_list(int* performance, int* efficiency, long* performance_count, long* efficiency_count) {
    long p_count = 0;
    long e_count = 0;
    if (performance_count != nullptr) *performance_count = 0;
    if (efficiency_count != nullptr) *efficiency_count = 0;
    long total = get_cpu_total_count();
    if (total <= 0) return false;

    Regs r0 = cpuid(0);
    bool hybrid = r0.eax >= 7 && (cpuid(7, 0).edx & (1u << 15)) != 0;
    cpu_set_t saved;
    CPU_ZERO(&saved);
    // Without the saved affinity the thread could not be put back, so it is
    // not re-pinned at all.
    if (hybrid && sched_getaffinity(0, sizeof(saved), &saved) != 0) hybrid = false;

    if (hybrid) {
        const long limit = total > kMaxCpus ? kMaxCpus : total;
        for (long i = 0; i < limit; ++i) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(i, &one);
            if (sched_setaffinity(0, sizeof(one), &one) != 0) continue;
            bool efficiency_core = r0.eax >= 0x1a && ((cpuid(0x1a, 0).eax >> 24) & 0xff) == 0x20;
            if (efficiency_core) {
                if (efficiency != nullptr) efficiency[e_count] = static_cast<int>(i);
                ++e_count;
            } else {
                if (performance != nullptr) performance[p_count] = static_cast<int>(i);
                ++p_count;
            }
        }
        sched_setaffinity(0, sizeof(saved), &saved);
    } else {
        for (long i = 0; i < total; ++i) {
            if (performance != nullptr) performance[i] = static_cast<int>(i);
        }
        p_count = total;
    }
    if (performance_count != nullptr) *performance_count = p_count;
    if (efficiency_count != nullptr) *efficiency_count = e_count;
    return true;
}

bool get_process_cpu_affinity(int pid, int* cpus) {
    if (cpus == nullptr) return false;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(pid, sizeof(set), &set) != 0) return false;
    const long limit = cpu_set_limit();
    long n = 0;
    for (long i = 0; i < limit; ++i) {
        if (CPU_ISSET(i, &set)) cpus[n++] = static_cast<int>(i);
    }
    return true;
}

bool set_process_cpu_affinity(int pid, int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (cpu >= 0 && cpu < kMaxCpus) CPU_SET(cpu, &set);
    return sched_setaffinity(pid, sizeof(set), &set) == 0;
}

namespace {

bool read_sys_cpu_list(const char* file, int* cpus) {
    if (cpus == nullptr) return false;
    char path[4096];
    if (!host_path(path, sizeof(path), file)) return false;
    return read_cpu_list(path, cpus, cpu_list_capacity());
}

}  // namespace

bool get_cpu_isolated_cores(int* cpus) { return read_sys_cpu_list("/sys/devices/system/cpu/isolated", cpus); }

bool get_cpu_nohz_full_cores(int* cpus) { return read_sys_cpu_list("/sys/devices/system/cpu/nohz_full", cpus); }

}}  // namespace nq::api
