#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>
#include <string>

#include "hostinfo/HostFixture.h"
#include "trv_hostinfo.h"

using namespace nq::api;
using trv_test::HostRoot;
using trv_test::TempDir;

namespace {

bool has_ipv4(const char* dotted) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    in_addr_t want = inet_addr(dotted);
    bool found = false;
    for (ifaddrs* it = list; it; it = it->ifa_next)
        if (it->ifa_addr && it->ifa_addr->sa_family == AF_INET &&
            reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr == want)
            found = true;
    freeifaddrs(list);
    return found;
}

const unsigned char kTapMac[6] = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};

}  // namespace

TEST(NicId, FindsTheInterfaceOfALocalAddress) {
    if (!has_ipv4("127.0.0.1")) GTEST_SKIP() << "no 127.0.0.1 here";
    unsigned lo = if_nametoindex("lo");
    ASSERT_NE(0u, lo);
    EXPECT_EQ(lo, get_nic_id(static_cast<unsigned>(inet_addr("127.0.0.1"))));
    EXPECT_EQ(lo, get_nic_id_from_ip("127.0.0.1"));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = inet_addr("127.0.0.1");
    EXPECT_EQ(lo, get_nic_id(&sa));
}

TEST(NicId, UnknownOrInvalidAddressesGiveZero) {
    EXPECT_EQ(0u, get_nic_id_from_ip("192.0.2.77"));       // documentation range
    EXPECT_EQ(0u, get_nic_id_from_ip("255.255.255.255"));  // inet_addr's error value
    EXPECT_EQ(0u, get_nic_id_from_ip("not an address"));
    EXPECT_EQ(0u, get_nic_id_from_ip(nullptr));
    EXPECT_EQ(0u, get_nic_id(static_cast<const sockaddr_in*>(nullptr)));
}

TEST(NicName, FromSysfsIndexes) {
    HostRoot root(trv_test::fixture_path("host"));
    struct Case {
        unsigned index;
        int result;
        const char* name;
    } cases[] = {
        {1, 0, "lo"}, {3, 0, "eth1"}, {5, 0, "thirteenchars"}, {7, 0, "seventeen-chars"},  // cut to 15 characters
        {99, -1, ""},
    };
    for (const Case& c : cases) {
        char name[16] = "";
        EXPECT_EQ(c.result, get_name_from_nic(c.index, name)) << c.index;
        if (c.result == 0) {
            EXPECT_STREQ(c.name, name);
        }
    }
    EXPECT_EQ(-1, get_name_from_nic(1, nullptr));
}

TEST(NicName, ThisMachineLoopback) {
    unsigned lo = if_nametoindex("lo");
    ASSERT_NE(0u, lo);
    char name[16];
    ASSERT_EQ(0, get_name_from_nic(lo, name));
    EXPECT_STREQ("lo", name);
}

TEST(Efvi, NeedsSolarflareVendorAndDevice) {
    HostRoot root(trv_test::fixture_path("host"));
    EXPECT_TRUE(is_support_efvi(2));   // 0x1924 / 0x0B03, case ignored
    EXPECT_FALSE(is_support_efvi(3));  // another vendor
    EXPECT_FALSE(is_support_efvi(4));  // another Solarflare device
    EXPECT_FALSE(is_support_efvi(1));  // no device files
    EXPECT_FALSE(is_support_efvi(99));
}

TEST(Mac, LoopbackHasAnAllZeroAddress) {
    unsigned lo = if_nametoindex("lo");
    unsigned char mac[6];
    memset(mac, 0xff, sizeof(mac));
    ASSERT_EQ(0, get_mac_from_nic(lo, mac));
    for (unsigned char b : mac) EXPECT_EQ(0, b);
    EXPECT_EQ(-1, get_mac_from_nic(lo, nullptr));
    EXPECT_EQ(-1, get_mac_from_nic(0x7fffffff, mac));
    EXPECT_EQ(-1, get_mac_from_addr(static_cast<unsigned>(inet_addr("192.0.2.77")), mac));
    if (has_ipv4("127.0.0.1")) {
        EXPECT_EQ(0, get_mac_from_addr(static_cast<unsigned>(inet_addr("127.0.0.1")), mac));
    }
}

