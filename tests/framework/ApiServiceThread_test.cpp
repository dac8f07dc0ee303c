#include "framework/ApiServiceThread.h"
#include "log/Log.h"
#include "support/ForkedScenario.h"
#include "support/OneCore.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using nq::api::ApiServiceThread;

// Generous failure bound for anything that waits on another thread.
bool wait_until(const std::function<bool()>& cond, std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

int gettid_now() { return static_cast<int>(syscall(SYS_gettid)); }

// Loops until stopped, then optionally holds at a gate before returning.
class Probe : public ApiServiceThread {
public:
    explicit Probe(const char* name, bool one_shot = false) : ApiServiceThread(name), one_shot_(one_shot) {}
    void work_proc() override {
        seen_tid.store(gettid_now());
        runs.fetch_add(1);
        if (before != nullptr) before(this);
        if (one_shot_) return;
        while (continue_work()) {
            rounds.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        while (hold.load()) std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    std::atomic<int> seen_tid{0};
    std::atomic<int> runs{0};
    std::atomic<long> rounds{0};
    std::atomic<bool> hold{false};
    std::function<void(Probe*)> before;

private:
    bool one_shot_;
};

std::string thread_comm(int tid) {
    std::ifstream f("/proc/self/task/" + std::to_string(tid) + "/comm");
    std::string s;
    std::getline(f, s);
    return s;
}

TEST(ApiServiceThread, InitialStateAndRegistration) {
    const char* given = "probe";
    Probe t(given);
    EXPECT_EQ(t.tid_.load(), 0);
    EXPECT_EQ(t.stop_.load(), 1);
    EXPECT_EQ(t.bound_core_.load(), -1);
    ASSERT_NE(t.name(), nullptr);
    EXPECT_NE(t.name(), given);  // owned copy
    EXPECT_STREQ(t.name(), "probe");
    EXPECT_FALSE(t.is_alive());
    EXPECT_FALSE(t.continue_work());
    EXPECT_EQ(ApiServiceThread::head_, &t);

    Probe unnamed(nullptr);
    EXPECT_EQ(unnamed.name(), nullptr);
    EXPECT_EQ(ApiServiceThread::head_, &unnamed);
    EXPECT_EQ(unnamed.next_, &t);
}

TEST(ApiServiceThread, LifecycleStartRunStopEnd) {
    Probe t("probe_life");
    ASSERT_TRUE(t.start());
    // start returns only once the new thread's tid is visible.
    const int tid = t.tid_.load();
    EXPECT_NE(tid, 0);
    EXPECT_TRUE(t.is_alive());
    EXPECT_TRUE(t.continue_work());
    ASSERT_TRUE(wait_until([&] { return t.rounds.load() > 2; }));
    EXPECT_EQ(t.seen_tid.load(), tid);
    EXPECT_EQ(thread_comm(tid), "probe_life");
    EXPECT_TRUE(t.is_alive());

    t.stop();
    EXPECT_FALSE(t.continue_work());
    ASSERT_TRUE(wait_until([&] { return !t.is_alive(); }));
    EXPECT_EQ(t.runs.load(), 1);
}

TEST(ApiServiceThread, LongNameIsCutForTheSystem) {
    Probe t("a_rather_long_service_name");
    ASSERT_TRUE(t.start());
    // The thread names itself after storing its tid, so this may take a moment.
    EXPECT_TRUE(wait_until([&] { return thread_comm(t.tid_.load()) == "a_rather_long_s"; }));
    EXPECT_STREQ(t.name(), "a_rather_long_service_name");
    t.stop();
    ASSERT_TRUE(wait_until([&] { return !t.is_alive(); }));
}

TEST(ApiServiceThread, RunningOrStoppingThreadCannotBeStartedAgain) {
    Probe t("probe_twice");
    t.hold.store(true);
    ASSERT_TRUE(t.start());
    EXPECT_FALSE(t.start());
    t.stop();
    ASSERT_TRUE(wait_until([&] { return t.runs.load() == 1; }));
    // Stop requested but work_proc has not returned yet: still refused, and the
    // stop request is not undone.
    EXPECT_FALSE(t.start());
    EXPECT_FALSE(t.continue_work());
    EXPECT_TRUE(t.is_alive());
    t.hold.store(false);
    ASSERT_TRUE(wait_until([&] { return !t.is_alive(); }));
    EXPECT_EQ(t.runs.load(), 1);
}

TEST(ApiServiceThread, RestartOfEndedThreadWaitsForTheNewThread) {
    Probe t("probe_again");
    for (int run = 1; run <= 3; ++run) {
        ASSERT_TRUE(t.start()) << run;
        const int tid = t.tid_.load();
        ASSERT_NE(tid, 0);
        EXPECT_TRUE(t.is_alive());
        ASSERT_TRUE(wait_until([&] { return t.runs.load() == run; }));
        // The tid seen on return is the new thread's, not the last run's.
        EXPECT_EQ(t.seen_tid.load(), tid) << run;
        t.stop();
        ASSERT_TRUE(wait_until([&] { return !t.is_alive(); }));
    }
}

// A stop() issued once the thread is seen alive must end it, even when it lands
// while start() is still finishing.
TEST(ApiServiceThread, StopAfterTheStartIsVisibleIsNeverLost) {
    Probe t("probe_race", true);
    // Contention on the thread's life lock widens the window inside start().
    std::atomic<bool> done{false};
    std::vector<std::thread> binders;
    for (int i = 0; i < 3; ++i)
        binders.emplace_back([&] {
            while (!done.load()) t.bind_cpu_core();
        });
    int lost = 0;
    for (int round = 0; round < 3000 && lost == 0; ++round) {
        std::atomic<bool> started{false};
        std::thread stopper([&] {
            while (!t.is_alive() && !started.load()) {
            }
            t.stop();
        });
        ASSERT_TRUE(t.start()) << round;
        started.store(true);
        stopper.join();
        if (t.continue_work()) ++lost;
        ASSERT_TRUE(wait_until([&] { return !t.is_alive(); }));
    }
    done.store(true);
    for (auto& b : binders) b.join();
    EXPECT_EQ(lost, 0) << "a stop issued while start() ran was undone";
}

// start_service meets a thread whose stop was requested but whose body has not
// returned yet: it waits for the end and starts it again instead of skipping it.
TEST(ApiServiceThread, StartServiceRestartsAThreadThatIsStillStopping) {
    Probe t("probe_stopping");
    t.hold.store(true);
    ASSERT_TRUE(t.start());
    ASSERT_TRUE(wait_until([&] { return t.runs.load() == 1; }));
    t.stop();
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        t.hold.store(false);
    });
    ApiServiceThread::start_service();
    release.join();
    ASSERT_TRUE(wait_until([&] { return t.runs.load() == 2; }));
    EXPECT_TRUE(t.is_alive());
    EXPECT_TRUE(t.continue_work());
    t.stop();
    ASSERT_TRUE(wait_until([&] { return !t.is_alive(); }));
}

// Once is_alive is false the thread no longer touches its object, so the owner
// may destroy it at once (ASan/TSan report any later access).
TEST(ApiServiceThread, OwnerMayDeleteOnceNotAlive) {
    // With a logger the "stop work" line reads the name, the last use of it.
    (void)nq::log::Log::initialize(nq::log::kInfo, 128);
    for (int i = 0; i < 500; ++i) {
        auto* t = new Probe("probe_short", true);
        ASSERT_TRUE(t->start());
        ASSERT_TRUE(wait_until([&] { return !t->is_alive(); }));
        delete t;
    }
}

TEST(ApiServiceThread, DestroyedThreadLeavesTheRegistry) {
    Probe a("a");
    auto* b = new Probe("b");
    Probe c("c");
    EXPECT_EQ(ApiServiceThread::head_, &c);
    EXPECT_EQ(c.next_, b);
    delete b;
    EXPECT_EQ(c.next_, &a);
    auto* d = new Probe("d");
    EXPECT_EQ(ApiServiceThread::head_, d);
    delete d;
    EXPECT_EQ(ApiServiceThread::head_, &c);
    EXPECT_EQ(a.next_, nullptr);
}

TEST(ApiServiceThread, StartServiceStartsNewestFirstAndStopServiceStopsAll) {
    Probe a("svc_a");
    Probe b("svc_b");
    // 0 until a's first run has looked at b (runs counts up before that), then
    // 2 when b was running, 1 when not.
    std::atomic<int> b_was_running{0};
    a.before = [&](Probe*) { b_was_running.store(b.is_alive() && b.tid_.load() != 0 ? 2 : 1); };
    ApiServiceThread::start_service();
    EXPECT_TRUE(a.is_alive());
    EXPECT_TRUE(b.is_alive());
    ASSERT_TRUE(wait_until([&] { return a.runs.load() == 1 && b_was_running.load() != 0; }));
    EXPECT_EQ(2, b_was_running.load());

    ApiServiceThread::stop_service();
    EXPECT_FALSE(a.continue_work());
    EXPECT_FALSE(b.continue_work());
    ASSERT_TRUE(wait_until([&] { return !a.is_alive() && !b.is_alive(); }));

    // Ended threads stay registered and can all be started again.
    ApiServiceThread::start_service();
    ASSERT_TRUE(wait_until([&] { return a.runs.load() == 2 && b.runs.load() == 2; }));
    ApiServiceThread::stop_service();
    ASSERT_TRUE(wait_until([&] { return !a.is_alive() && !b.is_alive(); }));
}

// Threads are created and destroyed while the whole registry is walked.
TEST(ApiServiceThread, RegistryWalkToleratesConcurrentCreateAndDestroy) {
    Probe anchor("anchor");
    std::atomic<bool> done{false};
    std::vector<std::thread> churn;
    for (int k = 0; k < 4; ++k) {
        churn.emplace_back([&] {
            while (!done.load()) {
                std::vector<Probe*> batch;
                for (int i = 0; i < 8; ++i) batch.push_back(new Probe("churn"));
                for (Probe* p : batch) delete p;
            }
        });
    }
    for (int i = 0; i < 2000; ++i) ApiServiceThread::stop_service();
    done.store(true);
    for (auto& t : churn) t.join();
    EXPECT_EQ(ApiServiceThread::head_, &anchor);
    EXPECT_EQ(anchor.next_, nullptr);
}

// --- core binding -------------------------------------------------------------

struct SchedState {
    int policy = -1;
    int priority = -1;
    cpu_set_t cpus;
};

SchedState sched_of(int tid) {
    SchedState s;
    CPU_ZERO(&s.cpus);
    s.policy = sched_getscheduler(tid);
    sched_param p{};
    sched_getparam(tid, &p);
    s.priority = p.sched_priority;
    sched_getaffinity(tid, sizeof(s.cpus), &s.cpus);
    return s;
}

cpu_set_t only(int core) {
    cpu_set_t s;
    CPU_ZERO(&s);
    CPU_SET(core, &s);
    return s;
}

bool can_go_realtime() {
    sched_param p{};
    p.sched_priority = 1;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &p) != 0) return false;
    p.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &p);
    return true;
}

