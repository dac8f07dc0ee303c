# The service provider: environment configuration, the trading API's
# framework, sessions and API contexts, and the maintenance thread. Its
# neighbours reach trv_api as whole archives of their own, so nothing is
# named in DEPS; the tests link every component (as one rescanned group,
# since the provider and the components below it call each other).
trv_component(trv_provider SOURCES
  ${CMAKE_SOURCE_DIR}/src/api/TRVApiConfig.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiSession.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiMessageIO.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiFramework.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiTradeContext.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiQuoteContext.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiPrivilegeContext.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiCrontab.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApi.cpp)

set(TRV_PROVIDER_LINK "$<LINK_GROUP:RESCAN,trv_provider,trv_requests,trv_business,trv_security,trv_udp,trv_terminal,trv_hostinfo,trv_api_public,trv_framework,trv_timer,trv_lasterror,trv_threads,trv_log>")

trv_test(TRVApiConfig_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/TRVApiConfig_test.cpp LIBS trv_provider)
trv_test(KApiFramework_test SOURCES
  ${CMAKE_SOURCE_DIR}/tests/api/KApiFramework_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/TestPeer.cpp
  LIBS ${TRV_PROVIDER_LINK} LABELS concurrency)
trv_test(KApi_test SOURCES
  ${CMAKE_SOURCE_DIR}/tests/api/KApi_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/TestPeer.cpp
  LIBS ${TRV_PROVIDER_LINK} LABELS concurrency)
trv_test(KApiInitFailure_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/KApiInitFailure_test.cpp
  LIBS ${TRV_PROVIDER_LINK})
if(TARGET KApiInitFailure_test)
  target_include_directories(KApiInitFailure_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/api)
  target_link_options(KApiInitFailure_test PRIVATE -Wl,--wrap=_ZN2nq3api9alloc_memEmm)
endif()
