// The provider's configuration from the environment.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "api/provider/TRVApiConfig.h"

namespace {

using nq::api::ApiConfig;

struct EnvCase {
    const char* name;
    const char* value;  // null: unset
    int log_level;
    int request_timeout;
};

class EnvConfig : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("TRV_FILE_PATH");
        unsetenv("TRV_LOG_LEVEL");
        unsetenv("TRV_REQUEST_TIMEOUT");
    }
};

TEST_F(EnvConfig, DefaultsWithoutEnvironment) {
    ApiConfig<2ul> c;
    EXPECT_TRUE(c.initialize());
    EXPECT_STREQ(c.file_path, ".");
    EXPECT_EQ(c.log_level, 3);
    EXPECT_EQ(c.request_timeout, 10);
}

TEST_F(EnvConfig, LevelAndTimeoutParsing) {
    const EnvCase cases[] = {
        {"TRV_LOG_LEVEL", "debug", 4, 10},
        {"TRV_LOG_LEVEL", "TRACE", 5, 10},
        {"TRV_LOG_LEVEL", "Fatal", 0, 10},
        {"TRV_LOG_LEVEL", "wArN", 2, 10},
        {"TRV_LOG_LEVEL", "0", 0, 10},
        {"TRV_LOG_LEVEL", "5", 5, 10},
        {"TRV_LOG_LEVEL", "7", 3, 10},
        {"TRV_LOG_LEVEL", "-1", 3, 10},
        {"TRV_LOG_LEVEL", "2x", 3, 10},
        {"TRV_LOG_LEVEL", "", 3, 10},
        {"TRV_LOG_LEVEL", "INFOX", 3, 10},
        {"TRV_LOG_LEVEL", "99999999999999999999", 3, 10},
        {"TRV_REQUEST_TIMEOUT", "30", 3, 30},
        {"TRV_REQUEST_TIMEOUT", "1", 3, 1},
        {"TRV_REQUEST_TIMEOUT", "65535", 3, 65535},
        {"TRV_REQUEST_TIMEOUT", "0", 3, 10},
        {"TRV_REQUEST_TIMEOUT", "65536", 3, 10},
        {"TRV_REQUEST_TIMEOUT", "-5", 3, 10},
        {"TRV_REQUEST_TIMEOUT", "30s", 3, 10},
        {"TRV_REQUEST_TIMEOUT", "", 3, 10},
        {"TRV_REQUEST_TIMEOUT", "18446744073709551646", 3, 10},
    };
    for (const EnvCase& k : cases) {
        SCOPED_TRACE(std::string(k.name) + "=" + k.value);
        SetUp();
        setenv(k.name, k.value, 1);
        ApiConfig<2ul> c;
        EXPECT_TRUE(c.initialize());
        EXPECT_EQ(c.log_level, k.log_level);
        EXPECT_EQ(c.request_timeout, k.request_timeout);
        EXPECT_STREQ(c.file_path, ".");
    }
}

TEST_F(EnvConfig, FilePathIsBoundedByItsField) {
    const std::string fits(255, 'a');
    setenv("TRV_FILE_PATH", fits.c_str(), 1);
    ApiConfig<2ul> a;
    a.initialize();
    EXPECT_EQ(std::string(a.file_path), fits);

    // One character more would not fit with its terminator: refused whole.
    const std::string too_long(256, 'b');
    setenv("TRV_FILE_PATH", too_long.c_str(), 1);
    ApiConfig<2ul> b;
    b.initialize();
    EXPECT_STREQ(b.file_path, ".");

    setenv("TRV_FILE_PATH", "", 1);
    ApiConfig<2ul> c;
    c.initialize();
    EXPECT_STREQ(c.file_path, ".");
}

}  // namespace
