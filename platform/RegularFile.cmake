# Opening regular files for reading without waiting: one implementation per platform.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/RegularFile_${CORVANE_PLATFORM}.cpp)
if(NOT WIN32)
  corvane_test(RegularFileTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/RegularFileTest.cpp
    DEPS platform)
endif()
