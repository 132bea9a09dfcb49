// Winsock behind TcpClient: a non-blocking connect waited for with select, then select and recv.

#include "platform/TcpClient.h"

#include "platform/SocketAddress.h"
#include "platform/win32/Winsock.h"

#include <winsock2.h>
#include <ws2tcpip.h>

[[maybe_unused]] static const char kTcpClientWin32Revision[] =
    "%Z% TcpClient QX4008:03 TcpClient_win32.cpp $Revision: 1.1 $";

namespace {

constexpr int kReasonSize = 256;

int ConnectOne(const addrinfo& address, int timeoutMilliseconds, SOCKET& s) {
    s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) {
        return WSAGetLastError();
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    int error = 0;
    if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
        error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK) {
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval interval = Interval(timeoutMilliseconds);
            const int ready = select(0, nullptr, &writable, &failed, &interval);
            if (ready == 0) {
                error = WSAETIMEDOUT;
            } else if (ready < 0 || FD_ISSET(s, &failed)) {
                int code = 0;
                int length = sizeof code;
                getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &length);
                error = code != 0 ? code : WSAECONNREFUSED;
            } else {
                error = 0;
            }
        }
    }
    nonBlocking = 0;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (error != 0) {
        closesocket(s);
        s = INVALID_SOCKET;
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
    char reason[kReasonSize];
    if (!StartWinsock()) {
        ReportDetail("TcpClient::Connect", "Winsock could not be started", where);
        return false;
    }
    char service[kServiceTextSize];
    FormatService(service, sizeof service, port);
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(host, service, &hints, &found);
    if (lookup != 0) {
        ReportDetail("TcpClient::Connect", SocketErrorText(lookup, reason, kReasonSize), where);
        return false;
    }
    int error = WSAHOST_NOT_FOUND;
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        SOCKET s = INVALID_SOCKET;
        error = ConnectOne(*address, timeoutMilliseconds, s);
        if (error == 0) {
            handle = static_cast<std::intptr_t>(s);
            break;
        }
    }
    freeaddrinfo(found);
    if (handle == kNoHandle) {
        ReportDetail("TcpClient::Connect", SocketErrorText(error, reason, kReasonSize), where);
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
    const auto s = static_cast<SOCKET>(handle);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval interval = Interval(timeoutMilliseconds);
    const int ready = select(0, &readable, nullptr, nullptr, &interval);
    if (ready == 0) {
        return TcpReceipt::Nothing;
    }
    const int got = ready < 0
                        ? SOCKET_ERROR
                        : recv(s, buffer, static_cast<int>(capacity > 65536 ? 65536 : capacity), 0);
    if (got > 0) {
        size = static_cast<std::size_t>(got);
        return TcpReceipt::Data;
    }
    if (got == 0) {
        return TcpReceipt::Closed;
    }
    char reason[kReasonSize];
    ReportError("TcpClient::Receive", SocketErrorText(WSAGetLastError(), reason, kReasonSize));
    return TcpReceipt::Failed;
}

void TcpClient::Close() {
    if (handle != kNoHandle) {
        closesocket(static_cast<SOCKET>(handle));
        handle = kNoHandle;
    }
}
