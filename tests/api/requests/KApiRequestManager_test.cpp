// Request ring and query paging, driven through a framework that records the
// frames it is asked to post and a real timer manager stepped by hand on the
// cached clock. Frames are read and built from the protocol's byte offsets.
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "api/messages/ApiDataTableInfo.h"
#include "api/messages/ApiQueryResponseHead.h"
#include "api/messages/QueryRequest.h"
#include "api/messages/TQueryRequest.h"
#include "api/messages/TRequest.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/ApiLocalTime.h"
#include "framework/ApiTimerManager.h"
#include "framework/Framework.h"
#include "framework/ServiceProvider.h"

using namespace nq;
using namespace nq::api;

namespace {

constexpr uint64_t kT0 = 1700000000000ull;
constexpr unsigned long kInterval = 1000;
constexpr uint64_t kSession = 0x123450001ull;

template <typename T>
T rd(const unsigned char* p, unsigned off) {
    T v;
    std::memcpy(&v, p + off, sizeof v);
    return v;
}
template <typename T>
void wr(unsigned char* p, unsigned off, T v) {
    std::memcpy(p + off, &v, sizeof v);
}

struct Frame {
    unsigned long session;
    bool delayed;
    std::vector<unsigned char> bytes;  // header then body
    uint32_t code() const { return rd<uint64_t>(bytes.data(), 8) & 0x3fff; }
    uint32_t length() const { return (rd<uint64_t>(bytes.data(), 8) >> 14) & 0xfffff; }
    const unsigned char* body() const { return bytes.data() + 64; }
};

class RecordingFramework : public Framework {
public:
    void post_message(unsigned long session_id, Message* m) override { record(session_id, m, false); }
    TcpMessageIO* create_message_io() override { return nullptr; }
    unsigned long get_message_handler(Message*) override { return 0; }

    void record(unsigned long session_id, Message* m, bool delayed) {
        Frame f{session_id, delayed, {}};
        const uint32_t len = frame_length(m->header_);
        f.bytes.assign(m->header_->bytes, m->header_->bytes + 64);
        f.bytes.insert(f.bytes.end(), m->body_, m->body_ + (len - 64));
        std::lock_guard<std::mutex> lock(mutex_);
        frames_.push_back(f);
    }
    std::vector<Frame> take() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<Frame> out;
        out.swap(frames_);
        return out;
    }

private:
    std::mutex mutex_;
    std::vector<Frame> frames_;
};

void delay_post(Framework* fw, unsigned long session_id, Message* m) {
    static_cast<RecordingFramework*>(fw)->record(session_id, m, true);
}

// Times requests out as the service provider does, and records which of them
// were reported (timed out unanswered).
class RingProvider : public ServiceProvider {
public:
    bool init_log() override { return true; }
    void on_timer(unsigned long queue_id, void* data) override {
        if (queue_id != KApiRequestManager::kTimerQueue || ring == nullptr) return;
        request_info_t info = ring->on_timeout(static_cast<request_info_t*>(data));
        if (info.session_id != 0 && !info.finished) {
            std::lock_guard<std::mutex> lock(mutex);
            reported.push_back(info.request_seq);
            if (info.request != nullptr) rows_at_timeout.push_back(info.request->status.rsp_count);
        }
        KApiRequestManager::release(info);
    }
    KApiRequestManager* ring = nullptr;
    std::mutex mutex;
    std::vector<uint64_t> reported;
    std::vector<uint32_t> rows_at_timeout;
};

// Process-lifetime objects, as in the library; reachable for the leak checker.
RecordingFramework* volatile g_fw = nullptr;
RingProvider* volatile g_provider = nullptr;
ApiTimerManager* volatile g_timers = nullptr;
KApiRequestManager* volatile g_ring = nullptr;

class RingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ApiLocalTime::set_mono_ms(kT0);
        fw = new RecordingFramework();
        provider = new RingProvider();
        timers = new ApiTimerManager(provider);
        ASSERT_TRUE(timers->create_timer_queue(KApiRequestManager::kTimerQueue, kInterval));
        ring = KApiRequestManager::create(fw, timers, delay_post);
        ASSERT_NE(ring, nullptr);
        provider->ring = ring;
        g_fw = fw;
        g_provider = provider;
        g_timers = timers;
        g_ring = ring;
    }
    // Runs one round of the timer threads at clock `at`.
    void fire(uint64_t at) {
        ApiLocalTime::set_mono_ms(at);
        timers->check_timer_proc();
        timers->recycle_timer_proc();
    }
    bool mutex_free() {
        if (pthread_mutex_trylock(&ring->mutex) != 0) return false;
        pthread_mutex_unlock(&ring->mutex);
        return true;
    }
    std::vector<uint64_t> reported() {
        std::lock_guard<std::mutex> lock(provider->mutex);
        return provider->reported;
    }

    RecordingFramework* fw = nullptr;
    RingProvider* provider = nullptr;
    ApiTimerManager* timers = nullptr;
    KApiRequestManager* ring = nullptr;
};

using LoginLike = TRequest<1030, 1031>;
using OrderQuery = TQueryRequest<1475, 1987>;

std::vector<unsigned char> table_info_body(uint64_t seq, uint32_t sub_tables, std::vector<uint32_t> ends) {
    std::vector<unsigned char> b(125, 0);
    wr<uint64_t>(b.data(), 16, seq);
    wr<uint32_t>(b.data(), 57, sub_tables);
    for (size_t i = 0; i < ends.size(); ++i) wr<uint32_t>(b.data(), 61 + 4 * unsigned(i), ends[i]);
    return b;
}
const api_data_table_info_t* as_info(const std::vector<unsigned char>& b) {
    return reinterpret_cast<const api_data_table_info_t*>(b.data() + 57);
}

std::vector<unsigned char> page_body(uint64_t seq, uint16_t table, uint32_t count, uint32_t next_ref) {
    std::vector<unsigned char> b(84, 0);
    wr<uint64_t>(b.data(), 16, seq);
    wr<uint16_t>(b.data(), 57, table);
    wr<uint32_t>(b.data(), 71, count);
    wr<uint32_t>(b.data(), 75, next_ref);
    wr<uint32_t>(b.data(), 79, 16);
    return b;
}
const api_query_response_head_t* as_page(const std::vector<unsigned char>& b) {
    return reinterpret_cast<const api_query_response_head_t*>(b.data());
}

struct PageAsk {
    uint16_t table;
    uint32_t count, reference, end;
};
PageAsk ask_of(const Frame& f) {
    return {rd<uint16_t>(f.body(), 57), rd<uint32_t>(f.body(), 59), rd<uint32_t>(f.body(), 63),
            rd<uint32_t>(f.body(), 67)};
}

// --- ring admission -------------------------------------------------------

TEST_F(RingTest, AdmitsUpTo65535AndWrapsSequencesIntoReusedSlots) {
    LoginLike req;
    wr<uint64_t>(req.body(), 8, 77);
    ASSERT_TRUE(ring->send_request(kSession, &req));
    std::vector<Frame> sent = fw->take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].session, kSession);
    EXPECT_EQ(sent[0].code(), 1030u);
    EXPECT_EQ(rd<uint64_t>(sent[0].body(), 0), kSession);
    EXPECT_EQ(rd<uint64_t>(sent[0].body(), 16), 0u);

    ApiLocalTime::set_mono_ms(kT0 + 1);
    for (uint64_t seq = 1; seq < 65535; ++seq) {
        ASSERT_TRUE(ring->send_request(kSession, &req)) << seq;
        ASSERT_EQ(rd<uint64_t>(req.body(), 16), seq);
    }
    EXPECT_EQ(fw->take().size(), 65534u);
    EXPECT_FALSE(ring->send_request(kSession, &req)) << "the 65536th outstanding request";
    EXPECT_FALSE(ring->delay_send_request(kSession, &req));
    EXPECT_TRUE(fw->take().empty());
    EXPECT_TRUE(mutex_free());

    // The oldest times out and is swept: one place frees up.
    fire(kT0 + kInterval);
    EXPECT_EQ(reported(), std::vector<uint64_t>{0});
    EXPECT_EQ(ring->tail, 1u);
    ASSERT_TRUE(ring->delay_send_request(kSession, &req));
    EXPECT_EQ(rd<uint64_t>(req.body(), 16), 65535u);
    sent = fw->take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].delayed);
    EXPECT_FALSE(ring->send_request(kSession, &req));

    fire(kT0 + 1 + kInterval);
    EXPECT_EQ(ring->tail, 65535u);
    ASSERT_TRUE(ring->send_request(kSession, &req));
    EXPECT_EQ(rd<uint64_t>(req.body(), 16), 65536u);
    ASSERT_NE(ring->slots[0], nullptr);
    EXPECT_EQ(ring->slots[0]->request_seq, 65536u);

    // An answer carrying the old number of the same slot is stale; the live
    // one completes, and so does nothing for numbers never issued.
    EXPECT_EQ(ring->on_request_response(0).timed_out, 1);
    EXPECT_EQ(ring->on_request_response(65536 + 65536).timed_out, 1);
    request_info_t live = ring->on_request_response(65536);
    EXPECT_EQ(live.timed_out, 0);
    EXPECT_EQ(live.finished, 1);
    EXPECT_EQ(live.request_id, 77u);
    EXPECT_EQ(live.desire_response, 1031u);
    EXPECT_EQ(reported().size(), 65535u);
}

