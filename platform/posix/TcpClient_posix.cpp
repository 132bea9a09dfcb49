// BSD sockets behind TcpClient: non-blocking sockets, a connection waited for with poll, then
// poll and recv, and send that never waits.

#include "platform/TcpClient.h"

#include "platform/posix/BsdSockets.h"
#include "text_functions/TextFunctions.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

[[maybe_unused]] static const char kTcpClientPosixRevision[] =
    "%Z% TcpClient QX4008:02 TcpClient_posix.cpp $Revision: 1.2 $";

int TcpClient::LookUp(const char* host, std::uint16_t port, addrinfo*& found, char* reason,
                      int size) {
    char service[kServiceTextSize];
    FormatService(service, sizeof service, port);
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    found = nullptr;
    const int lookup = getaddrinfo(host, service, &hints, &found);
    if (lookup != 0) {
        CopyBounded(reason, gai_strerror(lookup), size);
    }
    return lookup;
}

addrinfo* TcpClient::AddressAfter(const addrinfo& address) {
    return address.ai_next;
}

void TcpClient::Release(addrinfo* found) {
    if (found != nullptr) {
        freeaddrinfo(found);
    }
}

int TcpClient::StartOne(const addrinfo& address, std::intptr_t& started) {
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                          address.ai_protocol);
    if (fd < 0) {
        return errno;
    }
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) {
        started = fd;
        return 0;
    }
    const int error = errno;
    if (error == EINPROGRESS) {
        started = fd;
        return kUnderWay;
    }
    close(fd);
    return error;
}

int TcpClient::Outcome(std::intptr_t socket, int timeoutMilliseconds) {
    const int fd = static_cast<int>(socket);
    pollfd wait{fd, POLLOUT, 0};
    const int ready = poll(&wait, 1, timeoutMilliseconds);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
        return kUnderWay;
    }
    if (ready < 0) {
        return errno;
    }
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 ? error : errno;
}

void TcpClient::CloseSocket(std::intptr_t socket) {
    close(static_cast<int>(socket));
}

TcpReceipt TcpClient::Receive(char* buffer, std::size_t capacity, int timeoutMilliseconds,
                              std::size_t& size) {
    size = 0;
    if (!IsConnected()) {
        ReportDetail("TcpClient::Receive", "not connected", where);
        return TcpReceipt::Failed;
    }
    const int fd = static_cast<int>(handle);
    pollfd wait{fd, POLLIN, 0};
    const int ready = poll(&wait, 1, timeoutMilliseconds);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
        return TcpReceipt::Nothing;
    }
    const ssize_t got = ready < 0 ? -1 : recv(fd, buffer, capacity, MSG_NOSIGNAL);
    if (got > 0) {
        size = static_cast<std::size_t>(got);
        return TcpReceipt::Data;
    }
    if (got == 0) {
        return TcpReceipt::Closed;
    }
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
        return TcpReceipt::Nothing;
    }
    ReportFailure("TcpClient::Receive", errno);
    return TcpReceipt::Failed;
}

bool TcpClient::SendSome(const char* data, std::size_t size, std::size_t& sent) {
    sent = 0;
    if (!IsConnected()) {
        ReportDetail("TcpClient::SendSome", "not connected", where);
        return false;
    }
    const int error = SendWithoutWaiting(static_cast<int>(handle), data, size, sent);
    if (error != 0) {
        ReportFailure("TcpClient::SendSome", error);
    }
    return error == 0;
}
