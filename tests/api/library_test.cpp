// What the shared library needs at load time, read from its ELF dynamic section.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <set>
#include <string>

namespace {

std::set<std::string> needed_libraries(const char* path, bool* read_ok) {
    std::set<std::string> out;
    *read_ok = false;
    std::string cmd = std::string("readelf -d '") + path + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char line[512];
    while (fgets(line, sizeof line, p)) {
        std::string s(line);
        if (s.find("Dynamic section") != std::string::npos) *read_ok = true;
        if (s.find("(NEEDED)") == std::string::npos) continue;
        auto a = s.find('['), b = s.find(']');
        if (a != std::string::npos && b != std::string::npos && b > a) out.insert(s.substr(a + 1, b - a - 1));
    }
    pclose(p);
    return out;
}

TEST(SharedLibrary, NeedsOnlyLibcLibmPthreadAndTheCxxRuntime) {
    // ld-linux is glibc's own loader; thread-local storage of a shared
    // library resolves through it (__tls_get_addr).
    const std::set<std::string> allowed = {"libc.so.6",      "libm.so.6",    "libpthread.so.0", "ld-linux-x86-64.so.2",
                                           "libstdc++.so.6", "libgcc_s.so.1"};
    bool read_ok = false;
    auto needed = needed_libraries(TRV_LIBRARY_PATH, &read_ok);
    ASSERT_TRUE(read_ok) << "could not read the dynamic section of " << TRV_LIBRARY_PATH;
    for (const auto& lib : needed) {
        // Sanitizer builds add their runtimes; nothing else may appear.
        if (lib.rfind("libasan", 0) == 0 || lib.rfind("libubsan", 0) == 0 || lib.rfind("libtsan", 0) == 0) continue;
        EXPECT_TRUE(allowed.count(lib)) << "unexpected load-time dependency " << lib;
    }
}

// Internal classes that the library exports for user programs.
TEST(SharedLibrary, ExportsTheOrderMap) {
    void* lib = dlopen(TRV_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const char* symbol :
         {"_ZN2nq3api12KApiOrderMapC1Ev", "_ZN2nq3api12KApiOrderMapD1Ev",
          "_ZN2nq3api12KApiOrderMap9set_orderEPNS0_9KApiOrderE", "_ZNK2nq3api12KApiOrderMap9get_orderEm"})
        EXPECT_NE(dlsym(lib, symbol), nullptr) << symbol << " is not exported";
    // Not dlclose'd: the library's threads and statics live with the process.
}

}  // namespace
