// Order-path statistics kept in a memory-mapped file, so that another
// process can read them while the trading program runs. The library itself
// never creates a monitor: a build that does sets instance_ and calls the
// recorders from its order and report paths.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace nq { namespace api {

// One report record: seven values stored as given.
struct monitor_report_back_time_t {
    uint64_t values[7];
};
static_assert(sizeof(monitor_report_back_time_t) == 56, "report record");

class KApiMon {
public:
    static constexpr size_t kHeaderSize = 176;
    static constexpr size_t kInsertRecordSize = 96;
    static constexpr size_t kFirstReportRecordSize = 16;
    static constexpr size_t kReportRecordSize = 56;
    static constexpr const char* kDumpFile = "trv_api_order_perf.csv";

    static KApiMon* instance_;

    // path is copied (at most 511 characters); insert_capacity N and
    // report_capacity M size the tables of the file.
    KApiMon(const char* path, uint64_t insert_capacity, uint64_t report_capacity, uint32_t tag);
    KApiMon(const KApiMon&) = delete;
    KApiMon& operator=(const KApiMon&) = delete;

    // Size of the file for N and M; 0 when it does not fit a file offset
    // (capacities that large are refused, never wrapped to a small size).
    static uint64_t file_size(uint64_t insert_capacity, uint64_t report_capacity);

    // Maps the statistics file: a new file is sized and its header zeroed; an
    // existing one keeps its counters. A file of another size, or one made for
    // other capacities, is refused rather than mapped past its end, and so are
    // capacities whose file size overflows. N, M and the tag are written
    // before the one-second calibration, which is timed on the clock rather
    // than assumed (a signal may end the sleep early); a file whose
    // calibration never finished (a process that died during it) and that
    // holds nothing else is made again.
    bool initialize();

    void add_insert(uint64_t v0, uint64_t v1, uint64_t v2, uint64_t v3, uint64_t v4, uint64_t v5, uint64_t v6,
                    uint64_t v7, uint64_t v8, uint64_t v9, uint64_t v10, uint64_t v11);
    void add_cancel(uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t);
    void add_first_report_time(uint64_t a, uint64_t b, uint64_t c);
    void add_report_insert_record(monitor_report_back_time_t record);

    // Plain counters: one thread at a time.
    void add_login_count() { ++word(32); }
    void add_login_succ_count() { ++word(40); }
    void add_disconnect_count() { ++word(48); }
    void add_report() { ++word(80); }
    void add_raw_report() { ++word(88); }
    void add_slow_report() { ++word(96); }
    void add_fast_report() { ++word(104); }
    void add_order_response() { ++word(112); }
    void add_cancel_response() { ++word(120); }
    void add_error_response() { ++word(128); }
    void add_trade() { ++word(136); }
    void add_order_end() { ++word(144); }

    // Creates (or truncates) "trv_api_order_perf.csv" in the working
    // directory; true when it could be opened.
    static bool dump();

    const unsigned char* header() const { return header_; }

private:
    uint64_t& word(size_t offset) { return *reinterpret_cast<uint64_t*>(header_ + offset); }
    std::atomic<uint64_t>& atomic_word(size_t offset) {
        return *reinterpret_cast<std::atomic<uint64_t>*>(header_ + offset);
    }

    char path_[512];
    uint64_t insert_capacity_;
    uint64_t report_capacity_;
    uint32_t tag_;
    unsigned char* header_;
    unsigned char* insert_records_;
    unsigned char* first_report_records_;
    unsigned char* report_records_;
};

}}  // namespace nq::api
