// Winsock behind TcpClient: non-blocking sockets, a connection waited for with select, then
// select and recv, and send that never waits.

#include "platform/TcpClient.h"

#include "platform/win32/Winsock.h"
#include "text_functions/TextFunctions.h"

#include <winsock2.h>
#include <ws2tcpip.h>

[[maybe_unused]] static const char kTcpClientWin32Revision[] =
    "%Z% TcpClient QX4008:03 TcpClient_win32.cpp $Revision: 1.2 $";

int TcpClient::LookUp(const char* host, std::uint16_t port, addrinfo*& found, char* reason,
                      int size) {
    found = nullptr;
    if (!StartWinsock()) {
        CopyBounded(reason, "Winsock could not be started", size);
        return WSANOTINITIALISED;
    }
    char service[kServiceTextSize];
    FormatService(service, sizeof service, port);
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    const int lookup = getaddrinfo(host, service, &hints, &found);
    if (lookup != 0) {
        SocketErrorText(lookup, reason, size);
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
    const SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) {
        return WSAGetLastError();
    }
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        const int error = WSAGetLastError();
        closesocket(s);
        return error;
    }
    if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) {
        started = static_cast<std::intptr_t>(s);
        return 0;
    }
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
        started = static_cast<std::intptr_t>(s);
        return kUnderWay;
    }
    closesocket(s);
    return error;
}

// Winsock tells a connection that failed by the exceptions set, one that was made by the
// writable set.
int TcpClient::Outcome(std::intptr_t socket, int timeoutMilliseconds) {
    const SOCKET s = AsSocket(socket);
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval interval = Interval(timeoutMilliseconds);
    const int ready = select(0, nullptr, &writable, &failed, &interval);
    if (ready == 0) {
        return kUnderWay;
    }
    if (ready > 0 && !FD_ISSET(s, &failed)) {
        return 0;
    }
    int code = 0;
    int length = sizeof code;
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &length);
    return code != 0 ? code : WSAECONNREFUSED;
}

void TcpClient::CloseSocket(std::intptr_t socket) {
    closesocket(AsSocket(socket));
}

TcpReceipt TcpClient::Receive(char* buffer, std::size_t capacity, int timeoutMilliseconds,
                              std::size_t& size) {
    size = 0;
    if (!IsConnected()) {
        ReportDetail("TcpClient::Receive", "not connected", where);
        return TcpReceipt::Failed;
    }
    const SOCKET s = AsSocket(handle);
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
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK || error == WSAEINTR) {
        return TcpReceipt::Nothing;
    }
    ReportFailure("TcpClient::Receive", error);
    return TcpReceipt::Failed;
}

bool TcpClient::SendSome(const char* data, std::size_t size, std::size_t& sent) {
    sent = 0;
    if (!IsConnected()) {
        ReportDetail("TcpClient::SendSome", "not connected", where);
        return false;
    }
    const int error = SendWithoutWaiting(AsSocket(handle), data, size, sent);
    if (error != 0) {
        ReportFailure("TcpClient::SendSome", error);
    }
    return error == 0;
}
