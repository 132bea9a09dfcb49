#pragma once
// What the POSIX sockets share: an endpoint to and from the system's IPv4 address, and sending on
// a stream without waiting.

#include "platform/SocketAddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstddef>
#include <netinet/in.h>
#include <sys/socket.h>

inline constexpr char kBsdSocketsHeaderRevision[] =
    "%Z% Corvane QX4002:07 BsdSockets.h $Revision: 1.2 $";

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

// Hands the system as many of the bytes as it takes at once, never waiting nor raising SIGPIPE
// for a peer that has gone: 0, with `sent` the count (0 when its buffers are full), or the
// system's error code.
inline int SendWithoutWaiting(int fd, const char* data, std::size_t size, std::size_t& sent) {
    sent = 0;
    const ssize_t taken = send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (taken >= 0) {
        sent = static_cast<std::size_t>(taken);
        return 0;
    }
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : errno;
}
