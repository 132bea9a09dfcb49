# Runs a test program with a temporary folder of its own and fails when anything is left in
# it: tests, and the processes they start, clean up after themselves.
# cmake -DTEST_PROGRAM=... -DFOLDER=... -P LeavesNoFolders.cmake
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "TMPDIR=${FOLDER}" "${TEST_PROGRAM}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
file(GLOB leftovers "${FOLDER}/*")
file(REMOVE_RECURSE "${FOLDER}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TEST_PROGRAM} failed (${result})")
endif()
if(leftovers)
  message(FATAL_ERROR "left behind: ${leftovers}")
endif()
