# trv_log reaches trv_api as a whole archive of its own; naming it in DEPS
# as well would make CMake refuse the shared library, so the tests link it.
trv_component(trv_lasterror SOURCES
  ${CMAKE_SOURCE_DIR}/src/api/LastApiError.cpp)
trv_test(LastApiError_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/LastApiError_test.cpp
  LIBS trv_lasterror trv_log
  LABELS concurrency)
