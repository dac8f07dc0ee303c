#include "log/Log.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "log/CpuPause.h"
#include "log/LogRegion.h"

namespace nq { namespace log {

int Log::log_level_ = 3;
thread_create_fn log_thread_create = &pthread_create;

namespace {

const char* const kLevelNames[] = {"FATAL", "ERROR", "WARN", "INFO", "DEBUG", "TRACE"};

template <class T>
inline T load_acq(const T* p) {
    return __atomic_load_n(p, __ATOMIC_ACQUIRE);
}
template <class T>
inline T load_rlx(const T* p) {
    return __atomic_load_n(p, __ATOMIC_RELAXED);
}
template <class T, class V>
inline void store_rel(T* p, V v) {
    __atomic_store_n(p, static_cast<T>(v), __ATOMIC_RELEASE);
}
template <class T, class V>
inline void store_rlx(T* p, V v) {
    __atomic_store_n(p, static_cast<T>(v), __ATOMIC_RELAXED);
}
template <class T, class V>
inline bool cas(T* p, T& expected, V desired) {
    return __atomic_compare_exchange_n(p, &expected, static_cast<T>(desired), false, __ATOMIC_ACQ_REL,
                                       __ATOMIC_ACQUIRE);
}

void sleep_ms(long ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

std::atomic<log_region_t*> g_region{nullptr};
// Set by destroy: call sites keep format ids that point into the released
// region, so no second region may follow it.
bool g_released = false;
std::mutex g_init_mutex;
pthread_key_t g_exit_key;
pthread_once_t g_exit_key_once = PTHREAD_ONCE_INIT;

struct producer_t {
    uint32_t tid;
    uint64_t last_tag;
    log_block_t* block;
    bool exit_hook;
};
thread_local producer_t t_producer;

inline log_block_t* block_of(log_region_t* r, uint64_t tag) {
    uint64_t index = tag >> 32;
    return index < r->block_count ? r->blocks[index] : nullptr;
}

// A thread that exits marks its last block retired: "log_write" returns it to
// the free stack once it is drained, so short-lived threads do not use up the
// blocks.
void on_thread_exit(void*) {
    producer_t& p = t_producer;
    p.exit_hook = false;
    log_region_t* r = g_region.load(std::memory_order_acquire);
    if (r != nullptr && p.last_tag != 0) {
        log_block_t* b = block_of(r, p.last_tag);
        if (b != nullptr && load_acq(&b->tag) == p.last_tag) store_rel(&b->retired, 1u);
    }
    p.block = nullptr;
    p.last_tag = 0;
}

void make_exit_key() { pthread_key_create(&g_exit_key, &on_thread_exit); }

// In the child of a fork the region is still the parent's (a shared
// mapping), and the logger threads are not there: a line written into it
// would land in a block that a parent thread is filling, and be formatted
// into the parent's file. The child logs nothing.
void on_fork_child() {
    g_region.store(nullptr, std::memory_order_relaxed);
    g_released = true;
    t_producer = producer_t();
}
pthread_once_t g_fork_hook_once = PTHREAD_ONCE_INIT;
void add_fork_hook() { pthread_atfork(nullptr, nullptr, &on_fork_child); }

// Milliseconds of CLOCK_MONOTONIC: the clock of the flush interval.
uint64_t monotonic_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

void refresh_clock(log_region_t* r) {
    timeval tv;
    gettimeofday(&tv, nullptr);
    time_t secs = tv.tv_sec;
    tm local;
    localtime_r(&secs, &local);
    uint64_t ms = static_cast<uint64_t>(tv.tv_sec) * 1000 + static_cast<uint64_t>(tv.tv_usec) / 1000;
    uint32_t date = static_cast<uint32_t>((local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday);
    uint32_t packed = pack_time(static_cast<unsigned>(local.tm_hour), static_cast<unsigned>(local.tm_min),
                                static_cast<unsigned>(local.tm_sec), static_cast<unsigned>(tv.tv_usec / 1000));
    store_rlx(&r->now_ms, ms);
    store_rlx(&r->clock, static_cast<uint64_t>(date) | static_cast<uint64_t>(packed) << 32);
}

// Pushes a drained block back on the free stack ("log_write" only).
void recycle_block(log_region_t* r, log_block_t* b) {
    store_rlx(&b->owner_tid, 0u);
    store_rlx(&b->retired, 0u);
    uint64_t tag = load_rlx(&b->tag) + 1;
    store_rlx(&b->tag, tag);
    uint64_t head = load_acq(&r->free_head);
    for (;;) {
        store_rlx(&b->link, head);
        if (cas(&r->free_head, head, tag)) return;
        cpu_pause();
    }
}

// Writes the channel's buffered bytes; keeps what could not be written.
bool flush_channel(log_region_t*, log_channel_t& ch) {
    int fd = load_acq(&ch.fd);
    if (fd <= 0) return false;
    size_t done = 0;
    size_t total = ch.buffered;
    while (done < total) {
        ssize_t n = ::write(fd, ch.buffer + done, total - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    if (done < total) {
        if (done > 0) std::memmove(ch.buffer, ch.buffer + done, total - done);
        ch.buffered = total - done;
        return false;
    }
    ch.buffered = 0;
    ch.last_flush_ms = monotonic_ms();
    return true;
}

bool wait_thread(pthread_t t, int steps) {
    for (int i = 0; i < steps; ++i) {
        if (pthread_tryjoin_np(t, nullptr) == 0) return true;
        sleep_ms(10);
    }
    return pthread_tryjoin_np(t, nullptr) == 0;
}

void end_thread(pthread_t t, int steps) {
    if (!wait_thread(t, steps)) {
        pthread_cancel(t);
        pthread_join(t, nullptr);
    }
}

}  // namespace

int va_printf(char* buf, unsigned long size, const char* fmt, unsigned char* args) {
    return format_packed(buf, size, fmt, args, kMaxItemSize - kItemArgsOffset, StringData::kAligned);
}

// ---- region and producers ---------------------------------------------------

log_region_t* region() { return g_region.load(std::memory_order_acquire); }

bool Log::initialize(LogLevel level, unsigned long size_mb) {
    if (size_mb < kMinRegionMb) return false;
    if (size_mb > kMaxRegionMb) size_mb = kMaxRegionMb;
    std::lock_guard<std::mutex> lock(g_init_mutex);
    if (g_released || g_region.load(std::memory_order_acquire) != nullptr) return false;  // mapped once
    size_t bytes = size_mb * kMiB;
    // Zero-filled and populated up front, so that a producer never takes a
    // page fault when it writes into a fresh block.
    void* base = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (base == MAP_FAILED) return false;
    log_region_t* r = static_cast<log_region_t*>(base);
    char* bytes_at = static_cast<char*>(base);
    r->size_mb = size_mb;
    r->block_count = size_mb - 32;
    for (uint64_t i = 0; i < r->block_count; ++i) {
        log_block_t* b = reinterpret_cast<log_block_t*>(bytes_at + kBlocksBegin + i * kBlockSize);
        b->tag = i << 32 | 1;
        b->link = i + 1 < r->block_count ? ((i + 1) << 32 | 1) : 0;
        r->blocks[i] = b;
    }
    r->free_head = 1;  // tag of block 0
    r->level = level;
    log_level_ = level;
    refresh_clock(r);
    pthread_once(&g_exit_key_once, &make_exit_key);
    pthread_once(&g_fork_hook_once, &add_fork_hook);
    if (!start_log_service(r)) {
        munmap(base, bytes);
        return false;
    }
    g_region.store(r, std::memory_order_release);
    return true;
}

bool start_log_service(log_region_t* r) {
    pthread_t main_thread;
    if (log_thread_create(&main_thread, nullptr, &log_main_proc, r) != 0) return false;
    pthread_setname_np(main_thread, "log_main");
    r->threads[0] = static_cast<uint64_t>(main_thread);
    sleep_ms(10);
    pthread_t write_thread;
    if (log_thread_create(&write_thread, nullptr, &log_write_proc, r) != 0) {
        store_rel(&r->stop, 1u);
        end_thread(main_thread, 100);
        r->threads[0] = 0;
        return false;
    }
    pthread_setname_np(write_thread, "log_write");
    r->threads[1] = static_cast<uint64_t>(write_thread);
    return true;
}

void stop_log_service() {
    log_region_t* r = region();
    if (r != nullptr) store_rel(&r->stop, 1u);
}

void Log::destroy() {
    std::lock_guard<std::mutex> lock(g_init_mutex);
    log_region_t* r = g_region.load(std::memory_order_acquire);
    if (r == nullptr) return;
    store_rel(&r->stop, 1u);
    bool ended[2] = {false, false};
    for (int step = 0; step < 100 && !(ended[0] && ended[1]); ++step) {
        for (int i = 0; i < 2; ++i)
            if (!ended[i]) ended[i] = pthread_tryjoin_np(static_cast<pthread_t>(r->threads[i]), nullptr) == 0;
        if (!(ended[0] && ended[1])) sleep_ms(10);
    }
    for (int i = 0; i < 2; ++i) {
        if (!ended[i]) {
            pthread_cancel(static_cast<pthread_t>(r->threads[i]));
            pthread_join(static_cast<pthread_t>(r->threads[i]), nullptr);
        }
    }
    g_region.store(nullptr, std::memory_order_release);
    g_released = true;
    for (auto& ch : r->channels)
        if (ch.fd > 0) ::close(ch.fd);
    munmap(r, r->size_mb * kMiB);
}

const char* Log::alloc_format_id(const char* fmt, unsigned long length) {
    log_region_t* r = region();
    if (r == nullptr || fmt == nullptr) return nullptr;
    uint64_t reserve = length + 8;
    // A full arena fails without touching the shared cursor.
    if (load_rlx(&r->arena_cursor) + reserve + kArenaBegin > kArenaEnd) return nullptr;
    uint64_t at = __atomic_fetch_add(&r->arena_cursor, reserve, __ATOMIC_RELAXED);
    if (at + reserve + kArenaBegin > kArenaEnd) return nullptr;
    char* copy = reinterpret_cast<char*>(r) + kArenaBegin + at;
    std::memcpy(copy, fmt, length);
    copy[length] = '\0';
    return copy;
}

namespace detail {
const char* register_format_late(std::atomic<const char*>& site, const char* fmt) {
    if (region() == nullptr) return nullptr;
    const char* id = register_format(fmt);
    if (id == nullptr) return nullptr;
    const char* expected = nullptr;
    if (!site.compare_exchange_strong(expected, id, std::memory_order_acq_rel)) return expected;
    return id;
}
}  // namespace detail

log_block_t* alloc_local_block() {
    producer_t& p = t_producer;
    log_region_t* r = region();
    if (r == nullptr) return nullptr;
    if (p.tid == 0) p.tid = static_cast<uint32_t>(syscall(SYS_gettid));
    log_block_t* b;
    uint64_t head;
    for (;;) {
        head = load_acq(&r->free_head);
        if (head == 0) {
            p.block = nullptr;
            return nullptr;
        }
        b = block_of(r, head);
        if (b == nullptr) {
            p.block = nullptr;
            return nullptr;
        }
        if (load_acq(&b->tag) != head) continue;  // taken meanwhile
        uint64_t link = load_rlx(&b->link);
        if (cas(&r->free_head, head, link)) break;
        cpu_pause();
    }
    store_rlx(&b->read_offset, 0u);
    store_rlx(&b->write_offset, 0u);
    store_rlx(&b->retired, 0u);
    store_rlx(&b->tag, head + 1);
    store_rlx(&b->link, p.last_tag);
    // The consumer sees the block only now, with its link and tag in place.
    store_rel(&b->owner_tid, p.tid);
    p.last_tag = head + 1;
    p.block = b;
    if (!p.exit_hook) {
        p.exit_hook = true;
        pthread_setspecific(g_exit_key, reinterpret_cast<void*>(1));
    }
    return b;
}

log_block_t* get_local_block() {
    producer_t& p = t_producer;
    return p.block != nullptr ? p.block : alloc_local_block();
}

log_item_t* Log::alloc_log_item() {
    if (region() == nullptr) return nullptr;
    log_block_t* b = get_local_block();
    if (b == nullptr) return nullptr;
    char* at = reinterpret_cast<char*>(b) + kItemsOffset + load_rlx(&b->write_offset);
    // Ask for the lines a few items ahead in write mode now, so that filling
    // them later does not wait for memory (a block is far larger than the
    // caches, and the consumer last read its lines on another core). The
    // space behind the switch offset is always inside the block.
    __builtin_prefetch(at + 1024, 1, 3);
    return reinterpret_cast<log_item_t*>(at);
}

void Log::commit_log_item(log_item_t* item) {
    log_region_t* r = region();
    producer_t& p = t_producer;
    log_block_t* b = p.block;
    if (r == nullptr || b == nullptr || item == nullptr) return;
    uint16_t size;
    std::memcpy(&size, &item->size, sizeof size);
    if (size < sizeof(log_item_t) || size > kMaxItemSize) return;
    uint64_t clock = load_rlx(&r->clock);
    std::memcpy(&item->clock, &clock, sizeof clock);
    std::memcpy(&item->tid, &p.tid, sizeof p.tid);
    uint64_t w = load_rlx(&b->write_offset) + size;
    store_rel(&b->write_offset, w);
    if (w > kBlockSwitchOffset) alloc_local_block();
}

// ---- consumer ---------------------------------------------------------------

log_item_t* fetch_log_item(log_region_t* r, log_block_t* b) {
    if (load_acq(&b->owner_tid) == 0) return nullptr;
    uint64_t link = load_rlx(&b->link);
    if (link != 0) {
        log_block_t* prev = block_of(r, link);
        // A tag that moved on means that block was recycled already.
        if (prev != nullptr && load_acq(&prev->tag) == link) {
            if (load_rlx(&prev->read_offset) < load_acq(&prev->write_offset)) return nullptr;
            recycle_block(r, prev);
        }
        store_rlx(&b->link, 0u);
    }
    uint64_t rd = load_rlx(&b->read_offset);
    uint32_t retired = load_acq(&b->retired);
    uint64_t w = load_acq(&b->write_offset);
    if (rd >= w) {
        if (retired) recycle_block(r, b);
        return nullptr;
    }
    log_item_t* item = reinterpret_cast<log_item_t*>(reinterpret_cast<char*>(b) + kItemsOffset + rd);
    uint16_t size;
    std::memcpy(&size, &item->size, sizeof size);
    if (size < sizeof(log_item_t) || size > kMaxItemSize || rd + size > w) {
        store_rlx(&b->read_offset, w);  // damaged: skip what is left
        return nullptr;
    }
    store_rlx(&b->read_offset, rd + size);
    return item;
}

size_t format_line(char* out, size_t room, log_item_t* item) {
    uint64_t clock, format;
    uint32_t tid;
    std::memcpy(&clock, &item->clock, sizeof clock);
    std::memcpy(&format, &item->format, sizeof format);
    std::memcpy(&tid, &item->tid, sizeof tid);
    if (format == 0) return 0;
    unsigned date = static_cast<unsigned>(clock);
    unsigned t = static_cast<unsigned>(clock >> 32);
    const char* level = item->level < 6 ? kLevelNames[item->level] : "?";
    int prefix = std::snprintf(out, room, "[%u %u:%u:%u.%u][%u][%s] ", date, t & 63, (t >> 6) & 63, (t >> 12) & 63,
                               t >> 18, tid, level);
    if (prefix <= 0 || static_cast<size_t>(prefix) + 2 > room) return 0;
    size_t msg_room = room - static_cast<size_t>(prefix) - 1;  // keep one byte for the line feed
    if (msg_room > kMaxMessage) msg_room = kMaxMessage;
    uint16_t size;
    std::memcpy(&size, &item->size, sizeof size);
    if (size < kItemArgsOffset + 1) return 0;
    int n = format_packed(out + prefix, msg_room, reinterpret_cast<const char*>(static_cast<uintptr_t>(format)),
                          reinterpret_cast<unsigned char*>(item) + kItemArgsOffset, size - kItemArgsOffset,
                          StringData::kAligned);
    if (n <= 0) return 0;
    size_t kept = static_cast<size_t>(n) < msg_room ? static_cast<size_t>(n) : msg_room - 1;
    out[prefix + kept] = '\n';
    return static_cast<size_t>(prefix) + kept + 1;
}

void write_format_log(log_region_t* r, log_item_t* item) {
    if (item->channel >= kChannels) return;
    log_channel_t& ch = r->channels[item->channel];
    char line[kMaxMessage + 128];
    size_t n = format_line(line, sizeof line, item);
    if (n == 0) return;
    if (ch.buffered + n > kChannelBufferSize) {
        // A channel that is not open or cannot be written drops the line
        // rather than grow past its buffer.
        if (!flush_channel(r, ch) || ch.buffered + n > kChannelBufferSize) return;
    }
    std::memcpy(ch.buffer + ch.buffered, line, n);
    ch.buffered += n;
    if (ch.buffered > kFlushThreshold) flush_channel(r, ch);
}

void* log_write_proc(void* arg) {
    log_region_t* r = static_cast<log_region_t*>(arg);
    for (;;) {
        // Read the stop flag before the pass: a line committed before the
        // stop was raised is then seen by this pass or an earlier one.
        bool stopping = load_acq(&r->stop) != 0;
        bool work = false;
        uint64_t count = r->block_count;
        for (uint64_t i = 0; i < count; ++i) {
            log_block_t* b = r->blocks[i];
            while (log_item_t* item = fetch_log_item(r, b)) {
                write_format_log(r, item);
                work = true;
            }
        }
        // The flush interval on the monotonic clock: a step of the host's
        // clock must not hold buffered lines back until it catches up.
        uint64_t now = monotonic_ms();
        for (auto& ch : r->channels) {
            if (load_acq(&ch.fd) <= 0 || ch.last_flush_ms + 1 >= now) continue;
            if (ch.buffered > 0) {
                if (flush_channel(r, ch)) work = true;
            } else {
                ch.last_flush_ms = now;
            }
        }
        if (work) continue;
        if (stopping) {
            for (auto& ch : r->channels)
                if (ch.buffered > 0) flush_channel(r, ch);
            return nullptr;
        }
        sleep_ms(1);
    }
}

void* log_main_proc(void* arg) {
    log_region_t* r = static_cast<log_region_t*>(arg);
    while (!load_acq(&r->stop)) {
        for (auto& ch : r->channels) {
            if (load_acq(&ch.state) != 1 || load_acq(&ch.fd) != -2) continue;
            int fd = ::open(ch.path, O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
            if (fd == 0) {
                // Descriptor 0 means "not open" to the writer.
                int moved = fcntl(fd, F_DUPFD_CLOEXEC, 1);
                ::close(fd);
                fd = moved;
            }
            int32_t expected = -2;
            if (!cas(&ch.fd, expected, fd < 0 ? -1 : fd) && fd >= 0) ::close(fd);  // open_log gave up
        }
        refresh_clock(r);
        sleep_ms(1);
    }
    return nullptr;
}

bool Log::open_log(unsigned long channel, const char* path) {
    log_region_t* r = region();
    if (r == nullptr || channel >= kChannels || path == nullptr) return false;
    size_t len = ::strnlen(path, kPathSize);
    if (len == 0 || len >= kPathSize) return false;
    log_channel_t& ch = r->channels[channel];
    for (;;) {
        uint64_t expected = 0;
        if (cas(&ch.state, expected, 1u)) break;
        if (expected == 1) return false;
        sleep_ms(1);
    }
    std::memcpy(ch.path, path, len + 1);
    store_rel(&ch.fd, -2);
    // "log_main" answers within a few ms; give up when it has stopped or
    // after 5 s rather than wait forever.
    for (int i = 0; i < 500 && load_acq(&ch.fd) == -2 && !load_acq(&r->stop); ++i) sleep_ms(10);
    int32_t fd = -2;
    if (cas(&ch.fd, fd, 0)) {
        store_rel(&ch.state, 0u);
        return false;
    }
    if (fd == -1) {
        store_rel(&ch.fd, 0);
        store_rel(&ch.state, 0u);
        return false;
    }
    return true;
}

}}  // namespace nq::log
