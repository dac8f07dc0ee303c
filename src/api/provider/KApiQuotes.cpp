// KApi: market-data subscription and the quote requests on the quote session.
#include <arpa/inet.h>

#include <cstring>
#include <memory>
#include <vector>

#include "api/business/KApiAuthManager.h"
#include "api/business/KApiBusiness.h"
#include "api/mdata/KApiQuoteReceiver.h"
#include "api/messages/ApiBodyHead.h"
#include "api/messages/ServiceCode.h"
#include "api/messages/TQueryRequest.h"
#include "api/messages/TRequest.h"
#include "api/provider/KApi.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiQuoteContext.h"
#include "api/provider/KApiSessionRef.h"
#include "api/requests/KApiRequestManager.h"
#include "framework/LastApiError.h"
#include "framework/MutexGuard.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

constexpr const char* kQuoteThreadName = "kapi_quote";
constexpr uint32_t kLevel1QuoteBody = 67;
constexpr uint32_t kAllLevel1QuoteBody = 71;
constexpr uint32_t kRebuildTickQuoteBody = 76;
constexpr unsigned kMaxQuoteTypes = sizeof(nq::quote_thread_t::mc_types) / sizeof(nq::quote_thread_t::mc_types[0]);

static_assert(body_length(LEVEL1_QUOTE_REQ) == kLevel1QuoteBody, "1039 body");
static_assert(body_length(ALL_LEVEL1_QUOTE_QUERY_REQ) == kAllLevel1QuoteBody, "1055 body");
static_assert(body_length(REBUILD_TICK_QUOTE_REQ) == kRebuildTickQuoteBody, "1052 body");
static_assert(57 + sizeof(nq::trv_rebuild_tick_quote_req_t) == kRebuildTickQuoteBody, "1052 carries the request whole");

typedef TRequest<LEVEL1_QUOTE_REQ, LEVEL1_QUOTE_RSP> Level1QuoteRequest;
typedef TQueryRequest<ALL_LEVEL1_QUOTE_QUERY_REQ, ALL_LEVEL1_QUOTE_QUERY_RSP> AllLevel1QuoteQuery;

// The common head as the quote requests fill it: the session's login and,
// when the session has its own authorisation, that record's account.
void fill_quote_head(api_body_head_t* head, KApiBusiness* business, const KApiSession& session, uint64_t session_id,
                     uint64_t request_id) {
    head->session_id = session_id;
    head->request_id = request_id;
    head->login_account_index = session.login_account_index.load();
    head->login_account_type = session.login_account_type.load();
    const uint64_t token = session.trade_token.load();
    KApiAuthManager* auths = business != nullptr ? business->auth_mgr_ : nullptr;
    KApiAuth* record =
        (auths != nullptr && token != 0 && session.auth_id.load() != 0) ? auths->get_auth(token) : nullptr;
    head->trade_account_index = record != nullptr ? record->trade_account_index.load() : 0;
    head->auth_id = session.auth_id.load();
    head->trade_token = token;
}

// Refuses a thread that names more channels than its table holds.
bool channel_counts_fit(const nq::quote_thread_t* threads, unsigned thread_count) {
    for (unsigned i = 0; i < thread_count; ++i) {
        if (threads[i].mc_count > kMaxQuoteTypes) {
            set_last_error(kErrorMarketData, 0,
                           "subscribe quote error, too many quote multicast: { thread = %u, mc_count = %u }", i,
                           static_cast<unsigned>(threads[i].mc_count));
            return false;
        }
    }
    return true;
}

// The channel types of every thread, thread after thread.
std::vector<uint16_t> requested_types(const nq::quote_thread_t* threads, unsigned thread_count) {
    std::vector<uint16_t> types;
    for (unsigned i = 0; i < thread_count; ++i)
        types.insert(types.end(), threads[i].mc_types, threads[i].mc_types + threads[i].mc_count);
    return types;
}

// Refuses a type that has no announced channel or that two threads name;
// types and announced are in the order of requested_types.
bool channels_claimable(const nq::quote_thread_t* threads, unsigned thread_count, const std::vector<uint16_t>& types,
                        const bool* announced) {
    // Per type, the 1-based number of the thread that took it.
    std::vector<unsigned char> claimed(65536, 0);
    for (unsigned i = 0, at = 0; i < thread_count; ++i) {
        for (unsigned k = 0; k < threads[i].mc_count; ++k, ++at) {
            const uint16_t type = types[at];
            if (!announced[at]) {
                set_last_error(kErrorMarketData, 0, "subscribe quote error, invalid quote multicast: { type = %u }",
                               static_cast<unsigned>(type));
                return false;
            }
            if (claimed[type] != 0) {
                set_last_error(
                    kErrorMarketData, 0,
                    "subscribe quote error, duplicate quote multicast: { type = %u, thread = %u, thread = %u }",
                    static_cast<unsigned>(type), static_cast<unsigned>(claimed[type] - 1), i);
                return false;
            }
            // Threads past 255 share the top value; only "claimed" matters then.
            claimed[type] = static_cast<unsigned char>(i + 1 > 255 ? 255 : i + 1);
        }
    }
    return true;
}