TEST_F(RingTest, RefusesWithoutTimerOrRequestAndKeepsTheLockFree) {
    LoginLike req;
    EXPECT_FALSE(ring->send_request(kSession, nullptr));
    EXPECT_FALSE(ring->send_query_request(kSession, nullptr));

    ApiTimerManager* no_queue = new ApiTimerManager(provider);
    KApiRequestManager* bare = KApiRequestManager::create(fw, no_queue, nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_FALSE(bare->send_request(kSession, &req));
    EXPECT_FALSE(bare->delay_send_request(kSession, &req));
    OrderQuery q;
    EXPECT_FALSE(bare->send_query_request(kSession, &q));  // copy made, then freed
    EXPECT_EQ(bare->head, 0u);
    EXPECT_TRUE(fw->take().empty());
    EXPECT_EQ(pthread_mutex_trylock(&bare->mutex), 0);
    pthread_mutex_unlock(&bare->mutex);
    std::free(bare);
    delete no_queue;
}

TEST_F(RingTest, FullRingRefusesQueryAndFreesItsCopy) {
    LoginLike req;
    for (uint64_t i = 0; i < 65535; ++i) ASSERT_TRUE(ring->send_request(kSession, &req));
    fw->take();
    OrderQuery q;
    EXPECT_FALSE(ring->send_query_request(kSession, &q));
    EXPECT_TRUE(fw->take().empty());
    EXPECT_TRUE(mutex_free());
    // The leak checker of the sanitizer build sees a copy that was not freed.
}

// --- answers, timeouts, late answers ---------------------------------------

TEST_F(RingTest, AnswerBeforeTimeoutWinsAndLateAnswerIsDropped) {
    LoginLike answered, forgotten;
    ASSERT_TRUE(ring->send_request(kSession, &answered));
    ASSERT_TRUE(ring->send_request(kSession, &forgotten));

    request_info_t a = ring->on_request_response(0);
    EXPECT_EQ(a.finished, 1);
    EXPECT_EQ(a.timed_out, 0);
    EXPECT_EQ(a.session_id, kSession);
    // A repeated answer still finds the entry, finished.
    a = ring->on_error(0);
    EXPECT_EQ(a.finished, 1);
    EXPECT_EQ(a.timed_out, 0);
    EXPECT_FALSE(ring->set_finished_no_lock(0));

    fire(kT0 + kInterval - 1);
    EXPECT_TRUE(reported().empty()) << "not due yet";
    fire(kT0 + kInterval);
    EXPECT_EQ(reported(), std::vector<uint64_t>{1}) << "only the unanswered one, once";
    fire(kT0 + 3 * kInterval);
    EXPECT_EQ(reported().size(), 1u);

    request_info_t late = ring->on_request_response(1);
    EXPECT_EQ(late.timed_out, 1);
    EXPECT_EQ(late.session_id, 0u);
    EXPECT_EQ(late.request, nullptr);
    EXPECT_EQ(ring->tail, 2u);
    EXPECT_EQ(ring->slots[0], nullptr);
    EXPECT_EQ(ring->slots[1], nullptr);
}

TEST_F(RingTest, TimeoutOfTheSameEntryIsReportedOnce) {
    LoginLike req;
    ASSERT_TRUE(ring->send_request(kSession, &req));
    request_info_t* entry = ring->slots[0];
    request_info_t first = ring->on_timeout(entry);
    EXPECT_EQ(first.session_id, kSession);
    request_info_t again = ring->on_timeout(entry);
    EXPECT_EQ(again.session_id, 0u);
    EXPECT_EQ(again.timed_out, 1);
}

// --- paging ---------------------------------------------------------------

TEST_F(RingTest, QueryForAllRowsWalksSubTablesAfterTableInfo) {
    OrderQuery q;
    wr<uint64_t>(q.body(), 8, 901);      // request id
    wr<uint64_t>(q.body(), 24, 0x2424);  // login account index
    wr<uint64_t>(q.body(), 33, 0x3333);  // trade account index
    ASSERT_TRUE(ring->send_query_request(kSession, &q));
    EXPECT_EQ(rd<uint64_t>(q.body(), 16), 0u);
    std::vector<Frame> sent = fw->take();
    ASSERT_EQ(sent.size(), 1u);
    const Frame& info_req = sent[0];
    EXPECT_EQ(info_req.code(), 1041u);
    EXPECT_EQ(info_req.length(), 129u);
    EXPECT_EQ(info_req.session, kSession);
    EXPECT_EQ(rd<uint64_t>(info_req.body(), 0), kSession);
    EXPECT_EQ(rd<uint64_t>(info_req.body(), 8), 901u);
    EXPECT_EQ(rd<uint64_t>(info_req.body(), 16), 0u);
    EXPECT_EQ(rd<uint64_t>(info_req.body(), 24), 0x2424u);
    EXPECT_EQ(info_req.body()[32], 0);
    EXPECT_EQ(rd<uint64_t>(info_req.body(), 33), 0x3333u);
    EXPECT_EQ(rd<uint64_t>(info_req.body(), 57), 1475u);

    auto info = table_info_body(0, 2, {2, 3});
    request_info_t r = ring->on_query_data_table_info(0, fw, as_info(info));
    EXPECT_EQ(r.finished, 0);
    ASSERT_NE(r.request, nullptr);
    KApiRequestManager::release(r);

    struct Step {
        uint16_t answer_table;
        uint32_t count, next_ref;
        bool finished;
        PageAsk next;  // expected next page request when not finished
    };
    sent = fw->take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code(), 1475u);
    EXPECT_EQ(sent[0].length(), 64u + 104u);
    EXPECT_EQ(rd<uint64_t>(sent[0].body(), 16), 0u);
    PageAsk a = ask_of(sent[0]);
    EXPECT_EQ(a.table, 0);
    EXPECT_EQ(a.count, 0u);
    EXPECT_EQ(a.reference, 0u);
    EXPECT_EQ(a.end, 2u);
    const Step steps[] = {
        {0, 2, 2, false, {1, 0, 0, 3}},
        {1, 2, 2, false, {1, 0, 2, 3}},
        {1, 1, 3, true, {}},
    };
    for (const Step& s : steps) {
        auto page = page_body(0, s.answer_table, s.count, s.next_ref);
        request_info_t p = ring->on_query_response(0, fw, as_page(page));
        EXPECT_EQ(p.timed_out, 0);
        EXPECT_EQ(p.finished, s.finished ? 1 : 0);
        sent = fw->take();
        if (s.finished) {
            EXPECT_TRUE(sent.empty());
            ASSERT_NE(p.request, nullptr);
            EXPECT_EQ(p.request->status.rsp_count, 5u);
        } else {
            ASSERT_EQ(sent.size(), 1u);
            PageAsk n = ask_of(sent[0]);
            EXPECT_EQ(n.table, s.next.table);
            EXPECT_EQ(n.count, s.next.count);
            EXPECT_EQ(n.reference, s.next.reference);
            EXPECT_EQ(n.end, s.next.end);
        }
        KApiRequestManager::release(p);
    }
    // After the last page no paging step runs.
    auto extra = page_body(0, 1, 1, 4);
    request_info_t x = ring->on_query_response(0, fw, as_page(extra));
    EXPECT_EQ(x.finished, 1);
    EXPECT_TRUE(fw->take().empty());
    KApiRequestManager::release(x);
    fire(kT0 + kInterval);
    EXPECT_TRUE(reported().empty());
}

