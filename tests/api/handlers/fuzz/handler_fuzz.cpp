// Feeds arbitrary bodies, code by code, to the registered message handlers
// of the process's provider, as the peer would send them: each body lies in a
// heap block of exactly its frame's length, and the callbacks read every
// byte of every record, row, error text and raw report they are handed, so
// a read outside the message is caught by the address sanitizer.
//
// Everything runs on the fuzzing thread. The provider is brought up once and
// its service threads are stopped again at once; after each input the
// harness does their work itself: it runs what the handlers queued for the
// handler workers, drops what they queued for the sender and the delayed
// sender (no socket is written), then moves the cached clock past the
// request time-out, fires the timers (request time-outs reach the handlers'
// time-out operations) and recycles them, and sets the clock back. So each
// input leaves nothing behind but the provider's lasting state, and
// libFuzzer's leak check sees what one input leaked.
//
// Input: byte 0 picks the code (among the registered ones); byte 1 holds
// flags: bits 0-1 the session (trade, privileged, quote), bit 2 makes the
// body an answer to a fresh request awaiting this code (its sequence is
// written at body offset 16), bit 3 a paged query rather than a single
// request, bit 4 hands the body to the code's error operation as an error
// reply, bit 5 times the fresh request out through the timeout operation.
// The rest is the body.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "api/handlers/KApiServiceFuncBase.h"
#include "api/messages/TQueryRequest.h"
#include "api/messages/TRequest.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiSession.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/ApiDelaySender.h"
#include "framework/ApiLocalTime.h"
#include "framework/ApiMessageSender.h"
#include "framework/ApiServiceThread.h"
#include "framework/ApiServiceWorker.h"
#include "framework/ApiTaskQueue.h"
#include "framework/ApiTimerManager.h"
#include "framework/Message.h"
#include "framework/MessageHandler.h"
#include "framework/ServiceFunc.h"
#include "framework/TcpMessageIO.h"

