# UDP order sender. Its sources build once as objects without a kernel-bypass
# backend: trv_udp adds the shipped one (no adapter), the emulated-adapter
# test adds the test-only one.
add_library(trv_udp_core OBJECT ${CMAKE_SOURCE_DIR}/src/api/KApiUdpSender.cpp)
target_include_directories(trv_udp_core PUBLIC ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(trv_udp_core PRIVATE TRV_BUILDING_LIBRARY)

# trv_log and trv_hostinfo reach trv_api as whole archives of their own, so
# they are not named in DEPS; the tests link them.
trv_component(trv_udp SOURCES
  $<TARGET_OBJECTS:trv_udp_core>
  ${CMAKE_SOURCE_DIR}/src/api/EfViAbsent.cpp)

trv_test(KApiUdpSender_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/KApiUdpSender_test.cpp
  LIBS trv_udp trv_hostinfo trv_log LABELS concurrency)
# The sender's objects again, with the emulated adapter in place of the
# shipped backend.
trv_test(EfViEmulated_test SOURCES
  ${CMAKE_SOURCE_DIR}/tests/api/EfViEmulated_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/api/EfViEmulated.cpp
  $<TARGET_OBJECTS:trv_udp_core>
  LIBS trv_hostinfo trv_log LABELS concurrency)
trv_bench(udp_sender_bench SOURCES ${CMAKE_SOURCE_DIR}/bench/udp_sender_bench.cpp
  LIBS trv_udp trv_hostinfo trv_log)
