#include "api/business/KApiReportMgr.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>

#include "framework/AllocMem.h"
#include "log/Log.h"

namespace nq { namespace api {

const uint64_t KApiReportMgr::bucket_size_ = 1000003;

KApiReportNode** KApiReportMgr::create_table() {
    return static_cast<KApiReportNode**>(alloc_mem(bucket_size_ * sizeof(KApiReportNode*), 16));
}

void KApiReportMgr::destroy_table(KApiReportNode** table) {
    if (!table) return;
    for (uint64_t i = 0; i < bucket_size_; ++i) {
        KApiReportNode* n = table[i];
        while (n) {
            KApiReportNode* next = n->next;
            std::free(n);
            n = next;
        }
    }
    std::free(table);
}

uint64_t KApiReportMgr::bucket_of(const void* report_id) {
    std::string_view id(static_cast<const char*>(report_id), kReportIdSize);
    return std::hash<std::string_view>{}(id) % bucket_size_;
}

namespace {
bool chain_has(const KApiReportNode* n, const KApiReportNode* stop, const void* report_id) {
    for (; n != stop; n = n->next)
        if (std::memcmp(n->report_id, report_id, KApiReportMgr::kReportIdSize) == 0) return true;
    return false;
}
}  // namespace

bool KApiReportMgr::contains(KApiReportNode* const* table, const void* report_id) {
    if (!table || !report_id) return false;
    return chain_has(__atomic_load_n(&table[bucket_of(report_id)], __ATOMIC_ACQUIRE), nullptr, report_id);
}

bool KApiReportMgr::add_report(KApiReportNode** table, const void* report_id) {
    if (!table || !report_id) return false;
    KApiReportNode** head = &table[bucket_of(report_id)];
    KApiReportNode* seen = __atomic_load_n(head, __ATOMIC_ACQUIRE);
    if (chain_has(seen, nullptr, report_id)) return false;
    auto* node = static_cast<KApiReportNode*>(alloc_mem(sizeof(KApiReportNode), 8));
    if (!node) {
        LOG_ERROR("report filter: no memory for a report node, the report is delivered unfiltered");
        return true;
    }
    std::memcpy(node->report_id, report_id, kReportIdSize);
    // The report handlers run on one worker; the push is still a
    // compare-and-swap, and a lost race re-checks what was pushed in between,
    // so the filter stays exact should that ever change.
    for (;;) {
        node->next = seen;
        if (__atomic_compare_exchange_n(head, &seen, node, false, __ATOMIC_RELEASE, __ATOMIC_ACQUIRE)) return true;
        if (chain_has(seen, node->next, report_id)) {
            std::free(node);
            return false;
        }
    }
}

}}  // namespace nq::api
