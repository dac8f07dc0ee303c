#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "hostinfo/HostFixture.h"
#include "trv_hostinfo.h"

using namespace nq::api;
using trv_test::FakeTools;
using trv_test::HostRoot;
using trv_test::TempDir;

namespace {

// Host fixture tree with its prepared tool answers.
struct HostFixture {
    HostRoot root{trv_test::fixture_path("host")};
    FakeTools tools{trv_test::fixture_path("host_tools")};
};

std::string serial_of(const char* device, bool* ok = nullptr) {
    char buffer[128];
    memset(buffer, 'x', sizeof(buffer));
    bool result = get_device_serial_number(device, buffer, sizeof(buffer));
    if (ok) *ok = result;
    return buffer;
}

bool proc_mounts_has(const char* point) {
    std::ifstream in("/proc/mounts");
    std::string dev, mnt, rest;
    while (in >> dev >> mnt && std::getline(in, rest))
        if (mnt == point) return true;
    return false;
}

}  // namespace

// Every source, in order: each case provides its own source and all later
// ones, so the value shows which source won.
TEST(DeviceSerial, SourcesAreTriedInOrder) {
    const int kSources = 9;
    for (int first = 1; first <= kSources; ++first) {
        TempDir tree;
        FakeTools tools;
        tree.mkdir("sys/block/sdx");
        tree.mkdir("sys/devices/host0/target0");
        tree.symlink("sys/block/sdx/device", "../../devices/host0/target0");
        auto provide = [&](int source) {
            std::string v = "S" + std::to_string(source);
            switch (source) {
                case 1: tree.write("sys/devices/host0/target0/serial", v + "\n"); break;
                case 2: tree.write("sys/block/sdx/wwid", v + "\n"); break;
                case 3:
                    tools.answer("hdparm", "-I /dev/sdx", "\tModel Number: M\n\tSerial Number:      " + v + "\n");
                    break;
                case 4: tree.write("sys/block/sdx/serial", v + "\n"); break;
                case 5: tree.write("sys/devices/host0/serial", v + "\n"); break;  // device/../serial
                case 6: tree.write("sys/devices/host0/target0/vpd_pg80", v + "\n"); break;
                case 7:
                    tools.answer("udevadm", "info --query=all --name=/dev/sdx",
                                 "E: ID_SERIAL_SHORT=no\nE: ID_SERIAL=" + v + "\n");
                    break;
                case 8: tools.answer("lsblk", "-ndo SERIAL /dev/sdx", v + "\n"); break;
                case 9:
                    tools.answer("smartctl", "-i /dev/sdx", "Device Model: M\nSerial Number:    " + v + "\n");
                    break;
            }
        };
        for (int s = first; s <= kSources; ++s) provide(s);
        HostRoot root(tree.path());
        bool ok = false;
        EXPECT_EQ("S" + std::to_string(first), serial_of("sdx", &ok)) << "first source " << first;
        EXPECT_TRUE(ok);
    }
}

TEST(DeviceSerial, BlankSourcesFallThroughAndNoneGivesNA) {
    TempDir tree;
    FakeTools tools;
    tree.write("sys/block/sdx/device/serial", "   \n");
    tree.write("sys/class/block/sdx/wwid", " wwn-1 \n");  // the class path is the fallback
    HostRoot root(tree.path());
    EXPECT_EQ("wwn-1", serial_of("sdx"));

    bool ok = true;
    EXPECT_EQ("N/A", serial_of("sdy", &ok));
    EXPECT_FALSE(ok);
    // The commands were tried for the missing disk.
    EXPECT_NE(std::string::npos, tools.calls().find("smartctl -i /dev/sdy"));

    char small[3];
    EXPECT_FALSE(get_device_serial_number("sdy", small, sizeof(small)));
    EXPECT_STREQ("N/", small);
    EXPECT_FALSE(get_device_serial_number(nullptr, small, sizeof(small)));
    EXPECT_FALSE(get_device_serial_number("sdy", nullptr, 8));
    EXPECT_FALSE(get_device_serial_number("sdy", small, 0));
}

