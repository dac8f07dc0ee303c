#include "log/PackedArgs.h"

#include <cstdio>

namespace nq { namespace log {

namespace {

enum class Kind : uint8_t { kNone, kInt, kString, kFloat, kDouble };

struct Slot {
    uint64_t value;
    Kind kind;
};

// Unpacks up to 128 arguments; stops at the end of the area or at a type
// byte it does not know (the arguments behind it cannot be located).
unsigned unpack(unsigned char* args, size_t room, StringData strings, Slot* slots) {
    if (args == nullptr || room < 1) return 0;
    unsigned char* const end = args + room;
    const unsigned count = args[0] < kMaxArgs ? args[0] : kMaxArgs;
    unsigned char* p = args + 1;
    unsigned n = 0;
    while (n < count && p < end) {
        const unsigned t = *p;
        Slot& s = slots[n];
        if ((t >= 1 && t <= 8) || t == kFloatType || t == kDoubleType) {
            const size_t width = t <= 8 ? t : t == kFloatType ? 4 : 8;
            if (static_cast<size_t>(end - p) < 1 + width) break;
            uint64_t v = 0;
            std::memcpy(&v, p + 1, width);  // zero-extended, little-endian
            s = Slot{v, t <= 8 ? Kind::kInt : t == kFloatType ? Kind::kFloat : Kind::kDouble};
            p += 1 + width;
        } else if (t > kStringType) {
            const size_t len = t - kStringType;
            uintptr_t at = reinterpret_cast<uintptr_t>(p) + 1;
            if (strings == StringData::kAligned) at = (at + 7) & ~static_cast<uintptr_t>(7);
            unsigned char* data = reinterpret_cast<unsigned char*>(at);
            if (data >= end || static_cast<size_t>(end - data) < len) break;
            data[len - 1] = 0;  // a cut string has no terminator of its own
            s = Slot{static_cast<uint64_t>(at), Kind::kString};
            p = data + len;
        } else {
            break;
        }
        ++n;
    }
    return n;
}

// Output that counts like snprintf and never writes past size.
struct Out {
    char* buf;
    size_t size;
    size_t total;

    size_t avail() const { return total < size ? size - total : 0; }
    void put(const char* s, size_t n) {
        // One byte is kept for the terminator.
        const size_t room = avail() > 0 ? avail() - 1 : 0;
        const size_t k = n < room ? n : room;
        if (k) std::memcpy(buf + total, s, k);
        total += n;
    }
    template <class V>
    bool print(const char* spec, V v) {
        const size_t a = avail();
        const int n = std::snprintf(a ? buf + total : nullptr, a, spec, v);
        if (n < 0) return false;
        total += static_cast<size_t>(n);
        return true;
    }
};

constexpr int kMaxField = 1 << 20;

int clamp_field(int64_t v) { return static_cast<int>(v > kMaxField ? kMaxField : (v < -kMaxField ? -kMaxField : v)); }

int parse_field(const char*& f) {
    int v = 0;
    while (*f >= '0' && *f <= '9') {
        v = v * 10 + (*f++ - '0');
        if (v > kMaxField) v = kMaxField;
    }
    return v;
}

// Appends a decimal number to the conversion being built.
size_t append_int(char* spec, size_t at, int v) {
    return at + static_cast<size_t>(std::snprintf(spec + at, 16, "%d", v));
}

// The unpacked arguments, taken in order; past the last, a conversion
// takes 0.
struct ArgCursor {
    const Slot* slots;
    unsigned count;
    unsigned next;

