# trv_log is linked by the users of trv_threads: as a DEPS entry it would
# reach trv_api both plainly and as a whole archive, which CMake refuses.
trv_component(trv_threads SOURCES
  ${CMAKE_SOURCE_DIR}/src/framework/AllocMem.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ApiTaskQueue.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ApiServiceThread.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/ApiServiceWorker.cpp)
foreach(t ApiTaskQueue ApiServiceThread ApiServiceWorker)
  if(EXISTS ${CMAKE_SOURCE_DIR}/tests/framework/${t}_test.cpp)
    trv_test(${t}_test SOURCES ${CMAKE_SOURCE_DIR}/tests/framework/${t}_test.cpp
      LIBS trv_threads trv_log LABELS concurrency)
  endif()
endforeach()
if(TARGET ApiServiceWorker_test)
  # Counts the frees of queued copies.
  target_link_options(ApiServiceWorker_test PRIVATE -Wl,--wrap=free)
endif()
# Comparator queues are header-only and used by the benchmark alone.
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/task_queue_bench.cpp)
  trv_bench(task_queue_bench SOURCES ${CMAKE_SOURCE_DIR}/bench/task_queue_bench.cpp LIBS trv_threads trv_log)
endif()
