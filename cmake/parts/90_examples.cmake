if(NOT TRV_FUZZ)
  # Built as a user program would be: the public header and the shared library.
  add_executable(trv_example ${CMAKE_SOURCE_DIR}/examples/trv_example.cpp)
  target_link_libraries(trv_example PRIVATE trv_api)
  set_target_properties(trv_example PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/examples)
endif()

if(NOT TRV_FUZZ)
  # The main job runs end to end: three APIs up and stopped, the log shown.
  add_test(NAME Example.RunsAndStops COMMAND trv_example)
  set_tests_properties(Example.RunsAndStops PROPERTIES
    ENVIRONMENT "TRV_FILE_PATH=${CMAKE_BINARY_DIR}/example-test-logs"
    PASS_REGULAR_EXPRESSION "all APIs stopped.*api service provider started"
    TIMEOUT 120)
endif()
