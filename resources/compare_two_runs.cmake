# Runs the sound generator twice into fresh folders and fails unless both
# runs wrote the same files with the same bytes. The second run has the C
# library's random state moved before it starts (RAND_SHIFT, a preloaded
# library), as other libraries in the process may move it.
# Usage: cmake -DSOUNDGEN=<generator> -DWORK_DIR=<scratch folder> [-DRAND_SHIFT=<library>] -P compare_two_runs.cmake
file(REMOVE_RECURSE ${WORK_DIR})
foreach(run first second)
  set(preload "")
  if(run STREQUAL "second" AND RAND_SHIFT)
    # A sanitizer build's runtime wants to come first; the shim may come first.
    set(preload ${CMAKE_COMMAND} -E env LD_PRELOAD=${RAND_SHIFT} ASAN_OPTIONS=verify_asan_link_order=0)
  endif()
  execute_process(
    COMMAND ${preload} ${SOUNDGEN} ${WORK_DIR}/${run}/data ${WORK_DIR}/${run}/include
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${SOUNDGEN} failed: ${status}")
  endif()
  file(GLOB_RECURSE files RELATIVE ${WORK_DIR}/${run} ${WORK_DIR}/${run}/*)
  list(SORT files)
  set(files_${run} ${files})
endforeach()

if(NOT files_first STREQUAL files_second)
  message(FATAL_ERROR "the runs wrote different files:\n${files_first}\n${files_second}")
endif()
if(NOT files_first)
  message(FATAL_ERROR "the generator wrote nothing")
endif()
foreach(f IN LISTS files_first)
  file(SHA256 ${WORK_DIR}/first/${f} first)
  file(SHA256 ${WORK_DIR}/second/${f} second)
  if(NOT first STREQUAL second)
    message(FATAL_ERROR "${f} differs between two runs")
  endif()
endforeach()
list(LENGTH files_first count)
message(STATUS "${count} files identical in both runs")
file(REMOVE_RECURSE ${WORK_DIR})
