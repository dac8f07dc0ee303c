if(NOT TRV_FUZZ)
  add_subdirectory(${CMAKE_SOURCE_DIR}/python ${CMAKE_BINARY_DIR}/python)
endif()
