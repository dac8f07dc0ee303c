// Points the files the library writes (its log, the latency monitor's file)
// at a fresh scratch directory: TRV_FILE_PATH names it for this process.
#pragma once
#include <stdlib.h>

#include <string>

namespace trv_test {

// False when no directory could be made.
inline bool use_scratch_file_path(const char* name) {
    std::string dir = std::string("/tmp/") + name + ".XXXXXX";
    if (mkdtemp(&dir[0]) == nullptr) return false;
    return setenv("TRV_FILE_PATH", dir.c_str(), 1) == 0;
}

}  // namespace trv_test
