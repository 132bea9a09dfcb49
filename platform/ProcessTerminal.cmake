# The terminal of a tool that draws in place: the POSIX one builds on the dialog host's terminal
# session (DialogHost.cmake), the Windows one on the console.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/ProcessTerminal_${CORVANE_PLATFORM}.cpp)

if(NOT WIN32)
  corvane_test(ProcessTerminalPosixTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/ProcessTerminalPosixTest.cpp
    DEPS platform)
endif()
