#include "api/monitor/KApiMon.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <x86intrin.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "log/Log.h"

namespace nq { namespace api {

KApiMon* KApiMon::instance_ = nullptr;

static_assert(std::atomic<uint64_t>::is_always_lock_free, "header counters are shared through the file");

KApiMon::KApiMon(const char* path, uint64_t insert_capacity, uint64_t report_capacity, uint32_t tag)
    : insert_capacity_(insert_capacity), report_capacity_(report_capacity), tag_(tag), header_(nullptr),
      insert_records_(nullptr), first_report_records_(nullptr), report_records_(nullptr) {
    std::snprintf(path_, sizeof path_, "%s", path != nullptr ? path : "");
}

uint64_t KApiMon::file_size(uint64_t insert_capacity, uint64_t report_capacity) {
    uint64_t inserts = 0, reports = 0, size = 0;
    if (__builtin_mul_overflow(insert_capacity, uint64_t(kInsertRecordSize + kFirstReportRecordSize), &inserts) ||
        __builtin_mul_overflow(report_capacity, uint64_t(kReportRecordSize), &reports) ||
        __builtin_add_overflow(inserts, reports, &size) || __builtin_add_overflow(size, uint64_t(kHeaderSize), &size) ||
        size > static_cast<uint64_t>(INT64_MAX))
        return 0;
    return size;
}

namespace {

// A header whose calibration never finished: no tick rate, the capacities and
// tag either not yet written or this monitor's own, and no count at all.
bool never_calibrated(const unsigned char* header, uint64_t n, uint64_t m, uint32_t tag) {
    uint64_t words[KApiMon::kHeaderSize / 8];
    std::memcpy(words, header, sizeof words);
    uint32_t file_tag = 0;
    std::memcpy(&file_tag, header + 24, 4);
    if (words[0] != 0) return false;
    const bool blank = words[1] == 0 && words[2] == 0 && file_tag == 0;
    const bool ours = words[1] == n && words[2] == m && file_tag == tag;
    if (!blank && !ours) return false;
    for (size_t i = 4; i < KApiMon::kHeaderSize / 8; ++i)
        if (words[i] != 0) return false;
    return true;
}

uint64_t monotonic_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

// Time-stamp-counter ticks per nanosecond over about one second, on the
// interval actually slept.
double calibrate_ticks_per_ns() {
    const uint64_t start_ns = monotonic_ns();
    const unsigned long long start = __rdtsc();
    timespec left{1, 0};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    const unsigned long long end = __rdtsc();
    const uint64_t elapsed_ns = monotonic_ns() - start_ns;
    return elapsed_ns != 0 ? static_cast<double>(end - start) / static_cast<double>(elapsed_ns) : 0.0;
}

}  // namespace

bool KApiMon::initialize() {
    const uint64_t size = file_size(insert_capacity_, report_capacity_);
    if (size == 0) {
        LOG_ERROR("monitor file %s refused, capacities too large: { inserts = %lu, reports = %lu }", path_,
                  static_cast<unsigned long>(insert_capacity_), static_cast<unsigned long>(report_capacity_));
        return false;
    }
    int fd = open(path_, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    const bool fresh = st.st_size == 0;
    if (fresh) {
        if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
            close(fd);
            return false;
        }
    } else if (static_cast<uint64_t>(st.st_size) != size) {
        // Mapping it at our size would reach past its end.
        LOG_ERROR("monitor file %s has %ld bytes, expected %lu", path_, static_cast<long>(st.st_size),
                  static_cast<unsigned long>(size));
        close(fd);
        return false;
    }
    void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        close(fd);
        return false;
    }
    unsigned char* base = static_cast<unsigned char*>(map);
    if (fresh || never_calibrated(base, insert_capacity_, report_capacity_, tag_)) {
        std::memset(base, 0, kHeaderSize);
    } else {
        uint64_t n = 0, m = 0;
        std::memcpy(&n, base + 8, 8);
        std::memcpy(&m, base + 16, 8);
        if (n != insert_capacity_ || m != report_capacity_) {
            // Same size, other tables: its records would be misread.
            LOG_ERROR("monitor file %s was made for %lu inserts and %lu reports", path_, static_cast<unsigned long>(n),
                      static_cast<unsigned long>(m));
            munmap(map, size);
            close(fd);
            return false;
        }
    }
    header_ = base;
    insert_records_ = base + kHeaderSize;
    first_report_records_ = base + kHeaderSize + kInsertRecordSize * insert_capacity_;
    report_records_ = base + kHeaderSize + (kInsertRecordSize + kFirstReportRecordSize) * insert_capacity_;

    // What the file is made for goes in first: a process that dies during
    // the calibration leaves a file that the next start recognises.
    std::memcpy(base + 8, &insert_capacity_, 8);
    std::memcpy(base + 16, &report_capacity_, 8);
    std::memcpy(base + 24, &tag_, 4);
    const double ticks_per_ns = calibrate_ticks_per_ns();
    std::memcpy(base, &ticks_per_ns, 8);
    close(fd);
    return true;
}

void KApiMon::add_insert(uint64_t v0, uint64_t v1, uint64_t v2, uint64_t v3, uint64_t v4, uint64_t v5, uint64_t v6,
                         uint64_t v7, uint64_t v8, uint64_t v9, uint64_t v10, uint64_t v11) {
    const uint64_t i = atomic_word(56).fetch_add(1);
    if (i == 0) word(152) = v1;
    if (i < insert_capacity_) {
        const uint64_t values[12] = {v0, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11};
        std::memcpy(insert_records_ + i * kInsertRecordSize, values, sizeof values);
    }
    word(160) = v1;
}

void KApiMon::add_cancel(uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t,
                         uint64_t) {
    atomic_word(64).fetch_add(1);
}

void KApiMon::add_first_report_time(uint64_t a, uint64_t, uint64_t c) {
    const uint64_t i = atomic_word(72).fetch_add(1);
    if (i < insert_capacity_) {
        const uint64_t values[2] = {a, c};
        std::memcpy(first_report_records_ + i * kFirstReportRecordSize, values, sizeof values);
    }
}

void KApiMon::add_report_insert_record(monitor_report_back_time_t record) {
    const uint64_t i = word(168);
    if (i >= report_capacity_) return;
    std::memcpy(report_records_ + i * kReportRecordSize, &record, sizeof record);
    word(168) = i + 1;
}

bool KApiMon::dump() {
    FILE* f = std::fopen(kDumpFile, "w");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

}}  // namespace nq::api
