// Winsock behind TcpServer: a listening socket waited on with select; clients non-blocking.

#include "platform/TcpServer.h"

#include "platform/SocketAddress.h"
#include "platform/win32/Winsock.h"
#include "text_functions/TextFunctions.h"

#include <ws2tcpip.h>

[[maybe_unused]] static const char kTcpServerWin32Revision[] =
    "%Z% TcpServer QX4013:03 TcpServer_win32.cpp $Revision: 1.2 $";

namespace {
constexpr int kBacklog = 16;
// A client that stops reading holds no more than this in the system's buffers: the rest waits
// with the server, which bounds what it keeps.
constexpr int kClientSendBuffer = 64 * 1024;

// The system's words for the last Winsock failure, on one line.
const char* LastReason(char (&reason)[256]) {
    return SocketErrorText(WSAGetLastError(), reason, sizeof reason);
}

AcceptCall acceptCall = accept;
} // namespace

void ReplaceAcceptCall(AcceptCall call) {
    acceptCall = call != nullptr ? call : accept;
}

TcpServerClient::~TcpServerClient() {
    Close();
}

bool TcpServerClient::SendSome(const char* data, std::size_t size, std::size_t& sent) {
    sent = 0;
    if (handle == kNoHandle) {
        ReportDetail("TcpServerClient::SendSome", "not connected", name);
        return false;
    }
    const int most = size > 65536 ? 65536 : static_cast<int>(size);
    const int taken = send(AsSocket(handle), data, most, 0);
    if (taken >= 0) {
        sent = static_cast<std::size_t>(taken);
        return true;
    }
    if (WSAGetLastError() == WSAEWOULDBLOCK) {
        return true;
    }
    char reason[256];
    ReportDetail("TcpServerClient::SendSome", LastReason(reason), name);
    return false;
}

void TcpServerClient::Close() {
    if (handle != kNoHandle) {
        closesocket(AsSocket(handle));
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
    char reason[256];
    if (!StartWinsock()) {
        ReportDetail("TcpServer::Listen", "Winsock could not be started", where);
        return false;
    }
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        ReportDetail("TcpServer::Listen", LastReason(reason), where);
        return false;
    }
    // Without it another program may bind the same port and take the clients meant for this
    // one; with it, a port in use is refused as on POSIX systems.
    const BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
    sockaddr_in address = SockaddrOf({kAnyAddress, wanted});
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(s, kBacklog) != 0) {
        ReportDetail("TcpServer::Listen", LastReason(reason), where);
        closesocket(s);
        return false;
    }
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    handle = static_cast<std::intptr_t>(s);
    return true;
}

TcpAccept TcpServer::Accept(int timeoutMilliseconds, TcpServerClient& client) {
    if (handle == kNoHandle) {
        ReportError("TcpServer::Accept", "not listening");
        return TcpAccept::Failed;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(AsSocket(handle), &readable);
    timeval interval = Interval(timeoutMilliseconds);
    char reason[256];
    const int ready = select(0, &readable, nullptr, nullptr, &interval);
    if (ready == 0) {
        return TcpAccept::Nothing;
    }
    sockaddr_in peer{};
    int length = sizeof peer;
    const SOCKET s =
        ready < 0 ? INVALID_SOCKET
                  : acceptCall(AsSocket(handle), reinterpret_cast<sockaddr*>(&peer), &length);
    if (s == INVALID_SOCKET) {
        // A client that gave up before it was taken: nothing to take.
        const int code = WSAGetLastError();
        if (code == WSAECONNRESET || code == WSAEWOULDBLOCK || code == WSAEINTR) {
            return TcpAccept::Nothing;
        }
        // No socket or buffer left for one more connection just now (a flood of clients brings
        // it about): it waits to be taken, the clients held are served on. The wait keeps the
        // waiting client from making every call return at once.
        if (code == WSAEMFILE || code == WSAENOBUFS) {
            Sleep(static_cast<DWORD>(timeoutMilliseconds > 0 ? timeoutMilliseconds : 0));
            return TcpAccept::Nothing;
        }
        ReportError("TcpServer::Accept", LastReason(reason));
        return TcpAccept::Failed;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&kClientSendBuffer),
               sizeof kClientSendBuffer);
    client.Close();
    client.handle = static_cast<std::intptr_t>(s);
    FormatEndpoint(client.name, TcpServerClient::kNameSize, EndpointOf(peer));
    return TcpAccept::Client;
}

void TcpServer::Close() {
    if (handle != kNoHandle) {
        closesocket(AsSocket(handle));
        handle = kNoHandle;
        port = 0;
    }
}