TEST_F(RingTest, PagedReferenceContinuesWithoutTableInfo) {
    trv_page_query_reference_t ref;
    std::memset(&ref, 0, sizeof ref);
    ref.sub_table_num = 2;
    ref.sub_table_end_points[0] = 5;
    ref.sub_table_end_points[1] = 4;
    ref.positions[0] = 5;
    ref.positions[1] = 1;
    OrderQuery q(2, &ref);
    ASSERT_TRUE(ring->send_query_request(kSession, &q));
    std::vector<Frame> sent = fw->take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code(), 1475u);
    PageAsk a = ask_of(sent[0]);
    EXPECT_EQ(a.table, 1);
    EXPECT_EQ(a.count, 2u);
    EXPECT_EQ(a.reference, 1u);
    EXPECT_EQ(a.end, 4u);

    auto page = page_body(0, 1, 2, 3);
    request_info_t p = ring->on_query_response(0, fw, as_page(page));
    EXPECT_EQ(p.finished, 1) << "req_count rows received";
    EXPECT_TRUE(fw->take().empty());
    ASSERT_NE(p.request, nullptr);
    EXPECT_EQ(p.request->status.rsp_count, 2u);
    EXPECT_EQ(p.request->status.reference.positions[1], 3u);
    KApiRequestManager::release(p);
}

