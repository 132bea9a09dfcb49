# TCP servers: BSD sockets on POSIX systems, Winsock on Windows. Tested for real with clients of
# the test's own on the loopback address (under Wine for the Windows build).
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/TcpServer_${CORVANE_PLATFORM}.cpp)
target_link_libraries(platform PUBLIC error_report)
if(WIN32)
  target_link_libraries(platform PUBLIC ws2_32)
endif()

corvane_test(TcpServerTest
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/TcpServerTest.cpp
  DEPS platform)
