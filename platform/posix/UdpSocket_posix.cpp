// BSD sockets behind UdpSocket.
#include "platform/UdpSocket.h"

#include "platform/posix/BsdSockets.h"

#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

[[maybe_unused]] static const char kUdpSocketPosixRevision[] =
    "%Z% UdpSocket QX4007:03 UdpSocket_posix.cpp $Revision: 1.1 $";

UdpSocket::~UdpSocket() {
    Close();
}

bool UdpSocket::Resolve(const char* host, std::uint16_t port, UdpEndpoint& endpoint) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int status = getaddrinfo(host, nullptr, &hints, &found);
    if (status != 0 || found == nullptr) {
        ReportDetail("UdpSocket::Resolve", gai_strerror(status), host);
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
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ReportSystemError("UdpSocket::Open", errno, nullptr);
        return false;
    }
    handle = fd;
    return true;
}

bool UdpSocket::Bind(const UdpEndpoint& local) {
    if (!Open()) {
        return false;
    }
    const sockaddr_in address = SockaddrOf(local);
    if (bind(static_cast<int>(handle), reinterpret_cast<const sockaddr*>(&address),
             sizeof address) != 0) {
        ReportSystemError("UdpSocket::Bind", errno, &local);
        return false;
    }
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    getsockname(static_cast<int>(handle), reinterpret_cast<sockaddr*>(&bound), &length);
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
    pollfd input{static_cast<int>(handle), POLLIN, 0};
    const int ready = poll(&input, 1, timeoutMilliseconds < 0 ? 0 : timeoutMilliseconds);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
        return UdpReceipt::Nothing;
    }
    // MSG_TRUNC gives the datagram's whole length, so a cut one is told apart from a full one.
    sockaddr_in sender{};
    socklen_t senderSize = sizeof sender;
    const ssize_t received =
        ready < 0 ? -1
                  : recvfrom(static_cast<int>(handle), buffer, capacity, MSG_TRUNC | MSG_DONTWAIT,
                             reinterpret_cast<sockaddr*>(&sender), &senderSize);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return UdpReceipt::Nothing;
        }
        ReportSystemError("UdpSocket::Receive", errno, nullptr);
        return UdpReceipt::Failed;
    }
    if (from != nullptr) {
        *from = EndpointOf(sender);
    }
    const auto whole = static_cast<std::size_t>(received);
    size = whole > capacity ? capacity : whole;
    return whole > capacity ? UdpReceipt::TooLong : UdpReceipt::Datagram;
}

bool UdpSocket::SendTo(const UdpEndpoint& destination, const std::uint8_t* data, std::size_t size) {
    if (!Open()) {
        return false;
    }
    const sockaddr_in address = SockaddrOf(destination);
    const ssize_t sent = sendto(static_cast<int>(handle), data, size, MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent < 0 || static_cast<std::size_t>(sent) != size) {
        ReportSystemError("UdpSocket::SendTo", sent < 0 ? errno : EMSGSIZE, &destination);
        return false;
    }
    return true;
}

void UdpSocket::Close() {
    if (IsOpen()) {
        close(static_cast<int>(handle));
    }
    handle = kNoSocket;
    localPort = 0;
}
