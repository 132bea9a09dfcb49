# Where the program finds its files: the default traffic data file and the program's own name.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/ProgramPath_${CORVANE_PLATFORM}.cpp)
if(NOT WIN32)
  corvane_test(ProgramPathTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/ProgramPathTest.cpp
    DEPS platform)
endif()