TEST(Mac, OfATapInterfaceInAPrivateNamespace) {
    TRV_RUN_IN_NETNS([] {
        trv_test::TapDevice tap("trvtap0");
        if (!tap.ok()) trv_test::skip_in_child("no TAP device can be made here");
        ASSERT_TRUE(tap.set_mac(kTapMac));
        ASSERT_TRUE(tap.set_ipv4("10.77.0.5", "255.255.255.0"));
        // sysfs shows the namespace it was mounted in; describe this one.
        TempDir tree;
        trv_test::write_net_ifindex(tree, tap.name());
        HostRoot root(tree.path());
        unsigned char mac[6] = {};
        ASSERT_EQ(tap.index(), get_nic_id_from_ip("10.77.0.5"));
        ASSERT_EQ(0, get_mac_from_addr(static_cast<unsigned>(inet_addr("10.77.0.5")), mac));
        EXPECT_EQ(0, memcmp(kTapMac, mac, 6));
    });
}

TEST(NicVip, RejectsBadArgumentsWithoutTouchingTheSystem) {
    HostRoot root(trv_test::fixture_path("host"));
    EXPECT_FALSE(set_nic_vip(1, "10.1.1.1", 10));
    EXPECT_FALSE(set_nic_vip(1, "10.1.1.1", -1));
    EXPECT_FALSE(set_nic_vip(0, "10.1.1.1", 1));
    EXPECT_FALSE(set_nic_vip(-3, "10.1.1.1", 1));
    EXPECT_FALSE(set_nic_vip(1, nullptr, 1));
    EXPECT_FALSE(set_nic_vip(5, "10.1.1.1", 1));  // "thirteenchars" leaves no room for ":1"
    EXPECT_FALSE(set_nic_vip(99, "10.1.1.1", 1));
    EXPECT_FALSE(unset_nic_vip(1, "10.1.1.1", 10));
    EXPECT_FALSE(unset_nic_vip(5, "10.1.1.1", 1));
    EXPECT_FALSE(unset_nic_vip(1, nullptr, 1));
}

namespace {

void vip_round_trip(const char* base, unsigned index, const char* netmask) {
    const char* vip = "10.66.1.9";
    char alias[IF_NAMESIZE];
    snprintf(alias, sizeof(alias), "%s:3", base);
    EXPECT_EQ(0u, get_nic_id_from_ip(vip));
    EXPECT_FALSE(set_nic_vip(static_cast<int>(index), "10.66.1.x", 3));
    ASSERT_TRUE(set_nic_vip(static_cast<int>(index), vip, 3));
    EXPECT_EQ(index, get_nic_id_from_ip(vip));
    // The alias carries the base interface's netmask, never 0.0.0.0 (which
    // would route every address through it).
    EXPECT_EQ(netmask, trv_test::netmask_of(alias));
    EXPECT_FALSE(unset_nic_vip(static_cast<int>(index), "10.66.1.10", 3));  // not its address
    EXPECT_EQ(index, get_nic_id_from_ip(vip));
    ASSERT_TRUE(unset_nic_vip(static_cast<int>(index), vip, 3));
    EXPECT_EQ(0u, get_nic_id_from_ip(vip));
    EXPECT_FALSE(unset_nic_vip(static_cast<int>(index), vip, 3));  // already gone
}

}  // namespace

TEST(NicVip, AddsAndRemovesAnAliasOnLoopback) {
    TRV_RUN_IN_NETNS([] {
        ASSERT_TRUE(trv_test::loopback_up());
        TempDir tree;
        trv_test::write_net_ifindex(tree, "lo");
        HostRoot root(tree.path());
        vip_round_trip("lo", if_nametoindex("lo"), "255.0.0.0");
    });
}

TEST(NicVip, AddsAndRemovesAnAliasOnATapInterface) {
    TRV_RUN_IN_NETNS([] {
        trv_test::TapDevice tap("trvtap1");
        if (!tap.ok()) trv_test::skip_in_child("no TAP device can be made here");
        ASSERT_TRUE(tap.set_ipv4("10.66.1.1", "255.255.255.0"));
        ASSERT_TRUE(tap.up());
        TempDir tree;
        trv_test::write_net_ifindex(tree, tap.name());
        HostRoot root(tree.path());
        vip_round_trip(tap.name().c_str(), tap.index(), "255.255.255.0");
    });
}

TEST(NicVip, BaseWithoutAddressFails) {
    TRV_RUN_IN_NETNS([] {
        // lo of a new namespace is down and has no address.
        TempDir tree;
        trv_test::write_net_ifindex(tree, "lo");
        HostRoot root(tree.path());
        EXPECT_FALSE(set_nic_vip(static_cast<int>(if_nametoindex("lo")), "10.66.1.9", 2));
        EXPECT_EQ(0u, get_nic_id_from_ip("10.66.1.9"));
    });
}