TEST(ApiServiceThread, CoreBindingRules) {
    if (!can_go_realtime()) GTEST_SKIP() << "real-time scheduling not permitted";
    cpu_set_t pid1, inherited;
    ASSERT_EQ(sched_getaffinity(1, sizeof(pid1), &pid1), 0);
    ASSERT_EQ(sched_getaffinity(0, sizeof(inherited), &inherited), 0);
    const int last_cpu = static_cast<int>(sysconf(_SC_NPROCESSORS_CONF)) - 1;
    struct Case {
        int core;
        cpu_set_t cpus;
        int policy;
        int priority;
    } cases[] = {
        {-1, pid1, SCHED_OTHER, 0},  // the SCHED_OTHER 21 request is refused
        {0, only(0), SCHED_FIFO, 60},      {last_cpu, only(last_cpu), SCHED_FIFO, 60},
        {1023, inherited, SCHED_FIFO, 60},  // no such CPU here: binding fails
        {2000, inherited, SCHED_FIFO, 60},  // out of range: binding fails
        {-5, inherited, SCHED_FIFO, 60},
    };
    if (last_cpu >= 1023) GTEST_SKIP() << "machine has 1024 CPUs";
    for (const Case& c : cases) {
        Probe t("probe_bind");
        t.rebind_cpu_core(c.core);  // before start: the thread binds itself
        EXPECT_EQ(t.bound_core_.load(), c.core);
        ASSERT_TRUE(t.start()) << c.core;
        const long r0 = t.rounds.load();
        ASSERT_TRUE(wait_until([&] { return t.rounds.load() > r0 + 3; })) << "thread stalled, core " << c.core;
        const SchedState s = sched_of(t.tid_.load());
        EXPECT_EQ(s.policy, c.policy) << c.core;
        EXPECT_EQ(s.priority, c.priority) << c.core;
        EXPECT_TRUE(CPU_EQUAL(&s.cpus, &c.cpus)) << c.core;
        t.stop();
        ASSERT_TRUE(wait_until([&] { return !t.is_alive(); }));
    }
}

