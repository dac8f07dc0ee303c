# cmake -DCXX=compiler -DSOURCE=file -DINCLUDES="a;b" -P format_checked_sites.cmake:
# the matching sites of SOURCE compile with -Werror=format, and each kind of
# mismatch fails to.
set(flags -std=c++17 -fsyntax-only -Wall -Werror=format)
foreach(dir IN LISTS INCLUDES)
  list(APPEND flags -I${dir})
endforeach()
foreach(variant TRV_MATCHING_SITES TRV_MISMATCH_LAST_ERROR TRV_MISMATCH_LOG)
  execute_process(COMMAND ${CXX} ${flags} -D${variant} ${SOURCE} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(variant STREQUAL "TRV_MATCHING_SITES" AND NOT rc EQUAL 0)
    message(FATAL_ERROR "matching formats do not compile:\n${err}")
  elseif(NOT variant STREQUAL "TRV_MATCHING_SITES" AND rc EQUAL 0)
    message(FATAL_ERROR "${variant}: a mismatched format compiled")
  endif()
endforeach()
