# Security-code map, security filters, trade tokens.
trv_component(trv_security SOURCES
  ${CMAKE_SOURCE_DIR}/src/api/SecurityMap.cpp
  ${CMAKE_SOURCE_DIR}/src/api/SecurityFilter.cpp
  ${CMAKE_SOURCE_DIR}/src/api/TRVSecurityFilter.cpp
  ${CMAKE_SOURCE_DIR}/src/api/ApiTradeToken.cpp
  ${CMAKE_SOURCE_DIR}/src/api/ApiTradeTokenMgr.cpp)
trv_test(SecurityMap_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/SecurityMap_test.cpp
  LIBS trv_security trv_threads trv_log)
trv_test(SecurityFilter_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/SecurityFilter_test.cpp
  LIBS trv_security trv_threads trv_log)
trv_test(ApiTradeToken_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/ApiTradeToken_test.cpp
  LIBS trv_security trv_threads trv_log LABELS concurrency)
