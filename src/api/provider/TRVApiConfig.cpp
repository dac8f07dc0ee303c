#include "api/provider/TRVApiConfig.h"

#include <errno.h>
#include <strings.h>

#include <cstdlib>
#include <cstring>

namespace nq { namespace api {

namespace {

const char* env_text(const char* name) {
    const char* v = std::getenv(name);
    return (v != nullptr && v[0] != '\0') ? v : nullptr;
}

// True when strtol takes the whole text as one base-10 number in range.
bool whole_decimal(const char* text, long* value) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0') return false;
    *value = v;
    return true;
}

}  // namespace

TRVApiConfig::TRVApiConfig() : log_level(kDefaultLogLevel), request_timeout(kDefaultRequestTimeout) {
    std::memset(file_path, 0, sizeof file_path);
    file_path[0] = '.';
}

TRVApiConfig::~TRVApiConfig() {}

bool TRVApiConfig::initialize() {
    if (const char* path = env_text("TRV_FILE_PATH")) {
        // A path that does not fit is refused as a whole: a cut path would
        // silently log somewhere else.
        const size_t len = strnlen(path, kFilePathSize);
        if (len < kFilePathSize) std::memcpy(file_path, path, len + 1);
    }
    if (const char* level = env_text("TRV_LOG_LEVEL")) {
        static const char* const kNames[] = {"FATAL", "ERROR", "WARN", "INFO", "DEBUG", "TRACE"};
        long v = 0;
        if (whole_decimal(level, &v)) {
            if (v >= 0 && v <= 5) log_level = static_cast<uint8_t>(v);
        } else {
            for (uint8_t i = 0; i < 6; ++i) {
                if (strcasecmp(level, kNames[i]) == 0) {
                    log_level = i;
                    break;
                }
            }
        }
    }
    if (const char* timeout = env_text("TRV_REQUEST_TIMEOUT")) {
        long v = 0;
        if (whole_decimal(timeout, &v) && v >= 1 && v <= 65535) request_timeout = static_cast<uint16_t>(v);
    }
    return true;
}

}}  // namespace nq::api
