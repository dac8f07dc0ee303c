// IPv4 alias addresses ("<name>:<digit>") on an interface.
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "trv_hostinfo.h"

namespace nq { namespace api {

namespace {

// Checks the arguments and forms the alias name; false without touching the
// system when they are unusable.
bool alias_name(int index, const char* ipv4, int alias, char* base, char* name) {
    if (index <= 0 || ipv4 == nullptr || alias < 0 || alias > 9) return false;
    if (get_name_from_nic(static_cast<unsigned>(index), base) != 0) return false;
    // "<name>:<digit>" must fit the 15 characters of an interface name.
    if (strlen(base) > 12) return false;
    snprintf(name, IF_NAMESIZE, "%s:%d", base, alias);
    return true;
}

void set_request(ifreq* req, const char* name) {
    memset(req, 0, sizeof(*req));
    snprintf(req->ifr_name, sizeof(req->ifr_name), "%s", name);
}

void set_address(ifreq* req, in_addr address) {
    sockaddr_in* in = reinterpret_cast<sockaddr_in*>(&req->ifr_addr);
    in->sin_family = AF_INET;
    in->sin_addr = address;
}

in_addr get_address(const ifreq* req) { return reinterpret_cast<const sockaddr_in*>(&req->ifr_addr)->sin_addr; }

bool configure_alias(int fd, const char* base, const char* name, in_addr address) {
    ifreq req;
    set_request(&req, base);
    if (ioctl(fd, SIOCGIFADDR, &req) != 0) return false;
    set_request(&req, base);
    if (ioctl(fd, SIOCGIFNETMASK, &req) != 0) return false;
    in_addr netmask = get_address(&req);
    // A zero netmask would give the alias a route to every address; fall back
    // to a host mask when the base interface reports none.
    if (netmask.s_addr == 0) netmask.s_addr = htonl(0xffffffffu);

    set_request(&req, name);
    set_address(&req, address);
    if (ioctl(fd, SIOCSIFADDR, &req) != 0) return false;
    set_request(&req, name);
    set_address(&req, netmask);
    if (ioctl(fd, SIOCSIFNETMASK, &req) != 0) return false;
    set_request(&req, name);
    if (ioctl(fd, SIOCGIFFLAGS, &req) != 0) return false;
    req.ifr_flags = static_cast<short>(req.ifr_flags | IFF_UP | IFF_RUNNING);
    return ioctl(fd, SIOCSIFFLAGS, &req) == 0;
}

bool remove_alias(int fd, const char* name, const char* ipv4) {
    ifreq req;
    set_request(&req, name);
    if (ioctl(fd, SIOCGIFADDR, &req) != 0) return false;
    char text[INET_ADDRSTRLEN];
    in_addr current = get_address(&req);
    if (inet_ntop(AF_INET, &current, text, sizeof(text)) == nullptr) return false;
    if (strcmp(text, ipv4) != 0) return false;

    set_request(&req, name);
    if (ioctl(fd, SIOCGIFFLAGS, &req) != 0) return false;
    req.ifr_flags = static_cast<short>(req.ifr_flags & ~IFF_UP);
    if (ioctl(fd, SIOCSIFFLAGS, &req) != 0) return false;

    in_addr zero;
    zero.s_addr = 0;
    set_request(&req, name);
    set_address(&req, zero);
    if (ioctl(fd, SIOCDIFADDR, &req) == 0) return true;
    set_request(&req, name);
    set_address(&req, zero);
    return ioctl(fd, SIOCSIFADDR, &req) == 0;
}

}  // namespace

bool set_nic_vip(int index, const char* ipv4, int alias) {
    char base[IF_NAMESIZE];
    char name[IF_NAMESIZE];
    if (!alias_name(index, ipv4, alias, base, name)) return false;
    in_addr address;
    if (inet_pton(AF_INET, ipv4, &address) != 1) return false;
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = configure_alias(fd, base, name, address);
    close(fd);
    return ok;
}

bool unset_nic_vip(int index, const char* ipv4, int alias) {
    char base[IF_NAMESIZE];
    char name[IF_NAMESIZE];
    if (!alias_name(index, ipv4, alias, base, name)) return false;
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = remove_alias(fd, name, ipv4);
    close(fd);
    return ok;
}

}}  // namespace nq::api
