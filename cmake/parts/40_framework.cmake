# TCP transport, message dispatch and the service-provider base.
# Its neighbours (trv_timer, trv_lasterror, trv_threads, trv_log) reach
# trv_api as whole archives of their own; naming them in DEPS as well would
# make CMake refuse the shared library, so the executables below link them.
set(TRV_FRAMEWORK_LINK trv_framework trv_timer trv_lasterror trv_threads trv_log)

trv_component(trv_framework SOURCES
  ${CMAKE_SOURCE_DIR}/src/framework/TcpSession.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/TcpMessageIO.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ApiMessageSender.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ApiMessageReceiver.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ApiHeartBeatThread.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/Framework.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/MessageHandler.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ServiceFunc.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ApiDelaySender.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ServiceProvider.cpp)

trv_test(TcpMessageIO_test SOURCES
  ${CMAKE_SOURCE_DIR}/tests/framework/TcpMessageIO_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/TestPeer.cpp
  LIBS ${TRV_FRAMEWORK_LINK})

trv_test(TransportThreads_test SOURCES
  ${CMAKE_SOURCE_DIR}/tests/framework/TransportThreads_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/TestPeer.cpp
  LIBS ${TRV_FRAMEWORK_LINK} LABELS concurrency)

trv_test(Framework_test SOURCES
  ${CMAKE_SOURCE_DIR}/tests/framework/Framework_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/TestPeer.cpp
  LIBS ${TRV_FRAMEWORK_LINK})
if(TARGET Framework_test)
  # Lets the provider tests fail chosen allocations.
  target_link_options(Framework_test PRIVATE -Wl,--wrap=_ZN2nq3api9alloc_memEmm)
endif()

trv_bench(transport_bench SOURCES
  ${CMAKE_SOURCE_DIR}/bench/transport_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/TestPeer.cpp
  LIBS ${TRV_FRAMEWORK_LINK})
if(TARGET transport_bench)
  target_include_directories(transport_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()

trv_fuzz(tcp_framing_fuzz SOURCES ${CMAKE_SOURCE_DIR}/tests/framework/fuzz/TcpFraming_fuzz.cpp
  LIBS ${TRV_FRAMEWORK_LINK}
  CORPUS ${CMAKE_SOURCE_DIR}/tests/framework/fuzz/corpus/tcp_framing)
