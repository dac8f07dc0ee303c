// The callback guard: a stop that clears a slot and awaits its object returns
// only when no call on that object runs on another thread, and no call begins
// after it.
#include "framework/CallbackGuard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/WaitUntil.h"

namespace {

using nq::api::await_callbacks;
using nq::api::CallbackGuard;

struct Target {
    std::atomic<int> inside{0};
    std::atomic<long> calls{0};
};

// One guarded call: holds the object for `hold` when the slot gives one.
bool guarded_call(const std::atomic<Target*>& slot, std::chrono::milliseconds hold = std::chrono::milliseconds(0),
                  const std::function<void(Target*)>& body = nullptr) {
    CallbackGuard<Target> t{slot};
    if (!t) return false;
    t->inside.fetch_add(1);
    t->calls.fetch_add(1);
    if (body) body(t.get());
    if (hold.count() > 0) std::this_thread::sleep_for(hold);
    t->inside.fetch_sub(1);
    return true;
}

TEST(CallbackGuard, EmptySlotCallsNothing) {
    std::atomic<Target*> slot{nullptr};
    EXPECT_FALSE(guarded_call(slot));
    Target target;
    slot = &target;
    EXPECT_TRUE(guarded_call(slot));
    EXPECT_EQ(target.calls.load(), 1);
}

// The stop waits for a call under way, and the call is not cut short.
TEST(CallbackGuard, AwaitReturnsOnlyAfterTheCallUnderWay) {
    Target target;
    std::atomic<Target*> slot{&target};
    std::atomic<bool> entered{false};
    std::thread caller([&] { guarded_call(slot, std::chrono::milliseconds(300), [&](Target*) { entered = true; }); });
    ASSERT_TRUE(trv_test::wait_until([&] { return entered.load(); }));
    slot.store(nullptr);
    await_callbacks(&target);
    EXPECT_EQ(target.inside.load(), 0);
    caller.join();
}

// Many threads call without pause; once the slot is cleared and the stop has
// returned, none of them makes another call. With the kernel's membarrier
// (the guard's own barrier is then a compiler barrier), and without it.
class CallbackGuardBarrier : public ::testing::TestWithParam<bool> {};

TEST_P(CallbackGuardBarrier, NoCallBeginsAfterTheStop) {
    // Set before any guard runs in this process (each test is one).
    if (GetParam() && !nq::api::g_callback_barrier_asymmetric) GTEST_SKIP() << "no membarrier on this kernel";
    nq::api::g_callback_barrier_asymmetric = GetParam();
    Target target;
    std::atomic<Target*> slot{&target};
    std::atomic<bool> run{true};
    std::vector<std::thread> callers;
    for (int i = 0; i < 4; ++i)
        callers.emplace_back([&] {
            while (run.load()) guarded_call(slot);
        });
    ASSERT_TRUE(trv_test::wait_until([&] { return target.calls.load() > 1000; }));
    slot.store(nullptr);
    await_callbacks(&target);
    const long at_stop = target.calls.load();
    EXPECT_EQ(target.inside.load(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(target.calls.load(), at_stop);
    run = false;
    for (std::thread& t : callers) t.join();
}

INSTANTIATE_TEST_SUITE_P(Modes, CallbackGuardBarrier, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Membarrier") : std::string("WithoutMembarrier");
                         });

// A thread that keeps calling into the object through another slot (the same
// object given to two APIs) does not hold the stop for ever: it waits for the
// call that was under way, not for the thread to fall idle.
TEST(CallbackGuard, AwaitEndsWhileAnotherSlotKeepsCalling) {
    Target target;
    std::atomic<Target*> stopped{&target};
    std::atomic<Target*> other{&target};
    std::atomic<bool> run{true};
    std::thread caller([&] {
        while (run.load()) guarded_call(other, std::chrono::milliseconds(1));
    });
    ASSERT_TRUE(trv_test::wait_until([&] { return target.calls.load() > 5; }));
    stopped.store(nullptr);
    await_callbacks(&target);
    run = false;
    caller.join();
}

// A stop from inside a call does not wait for that call, but waits for the
// other thread's call on the same object.
TEST(CallbackGuard, StopInsideACallWaitsForTheOthersOnly) {
    Target target;
    std::atomic<Target*> slot{&target};
    std::atomic<bool> other_entered{false};
    std::atomic<bool> other_done{false};
    std::thread other([&] {
        guarded_call(slot, std::chrono::milliseconds(300), [&](Target*) { other_entered = true; });
        other_done = true;
    });
    ASSERT_TRUE(trv_test::wait_until([&] { return other_entered.load(); }));
    bool done_at_return = false;
    guarded_call(slot, std::chrono::milliseconds(0), [&](Target* t) {
        slot.store(nullptr);
        await_callbacks(t);
        done_at_return = other_done.load();
    });
    EXPECT_TRUE(done_at_return);
    other.join();
}

// Two calls that each stop the other's object from inside: neither waits for
// the other for ever.
TEST(CallbackGuard, CrossedStopsInsideCallsBothReturn) {
    Target a, b;
    std::atomic<Target*> slot_a{&a}, slot_b{&b};
    std::atomic<int> entered{0};
    auto cross = [&](std::atomic<Target*>& mine, std::atomic<Target*>& theirs, Target* their_object) {
        guarded_call(mine, std::chrono::milliseconds(0), [&](Target*) {
            entered.fetch_add(1);
            while (entered.load() < 2) std::this_thread::yield();
            theirs.store(nullptr);
            await_callbacks(their_object);
        });
    };
    std::thread one([&] { cross(slot_a, slot_b, &b); });
    std::thread two([&] { cross(slot_b, slot_a, &a); });
    one.join();
    two.join();
    EXPECT_EQ(entered.load(), 2);
}

// Marks of threads that ended are taken again by new threads.
TEST(CallbackGuard, ThreadsComeAndGo) {
    Target target;
    std::atomic<Target*> slot{&target};
    for (int round = 0; round < 50; ++round) {
        std::thread t([&] { guarded_call(slot); });
        t.join();
    }
    EXPECT_EQ(target.calls.load(), 50);
    slot.store(nullptr);
    await_callbacks(&target);
}

}  // namespace
