// BSD sockets behind TcpServer: a listening socket waited on with poll; clients non-blocking.

#include "platform/TcpServer.h"

#include "platform/posix/BsdSockets.h"
#include "text_functions/TextFunctions.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

[[maybe_unused]] static const char kTcpServerPosixRevision[] =
    "%Z% TcpServer QX4013:02 TcpServer_posix.cpp $Revision: 1.3 $";

namespace {
constexpr int kBacklog = 16;
// A client that stops reading holds no more than this in the system's buffers: the rest waits
// with the server, which bounds what it keeps.
constexpr int kClientSendBuffer = 64 * 1024;
} // namespace

TcpServerClient::~TcpServerClient() {
    Close();
}

bool TcpServerClient::SendSome(const char* data, std::size_t size, std::size_t& sent) {
    sent = 0;
    if (handle == kNoHandle) {
        ReportDetail("TcpServerClient::SendSome", "not connected", name);
        return false;
    }
    const int error = SendWithoutWaiting(static_cast<int>(handle), data, size, sent);
    if (error != 0) {
        ReportDetail("TcpServerClient::SendSome", std::strerror(error), name);
    }
    return error == 0;
}

void TcpServerClient::Close() {
    if (handle != kNoHandle) {
        close(static_cast<int>(handle));
        handle = kNoHandle;
    }
}

TcpServer::~TcpServer() {
    Close();
}

bool TcpServer::Listen(std::uint16_t wanted) {
    Close();
    char where[32];
    FormatBounded(where, sizeof where, "port %u", static_cast<unsigned>(wanted));
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ReportDetail("TcpServer::Listen", std::strerror(errno), where);
        return false;
    }
    // A server started again at once takes its port back from the connections it just closed.
    const int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address = SockaddrOf({kAnyAddress, wanted});
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, kBacklog) != 0) {
        ReportDetail("TcpServer::Listen", std::strerror(errno), where);
        close(fd);
        return false;
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    handle = fd;
    return true;
}

TcpAccept TcpServer::Accept(int timeoutMilliseconds, TcpServerClient& client) {
    if (handle == kNoHandle) {
        ReportError("TcpServer::Accept", "not listening");
        return TcpAccept::Failed;
    }
    pollfd wait{static_cast<int>(handle), POLLIN, 0};
    const int ready = poll(&wait, 1, timeoutMilliseconds);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
        return TcpAccept::Nothing;
    }
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int fd = ready < 0 ? -1
                             : accept4(static_cast<int>(handle), reinterpret_cast<sockaddr*>(&peer),
                                       &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        // A client that gave up before it was taken, or a signal: nothing to take.
        if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED) {
            return TcpAccept::Nothing;
        }
        // No room for one more connection just now (open files or memory at their limit, as a
        // flood of clients brings about): it waits to be taken, the clients held are served on.
        // The wait keeps the waiting client from making every call return at once.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            poll(nullptr, 0, timeoutMilliseconds);
            return TcpAccept::Nothing;
        }
        ReportError("TcpServer::Accept", std::strerror(errno));
        return TcpAccept::Failed;
    }
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kClientSendBuffer, sizeof kClientSendBuffer);
    client.Close();
    client.handle = fd;
    FormatEndpoint(client.name, TcpServerClient::kNameSize, EndpointOf(peer));
    return TcpAccept::Client;
}

void TcpServer::Close() {
    if (handle != kNoHandle) {
        close(static_cast<int>(handle));
        handle = kNoHandle;
        port = 0;
    }
}