TEST(ApiServiceThread, RebindOfRunningThreadAppliesAtOnce) {
    if (!can_go_realtime()) GTEST_SKIP() << "real-time scheduling not permitted";
    Probe t("probe_rebind");
    ASSERT_TRUE(t.start());
    const int tid = t.tid_.load();
    EXPECT_EQ(sched_of(tid).policy, SCHED_OTHER);

    t.rebind_cpu_core(0);
    SchedState s = sched_of(tid);
    EXPECT_EQ(s.policy, SCHED_FIFO);
    EXPECT_EQ(s.priority, 60);
    cpu_set_t zero = only(0);
    EXPECT_TRUE(CPU_EQUAL(&s.cpus, &zero));

    // A refused binding leaves the thread where it was, and running.
    t.rebind_cpu_core(2000);
    EXPECT_EQ(t.bound_core_.load(), 2000);
    s = sched_of(tid);
    EXPECT_TRUE(CPU_EQUAL(&s.cpus, &zero));
    const long r0 = t.rounds.load();
    ASSERT_TRUE(wait_until([&] { return t.rounds.load() > r0 + 3; }));
    EXPECT_TRUE(t.is_alive());
    t.stop();
    ASSERT_TRUE(wait_until([&] { return !t.is_alive(); }));
}

TEST(ApiServiceThread, BindingAThreadThatDoesNotRunIsHarmless) {
    Probe t("probe_idle");
    t.bind_cpu_core();
    t.rebind_cpu_core(0);
    EXPECT_EQ(t.bound_core_.load(), 0);
    Probe once("probe_once", true);
    ASSERT_TRUE(once.start());
    ASSERT_TRUE(wait_until([&] { return !once.is_alive(); }));
    once.rebind_cpu_core(1);  // ended: recorded for the next start only
    once.bind_cpu_core();
    EXPECT_EQ(once.bound_core_.load(), 1);
}

