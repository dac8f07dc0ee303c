trv_component(trv_log SOURCES
  ${CMAKE_SOURCE_DIR}/src/log/Log.cpp)
