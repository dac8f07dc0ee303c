// What the handler tests share: the provider of the test process with
// sessions over socket pairs, frames built from byte offsets into exact-size
// heap copies (as a worker holds them, so a read past the end is caught by
// the address sanitizer), and callback objects that record every call.
#pragma once
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiSession.h"
#include "framework/Message.h"
#include "framework/ServiceFunc.h"
#include "trv_api.h"

namespace handlers_test {

using Bytes = std::vector<unsigned char>;

// A body of n zero bytes written field by field at the wire offsets.
struct Body {
    explicit Body(size_t n) : bytes(n, 0) {}
    template <class T>
    Body& put(size_t off, T v) {
        std::memcpy(bytes.data() + off, &v, sizeof v);
        return *this;
    }
    Body& fill(size_t off, size_t n, unsigned char c) {
        std::memset(bytes.data() + off, c, n);
        return *this;
    }
    Body& copy(size_t off, const void* p, size_t n) {
        std::memcpy(bytes.data() + off, p, n);
        return *this;
    }
    Bytes bytes;
};

// One frame in a heap block of exactly its length.
class FrameCopy {
public:
    FrameCopy(uint32_t code, uint64_t session_id, const Bytes& body)
        : length_(static_cast<uint32_t>(64 + body.size())), data_(new unsigned char[length_]) {
        std::memset(data_.get(), 0, 64);
        nq::set_frame_code_length(data_.get(), code, length_);
        nq::set_header_word(data_.get(), 16, session_id);
        if (!body.empty()) std::memcpy(data_.get() + 64, body.data(), body.size());
    }
    nq::Message message() {
        return nq::Message{reinterpret_cast<nq::MessageHeader*>(data_.get()), data_.get() + 64, data_.get()};
    }
    const unsigned char* body() const { return data_.get() + 64; }
    Bytes wire() const { return Bytes(data_.get(), data_.get() + length_); }

private:
    uint32_t length_;
    std::unique_ptr<unsigned char[]> data_;
};

// Runs the registered handler of the frame's code on the calling thread, as
// a worker would.
inline void deliver(FrameCopy& frame) {
    nq::Message m = frame.message();
    nq::ServiceFunc* handler = nq::ServiceFunc::service_func_[nq::frame_service_code(m.header_)];
    if (handler != nullptr) handler->service_func(&m);
}
inline void deliver(uint32_t code, uint64_t session_id, const Bytes& body) {
    FrameCopy frame(code, session_id, body);
    deliver(frame);
}

// One callback as it was made.
struct Event {
    std::string name;
    uint64_t session_id = 0;
    uint64_t request_id = 0;
    const void* desc = nullptr;
    const void* record = nullptr;
    bool has_list = false;
    bool is_last = false;
    std::vector<Bytes> rows;  // the first row-size bytes of each row
    bool has_error = false;
    nq::trv_error_info_t error{};
    uint64_t a = 0, b = 0;  // sequences, counts, flags, xid ...
    bool has_reference = false;
    nq::trv_page_query_reference_t reference{};
    Bytes data;  // report id, raw report
};

class EventLog {
public:
    void add(Event e) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(e));
        cv_.notify_all();
    }
    std::vector<Event> events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    size_t size() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_.size();
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.clear();
    }
    // Generous failure bound only.
    bool wait_for(size_t n, int seconds = 20) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(seconds), [&] { return events_.size() >= n; });
    }

    // Waits for a call the predicate accepts (a failure bound only).
    template <class Pred>
    bool wait_event(Pred pred, int seconds = 20) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(seconds), [&] {
            for (const Event& e : events_)
                if (pred(e)) return true;
            return false;
        });
    }
    // Waits for a call with is_last set (a failure bound only).
    bool wait_until_last(int seconds = 20) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(seconds), [&] {
            for (const Event& e : events_)
                if (e.is_last) return true;
            return false;
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Event> events_;
};

template <class List>
void record_list(Event& e, const List* list, size_t row_size) {
    e.has_list = list != nullptr;
    if (list == nullptr) return;
    for (size_t i = 0; i < list->data_count(); ++i) {
        const auto* row = reinterpret_cast<const unsigned char*>(list->get(static_cast<int>(i)));
        e.rows.emplace_back(row, row + row_size);
    }
}
inline void record_error(Event& e, const nq::trv_error_info_t* error) {
    e.has_error = error != nullptr;
    if (error != nullptr) {
        e.error.error_code_type = error->error_code_type;
        e.error.error_code = error->error_code;
        // strlen, not a copy of 256 bytes: the text must be terminated.
        std::memcpy(e.error.error_msg, error->error_msg, std::strlen(error->error_msg) + 1);
    }
}