std::string read_file(const std::string& path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// The lifecycle and binding lines, read back from the log file; skipped where
// the logger cannot be brought up.
TEST(ApiServiceThread, LogsStartBindAndStopLines) {
    if (!nq::log::Log::initialize(nq::log::kInfo, 128)) GTEST_SKIP() << "logger not available";
    char dir[] = "/tmp/svc_log_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/svc.log";
    ASSERT_TRUE(nq::log::Log::open_log(0, path.c_str()));

    Probe bad("probe_bad_core");
    bad.rebind_cpu_core(2000);
    ASSERT_TRUE(bad.start());
    const int bad_tid = bad.tid_.load();
    Probe good("probe_core0");
    good.rebind_cpu_core(0);
    ASSERT_TRUE(good.start());
    const int good_tid = good.tid_.load();
    const std::string start_bad = "start work: { name = probe_bad_core, tid = " + std::to_string(bad_tid) + " }";
    const std::string start_good = "start work: { name = probe_core0, tid = " + std::to_string(good_tid) + " }";
    const std::string fail = "[WARN] bind cpu core fail: { core = 2000, os_err_msg = Invalid argument }";
    const std::string ok = "[INFO] bind cpu core ok: { core = 0 }";
    EXPECT_TRUE(wait_until([&] {
        const std::string log = read_file(path);
        return log.find(start_bad) != std::string::npos && log.find(start_good) != std::string::npos &&
               log.find(fail) != std::string::npos && log.find(ok) != std::string::npos;
    })) << read_file(path);
    // The refused binding leaves the thread running.
    const long r0 = bad.rounds.load();
    EXPECT_TRUE(wait_until([&] { return bad.rounds.load() > r0 + 3; }));

    bad.stop();
    good.stop();
    ASSERT_TRUE(wait_until([&] { return !bad.is_alive() && !good.is_alive(); }));
    const std::string stop_bad = "stop work: { name = probe_bad_core, tid = " + std::to_string(bad_tid) + " }";
    EXPECT_TRUE(wait_until([&] { return read_file(path).find(stop_bad) != std::string::npos; })) << read_file(path);
    std::remove(path.c_str());
    rmdir(dir);
}

// A process pinned to one core that starts its threads under SCHED_FIFO (as
// the library's creator runs): each start returns, though the new thread can
// only run on the core of the starter, at the starter's priority.
TEST(ApiServiceThread, StartsOnTheStartersOnlyCoreUnderFifo) {
    trv_test::run_forked_scenario(
        [] {
            if (!trv_test::pin_to_one_core(21)) return false;
            for (int i = 0; i < 100; ++i) {
                auto* t = new Probe("one_core", true);  // ends at once; never deleted in this child
                EXPECT_TRUE(t->start());
                EXPECT_NE(t->tid_.load(), 0);
            }
            return true;
        },
        trv_test::kNoRealtimeRight, 30);
}

}  // namespace
