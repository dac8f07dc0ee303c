// Placeholder front end; replaced by the encoding front end.
#pragma once
#define TRV_LOG_AT(level, fmt, ...) do { (void)sizeof(fmt); } while (0)
#define LOG_FATAL(fmt, ...) TRV_LOG_AT(0, fmt, ##__VA_ARGS__)
#define LOG_ERROR(fmt, ...) TRV_LOG_AT(1, fmt, ##__VA_ARGS__)
#define LOG_WARN(fmt, ...)  TRV_LOG_AT(2, fmt, ##__VA_ARGS__)
#define LOG_INFO(fmt, ...)  TRV_LOG_AT(3, fmt, ##__VA_ARGS__)
#define LOG_DEBUG(fmt, ...) TRV_LOG_AT(4, fmt, ##__VA_ARGS__)
#define LOG_TRACE(fmt, ...) TRV_LOG_AT(5, fmt, ##__VA_ARGS__)
