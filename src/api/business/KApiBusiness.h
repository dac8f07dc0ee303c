// Trading state shared by the service provider and every message handler:
// trading day, trade tokens, report filters, stored orders, security-code
// maps, authorisation records and login accounts. Built once, kept for the
// life of the process.
#pragma once
#include <atomic>
#include <cstdint>

#include "api/business/KApiAuthManager.h"
#include "api/business/KApiLoginAccountManager.h"
#include "api/business/KApiOrder.h"
#include "api/business/KApiReportMgr.h"
#include "api/security/ApiTradeTokenMgr.h"
#include "api/security/SecurityMap.h"

namespace nq { namespace api {

class KApiBusiness {
public:
    static constexpr uint64_t kOrderChains = 1u << 20;

    KApiBusiness();
    virtual ~KApiBusiness();
    // Builds the members in order; the first that fails stays null, the ones
    // after it are not built, and false is returned.
    virtual bool initialize();

    void set_trading_day(uint32_t day) { trading_day_.store(day, std::memory_order_relaxed); }
    uint32_t trading_day() const { return trading_day_.load(std::memory_order_relaxed); }

    // Stores a framed copy of a sent order or cancel, keyed by the xid at
    // body bytes 8-15. False (nothing stored) when that xid is already stored,
    // even by another thread at the same moment, and when the copy cannot be
    // made.
    bool add_order(uint32_t service_code, uint64_t send_time, uint32_t length, const void* payload);
    // Publishes a record the caller built (KApiOrder::create_blank, fill):
    // true when it is now in the store and belongs to it; false when its xid
    // is already stored, and the record stays the caller's. Allocates nothing.
    bool publish_order(KApiOrder* order);
    KApiOrder* get_api_order(uint64_t xid) const;
    // The chain of the order store that holds xid: chosen from its token and
    // its sequence together, so that the orders of one token never share a
    // chain, and the same sequence used by many tokens lands in as many
    // chains. A lookup then walks about as many records as the store holds
    // per chain on average, however many tokens have used that sequence.
    static uint64_t order_chain(uint64_t xid);

    // True when the 32-byte report id at `report` is new: it is remembered and
    // the order `xid`, if stored, is marked got_report. False for a duplicate.
    bool add_order_report(const void* report, uint64_t xid);
    bool add_order_raw_report(const void* report, uint64_t xid);

    // The map of exchange index 1 (SH) or 2 (SZ); null for any other.
    SecurityMap* security_map(unsigned exchange_index) const {
        return (exchange_index == 1 || exchange_index == 2) ? security_maps_[exchange_index - 1] : nullptr;
    }
    void set_security_table_loaded() { security_table_loaded_.store(1, std::memory_order_release); }
    bool security_table_loaded() const { return security_table_loaded_.load(std::memory_order_acquire) != 0; }

    std::atomic<uint32_t> trading_day_;
    ApiTradeTokenMgr* token_mgr_;
    KApiReportNode** report_filter_;
    KApiReportNode** raw_report_filter_;
    KApiOrder** order_store_;
    KApiAuthManager* auth_mgr_;
    KApiLoginAccountManager* login_account_mgr_;
    std::atomic<uint8_t> security_table_loaded_;
    SecurityMap* security_maps_[2];

private:
    bool add_report(KApiReportNode** table, const void* report, uint64_t xid);
};

}}  // namespace nq::api
