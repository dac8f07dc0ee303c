# Cached clock, timer queues and the threads "timer" and "timer_recycle".
# Needs trv_threads and trv_log; like them it names no other component in
# DEPS, since a component reached both plainly and as a whole archive makes
# CMake refuse libtrv_api. The tests link what they use.
trv_component(trv_timer SOURCES
  ${CMAKE_SOURCE_DIR}/src/framework/ApiLocalTime.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ApiTimerManager.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/TimerCheckThread.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/TimerRecycleThread.cpp)
trv_test(ApiLocalTime_test SOURCES ${CMAKE_SOURCE_DIR}/tests/framework/ApiLocalTime_test.cpp
  LIBS trv_timer)
# The firings go to a ServiceProvider; its base is compiled in here so the
# timer tests do not depend on the whole transport.
trv_test(ApiTimerManager_test SOURCES ${CMAKE_SOURCE_DIR}/tests/framework/ApiTimerManager_test.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ServiceProvider.cpp
  LIBS trv_timer trv_threads trv_lasterror trv_log
  LABELS concurrency)