// The receiver thread of one quote thread; types and channels point at its
// own entries.
quote_receiver_thread_t receiver_thread(const nq::quote_thread_t& thread, nq::QuoteRxMode rx_mode,
                                        const sockaddr& local, const uint16_t* types, const quote_mc_info_t* channels) {
    quote_receiver_thread_t record;
    record.name = kQuoteThreadName;
    record.config.rx_mode = rx_mode;
    record.config.cpu_core = thread.cpu_affinity;
    record.config.busy_poll = thread.busy_poll;
    std::memcpy(&record.config.local_addr, &local, sizeof record.config.local_addr);
    record.config.rcvbuf = 0;
    record.config.buffer_size = 2048;
    record.config.buffer_count = 4096;
    record.config.use_huge_pages = true;
    record.config.streams.reserve(thread.mc_count);
    for (unsigned k = 0; k < thread.mc_count; ++k) {
        udp_mcast_stream_t stream;
        stream.msg_type = types[k];
        std::memcpy(&stream.group, channels[k].mc_addr, sizeof stream.group);
        record.config.streams.push_back(stream);
    }
    return record;
}

}  // namespace

bool KApi::subscribe_quote(uint64_t session_id, uint16_t thread_count, nq::quote_thread_t* quote_threads,
                           nq::QuoteRxMode rx_mode) {
    if (KApiUdpReceiver::on_receiver_thread()) {
        // The caller's own thread would be among those replaced.
        set_last_error(kErrorMarketData, 0, "subscribe quote error, called on a quote receiver thread");
        return false;
    }
    MutexGuard lock(&api_mutex_);
    KApiQuoteContext* context = quote_context_.load(std::memory_order_acquire);
    if (context == nullptr || context->receivers_ == nullptr) {
        set_last_error(kErrorMarketData, 0, "quote api has not initialized");
        return false;
    }
    KApiQuoteReceiver* receivers = context->receivers_;
    if (receivers->started()) {
        set_last_error(kErrorMarketData, 0, "quote already subscribed");
        return false;
    }
    KApiSessionRef session(framework_, session_id);
    if (!session) {
        set_last_error(kErrorNoSession, 0, "subscribe quote error, get session failed");
        return false;
    }
    if (thread_count > 0 && quote_threads == nullptr) {
        set_last_error(kErrorMarketData, 0, "subscribe quote error, quote_threads is null: { thread_count = %u }",
                       static_cast<unsigned>(thread_count));
        return false;
    }
    // Every thread is checked before anything is built.
    if (!channel_counts_fit(quote_threads, thread_count)) return false;
    // One copy of every channel asked for, taken from one table: a
    // re-announcement during the call gives the old channels or the new.
    const std::vector<uint16_t> types = requested_types(quote_threads, thread_count);
    std::vector<quote_mc_info_t> channels(types.size());
    std::unique_ptr<bool[]> announced(new bool[types.size() + 1]);
    KApiQuoteContext::copy_quote_mc_infos(types.data(), types.size(), channels.data(), announced.get());
    if (!channels_claimable(quote_threads, thread_count, types, announced.get())) return false;

    const sockaddr local = context->config_->get_local_addr(1);
    quote_receiver_config_t config;
    config.spi = context->spi_.load(std::memory_order_acquire);
    config.threads.reserve(thread_count);
    size_t at = 0;  // the thread's first entry in types and channels
    for (unsigned i = 0; i < thread_count; ++i) {
        config.threads.push_back(
            receiver_thread(quote_threads[i], rx_mode, local, types.data() + at, channels.data() + at));
        at += quote_threads[i].mc_count;
    }
    return receivers->start(config);
}

bool KApi::unsubscribe_quote(uint64_t) {
    if (KApiUdpReceiver::on_receiver_thread()) {
        // Stopping would free the receiver this very call runs on.
        set_last_error(kErrorMarketData, 0, "unsubscribe quote error, called on a quote receiver thread");
        return false;
    }
    std::vector<QuoteUdpWorker*> running;
    {
        MutexGuard lock(&api_mutex_);
        KApiQuoteContext* context = quote_context_.load(std::memory_order_acquire);
        if (context == nullptr || context->receivers_ == nullptr) {
            set_last_error(kErrorMarketData, 0, "quote api has not initialized");
            return false;
        }
        if (!context->receivers_->started()) {
            set_last_error(kErrorStartUp, 0, "quote not subscribed");
            return false;
        }
        running = context->receivers_->take_workers();
    }
    // Outside the API mutex: an on_quote still under way may call stop,
    // login or initialize, which take it.
    KApiQuoteReceiver::stop_workers(running);
    return true;
}

