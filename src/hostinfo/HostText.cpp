#include "hostinfo/HostText.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "hostinfo/HostRoot.h"

namespace nq { namespace api {

void sanitize_text(char* text) {
    if (text == nullptr) return;
    size_t len = strlen(text);
    size_t start = 0;
    while (start < len && isspace(static_cast<unsigned char>(text[start]))) ++start;
    while (len > start && isspace(static_cast<unsigned char>(text[len - 1]))) --len;
    size_t n = len - start;
    memmove(text, text + start, n);
    text[n] = '\0';
    for (size_t i = 0; i < n; ++i) {
        if (!isprint(static_cast<unsigned char>(text[i]))) text[i] = '_';
    }
}

void copy_text(char* dst, size_t size, const char* src) {
    if (dst == nullptr || size == 0) return;
    if (src == nullptr) src = "";
    size_t n = strnlen(src, size - 1);
    memcpy(dst, src, n);
    dst[n] = '\0';
}

namespace {

// Reads one line of an open file into buffer; false when nothing was read.
bool read_line(FILE* f, char* buffer, size_t size) {
    if (size < 2) {
        if (size == 1) buffer[0] = '\0';
        return false;
    }
    if (fgets(buffer, static_cast<int>(size), f) == nullptr) {
        buffer[0] = '\0';
        return false;
    }
    size_t n = strlen(buffer);
    if (n > 0 && buffer[n - 1] == '\n') buffer[n - 1] = '\0';
    return true;
}

}  // namespace

bool read_first_line(const char* path, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return false;
    buffer[0] = '\0';
    FILE* f = fopen(path, "re");
    if (f == nullptr) return false;
    bool ok = read_line(f, buffer, size);
    fclose(f);
    return ok;
}

bool read_block_attribute(const char* device, const char* attribute, char* buffer, size_t size) {
    if (device == nullptr || attribute == nullptr || buffer == nullptr || size == 0) return false;
    buffer[0] = '\0';
    char path[4096];
    FILE* f = nullptr;
    if (host_pathf(path, sizeof(path), "/sys/block/%s/%s", device, attribute)) f = fopen(path, "re");
    if (f == nullptr && host_pathf(path, sizeof(path), "/sys/class/block/%s/%s", device, attribute))
        f = fopen(path, "re");
    if (f == nullptr) return false;
    bool ok = read_line(f, buffer, size);
    fclose(f);
    if (ok) sanitize_text(buffer);
    return ok;
}

}}  // namespace nq::api