TEST(DiskInfo, FillsTheRecordFromSysfs) {
    HostFixture host;
    struct Case {
        const char* device;
        const char* model;
        const char* serial;
        const char* type;
        const char* transport;
    } cases[] = {
        {"sda", "FIXTURE SSD 512G", "SER-SDA-001", "SSD", "SATA"},
        {"vda", "", "N/A", "HDD", "virtio"},
        {"nvme0n1", "", "eui.0025388b91b2e5a1", "SSD", "NVMe"},
    };
    for (const Case& c : cases) {
        DiskInfo info;
        memset(&info, 'x', sizeof(info));
        ASSERT_TRUE(get_disk_info(c.device, &info)) << c.device;
        EXPECT_STREQ(c.device, info.name);
        EXPECT_STREQ(c.model, info.model);
        EXPECT_STREQ(c.serial, info.serial_number);
        EXPECT_STREQ(c.type, info.type);
        EXPECT_STREQ(c.transport, info.transport);
        EXPECT_EQ(0u, info.size);  // fixture device nodes are plain files
    }
}

TEST(DiskInfo, UnopenableDeviceFailsWithTheEarlyFields) {
    TempDir tree;
    FakeTools tools;
    tree.write("sys/block/sdq/device/model", "M1\n");
    tree.write("sys/block/sdq/device/serial", "Q1\n");
    tree.write("sys/block/sdq/device/transport", "sas\n");
    HostRoot root(tree.path());
    DiskInfo info;
    EXPECT_FALSE(get_disk_info("sdq", &info));
    EXPECT_STREQ("sdq", info.name);
    EXPECT_STREQ("M1", info.model);
    EXPECT_STREQ("Q1", info.serial_number);
    EXPECT_STREQ("", info.type);
    EXPECT_STREQ("", info.transport);

    tree.write("dev/sdq", "");
    ASSERT_TRUE(get_disk_info("sdq", &info));
    EXPECT_STREQ("sas", info.transport);
    EXPECT_STREQ("N/A", info.type);
    EXPECT_FALSE(get_disk_info(nullptr, &info));
    EXPECT_FALSE(get_disk_info("sdq", nullptr));
}

TEST(PhysicalDisks, ListsDisksOnly) {
    HostFixture host;
    DiskInfo* disks = nullptr;
    int count = -1;
    ASSERT_TRUE(list_physical_disks(&disks, &count));
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(disks[i].name);
    free(disks);
    std::sort(names.begin(), names.end());
    // sdb is an optical drive (type 5), zram0 has no device node, loop0 and
    // sr0 are skipped by name.
    EXPECT_EQ((std::vector<std::string>{"nvme0n1", "sda", "vda"}), names);
    EXPECT_FALSE(list_physical_disks(nullptr, &count));
    EXPECT_FALSE(list_physical_disks(&disks, nullptr));
}

TEST(PhysicalDisks, NoneGivesAnEmptyList) {
    TempDir tree;
    tree.write("sys/block/loop0/uevent", "DEVTYPE=disk\n");
    HostRoot root(tree.path());
    DiskInfo* disks = reinterpret_cast<DiskInfo*>(1);
    int count = -1;
    ASSERT_TRUE(list_physical_disks(&disks, &count));
    EXPECT_EQ(nullptr, disks);
    EXPECT_EQ(0, count);
    TempDir empty;
    HostRoot none(empty.path());
    EXPECT_FALSE(list_physical_disks(&disks, &count));
}

