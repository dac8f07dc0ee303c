// The order path in steady state: insert_order and cancel_order allocate
// nothing on the calling thread (record, TCP copy and timer node come from
// the thread's stock, which "timer_recycle" keeps filled) and take no lock
// that another sending thread or the timer manager holds.
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "TradeSessionFixture.h"
#include "api/provider/KApiOrderReserve.h"
#include "framework/ApiTimerManager.h"
#include "support/SampleOrder.h"

// Every heap allocation made by code linked into this program (the library's
// components are) is counted for its thread; the link wraps these symbols.
namespace {
thread_local unsigned long t_allocs = 0;
}
extern "C" {
void* __real_malloc(size_t);
void* __real_calloc(size_t, size_t);
void* __real_realloc(void*, size_t);
int __real_posix_memalign(void**, size_t, size_t);
void* __real_aligned_alloc(size_t, size_t);
void* __wrap_malloc(size_t n) {
    ++t_allocs;
    return __real_malloc(n);
}
void* __wrap_calloc(size_t n, size_t m) {
    ++t_allocs;
    return __real_calloc(n, m);
}
void* __wrap_realloc(void* p, size_t n) {
    ++t_allocs;
    return __real_realloc(p, n);
}
int __wrap_posix_memalign(void** out, size_t align, size_t n) {
    ++t_allocs;
    return __real_posix_memalign(out, align, n);
}
void* __wrap_aligned_alloc(size_t align, size_t n) {
    ++t_allocs;
    return __real_aligned_alloc(align, n);
}
}

namespace {

using namespace trv_test;
using nq::api::KApiOrderReserve;

nq::trv_order_insert_info_t sh_order() { return sh_limit_buy(); }

class OrderPath : public TradeSessionFixture {
protected:
    void SetUp() override {
        TradeSessionFixture::SetUp();
        if (HasFatalFailure()) return;
        session_ = open_session();
        ASSERT_NE(session_.id, 0u);
        authorise(&session_);
        // The gateway reads what the session sends, so the transport never
        // backs up.
        gateway_ = std::thread([this] {
            Bytes frame;
            while (!stop_.load()) {
                if (!read_frame(session_.peer, &frame, 100)) continue;
                const uint32_t code = testpeer::code_of(frame.data());
                if (code == 1283) ++tcp_orders_;
                if (code == 1289) ++tcp_cancels_;
            }
        });
    }
    void TearDown() override {
        stop_.store(true);
        if (gateway_.joinable()) gateway_.join();
        TradeSessionFixture::TearDown();
    }
    KApiOrderReserve* reserve_of_this_thread() {
        const nq::api::KApiUdpSender::pkt_buf_t* buf = nq::api::KApiUdpSender::local_pkt_buf();
        if (buf == nullptr) return nullptr;
        return api_->trade_context_.load()->reserves_[buf->id - 1].load();
    }

    TradeSession session_;
    std::thread gateway_;
    std::atomic<bool> stop_{false};
    std::atomic<int> tcp_orders_{0}, tcp_cancels_{0};
};

// Rounds of orders and cancels, each smaller than the stock, with a pause
// between them in which "timer_recycle" tops the stock up again: over more
// orders than the first stock held, the calling thread allocates nothing,
// and every order and cancel is stored, posted and armed.
TEST_F(OrderPath, SteadyStateOrdersAndCancelsAllocateNothing) {
    api_->init_local_send();
    KApiOrderReserve* reserve = reserve_of_this_thread();
    ASSERT_NE(reserve, nullptr);
    const unsigned long depth = reserve->depth();
    ASSERT_GE(reserve->stocked(), depth) << "init_local_send fills the stock";
    constexpr int kRounds = 4;
    const int per_round = static_cast<int>(depth / 2);
    unsigned long allocations = 0;
    std::vector<uint64_t> xids;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_TRUE(wait_until([&] { return reserve->stocked() >= depth; }, 30)) << "stock not refilled";
        for (int i = 0; i < per_round / 2; ++i) {
            nq::trv_order_insert_info_t o = sh_order();
            const unsigned long before = t_allocs;
            const uint64_t xid = api_->insert_order(session_.id, &o, 0);
            nq::trv_cancel_order_info_t c{0, xid};
            const uint64_t cancel = api_->cancel_order(session_.id, &c, 0);
            allocations += t_allocs - before;
            ASSERT_NE(xid, 0u) << last_message();
            ASSERT_NE(cancel, 0u) << last_message();
            xids.push_back(xid);
            xids.push_back(cancel);
        }
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_GT(xids.size(), depth) << "more messages than one stock holds";
    for (uint64_t xid : xids) ASSERT_NE(api_->business_->get_api_order(xid), nullptr) << xid;
    const int half = static_cast<int>(xids.size() / 2);
    EXPECT_TRUE(wait_until([&] { return tcp_orders_.load() == half && tcp_cancels_.load() == half; }, 30))
        << tcp_orders_.load() << " orders, " << tcp_cancels_.load() << " cancels of " << half;
    size_t armed = 0;
    nq::api::ApiTimerManager* timers = api_->timer_manager_;
    pthread_mutex_lock(&timers->mutex_);
    for (auto& q : timers->queues_)
        if (q.id_.load() == nq::api::KApiTradeContext::kOrderTimerQueue)
            for (auto* n = q.head_.load(); n != nullptr; n = n->next_.load()) ++armed;
    pthread_mutex_unlock(&timers->mutex_);
    EXPECT_EQ(armed, xids.size());
}

// The timer manager's mutex (node allocation, recycling, request timers)
// held elsewhere does not hold up an order or a cancel.
TEST_F(OrderPath, OrdersWaitForNoTimerLock) {
    nq::api::ApiTimerManager* timers = api_->timer_manager_;
    std::atomic<int> sent{0};
    std::atomic<bool> ready{false}, go{false};
    std::thread sender([&] {
        api_->init_local_send();  // the thread's buffer and stock
        ready.store(true);
        while (!go.load()) std::this_thread::yield();
        for (int i = 0; i < 10; ++i) {
            nq::trv_order_insert_info_t o = sh_order();
            const uint64_t xid = api_->insert_order(session_.id, &o, 0);
            nq::trv_cancel_order_info_t c{0, xid};
            if (xid != 0 && api_->cancel_order(session_.id, &c, 0) != 0) ++sent;
        }
    });
    ASSERT_TRUE(wait_until([&] { return ready.load(); }, 20));
    ASSERT_EQ(0, pthread_mutex_lock(&timers->mutex_));
    go.store(true);
    const bool done = wait_until([&] { return sent.load() == 10; }, 20);
    pthread_mutex_unlock(&timers->mutex_);
    sender.join();
    EXPECT_TRUE(done) << "an order waited for the timer manager's mutex";
}

}  // namespace
