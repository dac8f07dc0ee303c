// The provider's configuration from the environment: log directory, log
// level and request time-out.
#pragma once
#include <cstdint>

namespace nq { namespace api {

class TRVApiConfig {
public:
    static constexpr unsigned long kFilePathSize = 256;
    static constexpr uint8_t kDefaultLogLevel = 3;          // INFO
    static constexpr uint16_t kDefaultRequestTimeout = 10;  // seconds

    TRVApiConfig();
    virtual ~TRVApiConfig();
    // Reads TRV_FILE_PATH, TRV_LOG_LEVEL and TRV_REQUEST_TIMEOUT; a value that
    // is not acceptable leaves the current setting, silently. Always true.
    virtual bool initialize();

    char file_path[kFilePathSize];
    uint8_t log_level;
    uint16_t request_timeout;
};

template <unsigned long N>
class ApiConfig;

template <>
class ApiConfig<2ul> : public TRVApiConfig {};

}}  // namespace nq::api