class RecordingSpi : public nq::TRVPrivilegeSpi {
public:
    explicit RecordingSpi(EventLog* log) : log_(log) {}

#define PUSHED(fn, Record)                                                                        \
    void fn(uint64_t session_id, const nq::trv_msg_desc_t* desc, const Record* record) override { \
        Event e;                                                                                  \
        e.name = #fn;                                                                             \
        e.session_id = session_id;                                                                \
        e.desc = desc;                                                                            \
        e.record = record;                                                                        \
        e.a = desc->sequence;                                                                     \
        log_->add(e);                                                                             \
    }
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

    void on_raw_report(uint64_t session_id, const nq::trv_msg_desc_t* desc, uint8_t client_id, uint64_t xid,
                       char report_id[32], nq::ExchangeIndex exchange_index, uint16_t platform_type,
                       uint16_t gateway_index, uint32_t report_size, char* raw_report) override {
        Event e;
        e.name = "on_raw_report";
        e.session_id = session_id;
        e.desc = desc;
        e.record = raw_report;
        e.a = xid;
        e.b = (uint64_t(client_id) << 40) | (uint64_t(static_cast<uint8_t>(exchange_index)) << 32) |
              (uint64_t(platform_type) << 16) | gateway_index;
        e.data.assign(report_id, report_id + 32);
        e.data.insert(e.data.end(), raw_report, raw_report + report_size);
        log_->add(e);
    }

#define QUERY(fn, List, Row)                                                              \
    void fn(uint64_t session_id, uint64_t request_id, const nq::List* list, bool is_last, \
            const nq::trv_error_info_t* error) override {                                 \
        Event e;                                                                          \
        e.name = #fn;                                                                     \
        e.session_id = session_id;                                                        \
        e.request_id = request_id;                                                        \
        e.is_last = is_last;                                                              \
        record_list(e, list, sizeof(nq::Row));                                            \
        record_error(e, error);                                                           \
        log_->add(e);                                                                     \
    }
    QUERY(on_query_positions, TRVPositionList, trv_position_info_t)
    QUERY(on_query_assets, TRVAssetList, trv_asset_info_t)
    QUERY(on_query_orders, TRVOrderList, trv_order_info_t)
    QUERY(on_query_trades, TRVTradeReportList, trv_trade_report_t)
    QUERY(on_query_init_assets, TRVInitAssetList, trv_init_asset_info_t)
    QUERY(on_query_init_positions, TRVInitPositionList, trv_init_position_info_t)
    QUERY(on_query_trade_account_info, TRVTradeAccountInfoList, trv_trade_account_info_t)
    QUERY(on_query_brief_assets, TRVBriefAssetList, trv_brief_asset_t)
    QUERY(on_query_brief_positions, TRVBriefPositionList, trv_brief_position_t)
#undef QUERY

    void on_query_orders_by_page(uint64_t session_id, uint64_t request_id, const nq::TRVOrderList* list,
                                 uint64_t req_count, uint64_t rsp_count,
                                 const nq::trv_page_query_reference_t* reference, bool is_last,
                                 const nq::trv_error_info_t* error) override {
        Event e;
        e.name = "on_query_orders_by_page";
        e.session_id = session_id;
        e.request_id = request_id;
        e.is_last = is_last;
        e.a = req_count;
        e.b = rsp_count;
        record_list(e, list, sizeof(nq::trv_order_info_t));
        record_error(e, error);
        e.has_reference = reference != nullptr;
        if (reference != nullptr) e.reference = *reference;
        log_->add(e);
    }

#define SEQUENCES(fn)                                                                  \
    void fn(uint64_t session_id, uint64_t request_id, uint64_t first, uint64_t second, \
            const nq::trv_error_info_t* error) override {                              \
        Event e;                                                                       \
        e.name = #fn;                                                                  \
        e.session_id = session_id;                                                     \
        e.request_id = request_id;                                                     \
        e.a = first;                                                                   \
        e.b = second;                                                                  \
        record_error(e, error);                                                        \
        log_->add(e);                                                                  \
    }
    SEQUENCES(on_subscribe_trade_message)
    SEQUENCES(on_rebuild_trade_message)
#undef SEQUENCES

    void on_dump_final_file(uint64_t session_id, uint64_t request_id, bool success,
                            const nq::trv_error_info_t* error) override {
        Event e;
        e.name = "on_dump_final_file";
        e.session_id = session_id;
        e.request_id = request_id;
        e.a = success;
        record_error(e, error);
        log_->add(e);
    }
    void on_unbind_user_tgw(uint64_t session_id, uint64_t request_id, uint64_t account_index,
                            const nq::trv_error_info_t* error) override {
        Event e;
        e.name = "on_unbind_user_tgw";
        e.session_id = session_id;
        e.request_id = request_id;
        e.a = account_index;
        record_error(e, error);
        log_->add(e);
    }

private:
    EventLog* log_;
};

