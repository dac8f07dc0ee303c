// Leaks one block for an input that starts with 'L' (its seed corpus holds
// one). scripts/run_fuzzers.sh runs it first and insists that it fails with
// a leak report: so a fuzz run whose leak detection is off cannot pass.
#include <cstddef>
#include <cstdint>

namespace {
void* volatile g_last;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0 && data[0] == 'L') {
        g_last = new int[4];
        g_last = nullptr;  // the only pointer to the block is gone
    }
    return 0;
}
