#include "hostinfo/CpuList.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "trv_hostinfo.h"

namespace nq { namespace api {

namespace {

void append_range(long low, long high, int* cpus, size_t capacity, size_t* count) {
    if (low < 0) low = 0;
    if (high > kMaxCpus - 1) high = kMaxCpus - 1;
    for (long cpu = low; cpu <= high && *count < capacity; ++cpu) cpus[(*count)++] = static_cast<int>(cpu);
}

}  // namespace

size_t parse_cpu_list(const char* text, int* cpus, size_t capacity) {
    if (text == nullptr || (cpus == nullptr && capacity > 0)) return 0;
    std::string copy(text);
    size_t count = 0;
    char* save = nullptr;
    for (char* part = strtok_r(&copy[0], ",", &save); part != nullptr && count < capacity;
         part = strtok_r(nullptr, ",", &save)) {
        int low = 0;
        int high = 0;
        if (sscanf(part, "%d-%d", &low, &high) == 2) {
            if (high >= low) append_range(low, high, cpus, capacity, &count);
        } else if (sscanf(part, "%d", &low) == 1) {
            append_range(low, low, cpus, capacity, &count);
        }
    }
    return count;
}

bool read_cpu_list(const char* path, int* cpus, size_t capacity, size_t* count) {
    if (count != nullptr) *count = 0;
    if (path == nullptr) return false;
    FILE* f = fopen(path, "re");
    if (f == nullptr) return false;
    char* line = nullptr;
    size_t line_size = 0;
    ssize_t n = getline(&line, &line_size, f);
    fclose(f);
    if (n <= 0) {
        free(line);
        return false;
    }
    if (line[n - 1] == '\n') line[n - 1] = '\0';
    size_t written = parse_cpu_list(line, cpus, capacity);
    free(line);
    if (count != nullptr) *count = written;
    return true;
}

size_t cpu_list_capacity() {
    long total = get_cpu_total_count();
    if (total <= 0) return 0;
    return total > kMaxCpus ? static_cast<size_t>(kMaxCpus) : static_cast<size_t>(total);
}

}}  // namespace nq::api
