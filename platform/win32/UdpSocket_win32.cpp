// Winsock behind UdpSocket.
#include "platform/UdpSocket.h"

#include "platform/win32/Winsock.h"

#include <winsock2.h>
#include <ws2tcpip.h>

[[maybe_unused]] static const char kUdpSocketWin32Revision[] =
    "%Z% UdpSocket QX4007:04 UdpSocket_win32.cpp $Revision: 1.1 $";

UdpSocket::~UdpSocket() {
    Close();
}

bool UdpSocket::Resolve(const char* host, std::uint16_t port, UdpEndpoint& endpoint) {
    if (!StartWinsock()) {
        ReportSystemError("UdpSocket::Resolve", WSAGetLastError(), nullptr);
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) {
        ReportSystemError("UdpSocket::Resolve", WSAGetLastError(), nullptr);
        return false;
    }
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    endpoint.address = ntohl(address->sin_addr.s_addr);
    endpoint.port = port;
    freeaddrinfo(found);
    return true;
}

bool UdpSocket::Open() {
    if (IsOpen()) {
        return true;
    }
    if (!StartWinsock()) {
        ReportSystemError("UdpSocket::Open", WSAGetLastError(), nullptr);
        return false;
    }
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket == INVALID_SOCKET) {
        ReportSystemError("UdpSocket::Open", WSAGetLastError(), nullptr);
        return false;
    }
    handle = static_cast<std::intptr_t>(socket);
    return true;
}

bool UdpSocket::Bind(const UdpEndpoint& local) {
    if (!Open()) {
        return false;
    }
    // Without it another program may bind the same port with SO_REUSEADDR and take the
    // datagrams meant for this one; with it, a port in use is refused as on POSIX systems.
    const BOOL exclusive = TRUE;
    setsockopt(AsSocket(handle), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
               reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    const sockaddr_in address = SockaddrOf(local);
    if (bind(AsSocket(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ReportSystemError("UdpSocket::Bind", WSAGetLastError(), &local);
        return false;
    }
    sockaddr_in bound{};
    int length = sizeof bound;
    getsockname(AsSocket(handle), reinterpret_cast<sockaddr*>(&bound), &length);
    localPort = ntohs(bound.sin_port);
    return true;
}

UdpReceipt UdpSocket::Receive(std::uint8_t* buffer, std::size_t capacity, int timeoutMilliseconds,
                              std::size_t& size, UdpEndpoint* from) {
    size = 0;
    if (!IsOpen()) {
        ReportError("UdpSocket::Receive", "Socket not open");
        return UdpReceipt::Failed;
    }
    fd_set input;
    FD_ZERO(&input);
    FD_SET(AsSocket(handle), &input);
    timeval timeout = Interval(timeoutMilliseconds < 0 ? 0 : timeoutMilliseconds);
    const int ready = select(0, &input, nullptr, nullptr, &timeout);
    if (ready == 0) {
        return UdpReceipt::Nothing;
    }
    const int limit = capacity > 65536 ? 65536 : static_cast<int>(capacity);
    sockaddr_in sender{};
    int senderSize = sizeof sender;
    const int received = ready < 0
                             ? SOCKET_ERROR
                             : recvfrom(AsSocket(handle), reinterpret_cast<char*>(buffer), limit, 0,
                                        reinterpret_cast<sockaddr*>(&sender), &senderSize);
    // A datagram cut to the buffer still names its sender.
    if (from != nullptr) {
        *from = EndpointOf(sender);
    }
    if (received >= 0) {
        size = static_cast<std::size_t>(received);
        return UdpReceipt::Datagram;
    }
    const int error = WSAGetLastError();
    if (error == WSAEMSGSIZE) {
        size = static_cast<std::size_t>(limit);
        return UdpReceipt::TooLong;
    }
    // An earlier datagram of this socket met a closed port: that says nothing of this one.
    if (error == WSAECONNRESET || error == WSAEWOULDBLOCK || error == WSAEINTR) {
        return UdpReceipt::Nothing;
    }
    ReportSystemError("UdpSocket::Receive", error, nullptr);
    return UdpReceipt::Failed;
}

bool UdpSocket::SendTo(const UdpEndpoint& destination, const std::uint8_t* data, std::size_t size) {
    if (!Open()) {
        return false;
    }
    const sockaddr_in address = SockaddrOf(destination);
    const int length = size > 65536 ? 65536 : static_cast<int>(size);
    const int sent = sendto(AsSocket(handle), reinterpret_cast<const char*>(data), length, 0,
                            reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent == SOCKET_ERROR || static_cast<std::size_t>(sent) != size) {
        ReportSystemError("UdpSocket::SendTo",
                          sent == SOCKET_ERROR ? WSAGetLastError() : WSAEMSGSIZE, &destination);
        return false;
    }
    return true;
}

void UdpSocket::Close() {
    if (IsOpen()) {
        closesocket(AsSocket(handle));
    }
    handle = kNoSocket;
    localPort = 0;
}