namespace {

volatile unsigned char g_sink;

void touch(const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    unsigned char x = 0;
    for (size_t i = 0; i < n; ++i) x ^= b[i];
    g_sink = x;
}
void touch_error(const nq::trv_error_info_t* e) {
    if (e != nullptr) touch(e->error_msg, std::strlen(e->error_msg));
}
template <class List>
void touch_list(const List* list) {
    if (list == nullptr) return;
    for (size_t i = 0; i < list->data_count(); ++i) touch(list->get(static_cast<int>(i)), sizeof(*list->get(0)));
}

struct TouchingSpi : nq::TRVPrivilegeSpi {
#define PUSHED(fn, Record) \
    void fn(uint64_t, const nq::trv_msg_desc_t* d, const Record* r) override { touch(d, 17), touch(r, sizeof *r); }
    PUSHED(on_order_response, nq::trv_order_response_t)
    PUSHED(on_cancel_response, nq::trv_cancel_response_t)
    PUSHED(on_trade_report, nq::trv_trade_report_t)
    PUSHED(on_order_error_response, nq::trv_order_error_response_t)
    PUSHED(on_order_end, nq::trv_order_end_t)
    PUSHED(on_counter_fund_transfer_request, nq::trv_counter_fund_transfer_request_t)
    PUSHED(on_counter_fund_transfer_result, nq::trv_counter_fund_transfer_result_t)
    PUSHED(on_cluster_fund_transfer_request, nq::trv_cluster_fund_transfer_request_t)
    PUSHED(on_cluster_fund_transfer_result, nq::trv_cluster_fund_transfer_result_t)
    PUSHED(on_order_book_insert, nq::trv_order_book_insert_t)
    PUSHED(on_order_book_update, nq::trv_order_book_update_t)
    PUSHED(on_order_book_error, nq::trv_order_book_error_t)
    PUSHED(on_asset, nq::trv_asset_info_t)
    PUSHED(on_position, nq::trv_position_info_t)
    PUSHED(on_token, nq::trv_internal_token_info_t)
    PUSHED(on_quote_login_info, nq::trv_internal_quote_login_info_t)
    PUSHED(on_fund_transfer_exec_result, nq::trv_fund_transfer_exec_result_t)
#undef PUSHED
    void on_raw_report(uint64_t, const nq::trv_msg_desc_t* d, uint8_t, uint64_t, char id[32], nq::ExchangeIndex,
                       uint16_t, uint16_t, uint32_t size, char* report) override {
        touch(d, 17);
        touch(id, 32);
        touch(report, size);
    }
#define QUERY(fn, List)                                                                            \
    void fn(uint64_t, uint64_t, const nq::List* l, bool, const nq::trv_error_info_t* e) override { \
        touch_list(l);                                                                             \
        touch_error(e);                                                                            \
    }
    QUERY(on_query_positions, TRVPositionList)
    QUERY(on_query_assets, TRVAssetList)
    QUERY(on_query_orders, TRVOrderList)
    QUERY(on_query_trades, TRVTradeReportList)
    QUERY(on_query_init_assets, TRVInitAssetList)
    QUERY(on_query_init_positions, TRVInitPositionList)
    QUERY(on_query_trade_account_info, TRVTradeAccountInfoList)
    QUERY(on_query_brief_assets, TRVBriefAssetList)
    QUERY(on_query_brief_positions, TRVBriefPositionList)
#undef QUERY
    void on_query_orders_by_page(uint64_t, uint64_t, const nq::TRVOrderList* l, uint64_t, uint64_t,
                                 const nq::trv_page_query_reference_t* r, bool,
                                 const nq::trv_error_info_t* e) override {
        touch_list(l);
        if (r != nullptr) touch(r, sizeof *r);
        touch_error(e);
    }
    void on_subscribe_trade_message(uint64_t, uint64_t, uint64_t, uint64_t, const nq::trv_error_info_t* e) override {
        touch_error(e);
    }
    void on_rebuild_trade_message(uint64_t, uint64_t, uint64_t, uint64_t, const nq::trv_error_info_t* e) override {
        touch_error(e);
    }
    void on_dump_final_file(uint64_t, uint64_t, bool, const nq::trv_error_info_t* e) override { touch_error(e); }
    void on_unbind_user_tgw(uint64_t, uint64_t, uint64_t, const nq::trv_error_info_t* e) override { touch_error(e); }
    void on_login(uint64_t, uint64_t, const nq::trv_error_info_t* e) override { touch_error(e); }
    void on_auth_trade(uint64_t, uint64_t, uint64_t, const nq::trv_error_info_t* e) override { touch_error(e); }
};

struct TouchingQuoteSpi : nq::TRVQuoteSpi {
    void on_login(uint64_t, uint64_t, const nq::trv_error_info_t* e) override { touch_error(e); }
    void on_query_static_quote_info(uint64_t, uint64_t, const nq::TRVStaticQuoteList* l, bool,
                                    const nq::trv_error_info_t* e) override {
        touch_list(l);
        touch_error(e);
    }
    void on_query_all_level1_quote(uint64_t, uint64_t, const nq::TRVLevel1QuoteList* l, bool,
                                   const nq::trv_error_info_t* e) override {
        touch_list(l);
        touch_error(e);
    }
    void on_query_level1_quote(uint64_t, uint64_t, const nq::trv_level1_quote_t* q,
                               const nq::trv_error_info_t* e) override {
        if (q != nullptr) touch(q, sizeof *q);
        touch_error(e);
    }
    void on_request_rebuild_tick_quote_error(uint64_t, uint64_t, const nq::trv_error_info_t* e) override {
        touch_error(e);
    }
    void on_rebuild_tick_quote(uint64_t, uint64_t, nq::ExchangeIndex, nq::QuoteMsgType,
                               const nq::trv_tick_quote_union_t* t) override {
        touch(t, sizeof *t);
    }
};

constexpr nq::ApiType kTypes[3] = {nq::ApiType::TRADE, nq::ApiType::PRIVILEGE, nq::ApiType::QUOTE};
constexpr uint64_t kRequestTimeoutMs = 1000;

struct World {
    nq::api::KApi* api = nullptr;
    uint64_t sessions[3] = {};
    int peers[3] = {-1, -1, -1};
    std::vector<uint32_t> codes;
    std::vector<nq::api::ApiServiceWorker*> handler_workers;
    std::vector<nq::api::ApiServiceWorker*> senders;  // what they take is dropped
    uint64_t clock_ms = 0;                            // the cached clock during an input
    TouchingSpi spi;
    TouchingQuoteSpi quote_spi;
};

// A session of kTypes[i] whose callback slots hold what a login stores. The
// far end of its socket pair is kept and never read: nothing is sent.
void open_session(World* w, int i) {
    if (w->peers[i] >= 0) close(w->peers[i]);
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) abort();
    w->peers[i] = fds[1];
    w->sessions[i] = w->api->framework_->message_io_->open_session(fds[0], static_cast<unsigned char>(kTypes[i]));
    nq::api::TcpSession* tcp = w->api->framework_->message_io_->acquire_session(w->sessions[i]);
    nq::api::KApiSession* s = nq::api::KApiSession::from(tcp);
    if (s == nullptr) abort();
    s->api_type = static_cast<uint8_t>(kTypes[i]);
    if (i == 0) s->trade_spi.store(&w->spi);
    if (i == 1) s->privilege_spi.store(&w->spi), s->trade_spi.store(&w->spi);
    if (i == 2) s->quote_spi.store(&w->quote_spi);
    tcp->release();
}

