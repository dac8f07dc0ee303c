# The patched copies of SWIG's runtime files (python/CMakeLists.txt says why
# and how they are changed). Run as a script:
#
#   cmake -DUPSTREAM=<SWIG's file> -DPATCH=<x.patch> -DOUT=<copy> -DPATCH_PROGRAM=<patch> -P swiglib_patch.cmake
#     makes the copy: SWIG's file with the patch applied, exactly (no fuzz).
#     A patch that no longer applies fails the build; so does a copy edited
#     in the build tree whose edits the patch does not hold yet (the copy is
#     kept as it is).
#   cmake -DUPDATE=ON -DSWIGLIB=<swig -swiglib> -DPATCHES=<python/swiglib> -DCOPIES=<build copies> -P swiglib_patch.cmake
#     rewrites each patch as the difference between SWIG's file and the copy
#     in the build tree, keeping the lines above the diff (why it is patched).
#
# A patch is those lines, a blank line, and a unified diff whose "--- " line
# names SWIG's file relative to its library (python/pyrun.swg). A patch with
# no hunk yet gives SWIG's file unchanged.

if(UPDATE)
  file(GLOB_RECURSE patches RELATIVE ${PATCHES} ${PATCHES}/*.patch)
  foreach(rel IN LISTS patches)
    set(patch ${PATCHES}/${rel})
    string(REGEX REPLACE "\\.patch$" "" copy ${COPIES}/${rel})
    file(READ ${patch} text)
    string(FIND "${text}" "\n--- " at)
    string(REGEX MATCH "\n--- ([^\t\n]+)" upstream_line "${text}")
    if(at EQUAL -1 OR NOT upstream_line)
      message(FATAL_ERROR "${patch}: no line \"--- <SWIG's file>\" after the lines that say why")
    endif()
    set(upstream ${CMAKE_MATCH_1})
    if(NOT EXISTS ${copy})
      message(FATAL_ERROR "${copy} does not exist: build the module first, then edit the copy")
    endif()
    math(EXPR at "${at} + 1")
    string(SUBSTRING "${text}" 0 ${at} why)
    execute_process(COMMAND diff -u --label ${upstream} --label ${upstream} ${SWIGLIB}/${upstream} ${copy}
                    OUTPUT_VARIABLE diff RESULT_VARIABLE rc)
    if(NOT rc MATCHES "^[01]$")
      message(FATAL_ERROR "diff of ${SWIGLIB}/${upstream} and ${copy} failed: ${rc}")
    endif()
    if(rc EQUAL 0)
      # Left with the "--- " and "+++ " lines only, so that it still names SWIG's file.
      set(diff "--- ${upstream}\n+++ ${upstream}\n")
      message(STATUS "${rel}: the copy is SWIG's file unchanged (delete the patch if it is no longer needed)")
    endif()
    file(WRITE ${patch}.new "${why}${diff}")
    file(COPY_FILE ${patch}.new ${patch} ONLY_IF_DIFFERENT)
    file(REMOVE ${patch}.new)
  endforeach()
  return()
endif()

# What the patch last made of the copy, to tell a copy edited since.
set(made_file ${OUT}.sha256)
get_filename_component(out_dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})
file(REMOVE ${OUT}.new)
file(STRINGS ${PATCH} hunks REGEX "^@@ ")
if(hunks)
  execute_process(COMMAND ${PATCH_PROGRAM} --batch --quiet --fuzz=0 --no-backup-if-mismatch --reject-file=-
                          --output=${OUT}.new ${UPSTREAM} ${PATCH}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    file(REMOVE ${OUT}.new)
    message(FATAL_ERROR "${PATCH} does not apply to ${UPSTREAM}: remake it against that file "
                        "(see python/CMakeLists.txt)")
  endif()
else()
  file(COPY_FILE ${UPSTREAM} ${OUT}.new)
endif()
file(SHA256 ${OUT}.new want)
if(EXISTS ${OUT})
  file(SHA256 ${OUT} have)
  set(made "")
  if(EXISTS ${made_file})
    file(READ ${made_file} made)
  endif()
  if(NOT have STREQUAL made AND NOT have STREQUAL want)
    file(REMOVE ${OUT}.new)
    message(FATAL_ERROR "${OUT} was edited and ${PATCH} does not hold the edits: the target "
                        "update_swiglib_patches writes them into the patch; deleting the copy drops them")
  endif()
endif()
file(CHMOD ${OUT}.new FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(RENAME ${OUT}.new ${OUT})
file(WRITE ${made_file} ${want})
