#pragma once
// Winsock, started once for the process and left to the process's end: every socket service of
// the Windows build asks for it before its first call. With the conversions the Windows sockets
// share: a socket from its handle, an endpoint to and from Winsock's IPv4 address, a wait in
// milliseconds as select takes it, sending on a non-blocking stream.

#include "platform/SocketAddress.h"

#include <cstddef>
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

// Hands Winsock as many of the bytes as it takes at once from a non-blocking socket: 0, with
// `sent` the count (0 when its buffers are full), or the Winsock error code.
inline int SendWithoutWaiting(SOCKET s, const char* data, std::size_t size, std::size_t& sent) {
    sent = 0;
    const int most = size > 65536 ? 65536 : static_cast<int>(size);
    const int taken = send(s, data, most, 0);
    if (taken >= 0) {
        sent = static_cast<std::size_t>(taken);
        return 0;
    }
    const int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK ? 0 : error;
}
