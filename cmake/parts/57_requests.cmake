# Request ring and query paging. Its neighbours (trv_api_public,
# trv_framework, trv_timer, ...) reach trv_api as whole archives of their
# own, so nothing is named in DEPS; the tests link what they use.
trv_component(trv_requests SOURCES
  ${CMAKE_SOURCE_DIR}/src/api/KApiQueryPager.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiRequestManager.cpp)
trv_test(KApiRequestManager_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/KApiRequestManager_test.cpp
  LIBS trv_requests trv_api_public trv_framework trv_timer trv_lasterror trv_threads trv_log
  LABELS concurrency)
