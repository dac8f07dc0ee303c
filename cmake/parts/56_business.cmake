# Business state: order store, report filters, authorisation records, login
# accounts, and the security maps and trade tokens they hold.
trv_component(trv_business SOURCES
  ${CMAKE_SOURCE_DIR}/src/api/KApiBusiness.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiOrder.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiOrderMap.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiReportMgr.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiInitPositionStdList.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiAuthManager.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiLoginAccount.cpp
  ${CMAKE_SOURCE_DIR}/src/api/KApiLoginAccountManager.cpp)

set(TRV_BUSINESS_LIBS trv_business trv_security trv_lasterror trv_threads trv_log)
# The fault tests fail chosen allocations of the library through a linker wrap.
set(TRV_ALLOC_WRAP -Wl,--wrap=_ZN2nq3api9alloc_memEmm)
foreach(t KApiBusiness KApiReportMgr KApiAuthManager KApiLoginAccount KApiOrderMap)
  trv_test(${t}_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/${t}_test.cpp
    LIBS ${TRV_BUSINESS_LIBS} LABELS concurrency)
  if(TARGET ${t}_test)
    target_link_options(${t}_test PRIVATE ${TRV_ALLOC_WRAP})
  endif()
endforeach()
trv_bench(business_bench SOURCES ${CMAKE_SOURCE_DIR}/bench/business_bench.cpp LIBS ${TRV_BUSINESS_LIBS})
