#include "tests/support/LoopbackServer.h"

#include <chrono>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
using Length = int;
namespace {
void CloseSocket(Socket s) {
    closesocket(s);
}
bool StartSockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
} // namespace
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
using Length = socklen_t;
namespace {
void CloseSocket(Socket s) {
    close(s);
}
bool StartSockets() {
    return true;
}
} // namespace
#endif

namespace {
// True when a client waits to be accepted, looking for at most 50 ms.
bool ClientWaiting(Socket listener) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval interval{0, 50000};
    return select(static_cast<int>(listener) + 1, &readable, nullptr, nullptr, &interval) > 0;
}
} // namespace

LoopbackServer::LoopbackServer() {
    StartSockets();
    const Socket s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(s, 4);
    Length length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    listener = static_cast<std::intptr_t>(s);
}

LoopbackServer::~LoopbackServer() {
    stopping = true;
    if (thread.joinable()) {
        thread.join();
    }
    CloseSocket(static_cast<Socket>(listener));
}

void LoopbackServer::Serve(std::vector<std::string> replies, bool holdLast) {
    thread = std::thread([this, replies, holdLast] { Run(replies, holdLast); });
}

void LoopbackServer::Run(std::vector<std::string> replies, bool holdLast) {
    const auto s = static_cast<Socket>(listener);
    for (std::size_t i = 0; i < replies.size() && !stopping; ++i) {
        while (!stopping && !ClientWaiting(s)) {
        }
        if (stopping) {
            return;
        }
        const Socket client = accept(s, nullptr, nullptr);
        ++accepted;
        send(client, replies[i].data(), static_cast<int>(replies[i].size()), 0);
        while (holdLast && i + 1 == replies.size() && !stopping) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        CloseSocket(client);
    }
}
