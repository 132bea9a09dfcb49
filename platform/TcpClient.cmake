# TCP client connections: BSD sockets on POSIX systems, Winsock on Windows. Tested for real
# against a listening socket of the test's own on the loopback address (under Wine for the
# Windows build).
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/TcpClient_${CORVANE_PLATFORM}.cpp)
target_link_libraries(platform PUBLIC error_report)
if(WIN32)
  target_link_libraries(platform PUBLIC ws2_32)
endif()

corvane_test(TcpClientTest
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/TcpClientTest.cpp
  DEPS platform)
