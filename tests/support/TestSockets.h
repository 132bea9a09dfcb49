#pragma once
// The few socket calls the tests' own servers make, alike on POSIX systems and Windows.

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using TestSocket = SOCKET;
using TestSocketLength = int;
inline void CloseTestSocket(TestSocket s) {
    closesocket(s);
}
inline bool StartTestSockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using TestSocket = int;
using TestSocketLength = socklen_t;
inline void CloseTestSocket(TestSocket s) {
    close(s);
}
inline bool StartTestSockets() {
    return true;
}
#endif

// Sends what the system takes at once; a client that has gone raises no signal.
inline void SendTestBytes(TestSocket s, const std::string& text) {
#ifdef MSG_NOSIGNAL
    constexpr int kFlags = MSG_NOSIGNAL;
#else
    constexpr int kFlags = 0;
#endif
    send(s, text.data(), static_cast<int>(text.size()), kFlags);
}

// True when the socket can be read (a client waits to be accepted, or bytes or an end came),
// looking for at most `milliseconds`.
inline bool TestSocketReadable(TestSocket s, int milliseconds) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval interval{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(static_cast<int>(s) + 1, &readable, nullptr, nullptr, &interval) > 0;
}

// A listening socket on 127.0.0.1, a free port; `port` is the one taken.
inline TestSocket ListenOnLoopback(std::uint16_t& port) {
    StartTestSockets();
    const TestSocket s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(s, 4);
    TestSocketLength length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}
