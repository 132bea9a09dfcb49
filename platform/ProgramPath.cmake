# The default place of the traffic data file. The Windows front end keeps the program's fixed
# path and brings its own implementation.
if(NOT WIN32)
  target_sources(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/posix/ProgramPath_posix.cpp)
  corvane_test(ProgramPathTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/ProgramPathTest.cpp
    DEPS platform)
endif()
