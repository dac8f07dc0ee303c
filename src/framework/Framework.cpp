#include "framework/Framework.h"

#include <sys/random.h>
#include <time.h>
#include <x86intrin.h>

#include <atomic>
#include <cstdint>
#include <new>

#include "framework/AllocMem.h"
#include "framework/ApiServiceWorker.h"
#include "framework/MessageHandler.h"
#include "framework/ServiceFunc.h"
#include "framework/TcpMessageIO.h"
#include "framework/TcpSession.h"
#include "log/Log.h"

namespace nq { namespace api {

namespace {

uint64_t monotonic_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

}  // namespace

Framework::Framework() : message_io_(nullptr), handler_count_(0) {
    for (auto& h : handlers_) h = nullptr;
}

Framework::~Framework() {}

void Framework::post_message(unsigned long session_id, Message* message) {
    if (message_io_ != nullptr) message_io_->post_message(session_id, message);
}

void Framework::post_copy(unsigned long session_id, unsigned char* copy) {
    if (message_io_ != nullptr)
        message_io_->post_copy(session_id, copy);
    else
        ApiServiceWorker::free_message(copy);
}

bool Framework::initialize() {
    message_io_ = create_message_io();
    if (message_io_ == nullptr) return false;
    if (handler_count_ > kMaxHandlers) return false;
    for (unsigned long i = 1; i <= handler_count_; ++i) {
        if (handlers_[i] != nullptr) continue;
        void* mem = alloc_mem(sizeof(MessageHandler), 8);
        if (mem == nullptr) return false;
        auto* h = new (mem) MessageHandler(this);
        if (!h->initialize()) return false;
        handlers_[i] = h;
    }
    return true;
}

namespace {

// A 64-bit random number: the kernel's random source, or, should it be
// unavailable, the time-stamp counter and a per-process count mixed so
// that every bit depends on all of theirs (splitmix64).
uint64_t random_word() {
    uint64_t word = 0;
    if (getrandom(&word, sizeof word, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof word)) return word;
    static std::atomic<uint64_t> count{0};
    unsigned int aux;
    uint64_t z = __rdtscp(&aux) + count.fetch_add(1, std::memory_order_relaxed) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

unsigned long Framework::gateway_start(unsigned long count) {
    if (count <= 1) return 0;
    // Draws beyond the largest multiple of count are drawn again, so that no
    // index is favoured by the remainder.
    const uint64_t limit = UINT64_MAX - UINT64_MAX % count;
    uint64_t word;
    do {
        word = random_word();
    } while (word >= limit);
    return static_cast<unsigned long>(word % count);
}

unsigned long Framework::open_session(unsigned long count, const sockaddr* addresses, const sockaddr* local,
                                      unsigned char type, unsigned long budget_ms) {
    if (message_io_ == nullptr || count == 0 || addresses == nullptr) return 0;
    const unsigned long start = gateway_start(count);
    const auto* base = reinterpret_cast<const unsigned char*>(addresses);
    const uint64_t begin = monotonic_ms();
    for (unsigned long i = start; i < start + count; ++i) {
        const auto* remote = reinterpret_cast<const sockaddr*>(base + 16 * (i % count));
        const uint64_t spent = monotonic_ms() - begin;
        if (spent >= budget_ms) {
            LOG_ERROR("connect attempts end, time spent: { tried = %lu, count = %lu, budget_ms = %lu }", i - start,
                      count, budget_ms);
            break;
        }
        // An equal share of what is left for each address still to try, at
        // most the longest attempt but for the last address, which may take
        // all that is left.
        const uint64_t left = start + count - i;
        uint64_t attempt = (budget_ms - spent) / left;
        if (left > 1 && attempt > static_cast<uint64_t>(TcpSession::kConnectTimeoutMs))
            attempt = TcpSession::kConnectTimeoutMs;
        if (attempt == 0) attempt = 1;
        const int socket = TcpSession::tcp_connect(remote, local, static_cast<long>(attempt));
        if (socket >= 0) return message_io_->open_session(socket, type);
    }
    return 0;
}

void Framework::close_session(unsigned long session_id, bool wait) {
    if (message_io_ != nullptr) message_io_->close_session(session_id, wait);
}

void Framework::dispatch_message(Message* message) {
    if (message == nullptr) return;
    const unsigned long index = get_message_handler(message);
    if (index == 0 || index > handler_count_ || handlers_[index] == nullptr) return;
    handlers_[index]->add_task(message);
    // The handler worker may be in its idle sleep: the frame is handled now,
    // not at the end of the sleep.
    handlers_[index]->wake();
}

void Framework::process_message(Message* message) {
    if (message == nullptr || message->header_ == nullptr) return;
    const uint32_t code = frame_service_code(message->header_);
    if (code >= ServiceFunc::kTableSize) return;  // 0x3fff: no code
    ServiceFunc* handler = ServiceFunc::service_func_[code];
    if (handler != nullptr) handler->service_func(message);
}

void Framework::message_handler_bind_cpu_core(int index, int core) {
    if (index < 1 || static_cast<unsigned long>(index) > handler_count_ || handlers_[index] == nullptr) return;
    handlers_[index]->rebind_cpu_core(core);
}

}}  // namespace nq::api
