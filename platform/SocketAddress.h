#pragma once
// How the socket services name the places they talk to, alike on every platform: an IPv4
// endpoint and its text, the text of an address asked for by name, and the system's reason for a
// failure on one line. Each platform's sockets turn an endpoint into the system's own address
// structure themselves.

#include <cstdint>

inline constexpr char kSocketAddressHeaderRevision[] =
    "%Z% Corvane QX4002:06 SocketAddress.h $Revision: 1.1 $";

// A resolved IPv4 address and port, both in host byte order.
struct Ipv4Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

// Every IPv4 address of the machine, the one a server listens on.
inline constexpr std::uint32_t kAnyAddress = 0;

// Room for the longest endpoint text, "255.255.255.255:65535"; for "host:port" of a host name
// as long as a name can be; for the digits of a port.
inline constexpr int kEndpointTextSize = 22;
inline constexpr int kHostPortTextSize = 300;
inline constexpr int kServiceTextSize = 8;

// "a.b.c.d:port" of an endpoint, into `size` bytes.
char* FormatEndpoint(char* buffer, int size, const Ipv4Endpoint& endpoint);

// "host:port" of an address as it was asked for, before any lookup: what a failed connection
// reports.
char* FormatHostPort(char* buffer, int size, const char* host, std::uint16_t port);

// The port's digits, the service that the name lookup (getaddrinfo) takes.
char* FormatService(char* buffer, int size, std::uint16_t port);

// The system's words for a socket failure (an errno value, or a Winsock code), as one line.
char* SocketErrorText(int code, char* buffer, int size);
