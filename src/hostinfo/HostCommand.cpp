#include "hostinfo/HostCommand.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hostinfo/HostText.h"

namespace nq { namespace api {

namespace {

constexpr size_t kMaxNameLength = 255;
constexpr char kSystemPath[] = "/usr/sbin:/usr/bin:/sbin:/bin";

char g_command_path[1024] = "/usr/sbin:/usr/bin:/sbin:/bin";

bool is_path_char(unsigned char c) {
    return isalnum(c) || c == '/' || c == '.' || c == '_' || c == '+' || c == '-' || c == ':';
}

FILE* open_command(const char* fmt, const char* name) {
    if (fmt == nullptr || !is_safe_command_name(name)) return nullptr;
    char command[2048];
    // Every tool of the pipeline, and what those run, is found in the
    // command path alone.
    int head = snprintf(command, sizeof(command), "PATH=%s; export PATH; ", g_command_path);
    if (head < 0 || static_cast<size_t>(head) >= sizeof(command)) return nullptr;
    int n = snprintf(command + head, sizeof(command) - head, fmt, name);
    if (n < 0 || static_cast<size_t>(n) >= sizeof(command) - head) return nullptr;
    // popen starts the shell by its full path and the child execs at once,
    // so the caller's buffered streams need no flush.
    return popen(command, "re");
}

}  // namespace

bool set_command_path(const char* path) {
    if (path == nullptr || path[0] == '\0') path = kSystemPath;
    const size_t n = strlen(path);
    if (n >= sizeof(g_command_path)) return false;
    for (size_t i = 0; i < n; ++i)
        if (!is_path_char(static_cast<unsigned char>(path[i]))) return false;
    memcpy(g_command_path, path, n + 1);
    return true;
}

const char* command_path() { return g_command_path; }

bool is_safe_command_name(const char* name) {
    if (name == nullptr || name[0] == '\0' || name[0] == '-') return false;
    size_t len = strnlen(name, kMaxNameLength + 1);
    if (len > kMaxNameLength) return false;
    for (size_t i = 0; i < len; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (isalnum(c) || c == '.' || c == '_' || c == '+' || c == ':' || c == '/' || c == '-') continue;
        return false;
    }
    return strstr(name, "..") == nullptr;
}

bool run_named_command(const char* fmt, const char* name, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return false;
    buffer[0] = '\0';
    FILE* pipe = open_command(fmt, name);
    if (pipe == nullptr) return false;
    bool ok = false;
    if (size > 1 && fgets(buffer, static_cast<int>(size), pipe) != nullptr) {
        sanitize_text(buffer);  // also removes the line feed
        ok = true;
    } else {
        buffer[0] = '\0';
    }
    pclose(pipe);
    return ok;
}

bool for_each_command_line(const char* fmt, const char* name, size_t max_line,
                           void (*fn)(const char* line, void* context), void* context) {
    FILE* pipe = open_command(fmt, name);
    if (pipe == nullptr) return false;
    char* line = nullptr;
    size_t line_size = 0;
    ssize_t n;
    while ((n = getline(&line, &line_size, pipe)) > 0) {
        if (line[n - 1] == '\n') line[--n] = '\0';
        if (static_cast<size_t>(n) > max_line) line[max_line] = '\0';
        fn(line, context);
    }
    free(line);
    pclose(pipe);
    return true;
}

}}  // namespace nq::api
