#include "framework/LastApiError.h"

#include <cstdio>

#include "log/Log.h"

namespace nq {

namespace {

struct ArgSlot {
    uint64_t value;
    unsigned char type;  // 0 = no argument
};

// Unpacks the area into up to 128 slots; stops at the first malformed type
// byte or at the end of the area.
unsigned unpack(unsigned char* area, ArgSlot* slots) {
    const unsigned count = area[0];
    const unsigned char* end = area + api::LastApiError::kArgAreaSize;
    unsigned char* p = area + 1;
    unsigned n = 0;
    while (n < count && n < api::LastApiError::kMaxArgs && p < end) {
        const unsigned char t = *p++;
        uint64_t v = 0;
        size_t width;
        if (t >= 1 && t <= 8) {
            width = t;
        } else if (t == api::LastApiError::kFloat) {
            width = 4;
        } else if (t == api::LastApiError::kDouble) {
            width = 8;
        } else if (t > api::LastApiError::kString) {
            width = size_t(t) - api::LastApiError::kString;
        } else {
            break;
        }
        if (width > size_t(end - p)) break;
        if (t > api::LastApiError::kString) {
            p[width - 1] = 0;  // a cut string has no terminator of its own
            v = uint64_t(reinterpret_cast<uintptr_t>(p));
        } else {
            std::memcpy(&v, p, width);  // zero-extended, little-endian
        }
        slots[n].value = v;
        slots[n].type = t;
        ++n;
        p += width;
    }
    return n;
}

// Output cursor that counts like snprintf and never writes past size.
struct Out {
    char* buf;
    size_t size;
    size_t len;
    void put(char c) {
        if (len + 1 < size) buf[len] = c;
        ++len;
    }
    char* dst() { return len < size ? buf + len : nullptr; }
    size_t room() const { return len < size ? size - len : 0; }
    void add(int n) {
        if (n > 0) len += size_t(n);
    }
};

}  // namespace

int va_printf(char* buffer, unsigned long size, const char* format, unsigned char* arguments) {
    if (!buffer && size) return -1;
    Out out{buffer, size, 0};
    if (!format) {
        if (size) buffer[0] = 0;
        return 0;
    }
    ArgSlot slots[api::LastApiError::kMaxArgs];
    const unsigned nslots = arguments ? unpack(arguments, slots) : 0;
    unsigned next = 0;
    auto take = [&]() -> ArgSlot {
        if (next < nslots) return slots[next++];
        ++next;
        return ArgSlot{0, 0};
    };

    const char* f = format;
    while (*f) {
        if (*f != '%') {
            out.put(*f++);
            continue;
        }
        const char* start = f++;
        if (*f == '%') {
            out.put('%');
            ++f;
            continue;
        }
        // One conversion: flags, width, precision, length, conversion.
        char spec[64];
        size_t sl = 0;
        spec[sl++] = '%';
        int star_args[2];
        int nstar = 0;
        bool bad = false;
        while (*f && std::strchr("-+ #0'", *f)) {
            if (sl < 40) spec[sl++] = *f;
            ++f;
        }
        auto digits_or_star = [&]() {
            if (*f == '*') {
                star_args[nstar++] = int(int64_t(take().value));
                if (sl < 40) spec[sl++] = '*';
                ++f;
            } else {
                while (*f >= '0' && *f <= '9') {
                    if (sl < 40) spec[sl++] = *f; else bad = true;
                    ++f;
                }
            }
        };
        digits_or_star();
        if (*f == '.') {
            if (sl < 40) spec[sl++] = '.';
            ++f;
            digits_or_star();
        }
        enum { kInt, kChar, kShort, kLong, kLongDouble } len = kInt;
        if (*f == 'h') {
            ++f;
            len = kShort;
            if (*f == 'h') { ++f; len = kChar; }
        } else if (*f == 'l') {
            ++f;
            len = kLong;
            if (*f == 'l') ++f;
        } else if (*f == 'j' || *f == 'z' || *f == 't' || *f == 'q') {
            ++f;
            len = kLong;
        } else if (*f == 'L') {
            ++f;
            len = kLongDouble;
        }
        const char conv = *f;
        if (!conv || bad) {
            // Incomplete or unusable conversion: print it as it stands.
            for (const char* c = start; c < f; ++c) out.put(*c);
            continue;
        }
        ++f;
        auto emit = [&](auto value) {
            int n;
            if (nstar == 0)
                n = std::snprintf(out.dst(), out.room(), spec, value);
            else if (nstar == 1)
                n = std::snprintf(out.dst(), out.room(), spec, star_args[0], value);
            else
                n = std::snprintf(out.dst(), out.room(), spec, star_args[0], star_args[1], value);
            out.add(n);
        };
        switch (conv) {
        case 'd': case 'i': {
            const ArgSlot a = take();
            if (len == kLong) { spec[sl++] = 'l'; spec[sl++] = 'l'; }
            spec[sl++] = conv;
            spec[sl] = 0;
            if (len == kLong) emit((long long)a.value);
            else if (len == kShort) emit(int(short(a.value)));
            else if (len == kChar) emit(int((signed char)a.value));
            else emit(int(a.value));
            break;
        }
        case 'u': case 'o': case 'x': case 'X': {
            const ArgSlot a = take();
            if (len == kLong) { spec[sl++] = 'l'; spec[sl++] = 'l'; }
            spec[sl++] = conv;
            spec[sl] = 0;
            if (len == kLong) emit((unsigned long long)a.value);
            else if (len == kShort) emit(unsigned((unsigned short)a.value));
            else if (len == kChar) emit(unsigned((unsigned char)a.value));
            else emit(unsigned(a.value));
            break;
        }
        case 'c': {
            const ArgSlot a = take();
            spec[sl++] = 'c';
            spec[sl] = 0;
            emit(int((unsigned char)a.value));
            break;
        }
        case 'p': {
            const ArgSlot a = take();
            spec[sl++] = 'p';
            spec[sl] = 0;
            emit(reinterpret_cast<void*>(uintptr_t(a.value)));
            break;
        }
        case 's': {
            const ArgSlot a = take();
            spec[sl++] = 's';
            spec[sl] = 0;
            // Only a packed string is dereferenced; anything else prints as a
            // null string rather than being read as an address.
            const char* s = a.type > api::LastApiError::kString
                                ? reinterpret_cast<const char*>(uintptr_t(a.value))
                                : "(null)";
            emit(s);
            break;
        }
        case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A': {
            const ArgSlot a = take();
            double d;
            if (a.type == api::LastApiError::kFloat) {
                float fl;
                uint32_t bits = uint32_t(a.value);
                std::memcpy(&fl, &bits, 4);
                d = fl;
            } else {
                std::memcpy(&d, &a.value, 8);
            }
            if (len == kLongDouble) spec[sl++] = 'L';
            spec[sl++] = conv;
            spec[sl] = 0;
            if (len == kLongDouble) emit((long double)d);
            else emit(d);
            break;
        }
        case 'n':
            take();  // nothing is written through an argument
            break;
        default:
            // Unknown conversion: print it as it stands.
            for (const char* c = start; c < f; ++c) out.put(*c);
            break;
        }
    }
    if (size) buffer[out.len < size ? out.len : size - 1] = 0;
    return out.len > size_t(0x7fffffff) ? 0x7fffffff : int(out.len);
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
