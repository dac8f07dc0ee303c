#include "api/provider/KApi.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "api/business/KApiBusiness.h"
#include "api/monitor/KApiMon.h"
#include "api/provider/KApiCrontab.h"
#include "api/provider/KApiFramework.h"
#include "api/provider/KApiMessageIO.h"
#include "api/provider/KApiPrivilegeContext.h"
#include "api/provider/KApiQuoteContext.h"
#include "api/provider/KApiSession.h"
#include "api/provider/KApiTradeContext.h"
#include "api/provider/TApiServiceFunc.h"
#include "framework/AllocMem.h"
#include "framework/ApiLocalTime.h"
#include "framework/ApiTimerManager.h"
#include "framework/CallbackGuard.h"
#include "framework/LastApiError.h"
#include "framework/MutexGuard.h"
#include "framework/TcpSession.h"
#include "framework/WordWait.h"
#include "log/Log.h"

namespace nq { namespace api {

template <>
std::atomic<KApi*> TApiServiceProvider<2ul>::instance_{nullptr};

std::atomic<int> KApi::singleton_init_flag_{0};
std::atomic<KApi*> KApi::singleton_ptr_{nullptr};
std::atomic<KApi*> KApi::serving_{nullptr};
nq::trv_error_info_t KApi::creation_error_;

namespace {

constexpr int kFlagNone = 0;
constexpr int kFlagBuilding = 1;
constexpr int kFlagReady = 2;
constexpr int kFlagFailed = 3;
// In a forked child of a process whose provider was created or being created.
constexpr int kFlagForked = 4;
// A waiter for the provider's creation looks at the flag again at least this
// often, whatever wakes it.
constexpr long kCreationWaitNs = 1000000;

// What the public configuration copies hold: every byte up to the last
// field (the allocations are the objects' full sizes).
constexpr unsigned long kTradeConfigBytes = 563;
constexpr unsigned long kQuoteConfigBytes = 577;
static_assert(kTradeConfigBytes <= sizeof(nq::TRVTradeConfig), "trade configuration copy");
static_assert(kQuoteConfigBytes <= sizeof(nq::TRVQuoteConfig), "quote configuration copy");

// A zero-filled block of sizeof(T) bytes holding the first `bytes` bytes of
// *config.
template <class T>
T* copy_config(const T* config, unsigned long bytes) {
    void* mem = alloc_mem(sizeof(T), 8);
    if (mem == nullptr) return nullptr;
    std::memcpy(mem, static_cast<const void*>(config), bytes);
    return static_cast<T*>(mem);
}

void sleep_ms(long ms, long extra_ns = 0) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L + extra_ns};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

// States of an API's stopped byte.
constexpr unsigned char kApiRunning = 0;
constexpr unsigned char kApiStopping = 1;  // its callbacks are being cleared
constexpr unsigned char kApiStopped = 2;
constexpr long kStopWaitNs = 100000;

// mkdir of the path and of every missing parent; errors are left to the
// log's open, which reports them.
void make_directories(const char* path) {
    char buffer[512];
    const size_t len = strnlen(path, sizeof buffer - 1);
    std::memcpy(buffer, path, len);
    buffer[len] = '\0';
    for (size_t i = 1; i < len; ++i) {
        if (buffer[i] != '/') continue;
        buffer[i] = '\0';
        mkdir(buffer, 0755);
        buffer[i] = '/';
    }
    mkdir(buffer, 0755);
}

// Logs and records a start-up or initialisation failure; false.
bool fail_start_up(const char* message) {
    set_last_error_text(kErrorStartUp, 0, message);
    return false;
}

}  // namespace

KApi::KApi()
    : config_(nullptr), business_(nullptr), framework_(nullptr), privilege_context_(nullptr), trade_context_(nullptr),
      quote_context_(nullptr), trade_stopped_(0), quote_stopped_(0), privilege_stopped_(0), service_stopped_(0),
      crontab_(nullptr) {
    for (auto& pair : stopped_spi_)
        for (auto& spi : pair) spi.store(nullptr, std::memory_order_relaxed);
    pthread_mutex_init(&api_mutex_, nullptr);
}

KApi::~KApi() {}

namespace {

// Runs in the child of a fork, on its only thread. The provider's threads are
// not there, and its sockets, epoll instance and log region are shared with
// the parent: the child must not act on them, so it refuses every call.
void on_fork_child() {
    const int flag = KApi::singleton_init_flag_.load(std::memory_order_relaxed);
    if (flag == kFlagBuilding || flag == kFlagReady) {
        KApi::serving_.store(nullptr, std::memory_order_relaxed);
        KApi::singleton_init_flag_.store(kFlagForked, std::memory_order_relaxed);
    }
}

// Registered when the library is loaded, before any creation can begin: a
// child forked while another thread creates the provider must not wait for it.
struct ForkHook {
    ForkHook() { pthread_atfork(nullptr, nullptr, &on_fork_child); }
} const g_fork_hook;

}  // namespace

bool KApi::in_forked_child() { return singleton_init_flag_.load(std::memory_order_acquire) == kFlagForked; }

void KApi::refuse_in_forked_child() {
    set_last_error(kErrorNotInitialised, 0, "api not available in a forked child process: { pid = %d }",
                   static_cast<int>(getpid()));
}

KApi* KApi::ready_instance() {
    return singleton_init_flag_.load(std::memory_order_acquire) == kFlagReady
               ? singleton_ptr_.load(std::memory_order_acquire)
               : nullptr;
}

void KApi::report_creation_failure() {
    set_last_error(creation_error_.error_code_type, creation_error_.error_code, "%s", creation_error_.error_msg);
}

KApi* KApi::create_singleton_or_get() {
    int flag = singleton_init_flag_.load(std::memory_order_acquire);
    if (flag == kFlagReady) return singleton_ptr_.load(std::memory_order_acquire);
    int expected = kFlagNone;
    if (flag != kFlagNone || !singleton_init_flag_.compare_exchange_strong(expected, kFlagBuilding)) {
        for (;;) {
            // Acquire: a waiter that reads ready or failed also sees the
            // provider pointer or the creation error stored before it.
            flag = singleton_init_flag_.load(std::memory_order_acquire);
            if (flag == kFlagReady) return singleton_ptr_.load(std::memory_order_acquire);
            if (flag == kFlagFailed) {
                report_creation_failure();
                return nullptr;
            }
            if (flag == kFlagForked) {
                refuse_in_forked_child();
                return nullptr;
            }
            // Sleeps rather than spins: the creator may need this core (a
            // waiter under SCHED_FIFO on the creator's only core would keep
            // it from ever finishing).
            wait_word_change(singleton_init_flag_, kFlagBuilding, kCreationWaitNs);
        }
    }

    KApi* api = nullptr;
    ApiConfig<2ul>* config = make_object<ApiConfig<2ul>>();
    if (config == nullptr) {
        set_last_error(kErrorStartUp, 0,
                       "initialize api base config failed, please check env params, TRV_LOG_LEVEL, TRV_FILE_PATH, "
                       "TRV_REQUEST_TIMEOUT");
    } else {
        config->initialize();
        api = make_object<KApi>();
        if (api == nullptr) {
            set_last_error(kErrorStartUp, 0, "initialize api failed, create service provider failed");
        } else {
            instance_.store(api, std::memory_order_release);
            api->config_ = config;
            if (!api->initialize()) {
                // Nothing may reach the half-built provider; it is kept, never
                // freed, since parts of it may already be registered.
                instance_.store(nullptr, std::memory_order_release);
                api = nullptr;
            }
        }
    }
    if (api == nullptr) {
        creation_error_ = LastApiError::get_last_error();
        singleton_init_flag_.store(kFlagFailed, std::memory_order_release);
        wake_word_waiters(singleton_init_flag_);
        return nullptr;
    }
    singleton_ptr_.store(api, std::memory_order_release);
    singleton_init_flag_.store(kFlagReady, std::memory_order_release);
    wake_word_waiters(singleton_init_flag_);
    return api;
}

bool KApi::initialize() {
    if (!ServiceProvider::initialize()) return false;

    KApiBusiness* business = make_object<KApiBusiness>();
    if (business == nullptr || !business->initialize())
        return fail_start_up("initialize api failed, create business object failed");
    business_ = business;

    ApiFramework<2ul>* framework = make_object<ApiFramework<2ul>>(config_);
    if (framework == nullptr || !framework->initialize())
        return fail_start_up("initialize api failed, create framework object failed");
    framework_ = framework;

    for (uint32_t code = 0; code < nq::ServiceFunc::kTableSize; ++code) {
        nq::ServiceFunc* entry = nq::ServiceFunc::service_func_[code];
        if (auto* handler = dynamic_cast<TApiServiceFunc<2ul>*>(entry)) {
            handler->business_ = business_;
            handler->framework_ = framework_;
        }
    }

    const unsigned long timeout_ms = static_cast<unsigned long>(config_->request_timeout) * 1000;
    if (!timer_manager_->create_timer_queue(kRequestTimerQueue, timeout_ms))
        return fail_start_up("timer queue initialization failed");

    crontab_ = make_object<KApiCrontab>("crontab", this);
    if (crontab_ == nullptr) return fail_start_up("crontab initialization failed");

    LOG_INFO("api service provider initialized successfully: { api_version = %s }", kApiVersion);
    start_service();
    LOG_INFO("api service provider started");
    return true;
}

bool KApi::init_log() {
    struct stat st;
    if (stat(config_->file_path, &st) != 0) make_directories(config_->file_path);
    char name[TRVApiConfig::kFilePathSize + 32];
    std::snprintf(name, sizeof name, "%s/tarvel_%d.log", config_->file_path, (int)ApiLocalTime::date());
    if (!nq::log::Log::initialize(static_cast<nq::log::LogLevel>(config_->log_level), kLogRegionMb)) return false;
    return nq::log::Log::open_log(0, name);
}

namespace {

// The texts one API's initialisation reports.
struct ApiInitTexts {
    const char* repeat;
    const char* stopped;
    const char* null_config;
    const char* copy_failed;
    const char* context_failed;
};

// Adds one API context under the provider's API mutex: refuses a repeat, a
// dead service and a null configuration, copies `bytes` of the configuration
// and builds the context from the copy. A context or copy that did not
// become part of the provider goes at once, so the call can be repeated.
template <class Context, class Config, class Spi, class... Extra>
bool add_api(pthread_mutex_t* mutex, std::atomic<Context*>& slot, const std::atomic<unsigned char>& service_stopped,
             const Config* config, Spi* spi, unsigned long bytes, const ApiInitTexts& texts, Extra... extra) {
    MutexGuard lock(mutex);
    if (slot.load() != nullptr) return fail_start_up(texts.repeat);
    if (service_stopped.load() != 0) return fail_start_up(texts.stopped);
    if (config == nullptr) return fail_start_up(texts.null_config);
    Config* copy = copy_config(config, bytes);
    if (copy == nullptr) return fail_start_up(texts.copy_failed);
    Context* context = make_object<Context>(copy, spi, extra...);
    if (context == nullptr || !context->initialize()) {
        free_object(context);
        std::free(copy);
        return fail_start_up(texts.context_failed);
    }
    slot.store(context, std::memory_order_release);
    // The facades' operations work from now on.
    KApi::serving_.store(KApi::ready_instance(), std::memory_order_release);
    return true;
}

}  // namespace

bool KApi::initialize_trade(nq::TRVTradeConfig* config, nq::TRVTradeSpi* spi) {
    static const ApiInitTexts texts = {
        "repeat trade api initialization",
        "trade api initialization refused, api service stopped",
        "trade config is null",
        "allocate trade config failed",
        "allocate trade context failed, likely local address error (or other errors)",
    };
    if (!add_api(&api_mutex_, trade_context_, service_stopped_, config, spi, kTradeConfigBytes, texts, timer_manager_))
        return false;
    LOG_INFO("api trade initialized successfully: { api_version = %s }", kApiVersion);
    return true;
}

bool KApi::initialize_quote(nq::TRVQuoteConfig* config, nq::TRVQuoteSpi* spi) {
    static const ApiInitTexts texts = {
        "repeat quote api initialization",
        "quote api initialization refused, api service stopped",
        "quote config is null",
        "allocate quote config failed",
        "allocate quote context failed, likely local address error (or other errors)",
    };
    if (!add_api(&api_mutex_, quote_context_, service_stopped_, config, spi, kQuoteConfigBytes, texts)) return false;
    LOG_INFO("quote api initialized successfully: { api_version = %s }", kApiVersion);
    return true;
}

bool KApi::initialize_privilege(nq::TRVPrivilegeConfig* config, nq::TRVPrivilegeSpi* spi) {
    static const ApiInitTexts texts = {
        "repeat privilege api initialization",
        "privilege api initialization refused, api service stopped",
        "privilege config is null",
        "allocate trade config failed",
        "allocate privilege context failed, likely local address error (or other errors)",
    };
    if (!add_api(&api_mutex_, privilege_context_, service_stopped_, config, spi, kTradeConfigBytes, texts))
        return false;
    LOG_INFO("privilege api initialized successfully: { api_version = %s }", kApiVersion);
    return true;
}

// A stop of an API that was never initialised changes nothing: it must not
// end the service of the APIs still running. The first stop of an API clears
// its callbacks, closes its sessions and waits for its callbacks under way on
// other threads; a stop that comes meanwhile, or later, waits for the
// clearing and then for those callbacks itself.
void KApi::stop_trade() {
    KApiTradeContext* context = trade_context_.load(std::memory_order_acquire);
    if (context == nullptr) return;
    if (!begin_stop(trade_stopped_, nq::ApiType::TRADE)) return;
    LOG_INFO("stop_trade: clearing trade SPI and closing trade sessions");
    nq::TRVTradeSpi* spi = context->spi_.exchange(nullptr);
    stop_sessions_by_type(nq::ApiType::TRADE, spi);
    end_stop(trade_stopped_, nq::ApiType::TRADE, spi, nullptr);
    check_and_stop_service();
}

void KApi::stop_quote() {
    KApiQuoteContext* context = quote_context_.load(std::memory_order_acquire);
    if (context == nullptr) return;
    if (!begin_stop(quote_stopped_, nq::ApiType::QUOTE)) return;
    LOG_INFO("stop_quote: clearing quote SPI and closing quote sessions");
    nq::TRVQuoteSpi* spi = context->spi_.exchange(nullptr);
    stop_sessions_by_type(nq::ApiType::QUOTE, spi);
    end_stop(quote_stopped_, nq::ApiType::QUOTE, spi, nullptr);
    check_and_stop_service();
}

void KApi::stop_privilege() {
    KApiPrivilegeContext* context = privilege_context_.load(std::memory_order_acquire);
    if (context == nullptr) return;
    if (!begin_stop(privilege_stopped_, nq::ApiType::PRIVILEGE)) return;
    LOG_INFO("stop_privilege: clearing privilege SPI and closing privilege sessions");
    nq::TRVPrivilegeSpi* spi = context->spi_.exchange(nullptr);
    stop_sessions_by_type(nq::ApiType::PRIVILEGE, spi);
    // Sessions hold this object in their trade slot too, as its trading base.
    end_stop(privilege_stopped_, nq::ApiType::PRIVILEGE, spi, static_cast<nq::TRVTradeSpi*>(spi));
    check_and_stop_service();
}

bool KApi::begin_stop(std::atomic<unsigned char>& stopped, nq::ApiType type) {
    unsigned char state = kApiRunning;
    if (stopped.compare_exchange_strong(state, kApiStopping)) return true;
    while (stopped.load(std::memory_order_acquire) != kApiStopped) sleep_ms(0, kStopWaitNs);
    const unsigned index = static_cast<unsigned>(type);
    await_callbacks(stopped_spi_[index][0].load(std::memory_order_acquire),
                    stopped_spi_[index][1].load(std::memory_order_acquire));
    return false;
}

void KApi::end_stop(std::atomic<unsigned char>& stopped, nq::ApiType type, const void* spi, const void* also) {
    const unsigned index = static_cast<unsigned>(type);
    stopped_spi_[index][0].store(spi, std::memory_order_relaxed);
    stopped_spi_[index][1].store(also, std::memory_order_relaxed);
    stopped.store(kApiStopped, std::memory_order_release);
    await_callbacks(spi, also);
}

namespace {

template <class T>
void clear_slot(std::atomic<T*>& slot, const void* own) {
    if (own == nullptr) return;
    T* expected = static_cast<T*>(const_cast<void*>(own));
    slot.compare_exchange_strong(expected, nullptr);
}

}  // namespace

void KApi::stop_sessions_by_type(nq::ApiType type, const void* own_spi) {
    if (framework_ == nullptr || framework_->api_message_io_ == nullptr) return;
    KApiMessageIO* io = framework_->api_message_io_;
    {
        // A login under way finishes first: its session is then in the table
        // below, and every later login reads the stopped flag and is refused.
        // Likewise a subscription: its receivers are then in the set.
        MutexGuard barrier(&api_mutex_);
        if (type == nq::ApiType::QUOTE) {
            KApiQuoteContext* quote = quote_context_.load(std::memory_order_acquire);
            if (quote != nullptr && quote->receivers_ != nullptr) quote->receivers_->detach_spi();
        }
    }
    // Compared as the pointer each slot holds: a privilege callback sits in
    // the trade slot as its TRVTradeSpi base.
    const void* own_trade = own_spi;
    if (type == nq::ApiType::PRIVILEGE && own_spi != nullptr)
        own_trade = static_cast<nq::TRVTradeSpi*>(static_cast<nq::TRVPrivilegeSpi*>(const_cast<void*>(own_spi)));
    const unsigned long high = io->slot_high_.load(std::memory_order_acquire);
    for (unsigned long slot = 1; slot < high && slot < TcpMessageIO::kSlotCount; ++slot) {
        // Every session object, live or not: a handler may still hold a
        // session that has died, and must find no callback of this API in it.
        if (KApiSession* session = KApiSession::from(io->sessions_[slot].load(std::memory_order_acquire))) {
            switch (type) {
                case nq::ApiType::PRIVILEGE:
                    clear_slot(session->privilege_spi, own_spi);
                    clear_slot(session->trade_spi, own_trade);
                    break;
                case nq::ApiType::TRADE: clear_slot(session->trade_spi, own_spi); break;
                case nq::ApiType::QUOTE: clear_slot(session->quote_spi, own_spi); break;
            }
        }
        const uint64_t id = io->open_session_ids_[slot].load(std::memory_order_acquire);
        if (id == 0) continue;
        KApiSession* held = io->acquire_api_session(id, static_cast<uint8_t>(type));
        if (held == nullptr) continue;
        held->release();
        framework_->close_session(id, false);
    }
    // Closed sessions (these, and those logged out just before) give up
    // their sockets now, not at the heartbeat thread's next passes, which a
    // full stop may not leave.
    io->close_dead_sockets();
}

void KApi::check_and_stop_service() {
    // Under the API mutex, so that no initialisation slips in between the
    // decision and the stop.
    bool stop = false;
    {
        MutexGuard lock(&api_mutex_);
        const bool running = (trade_context_.load() != nullptr && trade_stopped_.load() == 0) ||
                             (quote_context_.load() != nullptr && quote_stopped_.load() == 0) ||
                             (privilege_context_.load() != nullptr && privilege_stopped_.load() == 0);
        stop = !running && service_stopped_.load() == 0;
        if (stop) service_stopped_.store(1);
    }
    if (!stop) return;
    LOG_INFO("all APIs stopped, stopping service threads");
    stop_service();
    sleep_ms(100);
}

nq::trv_error_info_t KApi::get_last_error() { return LastApiError::get_last_error(); }

uint32_t KApi::get_trading_day() const { return business_ != nullptr ? business_->trading_day() : 0; }

// The library itself creates no monitor: only a build that does can dump.
bool KApi::dump_api_performance_info() {
    if (KApiMon::instance_ == nullptr) {
        set_last_error(kErrorStartUp, 0, "no mon instance, please use mon mode api version and initialize api first");
        return false;
    }
    return KApiMon::instance_->dump();
}

}}  // namespace nq::api
