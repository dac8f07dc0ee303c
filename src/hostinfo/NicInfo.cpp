// Network interface lookups: index by address, name by index, hardware
// address and the kernel-bypass capability test.
#include <arpa/inet.h>
#include <dirent.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostinfo/HostRoot.h"
#include "hostinfo/HostText.h"
#include "trv_hostinfo.h"

namespace nq { namespace api {

unsigned get_nic_id(unsigned int ipv4) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return 0;
    unsigned index = 0;
    for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
        const sockaddr_in* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        if (in->sin_addr.s_addr == ipv4) {
            index = if_nametoindex(it->ifa_name);
            break;
        }
    }
    freeifaddrs(list);
    return index;
}

unsigned get_nic_id(const sockaddr_in* address) {
    if (address == nullptr) return 0;
    return get_nic_id(static_cast<unsigned int>(address->sin_addr.s_addr));
}

unsigned get_nic_id_from_ip(const char* dotted) {
    if (dotted == nullptr) return 0;
    in_addr_t a = inet_addr(dotted);
    if (a == INADDR_NONE) return 0;
    return get_nic_id(static_cast<unsigned int>(a));
}

int get_name_from_nic(unsigned index, char* name) {
    if (name == nullptr) return -1;
    char dir_path[4096];
    if (!host_path(dir_path, sizeof(dir_path), "/sys/class/net")) return -1;
    DIR* dir = opendir(dir_path);
    if (dir == nullptr) return -1;
    int result = -1;
    while (dirent* e = readdir(dir)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        char path[4096];
        int n = snprintf(path, sizeof(path), "%s/%s/ifindex", dir_path, e->d_name);
        if (n < 0 || static_cast<size_t>(n) >= sizeof(path)) continue;
        char line[16];
        if (!read_first_line(path, line, sizeof(line))) continue;
        char* end = nullptr;
        errno = 0;
        long v = strtol(line, &end, 10);
        if (end == line || errno != 0) continue;
        if (v >= 0 && static_cast<unsigned long>(v) == index) {
            snprintf(name, IF_NAMESIZE, "%.15s", e->d_name);
            result = 0;
            break;
        }
    }
    closedir(dir);
    return result;
}

namespace {

bool sysfs_equals(const char* name, const char* attribute, const char* expected) {
    char path[4096];
    if (!host_pathf(path, sizeof(path), "/sys/class/net/%s/device/%s", name, attribute)) return false;
    char line[64];
    if (!read_first_line(path, line, sizeof(line))) return false;
    return strcasecmp(line, expected) == 0;
}

}  // namespace

bool is_support_efvi(unsigned index) {
    char name[IF_NAMESIZE];
    if (get_name_from_nic(index, name) != 0) return false;
    return sysfs_equals(name, "vendor", "0x1924") && sysfs_equals(name, "device", "0x0b03");
}

int get_mac_from_nic(unsigned index, unsigned char* mac) {
    if (mac == nullptr) return -1;
    char name[IF_NAMESIZE];
    if (get_name_from_nic(index, name) != 0) return -1;
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    ifreq req;
    memset(&req, 0, sizeof(req));
    snprintf(req.ifr_name, sizeof(req.ifr_name), "%s", name);
    int rc = ioctl(fd, SIOCGIFHWADDR, &req);
    close(fd);
    if (rc != 0) return -1;
    memcpy(mac, req.ifr_hwaddr.sa_data, 6);
    return 0;
}

int get_mac_from_addr(unsigned int ipv4, unsigned char* mac) {
    unsigned index = get_nic_id(ipv4);
    if (index == 0) return -1;
    return get_mac_from_nic(index, mac);
}

}}  // namespace nq::api