TEST(Partitions, ReadsTypeIdMountAndSizes) {
    HostFixture host;
    DiskPartitionInfo* parts = nullptr;
    int count = 0;
    ASSERT_TRUE(get_disk_partitions("sda", &parts, &count));
    ASSERT_EQ(3, count);
    std::sort(parts, parts + count,
              [](const DiskPartitionInfo& a, const DiskPartitionInfo& b) { return strcmp(a.device, b.device) < 0; });

    // Mounted: sizes from statvfs of the mount point; the UUID line wins over
    // an earlier LABEL line.
    EXPECT_STREQ("/dev/sda1", parts[0].device);
    EXPECT_STREQ("/tmp", parts[0].mount_point);
    EXPECT_STREQ("ext4", parts[0].fs_type);
    EXPECT_STREQ("1111-2222", parts[0].uuid_or_label);
    struct statvfs vfs;
    ASSERT_EQ(0, statvfs("/tmp", &vfs));
    EXPECT_EQ(static_cast<uint64_t>(vfs.f_frsize) * vfs.f_blocks, parts[0].total_bytes);
    EXPECT_GT(parts[0].total_bytes, 0u);
    EXPECT_LE(parts[0].free_bytes + parts[0].used_bytes, parts[0].total_bytes);

    // Unmounted: total from the size file, nothing free or used.
    EXPECT_STREQ("/dev/sda2", parts[1].device);
    EXPECT_STREQ("N/A", parts[1].mount_point);
    EXPECT_STREQ("vfat", parts[1].fs_type);
    EXPECT_STREQ("data", parts[1].uuid_or_label);
    EXPECT_EQ(4096u * 512u, parts[1].total_bytes);
    EXPECT_EQ(0u, parts[1].free_bytes);
    EXPECT_EQ(0u, parts[1].used_bytes);

    // Mounted through its holder; a later LABEL does not replace the UUID.
    EXPECT_STREQ("/dev/sda3", parts[2].device);
    EXPECT_STREQ("/", parts[2].mount_point);
    EXPECT_STREQ("xfs", parts[2].fs_type);
    EXPECT_STREQ("3333-4444", parts[2].uuid_or_label);
    free(parts);

    EXPECT_FALSE(get_disk_partitions("sdz", &parts, &count));
    EXPECT_FALSE(get_disk_partitions(nullptr, &parts, &count));
    ASSERT_TRUE(get_disk_partitions("vda", &parts, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, parts);
}

TEST(Volume, UuidOfADeviceOrAMountPoint) {
    HostFixture host;
    char buffer[64];
    EXPECT_TRUE(get_volume_serial_number("/dev/sda1", buffer, sizeof(buffer)));
    EXPECT_STREQ("1111-2222", buffer);
    EXPECT_TRUE(get_volume_serial_number("/tmp", buffer, sizeof(buffer)));
    EXPECT_STREQ("1111-2222", buffer);
    EXPECT_FALSE(get_volume_serial_number("/dev/sda2", buffer, sizeof(buffer)));  // no UUID
    EXPECT_STREQ("N/A", buffer);
    EXPECT_FALSE(get_volume_serial_number(nullptr, buffer, sizeof(buffer)));
    EXPECT_FALSE(get_volume_serial_number("/tmp", buffer, 0));
}

TEST(Volume, NoMatchingMountNeverGivesAnotherDevicesUuid) {
    HostFixture host;
    char buffer[64];
    // blkid without a device would list every device (the fixture answers
    // "9999-OTHER" for that call).
    EXPECT_FALSE(get_volume_serial_number("/not/mounted", buffer, sizeof(buffer)));
    EXPECT_STREQ("N/A", buffer);
    EXPECT_EQ("", host.tools.calls());
}

TEST(SystemDisk, FromTheBootMount) {
    HostFixture host;
    char buffer[128];
    EXPECT_TRUE(get_system_disk_volume(buffer, sizeof(buffer)));
    EXPECT_STREQ("/tmp", buffer);
    EXPECT_TRUE(get_system_disk_device(buffer, sizeof(buffer)));
    EXPECT_STREQ("sda", buffer);
    EXPECT_TRUE(get_system_disk_volume_serial_number(buffer, sizeof(buffer)));
    EXPECT_STREQ("1111-2222", buffer);
    char small[3];
    EXPECT_TRUE(get_system_disk_device(small, sizeof(small)));
    EXPECT_STREQ("sd", small);
    EXPECT_FALSE(get_system_disk_device(nullptr, 8));
    EXPECT_FALSE(get_system_disk_volume(buffer, 0));
    EXPECT_FALSE(get_system_disk_volume_serial_number(nullptr, 8));
}

TEST(SystemDisk, PrefersBootEfiThenBootThenRoot) {
    struct Case {
        const char* mounts;
        const char* lsblk_device;
    } cases[] = {
        {"/dev/a1 / ext4 rw 0 0\n/dev/a2 /boot ext4 rw 0 0\n/dev/a3 /boot/efi vfat rw 0 0\n", "/dev/a3"},
        {"/dev/a1 / ext4 rw 0 0\n/dev/a2 /boot ext4 rw 0 0\n", "/dev/a2"},
        {"/dev/a1 / ext4 rw 0 0\n/dev/a4 /boot/efix vfat rw 0 0\n", "/dev/a1"},
    };
    for (const Case& c : cases) {
        TempDir tree;
        tree.write("proc/mounts", c.mounts);
        FakeTools tools;
        tools.answer("lsblk", std::string("-no MOUNTPOINT ") + c.lsblk_device, "/picked\n");
        HostRoot root(tree.path());
        char buffer[64];
        EXPECT_TRUE(get_system_disk_volume(buffer, sizeof(buffer))) << c.lsblk_device;
        EXPECT_STREQ("/picked", buffer);
    }
}

TEST(SystemDisk, WithoutSeparateBootThereIsNoAnswer) {
    TempDir tree;
    tree.write("proc/mounts", "/dev/a1 / ext4 rw 0 0\n");
    FakeTools tools;
    HostRoot root(tree.path());
    char buffer[64] = "junk";
    EXPECT_FALSE(get_system_disk_device(buffer, sizeof(buffer)));
    EXPECT_STREQ("", buffer);
    EXPECT_FALSE(get_system_disk_volume(buffer, sizeof(buffer)));  // lsblk has no answer
    EXPECT_STREQ("N/A", buffer);
    EXPECT_FALSE(get_system_disk_volume_serial_number(buffer, sizeof(buffer)));
    EXPECT_STREQ("N/A", buffer);
}

// Names from callers, directory entries and the mount table never reach a
// shell unless they are plain device names.
TEST(CommandInjection, HostileNamesRunNothing) {
    TempDir scratch;
    // The shell would run in the current directory; the marker is relative so
    // the hostile names need no '/'.
    char old_cwd[4096];
    ASSERT_NE(nullptr, getcwd(old_cwd, sizeof(old_cwd)));
    ASSERT_EQ(0, chdir(scratch.path().c_str()));
    const std::string evil = "x;touch${IFS}pwned";
    TempDir tree;
    tree.write("sys/block/sda/sda1$(touch${IFS}pwned)", "");
    tree.write("sys/block/sda/sda2;touch${IFS}pwned", "");
    tree.write("proc/mounts", "/dev/" + evil + " /boot ext4 rw 0 0\n/dev/" + evil + " /mnt ext4 rw 0 0\n");
    FakeTools tools;
    HostRoot root(tree.path());
    std::vector<std::function<void()>> calls = {
        [&] {
            char b[64];
            get_device_serial_number(evil.c_str(), b, sizeof(b));
        },
        [&] {
            DiskInfo d;
            get_disk_info(evil.c_str(), &d);
        },
        [&] {
            char b[64];
            get_volume_serial_number(("/dev/" + evil).c_str(), b, sizeof(b));
        },
        [&] {
            char b[64];
            get_volume_serial_number("/mnt", b, sizeof(b));
        },
        [&] {
            char b[64];
            get_system_disk_device(b, sizeof(b));
        },
        [&] {
            char b[64];
            get_system_disk_volume(b, sizeof(b));
        },
        [&] {
            char b[64];
            get_system_disk_volume_serial_number(b, sizeof(b));
        },
        [&] {
            DiskPartitionInfo* p = nullptr;
            int n = 0;
            get_disk_partitions("sda", &p, &n);
            free(p);
        },
        [&] {
            char b[64];
            get_device_serial_number("-o", b, sizeof(b));
        },
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        calls[i]();
        EXPECT_FALSE(scratch.exists("pwned")) << "call " << i;
    }
    // Only the plain "-o" device reached the tools, as /dev/-o.
    std::string log = tools.calls();
    EXPECT_EQ(std::string::npos, log.find("touch")) << log;
    EXPECT_EQ(std::string::npos, log.find("IFS")) << log;
    ASSERT_EQ(0, chdir(old_cwd));
}

TEST(ThisMachine, StorageFunctionsGiveFallbacksAndReturn) {
    char buffer[256];
    if (!proc_mounts_has("/boot")) {
        strcpy(buffer, "junk");
        EXPECT_FALSE(get_system_disk_device(buffer, sizeof(buffer)));
        EXPECT_STREQ("", buffer);
    }
    get_system_disk_volume(buffer, sizeof(buffer));
    get_system_disk_volume_serial_number(buffer, sizeof(buffer));
    EXPECT_NE('\0', buffer[0]);
    DiskInfo* disks = nullptr;
    int count = 0;
    if (list_physical_disks(&disks, &count)) {
        for (int i = 0; i < count; ++i) {
            DiskPartitionInfo* parts = nullptr;
            int n = 0;
            get_disk_partitions(disks[i].name, &parts, &n);
            free(parts);
        }
        free(disks);
    }
    DiskInfo info;
    if (get_disk_info("vda", &info)) {
        EXPECT_STREQ("vda", info.name);
    }
}
