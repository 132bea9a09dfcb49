# What a command-line tool needs of its process: standard input as bytes, and a stop asked for
# by an interrupt or termination signal. Tested for real: a piped file read back byte for byte,
# on POSIX systems a signal sent by the parent process into a blocking read, on Windows (or
# Wine) each signal raised twice.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/ProcessControl_${CORVANE_PLATFORM}.cpp)

if(WIN32)
  set(process_control_tests ${CMAKE_CURRENT_LIST_DIR}/tests/ProcessControlWin32Test.cpp)
else()
  set(process_control_tests ${CMAKE_CURRENT_LIST_DIR}/tests/ProcessControlPosixTest.cpp)
endif()
corvane_test(ProcessControlTest
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/ProcessControlTest.cpp ${process_control_tests}
  DEPS platform)
