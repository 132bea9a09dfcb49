# UDP datagrams: BSD sockets on POSIX systems, Winsock on Windows. Tested for real, with two
# sockets on the loopback address (under Wine for the Windows build).
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/UdpSocket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/UdpSocket_${CORVANE_PLATFORM}.cpp)
target_link_libraries(platform PUBLIC error_report)
if(WIN32)
  target_link_libraries(platform PUBLIC ws2_32)
endif()

corvane_test(UdpSocketTest
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/UdpSocketTest.cpp
  DEPS platform)
