// BSD sockets behind TcpClient: a non-blocking connect waited for with poll, then poll and recv.

#include "platform/TcpClient.h"

#include "platform/SocketAddress.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

[[maybe_unused]] static const char kTcpClientPosixRevision[] =
    "%Z% TcpClient QX4008:02 TcpClient_posix.cpp $Revision: 1.1 $";

namespace {

// A connect that did not finish at once: wait for it, then ask how it ended.
int FinishConnect(int fd, int timeoutMilliseconds) {
    pollfd wait{fd, POLLOUT, 0};
    const int ready = poll(&wait, 1, timeoutMilliseconds);
    if (ready == 0) {
        return ETIMEDOUT;
    }
    if (ready < 0) {
        return errno;
    }
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 ? error : errno;
}

int ConnectOne(const addrinfo& address, int timeoutMilliseconds, int& fd) {
    fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) {
        return errno;
    }
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int error = 0;
    if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        error = errno == EINPROGRESS ? FinishConnect(fd, timeoutMilliseconds) : errno;
    }
    fcntl(fd, F_SETFL, flags);
    if (error != 0) {
        close(fd);
        fd = -1;
    }
    return error;
}

} // namespace

TcpClient::~TcpClient() {
    Close();
}

bool TcpClient::Connect(const char* host, std::uint16_t port, int timeoutMilliseconds) {
    Close();
    char where[kHostPortTextSize];
    FormatHostPort(where, sizeof where, host, port);
    char service[kServiceTextSize];
    FormatService(service, sizeof service, port);
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(host, service, &hints, &found);
    if (lookup != 0) {
        ReportDetail("TcpClient::Connect", gai_strerror(lookup), where);
        return false;
    }
    int error = ENOENT;
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        int fd = -1;
        error = ConnectOne(*address, timeoutMilliseconds, fd);
        if (error == 0) {
            handle = fd;
            break;
        }
    }
    freeaddrinfo(found);
    if (handle == kNoHandle) {
        ReportDetail("TcpClient::Connect", std::strerror(error), where);
        return false;
    }
    return true;
}

TcpReceipt TcpClient::Receive(char* buffer, std::size_t capacity, int timeoutMilliseconds,
                              std::size_t& size) {
    size = 0;
    if (handle == kNoHandle) {
        ReportError("TcpClient::Receive", "not connected");
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
    if (errno == EINTR || errno == EAGAIN) {
        return TcpReceipt::Nothing;
    }
    ReportError("TcpClient::Receive", std::strerror(errno));
    return TcpReceipt::Failed;
}

void TcpClient::Close() {
    if (handle != kNoHandle) {
        close(static_cast<int>(handle));
        handle = kNoHandle;
    }
}
