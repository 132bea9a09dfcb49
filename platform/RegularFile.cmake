# Opening regular files for reading without waiting: one implementation per platform.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/RegularFile_${CORVANE_PLATFORM}.cpp)
if(NOT WIN32)
  corvane_test(RegularFileTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/RegularFileTest.cpp
    DEPS platform)
endif()

# A recorder and a feeder on one file in two processes: Windows (or Wine) sharing modes.
if(WIN32 AND CORVANE_BUILD_TESTS)
  corvane_executable(SharedFilePeer SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/SharedFilePeer.cpp
                     DEPS platform)
  corvane_test(SharedFileWin32Test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/SharedFileWin32Test.cpp
    DEPS platform)
  add_dependencies(SharedFileWin32Test SharedFilePeer)
endif()
