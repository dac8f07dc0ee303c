#include "framework/LastApiError.h"

#include "log/Log.h"

namespace nq {

int va_printf(char* buffer, unsigned long size, const char* format, unsigned char* arguments) {
    return nq::log::format_packed(buffer, size, format, arguments, api::LastApiError::kArgAreaSize,
                                  nq::log::StringData::kPacked);
}

namespace api {

thread_local LastApiError LastApiError::last_error_{};

LastApiError& LastApiError::current() { return last_error_; }

nq::trv_error_info_t LastApiError::get_last_error() {
    LastApiError& e = current();
    if (e.format_) {
        char* msg = e.info_.error_msg;
        if (e.args_[0] != 0) {
            va_printf(msg, sizeof e.info_.error_msg, e.format_, e.args_);
        } else {
            const size_t n = strnlen(e.format_, sizeof e.info_.error_msg - 1);
            std::memcpy(msg, e.format_, n);
            msg[n] = 0;
        }
    }
    return e.info_;
}

namespace {

// Format registrations of set_last_error, keyed by the format's address
// (formats have static lifetime). Open addressing; entries are never removed.
struct LogSite {
    std::atomic<const char*> fmt;
    std::atomic<const char*> id;
};
constexpr unsigned kLogSites = 1024;
LogSite g_log_sites[kLogSites];

}  // namespace

std::atomic<const char*>* LastApiError::log_site(const char* fmt) {
    if (!fmt) return nullptr;
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(fmt));
    h ^= h >> 29;
    h *= 0x9e3779b97f4a7c15ull;
    const unsigned start = unsigned(h >> 54);  // 10 bits
    for (unsigned i = 0; i < kLogSites; ++i) {
        LogSite& s = g_log_sites[(start + i) % kLogSites];
        const char* key = s.fmt.load(std::memory_order_acquire);
        if (key == nullptr) {
            if (s.fmt.compare_exchange_strong(key, fmt, std::memory_order_acq_rel)) return &s.id;
        }
        if (key == fmt) return &s.id;
    }
    return nullptr;
}

void LastApiError::log_last_error() {
    // The line carries the finished text, so that the log and get_last_error
    // agree whatever the format holds.
    if (nq::log::Log::log_level_ < nq::log::kError) return;
    const nq::trv_error_info_t info = get_last_error();
    LOG_ERROR("%s", info.error_msg);
}

}  // namespace api
}  // namespace nq
