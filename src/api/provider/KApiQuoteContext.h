// What an initialised market-data API brings: its configuration copy, its
// callback object and the set of running quote receivers (empty until a
// subscription starts them).
#pragma once
#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "api/mdata/KApiQuoteReceiver.h"
#include "trv_api.h"

namespace nq { namespace api {

// One quote multicast channel as the counter announces it in 1045 (22 bytes,
// kept as received).
struct __attribute__((packed)) quote_mc_info_t {
    uint16_t mc_provider;
    uint16_t mc_type;           // the key of the channel table
    unsigned char mc_addr[16];  // sockaddr_in of the group, network byte order
    uint16_t reserved;          // not read by the library
};
static_assert(sizeof(quote_mc_info_t) == 22, "quote_mc_info_t is 22 bytes");

class KApiQuoteContext {
public:
    static constexpr unsigned long kChannelTableSize = 65536;

    KApiQuoteContext(nq::TRVQuoteConfig* config, nq::TRVQuoteSpi* spi);
    virtual ~KApiQuoteContext();
    // Builds the empty receiver set; false without memory.
    virtual bool initialize();

    nq::TRVQuoteConfig* config_;
    std::atomic<nq::TRVQuoteSpi*> spi_;  // cleared when the API stops
    KApiQuoteReceiver* receivers_;       // lives as long as the process

    // The channel table by multicast type: replaced whole by the 1045
    // handler (worker 2) and cleared by a market-data login; read by quote
    // subscription on a user thread. Every access takes one mutex, so a
    // reader sees one announcement whole, never a cleared or half-written
    // table. A published pointer leads to a copy that stays allocated for the
    // life of the process.
    static std::atomic<quote_mc_info_t*> quote_mc_infos_[kChannelTableSize];
    static void clear_quote_mc_infos();
    // The table becomes exactly the `count` records at `items`, each
    // `item_size` bytes from the last (a later record of a type replaces an
    // earlier one; a copy that cannot be allocated is left out).
    static void replace_quote_mc_infos(const unsigned char* items, uint64_t count, uint64_t item_size);
    // Copies the records of `count` types, all from one table: present[i]
    // is false where type i is not announced.
    static void copy_quote_mc_infos(const uint16_t* types, size_t count, quote_mc_info_t* out, bool* present);

private:
    // Stores a copy under its type and publishes it; false without memory.
    static bool set_quote_mc_info_locked(const quote_mc_info_t& info);
    static void clear_quote_mc_infos_locked();

    static std::atomic<quote_mc_info_t*> quote_mc_store_[kChannelTableSize];
    static pthread_mutex_t quote_mc_mutex_;
};

}}  // namespace nq::api