    Slot take() { return next < count ? slots[next++] : Slot{0, Kind::kNone}; }
};

// One conversion rebuilt for snprintf: flags (repeats dropped past eight),
// the width and precision as numbers, then the length this formatter
// chooses and the conversion character.
struct Conversion {
    char spec[64];
    size_t sl;  // characters of spec so far
    int len;    // -2 hh, -1 h, 0 none, 1 wide (l, ll, j, q, z, t), 2 L
};

// Reads the flags, width and precision at f into c.spec, taking the fields
// given as '*' from the arguments (width first).
void parse_fields(const char*& f, ArgCursor& in, Conversion& c) {
    c.sl = 0;
    c.spec[c.sl++] = '%';
    for (; *f && std::strchr("-+ #0'", *f); ++f)
        if (c.sl < 9) c.spec[c.sl++] = *f;
    if (*f == '*') {
        c.sl = append_int(c.spec, c.sl, clamp_field(static_cast<int32_t>(in.take().value)));
        ++f;
    } else if (const int w = parse_field(f)) {
        c.sl = append_int(c.spec, c.sl, w);
    }
    if (*f == '.') {
        ++f;
        const int prec = *f == '*' ? (++f, clamp_field(static_cast<int32_t>(in.take().value))) : parse_field(f);
        // A negative precision counts as none, as in printf.
        if (prec >= 0) {
            c.spec[c.sl++] = '.';
            c.sl = append_int(c.spec, c.sl, prec);
        }
    }
}

// Reads the length modifiers at f.
int parse_length(const char*& f) {
    int len = 0;
    for (bool more = true; more && *f;) {
        switch (*f) {
            case 'h':
                len = len == -1 ? -2 : -1;
                ++f;
                break;
            case 'l':
            case 'j':
            case 'q':
            case 'z':
            case 't':
                len = 1;
                ++f;
                break;
            case 'L':
                len = 2;
                ++f;
                break;
            default: more = false;
        }
    }
    return len;
}

// %d and %i: the argument read as wide as the length says, printed as long long.
bool print_signed(Out& o, Conversion& c, uint64_t v) {
    long long s;
    switch (c.len) {
        case -2: s = static_cast<signed char>(v); break;
        case -1: s = static_cast<short>(v); break;
        case 0: s = static_cast<int>(v); break;
        default: s = static_cast<long long>(v); break;
    }
    std::memcpy(c.spec + c.sl, "lld", 4);
    return o.print(c.spec, s);
}

// %u, %o, %x and %X: the argument read as wide as the length says, printed
// as unsigned long long.
bool print_unsigned(Out& o, Conversion& c, char conv, uint64_t v) {
    unsigned long long u;
    switch (c.len) {
        case -2: u = static_cast<unsigned char>(v); break;
        case -1: u = static_cast<unsigned short>(v); break;
        case 0: u = static_cast<unsigned>(v); break;
        default: u = v; break;
    }
    const char tail[4] = {'l', 'l', conv, '\0'};
    std::memcpy(c.spec + c.sl, tail, 4);
    return o.print(c.spec, u);
}

// %s: only a string argument is read as one.
bool print_string(Out& o, Conversion& c, const Slot& a) {
    const char* s = a.kind == Kind::kString ? reinterpret_cast<const char*>(static_cast<uintptr_t>(a.value))
                    : a.value == 0          ? "(null)"
                                            : "(not a string)";
    std::memcpy(c.spec + c.sl, "s", 2);
    return o.print(c.spec, s);
}

// %f, %e, %g, %a and their capitals: a float argument is widened to double.
bool print_floating(Out& o, Conversion& c, char conv, const Slot& a) {
    double d;
    if (a.kind == Kind::kFloat) {
        const uint32_t bits = static_cast<uint32_t>(a.value);
        float fl;
        std::memcpy(&fl, &bits, 4);
        d = fl;
    } else {
        std::memcpy(&d, &a.value, 8);
    }
    const char tail[2] = {conv, '\0'};
    std::memcpy(c.spec + c.sl, tail, 2);
    return o.print(c.spec, d);
}

// Prints one parsed conversion; text is the conversion as it stands in the
// format, copied when conv is not one this formatter knows.
bool print_conversion(Out& o, Conversion& c, char conv, ArgCursor& in, const char* text, size_t text_len) {
    switch (conv) {
        case 'd':
        case 'i': return print_signed(o, c, in.take().value);
        case 'u':
        case 'o':
        case 'x':
        case 'X': return print_unsigned(o, c, conv, in.take().value);
        case 'c': {
            const uint64_t v = in.take().value;
            std::memcpy(c.spec + c.sl, "c", 2);
            return o.print(c.spec, static_cast<int>(static_cast<unsigned char>(v)));
        }
        case 's': return print_string(o, c, in.take());
        case 'p': {
            const uint64_t v = in.take().value;
            std::memcpy(c.spec + c.sl, "p", 2);
            return o.print(c.spec, reinterpret_cast<void*>(static_cast<uintptr_t>(v)));
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A': return print_floating(o, c, conv, in.take());
        case 'n':
            in.take();  // never written through
            return true;
        default: o.put(text, text_len); return true;
    }
}

}  // namespace

int format_packed(char* buf, unsigned long size, const char* fmt, unsigned char* args, size_t room,
                  StringData strings) {
    Out o{buf, buf != nullptr ? static_cast<size_t>(size) : 0, 0};
    if (fmt == nullptr) {
        if (o.size > 0) buf[0] = '\0';
        return -1;
    }
    Slot slots[kMaxArgs];
    ArgCursor in{slots, unpack(args, room, strings, slots), 0};

    const char* f = fmt;
    bool ok = true;
    while (*f && ok) {
        if (*f != '%') {
            const char* q = std::strchr(f, '%');
            const size_t len = q ? static_cast<size_t>(q - f) : std::strlen(f);
            o.put(f, len);
            f += len;
            continue;
        }
        const char* start = f++;
        if (*f == '%') {
            o.put("%", 1);
            ++f;
            continue;
        }
        Conversion c;
        parse_fields(f, in, c);
        c.len = parse_length(f);
        const char conv = *f;
        if (conv == '\0') {
            o.put(start, static_cast<size_t>(f - start));
            break;
        }
        ++f;
        ok = print_conversion(o, c, conv, in, start, static_cast<size_t>(f - start));
        if (o.total > 0x7fffffff) ok = false;
    }
    if (o.size > 0) o.buf[o.total < o.size ? o.total : o.size - 1] = '\0';
    return ok ? static_cast<int>(o.total) : -1;
}

}}  // namespace nq::log
