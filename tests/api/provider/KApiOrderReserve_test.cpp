// The stock of one sending thread: filled to its depth, taken without
// allocating, made up by the thread when it runs out and then deepened, and
// refilled by another thread while the sending thread takes from it.
#include "api/provider/KApiOrderReserve.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <thread>
#include <vector>

#include "framework/ApiServiceWorker.h"

namespace {

using nq::api::ApiTimerManager;
using nq::api::KApiOrder;
using nq::api::KApiOrderReserve;

// Process-wide, as in the library, so that what they hold stays reachable.
ApiTimerManager* timers() {
    static ApiTimerManager* manager = new ApiTimerManager(nullptr);
    return manager;
}
std::vector<void*>& kept() {
    static std::vector<void*>* v = new std::vector<void*>();
    return *v;
}

TEST(KApiOrderReserve, FilledStockIsTakenWithoutMakingAnything) {
    KApiOrderReserve* r = KApiOrderReserve::create();
    ASSERT_NE(r, nullptr);
    kept().push_back(r);
    EXPECT_EQ(r->stocked(), 0u);
    r->refill(timers());
    const unsigned long depth = r->depth();
    EXPECT_EQ(depth, KApiOrderReserve::kFirstDepth);
    EXPECT_EQ(r->stocked(), depth);

    std::set<void*> seen;
    for (unsigned long i = 0; i < depth; ++i) {
        KApiOrder* record = r->take_record();
        unsigned char* copy = r->take_copy();
        ApiTimerManager::timer_node_t* node = r->take_timer_node();
        ASSERT_NE(record, nullptr);
        ASSERT_NE(copy, nullptr);
        ASSERT_NE(node, nullptr);
        EXPECT_TRUE(seen.insert(record).second && seen.insert(copy).second && seen.insert(node).second);
        EXPECT_EQ(record->resend_count, 1u);
        EXPECT_EQ(record->next, nullptr);
        EXPECT_EQ(record->message_.body_, record->storage_ + 64);
        kept().push_back(node);
        KApiOrder::destroy(record);
        nq::api::ApiServiceWorker::free_message(copy);
    }
    EXPECT_EQ(r->stocked(), 0u);
    // Out of stock: copy and node are left to the caller, a record is made.
    EXPECT_EQ(r->take_copy(), nullptr);
    EXPECT_EQ(r->take_timer_node(), nullptr);
    KApiOrder* made = r->take_record();
    ASSERT_NE(made, nullptr);
    KApiOrder::destroy(made);

    // The next refill makes the stock deeper.
    r->refill(timers());
    EXPECT_EQ(r->depth(), depth * KApiOrderReserve::kGrowth);
    EXPECT_EQ(r->stocked(), r->depth());
    r->refill(timers());
    EXPECT_EQ(r->depth(), depth * KApiOrderReserve::kGrowth) << "no shortfall since: same depth";
}

// The record in hand comes first: one that was not stored is given again,
// and after every message the next one is in hand before the stock is read.
TEST(KApiOrderReserve, RecordInHandComesFirst) {
    KApiOrderReserve* r = KApiOrderReserve::create();
    ASSERT_NE(r, nullptr);
    kept().push_back(r);
    r->refill(timers());
    KApiOrder* a = r->take_record();
    r->keep_record(a);
    EXPECT_EQ(r->take_record(), a);
    const unsigned long before = r->stocked();
    r->hand_on_record();
    EXPECT_EQ(r->stocked(), before - 1);
    KApiOrder* b = r->take_record();
    EXPECT_NE(b, a);
    EXPECT_EQ(r->stocked(), before - 1) << "the record in hand, not the stock";
    ApiTimerManager::timer_node_t* n = r->take_timer_node();
    r->keep_timer_node(n);
    EXPECT_EQ(r->take_timer_node(), n);
    kept().push_back(n);
    KApiOrder::destroy(a);
    KApiOrder::destroy(b);
}

// One thread refills while another takes: nothing is handed out twice and
// nothing is lost.
TEST(KApiOrderReserve, RefillWhileTaking) {
    KApiOrderReserve* r = KApiOrderReserve::create();
    ASSERT_NE(r, nullptr);
    kept().push_back(r);
    r->refill(timers());
    std::atomic<bool> done{false};
    std::thread refiller([&] {
        while (!done.load()) {
            r->refill(timers());
            std::this_thread::yield();
        }
    });
    constexpr int kTakes = 20000;
    std::set<void*> records, copies, nodes;
    int made = 0;
    for (int i = 0; i < kTakes; ++i) {
        if (unsigned char* c = r->take_copy()) EXPECT_TRUE(copies.insert(c).second);
        if (ApiTimerManager::timer_node_t* n = r->take_timer_node()) EXPECT_TRUE(nodes.insert(n).second);
        KApiOrder* o = r->take_record();
        ASSERT_NE(o, nullptr);
        EXPECT_TRUE(records.insert(o).second);
        r->hand_on_record();
        ++made;
    }
    done.store(true);
    refiller.join();
    EXPECT_EQ(records.size(), size_t(made));
    for (void* o : records) KApiOrder::destroy(static_cast<KApiOrder*>(o));
    for (void* c : copies) std::free(c);
    for (void* n : nodes) kept().push_back(n);
}

}  // namespace
