#pragma once
// The conversions the POSIX sockets share: an endpoint to and from the system's IPv4 address.

#include "platform/SocketAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

inline constexpr char kBsdSocketsHeaderRevision[] =
    "%Z% Corvane QX4002:07 BsdSockets.h $Revision: 1.1 $";

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
