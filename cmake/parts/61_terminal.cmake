# trv_hostinfo and trv_log reach trv_api as whole archives of their own, so
# they are not named in DEPS; the tests link them.
trv_component(trv_terminal SOURCES
  ${CMAKE_SOURCE_DIR}/src/api/KApiTerminalInfo.cpp
  )

trv_test(terminal_info_test SOURCES
  ${CMAKE_SOURCE_DIR}/tests/api/KApiTerminalInfo_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/hostinfo/HostFixture.cpp
  LIBS trv_terminal trv_hostinfo
  LABELS concurrency)
if(TARGET terminal_info_test)
  target_compile_definitions(terminal_info_test PRIVATE
    TRV_HOSTINFO_FIXTURES="${CMAKE_SOURCE_DIR}/tests/hostinfo/fixtures")
endif()

trv_fuzz(host_text_fuzz SOURCES ${CMAKE_SOURCE_DIR}/tests/hostinfo/HostText_fuzz.cpp
  LIBS trv_terminal trv_hostinfo
  CORPUS ${CMAKE_SOURCE_DIR}/tests/hostinfo/fixtures/fuzz_corpus)
