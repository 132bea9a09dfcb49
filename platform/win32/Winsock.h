#pragma once
// Winsock, started once for the process and left to the process's end: every socket service of
// the Windows build asks for it before its first call. With the conversions the Windows sockets
// share: a socket from its handle, an endpoint to and from Winsock's IPv4 address, a wait in
// milliseconds as select takes it.

#include "platform/SocketAddress.h"

#include <cstdint>
#include <winsock2.h>

inline constexpr char kWinsockHeaderRevision[] = "%Z% Winsock QX4013:04 Winsock.h $Revision: 1.2 $";

inline bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

inline SOCKET AsSocket(std::intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

inline sockaddr_in SockaddrOf(const Ipv4Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(endpoint.address);
    address.sin_port = htons(endpoint.port);
    return address;
}

inline Ipv4Endpoint EndpointOf(const sockaddr_in& address) {
    return {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

inline timeval Interval(int milliseconds) {
    timeval interval;
    interval.tv_sec = milliseconds / 1000;
    interval.tv_usec = (milliseconds % 1000) * 1000;
    return interval;
}

// The call through which TcpServer takes a waiting client, Winsock's accept unless a test has put
// another in its place to meet failures the system seldom gives (no socket or buffer left for one
// more client). Null puts Winsock's own back.
using AcceptCall = SOCKET(WSAAPI*)(SOCKET listening, sockaddr* peer, int* length);
void ReplaceAcceptCall(AcceptCall call);
