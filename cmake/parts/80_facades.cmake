# The public facades: TRVTradeApi, TRVQuoteApi and TRVPrivilege. They are the
# library's interface, so their tests link the shared library alone.
trv_component(trv_facades SOURCES
  ${CMAKE_SOURCE_DIR}/src/api/TRVTradeApi.cpp
  ${CMAKE_SOURCE_DIR}/src/api/TRVQuoteApi.cpp
  ${CMAKE_SOURCE_DIR}/src/api/TRVPrivilege.cpp)

trv_test(Facade_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/Facade_test.cpp LIBS trv_api)
trv_test(FacadeCreate_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/FacadeCreate_test.cpp LIBS trv_api
  LABELS concurrency)
