#include "hostinfo/HostFixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ftw.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "hostinfo/HostCommand.h"
#include "hostinfo/HostRoot.h"

namespace trv_test {

std::string fixture_path(const std::string& name) { return std::string(TRV_HOSTINFO_FIXTURES) + "/" + name; }

namespace {

int remove_entry(const char* path, const struct stat*, int, FTW*) { return ::remove(path); }

void make_dirs(const std::string& path) {
    for (size_t pos = 1; pos != std::string::npos; pos = path.find('/', pos + 1)) {
        ::mkdir(path.substr(0, pos).c_str(), 0755);
    }
    ::mkdir(path.c_str(), 0755);
}

std::string parent_of(const std::string& path) { return path.substr(0, path.rfind('/')); }

}  // namespace

TempDir::TempDir() {
    char templ[] = "/tmp/trv_hostinfo_XXXXXX";
    const char* made = mkdtemp(templ);
    if (made == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
        path_ = "/nonexistent";
    } else {
        path_ = made;
    }
}

TempDir::~TempDir() {
    if (path_ != "/nonexistent") nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

void TempDir::write(const std::string& relative, const std::string& content) const {
    std::string full = path_ + "/" + relative;
    make_dirs(parent_of(full));
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(out.good()) << full;
}

void TempDir::mkdir(const std::string& relative) const { make_dirs(path_ + "/" + relative); }

void TempDir::symlink(const std::string& relative, const std::string& target) const {
    std::string full = path_ + "/" + relative;
    make_dirs(parent_of(full));
    ASSERT_EQ(0, ::symlink(target.c_str(), full.c_str())) << full;
}

bool TempDir::exists(const std::string& relative) const {
    struct stat st;
    return lstat((path_ + "/" + relative).c_str(), &st) == 0;
}

HostRoot::HostRoot(const std::string& root) { nq::api::set_host_root(root.c_str()); }
HostRoot::~HostRoot() { nq::api::set_host_root(""); }

FakeTools::FakeTools(const std::string& answers) : answers_(answers.empty() ? dir_.path() + "/answers" : answers) {
    old_path_ = nq::api::command_path();
    const std::string fake = fixture_path("bin") + ":" + old_path_;
    EXPECT_TRUE(nq::api::set_command_path(fake.c_str())) << fake;
    setenv("TRV_FAKE_TOOL_DATA", answers_.c_str(), 1);
    setenv("TRV_FAKE_TOOL_LOG", (dir_.path() + "/calls.log").c_str(), 1);
}

FakeTools::~FakeTools() {
    nq::api::set_command_path(old_path_.c_str());
    unsetenv("TRV_FAKE_TOOL_DATA");
    unsetenv("TRV_FAKE_TOOL_LOG");
}

void FakeTools::answer(const std::string& tool, const std::string& args, const std::string& output) {
    std::string key;
    for (char c : args) key.push_back(isalnum(static_cast<unsigned char>(c)) || strchr("._=-", c) ? c : '_');
    std::string full = answers_ + "/" + tool + "/" + key;
    make_dirs(parent_of(full));
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out << output;
}

std::string FakeTools::calls() const {
    std::ifstream in(dir_.path() + "/calls.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void skip_in_child(const char* why) {
    fprintf(stderr, "skipped: %s\n", why);
    fflush(nullptr);
    // A failure recorded before the skip still fails the test.
    _exit(::testing::Test::HasFailure() ? 1 : kSkippedInChild);
}

int run_in_private_netns(void (*body)()) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) return kNoNamespace;
    if (pid == 0) {
        if (unshare(CLONE_NEWNET) != 0) _exit(kNoNamespace);
        body();
        fflush(nullptr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

bool if_ioctl(const char* name, unsigned long request, ifreq* req) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    snprintf(req->ifr_name, sizeof(req->ifr_name), "%s", name);
    bool ok = ioctl(fd, request, req) == 0;
    close(fd);
    return ok;
}

bool set_inet(const char* name, unsigned long request, const char* text) {
    ifreq req;
    memset(&req, 0, sizeof(req));
    sockaddr_in* in = reinterpret_cast<sockaddr_in*>(&req.ifr_addr);
    in->sin_family = AF_INET;
    if (inet_pton(AF_INET, text, &in->sin_addr) != 1) return false;
    return if_ioctl(name, request, &req);
}

bool flags_up(const char* name) {
    ifreq req;
    memset(&req, 0, sizeof(req));
    if (!if_ioctl(name, SIOCGIFFLAGS, &req)) return false;
    req.ifr_flags = static_cast<short>(req.ifr_flags | IFF_UP);
    return if_ioctl(name, SIOCSIFFLAGS, &req);
}

}  // namespace

TapDevice::TapDevice(const char* name) {
    fd_ = open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (fd_ < 0) return;
    ifreq req;
    memset(&req, 0, sizeof(req));
    req.ifr_flags = IFF_TAP | IFF_NO_PI;
    snprintf(req.ifr_name, sizeof(req.ifr_name), "%s", name);
    if (ioctl(fd_, TUNSETIFF, &req) != 0) {
        close(fd_);
        fd_ = -1;
        return;
    }
    name_ = req.ifr_name;
}

TapDevice::~TapDevice() {
    if (fd_ >= 0) close(fd_);
}

unsigned TapDevice::index() const { return ok() ? if_nametoindex(name_.c_str()) : 0; }

bool TapDevice::set_mac(const unsigned char mac[6]) const {
    ifreq req;
    memset(&req, 0, sizeof(req));
    req.ifr_hwaddr.sa_family = 1;  // ARPHRD_ETHER
    memcpy(req.ifr_hwaddr.sa_data, mac, 6);
    return ok() && if_ioctl(name_.c_str(), SIOCSIFHWADDR, &req);
}

bool TapDevice::set_ipv4(const char* address, const char* netmask) const {
    return ok() && set_inet(name_.c_str(), SIOCSIFADDR, address) && set_inet(name_.c_str(), SIOCSIFNETMASK, netmask);
}

bool TapDevice::up() const { return ok() && flags_up(name_.c_str()); }

bool loopback_up() { return flags_up("lo"); }

std::string netmask_of(const char* name) {
    ifreq req;
    memset(&req, 0, sizeof(req));
    if (!if_ioctl(name, SIOCGIFNETMASK, &req)) return "";
    char text[INET_ADDRSTRLEN];
    const sockaddr_in* in = reinterpret_cast<const sockaddr_in*>(&req.ifr_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)) == nullptr) return "";
    return text;
}

void write_net_ifindex(const TempDir& tree, const std::string& name) {
    tree.write("sys/class/net/" + name + "/ifindex", std::to_string(if_nametoindex(name.c_str())) + "\n");
}

}  // namespace trv_test
