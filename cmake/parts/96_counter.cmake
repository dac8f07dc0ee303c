add_subdirectory(${CMAKE_SOURCE_DIR}/tests/counter ${CMAKE_BINARY_DIR}/counter)
