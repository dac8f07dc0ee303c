#include "api/business/KApiBusiness.h"

#include <cstdlib>
#include <new>

#include "api/security/OrderXid.h"
#include "framework/AllocMem.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

// Builds and initialises one member; on failure it stays null.
template <class T, class... A>
bool build(T*& member, unsigned long align, A... args) {
    if (member) return true;
    T* p = make_object_aligned<T>(align, args...);
    if (!p || !p->initialize()) {
        free_object(p);
        return false;
    }
    member = p;
    return true;
}

inline KApiOrder** chain_of(KApiOrder** store, uint64_t xid) { return &store[KApiBusiness::order_chain(xid)]; }

inline bool chain_has(const KApiOrder* o, const KApiOrder* stop, uint64_t xid) {
    for (; o != stop; o = o->next)
        if (o->xid() == xid) return true;
    return false;
}

}  // namespace

KApiBusiness::KApiBusiness()
    : trading_day_(0), token_mgr_(nullptr), report_filter_(nullptr), raw_report_filter_(nullptr), order_store_(nullptr),
      auth_mgr_(nullptr), login_account_mgr_(nullptr), security_table_loaded_(0), security_maps_{nullptr, nullptr} {}

KApiBusiness::~KApiBusiness() {
    free_object(login_account_mgr_);
    free_object(auth_mgr_);
    free_object(security_maps_[1]);
    free_object(security_maps_[0]);
    if (order_store_) {
        for (uint64_t i = 0; i < kOrderChains; ++i) {
            KApiOrder* o = order_store_[i];
            while (o) {
                KApiOrder* next = o->next;
                KApiOrder::destroy(o);
                o = next;
            }
        }
        std::free(order_store_);
    }
    KApiReportMgr::destroy_table(raw_report_filter_);
    KApiReportMgr::destroy_table(report_filter_);
    free_object(token_mgr_);
}

bool KApiBusiness::initialize() {
    if (!build(token_mgr_, 64)) return false;
    if (!report_filter_ && !(report_filter_ = KApiReportMgr::create_table())) return false;
    if (!raw_report_filter_ && !(raw_report_filter_ = KApiReportMgr::create_table())) return false;
    if (!order_store_ && !(order_store_ = static_cast<KApiOrder**>(alloc_mem(kOrderChains * sizeof(KApiOrder*), 16))))
        return false;
    if (!build(security_maps_[0], 64, uint64_t(0))) return false;
    if (!build(security_maps_[1], 64, uint64_t(0))) return false;
    if (!build(auth_mgr_, 8)) return false;
    if (!build(login_account_mgr_, 8)) return false;
    return true;
}

uint64_t KApiBusiness::order_chain(uint64_t xid) {
    // The top bits of the token id's Fibonacci hash place each token's run of
    // chains; the sequence walks along it.
    const uint64_t token_offset = (xid_token_id(xid) * 0x9E3779B97F4A7C15ull) >> (64 - 20);
    return (token_offset + xid_sequence(xid)) & (kOrderChains - 1);
}

bool KApiBusiness::add_order(uint32_t service_code, uint64_t send_time, uint32_t length, const void* payload) {
    if (!order_store_) return false;
    KApiOrder* order = KApiOrder::create(service_code, send_time, length, payload);
    if (!order) {
        if (payload && length >= KApiOrder::kMinBodySize && length <= KApiOrder::kMaxBodySize)
            LOG_ERROR("order store: no memory for the copy of an order of code %u", service_code);
        else
            LOG_ERROR("order store: refused a payload of %u bytes, code %u", length, service_code);
        return false;
    }
    if (publish_order(order)) return true;
    KApiOrder::destroy(order);
    return false;
}

bool KApiBusiness::publish_order(KApiOrder* order) {
    if (!order_store_ || !order) return false;
    const uint64_t xid = order->xid();
    KApiOrder** head = chain_of(order_store_, xid);
    KApiOrder* seen = __atomic_load_n(head, __ATOMIC_ACQUIRE);
    if (chain_has(seen, nullptr, xid)) return false;
    // Lock-free push: a thread that loses the race re-checks only the records
    // pushed in between, so one xid is stored once however many threads try.
    for (;;) {
        order->next = seen;
        if (__atomic_compare_exchange_n(head, &seen, order, false, __ATOMIC_RELEASE, __ATOMIC_ACQUIRE)) return true;
        if (chain_has(seen, order->next, xid)) {
            order->next = nullptr;
            return false;
        }
    }
}

KApiOrder* KApiBusiness::get_api_order(uint64_t xid) const {
    if (!order_store_) return nullptr;
    for (KApiOrder* o = __atomic_load_n(chain_of(order_store_, xid), __ATOMIC_ACQUIRE); o; o = o->next)
        if (o->xid() == xid) return o;
    return nullptr;
}

bool KApiBusiness::add_report(KApiReportNode** table, const void* report, uint64_t xid) {
    if (!report) {
        LOG_ERROR("report filter: null report id for xid %lu", (unsigned long)xid);
        return false;
    }
    if (!KApiReportMgr::add_report(table, report)) return false;
    if (KApiOrder* o = get_api_order(xid)) o->got_report.store(1, std::memory_order_release);
    return true;
}

bool KApiBusiness::add_order_report(const void* report, uint64_t xid) {
    return add_report(report_filter_, report, xid);
}

bool KApiBusiness::add_order_raw_report(const void* report, uint64_t xid) {
    return add_report(raw_report_filter_, report, xid);
}

}}  // namespace nq::api
