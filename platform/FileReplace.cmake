# Putting a file in the place of another in one step, and telling whether two names lead to one
# file: rename and stat on POSIX systems, MoveFileEx and the file index on Windows. Tested for
# real on a temporary folder (under Wine for the Windows build).
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/FileReplace_${CORVANE_PLATFORM}.cpp)
target_link_libraries(platform PUBLIC error_report)

corvane_test(FileReplaceTest
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/FileReplaceTest.cpp
  DEPS platform)