TEST_F(RingTest, ShortReferenceAsksForTableInfo) {
    trv_page_query_reference_t ref;
    std::memset(&ref, 0, sizeof ref);
    ref.sub_table_num = 1;
    ref.sub_table_end_points[0] = 3;
    ref.positions[0] = 2;
    OrderQuery q(2, &ref);
    ASSERT_TRUE(ring->send_query_request(kSession, &q));
    std::vector<Frame> sent = fw->take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code(), 1041u);
}

TEST_F(RingTest, EmptyTableInfoFinishesWithoutPageRequest) {
    OrderQuery q;
    ASSERT_TRUE(ring->send_query_request(kSession, &q));
    fw->take();
    auto info = table_info_body(0, 0, {});
    request_info_t r = ring->on_query_data_table_info(0, fw, as_info(info));
    EXPECT_EQ(r.finished, 1);
    EXPECT_TRUE(fw->take().empty());
    KApiRequestManager::release(r);
}

TEST_F(RingTest, PageThatDoesNotAdvanceEndsItsSubTable) {
    struct Case {
        const char* what;
        uint16_t answer_table;
        uint32_t next_ref;
    } cases[] = {
        {"reference not past the position", 0, 0},
        {"table index out of range", 16, 4},
        {"wrong sub-table", 1, 2},
    };
    for (const Case& c : cases) {
        OrderQuery q;
        ASSERT_TRUE(ring->send_query_request(kSession, &q)) << c.what;
        const uint64_t seq = rd<uint64_t>(q.body(), 16);
        fw->take();
        auto info = table_info_body(seq, 2, {4, 4});
        request_info_t r = ring->on_query_data_table_info(seq, fw, as_info(info));
        KApiRequestManager::release(r);
        ASSERT_EQ(ask_of(fw->take().at(0)).table, 0) << c.what;

        auto page = page_body(seq, c.answer_table, 1, c.next_ref);
        request_info_t p = ring->on_query_response(seq, fw, as_page(page));
        std::vector<Frame> sent = fw->take();
        ASSERT_EQ(sent.size(), 1u) << c.what;
        PageAsk n = ask_of(sent[0]);
        EXPECT_EQ(n.table, 1) << c.what << ": the same page must not be asked again";
        EXPECT_EQ(n.reference, 0u) << c.what;
        EXPECT_EQ(p.finished, 0) << c.what;
        KApiRequestManager::release(p);

        // The same fault on the last sub-table ends the query.
        auto stuck = page_body(seq, 1, 0, 0);
        p = ring->on_query_response(seq, fw, as_page(stuck));
        EXPECT_EQ(p.finished, 1) << c.what;
        EXPECT_TRUE(fw->take().empty()) << c.what;
        KApiRequestManager::release(p);
    }
}