World* make_world() {
    auto* w = new World;
    char dir[] = "/tmp/trv_handler_fuzz.XXXXXX";
    if (mkdtemp(dir) == nullptr) abort();
    setenv("TRV_FILE_PATH", dir, 1);
    setenv("TRV_LOG_LEVEL", "error", 1);
    setenv("TRV_REQUEST_TIMEOUT", "1", 1);
    w->api = nq::api::KApi::create_singleton_or_get();
    if (w->api == nullptr) abort();
    // From here on the harness does the service threads' work.
    nq::api::ApiServiceThread::stop_service();
    for (int waited = 0;; ++waited) {
        bool running = false;
        pthread_mutex_lock(&nq::api::ApiServiceThread::os_mutex_);
        for (nq::api::ApiServiceThread* t = nq::api::ApiServiceThread::head_; t != nullptr; t = t->next_)
            running = running || t->is_alive();
        pthread_mutex_unlock(&nq::api::ApiServiceThread::os_mutex_);
        if (!running) break;
        if (waited > 10000) abort();  // 10 s
        usleep(1000);
    }
    nq::api::KApiFramework* f = w->api->framework_;
    for (unsigned long i = 1; i <= f->handler_count_; ++i) w->handler_workers.push_back(f->handlers_[i]);
    w->senders = {static_cast<nq::api::ApiServiceWorker*>(f->message_io_->sender_),
                  static_cast<nq::api::ApiServiceWorker*>(f->delay_sender_)};
    w->clock_ms = nq::api::ApiLocalTime::mono_ms();
    for (int i = 0; i < 3; ++i) open_session(w, i);
    for (uint32_t code = 0; code < nq::ServiceFunc::kTableSize; ++code)
        if (dynamic_cast<nq::api::KApiServiceFuncBase*>(nq::ServiceFunc::service_func_[code]) != nullptr)
            w->codes.push_back(code);
    if (w->codes.empty()) abort();
    return w;
}

// What the workers would do with their queues: the handler workers' tasks
// run here (they may queue more), the senders' copies are dropped.
void run_queued_work(World* w) {
    for (int round = 0; round < 16; ++round) {
        bool ran = false;
        for (nq::api::ApiServiceWorker* worker : w->handler_workers) {
            while (unsigned char* copy = worker->get_first_task()) {
                nq::Message m{reinterpret_cast<nq::MessageHeader*>(copy), copy + nq::kFrameHeaderSize, copy};
                worker->do_one_task(&m);
                if (nq::api::ApiServiceWorker::copy_owner(copy) == worker)
                    nq::api::ApiServiceWorker::free_message(copy);
                ran = true;
            }
        }
        if (!ran) break;
    }
    for (nq::api::ApiServiceWorker* sender : w->senders) {
        for (nq::api::ApiTaskQueue* q : {sender->urgent_queue_, sender->normal_queue_}) {
            while (void* p = q != nullptr ? q->pop() : nullptr) {
                auto* copy = static_cast<unsigned char*>(p);
                if (nq::api::ApiServiceWorker::copy_owner(copy) == sender)
                    nq::api::ApiServiceWorker::free_message(copy);
            }
        }
    }
}

