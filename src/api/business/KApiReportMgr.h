// De-duplication filter for 32-byte report ids: a fixed table of chain heads.
#pragma once
#include <cstdint>

namespace nq { namespace api {

struct KApiReportNode {
    unsigned char report_id[32];
    KApiReportNode* next;
};

class KApiReportMgr {
public:
    static constexpr uint64_t kReportIdSize = 32;
    static const uint64_t bucket_size_;  // 1000003

    // A zero-filled table of bucket_size_ chain heads, or null.
    static KApiReportNode** create_table();
    // Frees every node and the table.
    static void destroy_table(KApiReportNode** table);

    // The id is taken as exactly 32 bytes: ids that differ only after a zero
    // byte are different reports.
    static uint64_t bucket_of(const void* report_id);
    static bool contains(KApiReportNode* const* table, const void* report_id);

    // True when the id was not in the table (it is remembered from now on),
    // false for a duplicate. When no node can be allocated the id is not
    // remembered and true is returned: a report delivered twice is better
    // than a trade report lost.
    static bool add_report(KApiReportNode** table, const void* report_id);
};

}}  // namespace nq::api
