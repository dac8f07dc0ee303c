# Public interface: configuration classes, callback defaults, and the
# request classes of the counter protocol.
trv_component(trv_api_public SOURCES
  ${CMAKE_SOURCE_DIR}/src/api/Ipv4Text.cpp
  ${CMAKE_SOURCE_DIR}/src/api/ConfigAddrs.cpp
  ${CMAKE_SOURCE_DIR}/src/api/TRVTradeConfig.cpp
  ${CMAKE_SOURCE_DIR}/src/api/TRVQuoteConfig.cpp
  ${CMAKE_SOURCE_DIR}/src/api/TRVTradeSpi.cpp
  ${CMAKE_SOURCE_DIR}/src/api/TRVPrivilegeSpi.cpp
  ${CMAKE_SOURCE_DIR}/src/api/TRVQuoteSpi.cpp
  ${CMAKE_SOURCE_DIR}/src/api/QueryRequest.cpp)
trv_test(PublicHeader_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/PublicHeader_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/api/PublicHeaderValues_test.cpp LIBS trv_api_public)
trv_test(Config_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/Config_test.cpp LIBS trv_api_public)
trv_test(Request_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/Request_test.cpp LIBS trv_api_public)

if(NOT TRV_FUZZ)
  # Users may build against the public header as C++11.
  add_test(NAME PublicHeader.Cxx11
    COMMAND ${CMAKE_CXX_COMPILER} -std=c++11 -fsyntax-only -Wall -Wextra -Wpedantic -Werror
      -I${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/tests/api/PublicHeaderCxx11.cpp)
  find_program(TRV_CLANGXX NAMES clang++-14 clang++)
  if(TRV_CLANGXX)
    add_test(NAME PublicHeader.Cxx11Clang
      COMMAND ${TRV_CLANGXX} -std=c++11 -fsyntax-only -Wall -Wextra -Wpedantic -Werror
        -I${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/tests/api/PublicHeaderCxx11.cpp)
  endif()
  # The Python module is generated from the public headers.
  find_program(TRV_SWIG swig)
  if(TRV_SWIG)
    add_test(NAME PublicHeader.SwigParse
      COMMAND ${TRV_SWIG} -c++ -python -doxygen -I${CMAKE_SOURCE_DIR}/include
        -o ${CMAKE_CURRENT_BINARY_DIR}/trv_swig_parse.cxx ${CMAKE_SOURCE_DIR}/tests/api/SwigParse.i)
  endif()
endif()
