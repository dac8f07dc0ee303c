# trv_log reaches trv_api as a whole archive of its own: as a DEPS entry it
# would be linked both plainly and whole, which CMake refuses.
trv_component(trv_hostinfo SOURCES
  ${CMAKE_SOURCE_DIR}/src/hostinfo/HostRoot.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/HostText.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/HostCommand.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/MountTable.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/CpuSignature.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/CpuList.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/CpuInfo.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/SystemInfo.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/DiskInfo.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/DiskPartition.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/SystemDisk.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/NicInfo.cpp
  ${CMAKE_SOURCE_DIR}/src/hostinfo/NicAlias.cpp
  )

trv_test(hostinfo_test SOURCES
  ${CMAKE_SOURCE_DIR}/tests/hostinfo/HostFixture.cpp
  ${CMAKE_SOURCE_DIR}/tests/hostinfo/HostText_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/hostinfo/CpuInfo_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/hostinfo/SystemInfo_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/hostinfo/DiskInfo_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/hostinfo/NicInfo_test.cpp
  LIBS trv_hostinfo)
if(TARGET hostinfo_test)
  target_compile_definitions(hostinfo_test PRIVATE
    TRV_HOSTINFO_FIXTURES="${CMAKE_SOURCE_DIR}/tests/hostinfo/fixtures")
endif()
