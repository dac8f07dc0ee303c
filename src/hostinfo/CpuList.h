// Kernel CPU list texts such as "0-3,8,10-11".
#pragma once
#include <cstddef>

namespace nq { namespace api {

// CPU sets exchanged with the kernel hold this many CPUs.
constexpr int kMaxCpus = 1024;

// Parses a CPU list: parts separated by ',', each "low-high" (skipped when
// high < low) or a single number; other parts are skipped. CPUs outside
// 0..kMaxCpus-1 are never reported. Writes at most capacity entries and
// returns the number written.
size_t parse_cpu_list(const char* text, int* cpus, size_t capacity);

// Reads the first line of the file (whatever its length) and parses it.
// False when the file cannot be opened or is empty; true for an empty line.
bool read_cpu_list(const char* path, int* cpus, size_t capacity, size_t* count = nullptr);

// Entries a caller-supplied CPU list array is sized for: the configured CPU
// count, at most kMaxCpus (0 when the count cannot be read).
size_t cpu_list_capacity();

}}  // namespace nq::api
