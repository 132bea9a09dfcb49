# The window of the main dialog. The Windows front end hosts it in a Win32 dialog of its own;
# on other systems it is the terminal host.
if(NOT WIN32)
  target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/posix/DialogHost_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/TerminalRender.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/TerminalSession_posix.cpp)
  corvane_test(DialogHostPosixTest
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/tests/HostWithoutTerminalTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tests/HostOnTerminalTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tests/TimerDeadlinesTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tests/TerminalRenderTest.cpp
    DEPS platform)
endif()
