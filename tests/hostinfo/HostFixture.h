// Test helpers for the host-information functions: temporary fixture trees,
// the host root prefix, fake system tools in front of the command path and private
// network namespaces.
#pragma once
#include <gtest/gtest.h>

#include <string>

namespace trv_test {

// Directory of the checked-in fixtures.
std::string fixture_path(const std::string& name);

// A temporary directory, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes root/relative, creating the parent directories.
    void write(const std::string& relative, const std::string& content) const;
    void mkdir(const std::string& relative) const;
    void symlink(const std::string& relative, const std::string& target) const;
    bool exists(const std::string& relative) const;

private:
    std::string path_;
};

// Points the host root prefix at a directory for the guard's lifetime.
class HostRoot {
public:
    explicit HostRoot(const std::string& root);
    ~HostRoot();
};

// Puts the fake tools first on the library's command path, with answers
// prepared in a directory of their own (or a given one), and records every
// call.
class FakeTools {
public:
    explicit FakeTools(const std::string& answers = "");
    ~FakeTools();
    // Prepares the output of "tool args".
    void answer(const std::string& tool, const std::string& args, const std::string& output);
    // Calls so far, one "tool args" line each.
    std::string calls() const;

private:
    TempDir dir_;
    std::string answers_;
    std::string old_path_;
};

// Runs body in a forked child inside a network namespace of its own. Returns
// the child's status: 0 passed, 77 no namespace could be made, 78 the body
// skipped itself (skip_in_child), else failed.
int run_in_private_netns(void (*body)());
constexpr int kNoNamespace = 77;
constexpr int kSkippedInChild = 78;
// Ends the child of run_in_private_netns as skipped, naming why on stderr.
[[noreturn]] void skip_in_child(const char* why);

#define TRV_RUN_IN_NETNS(...)                                                           \
    do {                                                                                \
        int status_ = trv_test::run_in_private_netns(__VA_ARGS__);                      \
        if (status_ == trv_test::kNoNamespace) GTEST_SKIP() << "no network namespace";  \
        if (status_ == trv_test::kSkippedInChild) GTEST_SKIP() << "no TAP device here"; \
        EXPECT_EQ(0, status_) << "the test body failed inside the namespace";           \
    } while (0)

// A TAP interface (IFF_TAP) inside the current namespace, kept while the
// object lives; name and index are empty / 0 when it cannot be made.
class TapDevice {
public:
    explicit TapDevice(const char* name);
    ~TapDevice();
    bool ok() const { return fd_ >= 0; }
    unsigned index() const;
    // ioctl helpers on the interface (true on success).
    bool set_mac(const unsigned char mac[6]) const;
    bool set_ipv4(const char* address, const char* netmask) const;
    bool up() const;
    const std::string& name() const { return name_; }

private:
    int fd_ = -1;
    std::string name_;
};

// Brings lo up (which also gives it 127.0.0.1/8) in the current namespace.
bool loopback_up();
// The IPv4 netmask of an interface (or alias) as text, "" on failure.
std::string netmask_of(const char* name);
// Writes sys/class/net/<name>/ifindex for the given interfaces of the current
// namespace into tree (sysfs shows the namespace it was mounted in).
void write_net_ifindex(const TempDir& tree, const std::string& name);

}  // namespace trv_test