TEST_F(RingTest, QueryCopyOutlivesTimeoutWhileAHandlerHoldsIt) {
    OrderQuery q;
    ASSERT_TRUE(ring->send_query_request(kSession, &q));
    auto info = table_info_body(0, 1, {10});
    request_info_t r = ring->on_query_data_table_info(0, fw, as_info(info));
    KApiRequestManager::release(r);
    auto page = page_body(0, 0, 4, 4);
    request_info_t held = ring->on_query_response(0, fw, as_page(page));
    ASSERT_NE(held.request, nullptr);
    EXPECT_EQ(held.finished, 0);

    fire(kT0 + kInterval);  // timeout reported and released meanwhile
    EXPECT_EQ(reported(), std::vector<uint64_t>{0});
    {
        std::lock_guard<std::mutex> lock(provider->mutex);
        EXPECT_EQ(provider->rows_at_timeout, std::vector<uint32_t>{4});
    }
    // Still readable by the handler that holds it (the sanitizer build checks).
    EXPECT_EQ(held.request->status.rsp_count, 4u);
    EXPECT_EQ(held.request->status.reference.positions[0], 4u);
    KApiRequestManager::release(held);
    EXPECT_EQ(held.request, nullptr);

    request_info_t late = ring->on_query_response(0, fw, as_page(page));
    EXPECT_EQ(late.timed_out, 1);
    EXPECT_EQ(late.request, nullptr);
}

// Handlers, senders and the timer thread at once: every request ends exactly
// once (answered in time or reported as timed out), and no query copy is read
// after it was freed.
TEST_F(RingTest, ConcurrentAnswersAndTimeoutsEndEachRequestOnce) {
    constexpr uint64_t kQueries = 3000;
    std::atomic<uint64_t> sent{0};
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> answered{0};
    std::vector<uint8_t> ended(kQueries, 0);

    std::thread timer([&] {
        uint64_t now = kT0;
        while (!stop.load()) {
            now += 7;
            fire(now);
            std::this_thread::yield();
        }
        fire(now + 10 * kInterval);
    });
    std::thread sender([&] {
        for (uint64_t i = 0; i < kQueries; ++i) {
            OrderQuery q;
            while (!ring->send_query_request(kSession, &q)) std::this_thread::yield();
            sent.store(i + 1);
        }
    });
    std::thread handler([&] {
        uint64_t seq = 0;
        while (seq < kQueries) {
            if (seq >= sent.load()) {
                std::this_thread::yield();
                continue;
            }
            auto info = table_info_body(seq, 1, {3});
            request_info_t r = ring->on_query_data_table_info(seq, fw, as_info(info));
            KApiRequestManager::release(r);
            auto page = page_body(seq, 0, 3, 3);
            request_info_t p = ring->on_query_response(seq, fw, as_page(page));
            if (!p.timed_out && p.finished) {
                EXPECT_EQ(p.request->status.rsp_count, 3u);
                ended[seq]++;
                answered++;
            }
            KApiRequestManager::release(p);
            fw->take();
            ++seq;
        }
    });
    sender.join();
    handler.join();
    stop.store(true);
    timer.join();

    for (uint64_t s : reported()) {
        ASSERT_LT(s, kQueries);
        ended[s]++;
    }
    for (uint64_t i = 0; i < kQueries; ++i) EXPECT_EQ(ended[i], 1) << i;
    EXPECT_EQ(ring->tail, ring->head);
}

}  // namespace