class RecordingQuoteSpi : public nq::TRVQuoteSpi {
public:
    explicit RecordingQuoteSpi(EventLog* log) : log_(log) {}

    void on_query_static_quote_info(uint64_t session_id, uint64_t request_id, const nq::TRVStaticQuoteList* list,
                                    bool is_last, const nq::trv_error_info_t* error) override {
        Event e;
        e.name = "on_query_static_quote_info";
        e.session_id = session_id;
        e.request_id = request_id;
        e.is_last = is_last;
        record_list(e, list, sizeof(nq::trv_static_quote_full_info_t));
        record_error(e, error);
        log_->add(e);
    }
    void on_query_all_level1_quote(uint64_t session_id, uint64_t request_id, const nq::TRVLevel1QuoteList* list,
                                   bool is_last, const nq::trv_error_info_t* error) override {
        Event e;
        e.name = "on_query_all_level1_quote";
        e.session_id = session_id;
        e.request_id = request_id;
        e.is_last = is_last;
        record_list(e, list, sizeof(nq::trv_level1_quote_t));
        record_error(e, error);
        log_->add(e);
    }
    void on_query_level1_quote(uint64_t session_id, uint64_t request_id, const nq::trv_level1_quote_t* quote,
                               const nq::trv_error_info_t* error) override {
        Event e;
        e.name = "on_query_level1_quote";
        e.session_id = session_id;
        e.request_id = request_id;
        e.record = quote;
        record_error(e, error);
        log_->add(e);
    }
    void on_request_rebuild_tick_quote_error(uint64_t session_id, uint64_t request_id,
                                             const nq::trv_error_info_t* error) override {
        Event e;
        e.name = "on_request_rebuild_tick_quote_error";
        e.session_id = session_id;
        e.request_id = request_id;
        record_error(e, error);
        log_->add(e);
    }
    void on_rebuild_tick_quote(uint64_t session_id, uint64_t request_id, nq::ExchangeIndex exchange_index,
                               nq::QuoteMsgType msg_type, const nq::trv_tick_quote_union_t* tick) override {
        Event e;
        e.name = "on_rebuild_tick_quote";
        e.session_id = session_id;
        e.request_id = request_id;
        e.a = static_cast<uint8_t>(exchange_index);
        e.b = msg_type;
        e.record = tick;
        log_->add(e);
    }

private:
    EventLog* log_;
};

// The provider of this test process, built once, and sessions over socket
// pairs whose far ends the tests keep (and may write frames into).
class Harness {
public:
    Harness() {
        char tmpl[] = "/tmp/trv_handlers_test.XXXXXX";
        if (mkdtemp(tmpl) != nullptr) dir_ = tmpl;
        setenv("TRV_FILE_PATH", dir_.c_str(), 1);
        setenv("TRV_LOG_LEVEL", "debug", 1);
        setenv("TRV_REQUEST_TIMEOUT", "600", 1);
        api_ = nq::api::KApi::create_singleton_or_get();
    }
    ~Harness() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    nq::api::KApi* api() const { return api_; }
    const std::string& log_dir() const { return dir_; }

    // A session of `type` whose callback slots hold what a login of that
    // type stores; 0 on failure.
    uint64_t open_session(nq::ApiType type, nq::TRVPrivilegeSpi* spi, nq::TRVQuoteSpi* quote_spi, int* peer_fd) {
        int fds[2];
        if (api_ == nullptr || socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
        const uint64_t id = api_->framework_->message_io_->open_session(fds[0], static_cast<unsigned char>(type));
        if (id == 0) return 0;
        nq::api::TcpSession* tcp = api_->framework_->message_io_->acquire_session(id);
        nq::api::KApiSession* s = nq::api::KApiSession::from(tcp);
        if (s == nullptr) return 0;
        s->api_type = static_cast<uint8_t>(type);
        switch (type) {
            case nq::ApiType::PRIVILEGE:
                s->privilege_spi.store(spi);
                s->trade_spi.store(spi);
                break;
            case nq::ApiType::TRADE: s->trade_spi.store(spi); break;
            case nq::ApiType::QUOTE: s->quote_spi.store(quote_spi); break;
        }
        tcp->release();
        if (peer_fd != nullptr) *peer_fd = fds[1];
        return id;
    }

    std::string read_log() const {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            FILE* f = std::fopen(entry.path().c_str(), "r");
            if (f == nullptr) continue;
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, n);
            std::fclose(f);
        }
        return all;
    }

    // The logger writes from its own thread: waits (a failure bound only).
    bool log_contains(const std::string& text, int seconds = 20) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (read_log().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end) return false;
            usleep(10000);
        }
        return true;
    }

private:
    std::string dir_;
    nq::api::KApi* api_ = nullptr;
};

}  // namespace handlers_test
