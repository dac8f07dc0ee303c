trv_component(trv_log SOURCES
  ${CMAKE_SOURCE_DIR}/src/log/Log.cpp)

trv_test(log_format_test SOURCES ${CMAKE_SOURCE_DIR}/tests/log/log_format_test.cpp LIBS trv_log)
trv_test(log_test SOURCES ${CMAKE_SOURCE_DIR}/tests/log/log_test.cpp LIBS trv_log LABELS concurrency)
trv_test(log_concurrency_test SOURCES ${CMAKE_SOURCE_DIR}/tests/log/log_concurrency_test.cpp LIBS trv_log
  LABELS concurrency)

# The comparison logger is a benchmark-only dependency.
if(TRV_BENCH AND NOT TRV_FUZZ)
  find_package(spdlog QUIET)
  if(spdlog_FOUND AND EXISTS ${CMAKE_SOURCE_DIR}/bench/log_bench.cpp)
    trv_bench(log_bench SOURCES ${CMAKE_SOURCE_DIR}/bench/log_bench.cpp LIBS trv_log spdlog::spdlog)
  endif()
endif()
