#include "api/provider/KApi.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

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
#include "framework/LastApiError.h"
#include "api/provider/TApiServiceFunc.h"
#include "framework/AllocMem.h"
#include "framework/ApiLocalTime.h"
#include "framework/ApiTimerManager.h"
#include "framework/MutexGuard.h"
#include "framework/TcpSession.h"
#include "log/Log.h"

namespace nq { namespace api {

template <>
std::atomic<KApi*> TApiServiceProvider<2ul>::instance_{nullptr};

std::atomic<int> KApi::singleton_init_flag_{0};
std::atomic<KApi*> KApi::singleton_ptr_{nullptr};
nq::trv_error_info_t KApi::creation_error_;

namespace {

constexpr int kFlagNone = 0;
constexpr int kFlagBuilding = 1;
constexpr int kFlagReady = 2;
constexpr int kFlagFailed = 3;

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

void sleep_ms(long ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

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
bool fail_301(const char* message) {
    set_last_error(301, 0, message);
    return false;
}

}  // namespace

KApi::KApi()
    : config_(nullptr), business_(nullptr), framework_(nullptr), privilege_context_(nullptr),
      trade_context_(nullptr), quote_context_(nullptr), trade_stopped_(0), quote_stopped_(0),
      privilege_stopped_(0), service_stopped_(0), crontab_(nullptr) {
    pthread_mutex_init(&api_mutex_, nullptr);
}

KApi::~KApi() {}

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
            __builtin_ia32_pause();
        }
    }

    KApi* api = nullptr;
    ApiConfig<2ul>* config = make_object<ApiConfig<2ul>>();
    if (config == nullptr) {
        set_last_error(301, 0,
                       "initialize api base config failed, please check env params, TRV_LOG_LEVEL, TRV_FILE_PATH, "
                       "TRV_REQUEST_TIMEOUT");
    } else {
        config->initialize();
        api = make_object<KApi>();
        if (api == nullptr) {
            set_last_error(301, 0, "initialize api failed, create service provider failed");
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
        return nullptr;
    }
    singleton_ptr_.store(api, std::memory_order_release);
    singleton_init_flag_.store(kFlagReady, std::memory_order_release);
    return api;
}

bool KApi::initialize() {
    if (!ServiceProvider::initialize()) return false;

    KApiBusiness* business = make_object<KApiBusiness>();
    if (business == nullptr || !business->initialize())
        return fail_301("initialize api failed, create business object failed");
    business_ = business;

    ApiFramework<2ul>* framework = make_object<ApiFramework<2ul>>(config_);
    if (framework == nullptr || !framework->initialize())
        return fail_301("initialize api failed, create framework object failed");
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
        return fail_301("timer queue initialization failed");

    crontab_ = make_object<KApiCrontab>("crontab", this);
    if (crontab_ == nullptr) return fail_301("crontab initialization failed");

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
    if (slot.load() != nullptr) return fail_301(texts.repeat);
    if (service_stopped.load() != 0) return fail_301(texts.stopped);
    if (config == nullptr) return fail_301(texts.null_config);
    Config* copy = copy_config(config, bytes);
    if (copy == nullptr) return fail_301(texts.copy_failed);
    Context* context = make_object<Context>(copy, spi, extra...);
    if (context == nullptr || !context->initialize()) {
        free_object(context);
        std::free(copy);
        return fail_301(texts.context_failed);
    }
    slot.store(context, std::memory_order_release);
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
    if (!add_api(&api_mutex_, trade_context_, service_stopped_, config, spi, kTradeConfigBytes, texts,
                 timer_manager_))
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

// A stop of an API that was never initialised, or that is already stopped,
// changes nothing: it must not end the service of the APIs still running.
void KApi::stop_trade() {
    KApiTradeContext* context = trade_context_.load(std::memory_order_acquire);
    if (context == nullptr || trade_stopped_.exchange(1) != 0) return;
    LOG_INFO("stop_trade: clearing trade SPI and closing trade sessions");
    nq::TRVTradeSpi* spi = context->spi_.exchange(nullptr);
    stop_sessions_by_type(nq::ApiType::TRADE, spi);
    check_and_stop_service();
}

void KApi::stop_quote() {
    KApiQuoteContext* context = quote_context_.load(std::memory_order_acquire);
    if (context == nullptr || quote_stopped_.exchange(1) != 0) return;
    LOG_INFO("stop_quote: clearing quote SPI and closing quote sessions");
    nq::TRVQuoteSpi* spi = context->spi_.exchange(nullptr);
    stop_sessions_by_type(nq::ApiType::QUOTE, spi);
    check_and_stop_service();
}

void KApi::stop_privilege() {
    KApiPrivilegeContext* context = privilege_context_.load(std::memory_order_acquire);
    if (context == nullptr || privilege_stopped_.exchange(1) != 0) return;
    LOG_INFO("stop_privilege: clearing privilege SPI and closing privilege sessions");
    nq::TRVPrivilegeSpi* spi = context->spi_.exchange(nullptr);
    stop_sessions_by_type(nq::ApiType::PRIVILEGE, spi);
    check_and_stop_service();
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
    // A login under way finishes first: its session is then in the table
    // below, and every later login reads the stopped flag and is refused.
    { MutexGuard barrier(&api_mutex_); }
    // Compared as the pointer each slot holds: a privilege callback sits in
    // the trade slot as its TRVTradeSpi base.
    const void* own_trade = own_spi;
    if (type == nq::ApiType::PRIVILEGE && own_spi != nullptr)
        own_trade = static_cast<nq::TRVTradeSpi*>(static_cast<nq::TRVPrivilegeSpi*>(const_cast<void*>(own_spi)));
    const unsigned long high = io->slot_high_.load(std::memory_order_acquire);
    for (unsigned long slot = 1; slot < high && slot < TcpMessageIO::kSlotCount; ++slot) {
        const uint64_t id = io->open_session_ids_[slot].load(std::memory_order_acquire);
        if (id == 0) continue;
        TcpSession* tcp = io->acquire_session(id);
        if (tcp == nullptr) continue;
        bool close = false;
        if (KApiSession* session = KApiSession::from(tcp)) {
            switch (type) {
                case nq::ApiType::PRIVILEGE:
                    clear_slot(session->privilege_spi, own_spi);
                    clear_slot(session->trade_spi, own_trade);
                    break;
                case nq::ApiType::TRADE:
                    clear_slot(session->trade_spi, own_spi);
                    break;
                case nq::ApiType::QUOTE:
                    clear_slot(session->quote_spi, own_spi);
                    break;
            }
            close = session->api_type == static_cast<uint8_t>(type);
        }
        tcp->release();
        if (close) framework_->close_session(id, false);
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
        set_last_error(301, 0, "no mon instance, please use mon mode api version and initialize api first");
        return false;
    }
    return KApiMon::instance_->dump();
}

}}  // namespace nq::api
