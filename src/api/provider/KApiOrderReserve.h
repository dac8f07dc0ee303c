// What one sending thread uses up per order or cancel beyond its packet
// buffer: the record the order is stored in, the block its TCP copy is
// posted in and the node of its order timer. "timer_recycle" keeps a stock
// of each ready for the thread (and the thread's first order, or
// init_local_send, fills it once), so that in steady state an order
// allocates nothing and takes no lock that another sending thread takes.
//
// A stock that runs out is not a failure: the thread then makes what it
// needs itself, as it did before, and the stock is made deeper for the
// future (up to kCapacity).
#pragma once
#include <atomic>
#include <cstdint>

#include "api/business/KApiOrder.h"
#include "framework/ApiReserveRing.h"
#include "framework/ApiTimerManager.h"
#include "framework/Message.h"

namespace nq { namespace api {

class KApiOrderReserve {
public:
    using timer_node_t = ApiTimerManager::timer_node_t;

    static constexpr unsigned long kCapacity = 4096;
    // Depth of a new stock: what a thread sending without pause uses up in
    // a few milliseconds, while "timer_recycle" (a round every 100 us or so)
    // may wait for a processor on a busy host. A stock that ran out is made
    // kGrowth times deeper at its next refill, up to kCapacity.
    static constexpr unsigned long kFirstDepth = 1024;
    static constexpr unsigned long kGrowth = 4;
    // A TCP copy block: frame header and room for the bodies that new orders
    // (56 bytes) and cancels (32) post. A resend posts its stored body, which
    // may be longer (up to KApiOrder::kMaxBodySize), from a copy on its stack.
    static constexpr unsigned long kCopySize = kFrameHeaderSize + 64;

    // An empty reserve (fill it with refill); null without memory.
    static KApiOrderReserve* create();

    // ---- the sending thread
    // A blank record: the one kept in hand, else from the stock, else a new
    // one (null without memory). With hand_on_record after every message the
    // hand is never empty here, so the record an order is stored in before
    // it leaves is never allocated then.
    KApiOrder* take_record();
    // A record taken but not stored (its xid was a duplicate) goes back into
    // the hand.
    void keep_record(KApiOrder* record);
    // Once the message is out: puts the next record in hand, from the stock
    // or, when that is out, newly made.
    void hand_on_record();
    // A zero-filled copy block of kCopySize bytes from the stock; null when
    // the stock is out.
    unsigned char* take_copy();
    // A timer node from the stock; null when the stock is out.
    timer_node_t* take_timer_node();
    void keep_timer_node(timer_node_t* node);

    // ---- the refilling thread (one at a time)
    // Tops every stock up to the current depth, first deepening it when the
    // sending thread ran out since the last refill.
    void refill(ApiTimerManager* timers);

    unsigned long depth() const { return depth_; }
    // What the thinnest of the three stocks holds (for diagnostics).
    unsigned long stocked() const;

private:
    KApiOrderReserve();

    void ran_out() { ran_out_.store(1, std::memory_order_relaxed); }

    // Sending thread only.
    KApiOrder* kept_record_;
    timer_node_t* kept_node_;
    // Set by the sending thread, cleared by the refill.
    std::atomic<uint32_t> ran_out_;
    // Refilling thread only.
    unsigned long depth_;
    ApiReserveRing<KApiOrder, kCapacity> records_;
    ApiReserveRing<unsigned char, kCapacity> copies_;
    ApiReserveRing<timer_node_t, kCapacity> nodes_;
};

}}  // namespace nq::api
