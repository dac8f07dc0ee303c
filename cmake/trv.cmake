# Build helpers for the components. Each component folder declares its
# library, tests, fuzz targets and benchmarks with the functions below.
#
# A component is an object library (compiled once) plus a static library
# made of the same objects that links the components it depends on, so a
# test links just the component it tests and gets the rest transitively.
# libtrv_api is assembled from the object libraries alone.
set_property(GLOBAL PROPERTY TRV_COMPONENTS "")
include(CheckCXXCompilerFlag)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  check_cxx_compiler_flag(-mtls-dialect=gnu2 TRV_TLS_DESCRIPTORS)
endif()
set_property(GLOBAL PROPERTY TRV_FUZZERS "")
find_package(Threads REQUIRED)
if(TRV_TESTING)
  include(GoogleTest)
endif()
# Headers made from the project's settings (the version).
set(TRV_GENERATED_INCLUDE ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/cmake/TrvVersion.h.in ${TRV_GENERATED_INCLUDE}/TrvVersion.h @ONLY)
set(TRV_INCLUDE_DIRS ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src ${TRV_GENERATED_INCLUDE})

# trv_cc_library(NAME x SRCS ... [DEPS trv_y ...]): targets trv_x_obj, trv_x.
function(trv_cc_library)
  cmake_parse_arguments(L "" "NAME" "SRCS;DEPS" ${ARGN})
  set(obj trv_${L_NAME}_obj)
  add_library(${obj} OBJECT ${L_SRCS})
  target_include_directories(${obj} PUBLIC ${TRV_INCLUDE_DIRS})
  target_compile_definitions(${obj} PRIVATE TRV_BUILDING_LIBRARY)
  # A log line or last error whose arguments do not fit its format fails the
  # build (both are checked at compile time).
  target_compile_options(${obj} PRIVATE -Werror=format)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # Function-local statics of templates and inline variables become weak
    # rather than "unique" symbols: unique ones stay global even when hidden,
    # which would leave them in the static library's interface.
    target_compile_options(${obj} PRIVATE -fno-gnu-unique)
  endif()
  # Dependencies give their include paths and flags; their objects are
  # linked through the static libraries.
  target_link_libraries(${obj} PUBLIC ${L_DEPS} Threads::Threads)
  if(TRV_FUZZ)
    # The code under test carries the coverage counters, not only the harness.
    target_compile_options(${obj} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  if(TRV_TLS_DESCRIPTORS)
    # Thread-local variables through TLS descriptors: in a program that links
    # libtrv_api an access is a load at a fixed offset from the thread
    # pointer, as with the initial-exec model, with no __tls_get_addr call;
    # and unlike initial-exec the library still loads with dlopen (the
    # Python module), however large its thread-local block.
    target_compile_options(${obj} PRIVATE -mtls-dialect=gnu2)
  endif()
  add_library(trv_${L_NAME} STATIC $<TARGET_OBJECTS:${obj}>)
  target_include_directories(trv_${L_NAME} PUBLIC ${TRV_INCLUDE_DIRS})
  target_link_libraries(trv_${L_NAME} PUBLIC ${L_DEPS} Threads::Threads)
  set_property(GLOBAL APPEND PROPERTY TRV_COMPONENTS ${obj})
endfunction()

# trv_cc_test(NAME t SRCS ... DEPS ... [LABELS l ...]): one GoogleTest
# executable; each TEST runs in its own process under CTest, so scenarios
# that create process-wide singletons never share a process.
function(trv_cc_test)
  # PROCESSORS: how many of ctest's -j slots the test takes (a scenario that
  # runs many busy threads, so that a parallel run does not starve it).
  cmake_parse_arguments(T "" "NAME;PROCESSORS" "SRCS;DEPS;LABELS" ${ARGN})
  if(NOT T_PROCESSORS)
    set(T_PROCESSORS 1)
  endif()
  if(TRV_FUZZ OR NOT TRV_TESTING)
    return()
  endif()
  add_executable(${T_NAME} ${T_SRCS})
  target_include_directories(${T_NAME} PRIVATE ${TRV_INCLUDE_DIRS} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS "${T_LABELS}"
                       PROCESSORS ${T_PROCESSORS})
endfunction()

# trv_cc_fuzz(NAME f SRCS ... DEPS ... CORPUS dir): built only in the fuzz tree.
function(trv_cc_fuzz)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SRCS;DEPS" ${ARGN})
  if(NOT TRV_FUZZ OR NOT TRV_TESTING)
    return()
  endif()
  add_executable(${F_NAME} ${F_SRCS})
  target_include_directories(${F_NAME} PRIVATE ${TRV_INCLUDE_DIRS} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_DEPS})
  # scripts/run_fuzzers.sh finds every target at the top of the tree.
  set_target_properties(${F_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  set_property(GLOBAL APPEND PROPERTY TRV_FUZZERS "${F_NAME}|${F_CORPUS}")
endfunction()

# trv_cc_bench(NAME b SRCS ... DEPS ... [PUBLIC_ONLY] [JSON_FILTER regex]):
# PUBLIC_ONLY leaves the library's sources off the include path (a benchmark
# of the public interface). JSON_FILTER adds a test that runs the rows it
# selects with --benchmark_format=json and reads what they print as JSON (a
# benchmark with a reporter of its own must still honour the flag).
function(trv_cc_bench)
  cmake_parse_arguments(B "PUBLIC_ONLY" "NAME;JSON_FILTER" "SRCS;DEPS" ${ARGN})
  if(NOT TRV_BENCH)
    return()
  endif()
  add_executable(${B_NAME} ${B_SRCS})
  if(B_PUBLIC_ONLY)
    target_include_directories(${B_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/tests)
  else()
    target_include_directories(${B_NAME} PRIVATE ${TRV_INCLUDE_DIRS} ${PROJECT_SOURCE_DIR}/tests)
  endif()
  target_link_libraries(${B_NAME} PRIVATE ${B_DEPS} benchmark::benchmark Threads::Threads)
  set_target_properties(${B_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
  if(B_JSON_FILTER AND TRV_TESTING AND NOT TRV_SANITIZE)
    add_test(NAME Bench.${B_NAME}.SpeaksJson
      COMMAND ${CMAKE_COMMAND} -DBENCH=$<TARGET_FILE:${B_NAME}> -DFILTER=${B_JSON_FILTER}
        -P ${PROJECT_SOURCE_DIR}/cmake/check_bench_json.cmake)
    set_tests_properties(Bench.${B_NAME}.SpeaksJson PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# Writes the fuzzer list for scripts/run_fuzzers.sh: "binary|corpus" per line.
function(trv_write_fuzzer_list)
  if(NOT TRV_FUZZ)
    return()
  endif()
  get_property(fuzzers GLOBAL PROPERTY TRV_FUZZERS)
  string(REPLACE ";" "\n" fuzz_lines "${fuzzers}")
  file(WRITE ${PROJECT_BINARY_DIR}/fuzzers.txt "${fuzz_lines}\n")
endfunction()