bool KApi::query_level1_quote(uint64_t session_id, uint64_t request_id, nq::ExchangeIndex exchange_index,
                              const char* security_code) {
    KApiSessionRef session(framework_, session_id);
    if (!session) {
        set_last_error(kErrorNoSession, 0,
                       "query l1 quote error, get session failed: { session_id = %lu, request_id = %lu }", session_id,
                       request_id);
        return false;
    }
    if (security_code == nullptr) {
        set_last_error(kErrorMarketData, 0,
                       "query l1 quote error, security_code is null: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    Level1QuoteRequest request;
    fill_quote_head(request.head(), business_, *session.get(), session_id, request_id);
    unsigned char* body = request.body();
    body[57] = static_cast<unsigned char>(exchange_index);
    std::memcpy(body + 58, security_code, strnlen(security_code, 8));
    if (!framework_->request_manager_->send_request(session_id, &request)) {
        set_last_error(kErrorRefused, 0,
                       "query l1 quote error, request too fast: { session_id = %lu, request_id = %lu }", session_id,
                       request_id);
        return false;
    }
    LOG_TRACE("query l1 quote request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::query_all_level1_quote(uint64_t session_id, uint64_t request_id) {
    KApiSessionRef session(framework_, session_id);
    if (!session) {
        set_last_error(kErrorNoSession, 0,
                       "query all l1 quote error, get session failed: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    AllLevel1QuoteQuery query;
    fill_quote_head(query.head(), business_, *session.get(), session_id, request_id);
    if (!framework_->request_manager_->send_query_request(session_id, &query)) {
        set_last_error(kErrorRefused, 0,
                       "query all l1 quote error, request too fast: { session_id = %lu, request_id = %lu }", session_id,
                       request_id);
        return false;
    }
    LOG_TRACE("query all l1 quote request: { session_id = %lu, request_id = %lu }", session_id, request_id);
    return true;
}

bool KApi::request_rebuild_tick_quote(uint64_t session_id, uint64_t request_id,
                                      const nq::trv_rebuild_tick_quote_req_t* request) {
    KApiQuoteContext* context = quote_context_.load(std::memory_order_acquire);
    if (context == nullptr) {
        set_last_error(kErrorMarketData, 0, "quote api has not initialized");
        return false;
    }
    if (request == nullptr) {
        set_last_error(kErrorMarketData, 0,
                       "rebuild tick quote error, request is null: { session_id = %lu, request_id = %lu }", session_id,
                       request_id);
        return false;
    }
    KApiSessionRef session(framework_, session_id);
    if (!session) {
        set_last_error(kErrorNoSession, 0,
                       "rebuild tick quote error, get session failed: { session_id = %lu, request_id = %lu }",
                       session_id, request_id);
        return false;
    }
    if (!context->config_->use_level2()) {
        set_last_error(kErrorMarketData, 0,
                       "rebuild tick quote error, level2 not enabled in your config: { session_id = %lu, request_id = "
                       "%lu }",
                       session_id, request_id);
        return false;
    }
    // Untracked: no request record and no time-out; a refusal comes as 1053.
    unsigned char frame[kFrameHeaderSize + kRebuildTickQuoteBody];
    std::memset(frame, 0, sizeof frame);
    set_frame_code_length(frame, REBUILD_TICK_QUOTE_REQ, sizeof frame);
    unsigned char* body = frame + kFrameHeaderSize;
    store_le<uint64_t>(body, 0, session_id);
    store_le<uint64_t>(body, 8, request_id);
    store_le<uint64_t>(body, 24, session->login_account_index.load());
    body[32] = session->login_account_type.load();
    std::memcpy(body + 57, request, sizeof *request);
    nq::Message message{reinterpret_cast<MessageHeader*>(frame), body, frame};
    framework_->post_message(session_id, &message);
    nq::trv_rebuild_tick_quote_req_t copy;
    std::memcpy(&copy, request, sizeof copy);
    LOG_TRACE(
        "rebuild tick quote request: { session_id = %lu, request_id = %lu, channel_num = %d, start_sequence = %lu, "
        "end_sequence = %lu }",
        session_id, request_id, static_cast<int>(copy.channel_no), static_cast<unsigned long>(copy.begin_sequence),
        static_cast<unsigned long>(copy.end_sequence));
    return true;
}

}}  // namespace nq::api
