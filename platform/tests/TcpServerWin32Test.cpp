// The Windows server when the system cannot take one more client: Winsock's accept replaced by
// one that fails as the system does when its sockets or buffers run out.

#include "platform/SocketAddress.h"
#include "platform/TcpClient.h"
#include "platform/TcpServer.h"
#include "platform/win32/Winsock.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int failureCode = 0;
int failedCalls = 0;

SOCKET WSAAPI FailingAccept(SOCKET, sockaddr*, int*) {
    ++failedCalls;
    WSASetLastError(failureCode);
    return INVALID_SOCKET;
}

// Makes every accept fail with `code` for one scope.
class FailedAccepts {
public:
    explicit FailedAccepts(int code) {
        failureCode = code;
        failedCalls = 0;
        ReplaceAcceptCall(FailingAccept);
    }
    ~FailedAccepts() { ReplaceAcceptCall(nullptr); }
    FailedAccepts(const FailedAccepts&) = delete;
    FailedAccepts& operator=(const FailedAccepts&) = delete;
};

// No socket or buffer left: no client now, and the listening socket serves on. The client that
// waits is taken once the system can.
TEST(TcpServerWin32, AcceptWithoutSocketsOrBuffersIsNoClientNow) {
    for (const int code : {WSAEMFILE, WSAENOBUFS}) {
        TcpServer server;
        ASSERT_TRUE(server.Listen(0)) << server.GetErrorText();
        TcpClient waiting;
        ASSERT_TRUE(waiting.Connect("127.0.0.1", server.Port(), 2000));
        TcpServerClient taken;
        {
            FailedAccepts failing(code);
            EXPECT_EQ(server.Accept(200, taken), TcpAccept::Nothing) << code;
            EXPECT_EQ(server.Accept(20, taken), TcpAccept::Nothing) << code;
            EXPECT_EQ(failedCalls, 2) << code;
            EXPECT_FALSE(taken.IsConnected()) << code;
        }
        EXPECT_EQ(server.Accept(2000, taken), TcpAccept::Client) << code;
        EXPECT_TRUE(taken.IsConnected()) << code;
    }
}

// Any other failure of accept is the listening socket's, and ends it, with the system's reason.
TEST(TcpServerWin32, OtherAcceptFailuresAreTheListeningSocketsAndSaySo) {
    TcpServer server;
    ASSERT_TRUE(server.Listen(0));
    TcpClient waiting;
    ASSERT_TRUE(waiting.Connect("127.0.0.1", server.Port(), 2000));
    FailedAccepts failing(WSAENETDOWN);
    TcpServerClient taken;
    EXPECT_EQ(server.Accept(2000, taken), TcpAccept::Failed);
    char reason[256];
    EXPECT_EQ(std::string(server.GetErrorText()),
              std::string("TcpServer::Accept\n") + SocketErrorText(WSAENETDOWN, reason, 256));
}

} // namespace
