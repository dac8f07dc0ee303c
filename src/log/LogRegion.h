// Layout of the logger's shared region and the logger's internal operations.
// Producers, "log_write" and "log_main" all address the region directly.
#pragma once
#include <pthread.h>

#include <cstddef>
#include <cstdint>

#include "log/Log.h"

namespace nq { namespace log {

constexpr uint64_t kMiB = 1ull << 20;
constexpr unsigned long kMinRegionMb = 128;
constexpr unsigned long kMaxRegionMb = 2048;
constexpr uint64_t kArenaBegin = 1 * kMiB;
constexpr uint64_t kArenaEnd = 32 * kMiB;
constexpr uint64_t kBlocksBegin = 32 * kMiB;
constexpr uint64_t kBlockSize = kMiB;
constexpr uint64_t kMaxBlocks = kMaxRegionMb - 32;
constexpr uint64_t kItemsOffset = 136;
// Past this write offset the thread moves to a new block, so that an item of
// the maximum size always fits behind the offset.
constexpr uint64_t kBlockSwitchOffset = kBlockSize - kItemsOffset - kMaxItemSize;  // 0xfef78
constexpr unsigned kChannels = 8;
constexpr size_t kPathSize = 1028;
constexpr size_t kChannelBufferSize = 16384;
constexpr uint64_t kFlushThreshold = 8191;
constexpr unsigned long kMaxMessage = 8192;  // formatter limit, NUL included

struct log_channel_t {
    int32_t fd;  // -2 open requested, -1 open failed, > 0 open
    char path[kPathSize];
    uint64_t state;          // 0 free, 1 claimed
    uint64_t last_flush_ms;  // CLOCK_MONOTONIC ms (an interval, not a time of day)
    uint64_t buffered;
    char buffer[kChannelBufferSize];
};

struct log_block_t {
    uint64_t tag;        // block index << 32 | sequence
    uint64_t link;       // free: next free tag; in use: tag of the thread's previous block
    uint32_t owner_tid;  // 0 = not in use
    uint32_t retired;    // set once the owning thread has exited
    alignas(64) uint64_t write_offset;
    alignas(64) uint64_t read_offset;
    // items from byte 136
};
static_assert(offsetof(log_block_t, write_offset) == 64, "write offset on its own line");
static_assert(offsetof(log_block_t, read_offset) == 128, "read offset on its own line");

struct log_region_t {
    uint64_t size_mb;
    uint64_t stop;
    uint64_t threads[2];  // pthread handles of "log_main" and "log_write"
    uint64_t now_ms;
    uint64_t clock;  // date yyyymmdd | packed local time << 32
    int32_t level;
    log_channel_t channels[kChannels];
    uint64_t arena_cursor;
    uint64_t free_head;
    uint64_t block_count;
    log_block_t* blocks[kMaxBlocks];
};
static_assert(sizeof(log_region_t) <= kMiB, "region header fits its first MiB");

// Packed local time as kept in the logger clock.
inline uint32_t pack_time(unsigned hour, unsigned minute, unsigned second, unsigned ms) {
    return hour | minute << 6 | second << 12 | ms << 18;
}

// The region while the logger is initialised, else null.
log_region_t* region();

// Starts "log_main", then (10 ms later) "log_write"; false when either cannot be
// started, in which case the one that did start has been stopped again.
bool start_log_service(log_region_t* r);
void stop_log_service();  // sets the stop flag
void* log_main_proc(void* region);
void* log_write_proc(void* region);
log_block_t* alloc_local_block();
log_block_t* get_local_block();
log_item_t* fetch_log_item(log_region_t* r, log_block_t* block);
void write_format_log(log_region_t* r, log_item_t* item);

// Formats one item as a full line (prefix, message, line feed) into out;
// returns its length, or 0 when the message is empty or cannot be formatted.
size_t format_line(char* out, size_t room, log_item_t* item);

// Thread creation used by start_log_service; tests replace it to make a start fail.
using thread_create_fn = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
extern thread_create_fn log_thread_create;

}}  // namespace nq::log