// The end of an input: queued work done, every timer of the input fired and
// recycled, sessions that the input closed swept and opened anew.
void settle(World* w) {
    run_queued_work(w);
    nq::api::ApiLocalTime::set_mono_ms(w->clock_ms + 2 * kRequestTimeoutMs);
    w->api->timer_manager_->check_timer_proc();
    run_queued_work(w);
    w->api->timer_manager_->recycle_timer_proc();
    nq::api::ApiLocalTime::set_mono_ms(w->clock_ms);
    bool swept = false;
    for (int i = 0; i < 3; ++i) {
        nq::api::TcpSession* tcp = w->api->framework_->message_io_->acquire_session(w->sessions[i]);
        const bool alive = tcp != nullptr && tcp->is_alive();
        if (tcp != nullptr) tcp->release();
        if (alive) continue;
        if (!swept) w->api->framework_->message_io_->heartbeat_check_proc();
        swept = true;
        open_session(w, i);
    }
    if (swept) run_queued_work(w);
}

std::unique_ptr<unsigned char[]> frame_of(uint32_t code, uint64_t session, const uint8_t* body, size_t size,
                                          nq::Message* m) {
    std::unique_ptr<unsigned char[]> f(new unsigned char[64 + size]);
    std::memset(f.get(), 0, 64);
    nq::set_frame_code_length(f.get(), code, static_cast<uint32_t>(64 + size));
    nq::set_header_word(f.get(), 16, session);
    if (size != 0) std::memcpy(f.get() + 64, body, size);
    *m = nq::Message{reinterpret_cast<nq::MessageHeader*>(f.get()), f.get() + 64, f.get()};
    return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* w = make_world();
    if (size < 2) return 0;
    nq::api::ApiLocalTime::set_mono_ms(w->clock_ms);
    const uint32_t code = w->codes[data[0] % w->codes.size()];
    const uint8_t flags = data[1];
    const int which = (flags & 3) % 3;
    const uint64_t session = w->sessions[which];
    // Frames are at most 64 KiB on the wire.
    const size_t body_size = std::min<size_t>(size - 2, 65536 - 64);
    std::vector<uint8_t> body(data + 2, data + 2 + body_size);
    auto* handler = dynamic_cast<nq::api::KApiServiceFuncBase*>(nq::ServiceFunc::service_func_[code]);
    nq::api::KApiRequestManager* ring = w->api->framework_->request_manager_;

    uint64_t seq = UINT64_MAX;
    if (flags & 4) {
        bool sent;
        if (flags & 8) {
            nq::api::TQueryRequest<1477, 1989> query;
            query.desire_response = code;
            sent = ring->send_query_request(session, &query);
            seq = nq::load_le<uint64_t>(query.body(), 16);
        } else {
            nq::api::TRequest<1050, 1051> request;
            request.desire_response = code;
            sent = ring->send_request(session, &request);
            seq = request.head()->request_seq;
        }
        if (!sent) seq = UINT64_MAX;
        if (seq != UINT64_MAX && body.size() >= 24) nq::store_le<uint64_t>(body.data(), 16, seq);
    }

    nq::Message m;
    auto frame = frame_of(code, session, body.data(), body.size(), &m);
    handler->service_func(&m);

    nq::api::TcpSession* tcp = w->api->framework_->message_io_->acquire_session(session);
    nq::api::KApiSession* s = nq::api::KApiSession::from(tcp);
    if (s != nullptr && (flags & 16) && body.size() >= 24) {
        // What the error-reply handler does with a reply whose awaited code
        // is this one.
        nq::api::request_info_t info = ring->on_error(nq::load_le<uint64_t>(body.data(), 16));
        if (info.timed_out == 0) {
            nq::Message e;
            auto reply = frame_of(1029, session, body.data(), body.size(), &e);
            handler->error_func(s, &e, &info);
        }
        nq::api::KApiRequestManager::release(info);
    }
    if (s != nullptr && (flags & 32) && seq != UINT64_MAX) {
        nq::api::request_info_t* entry = nullptr;
        {
            pthread_mutex_lock(&ring->mutex);
            if (!ring->is_timeout_no_lock(seq)) entry = ring->slots[seq & ring->mask];
            pthread_mutex_unlock(&ring->mutex);
        }
        if (entry != nullptr) {
            nq::api::request_info_t info = ring->on_timeout(entry);
            if (info.timed_out != 0 && info.request_seq == seq) {
                nq::trv_error_info_t error{};
                error.error_code_type = 311;
                std::strcpy(error.error_msg, "timeout");
                handler->timeout_func(s, &info, &error);
            }
            nq::api::KApiRequestManager::release(info);
        }
    }
    if (tcp != nullptr) tcp->release();
    settle(w);
    return 0;
}
