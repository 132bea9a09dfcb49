#include "platform/TcpClient.h"

#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ReceiveAll(TcpClient& client, TcpReceipt& last) {
    std::string text;
    char buffer[7];
    std::size_t size = 0;
    for (int waits = 0; waits < 100; ++waits) {
        last = client.Receive(buffer, sizeof buffer, 100, size);
        if (last == TcpReceipt::Data) {
            text.append(buffer, size);
        } else if (last != TcpReceipt::Nothing) {
            break;
        }
    }
    return text;
}

TEST(TcpClient, ReceivesAFeedAndSeesItDrop) {
    LoopbackServer server;
    server.Serve({"MSG,3,1,1,4CA2B5\nMSG,1", "second connection\n"}, false);
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port(), 2000)) << client.GetErrorText();
    TcpReceipt last = TcpReceipt::Nothing;
    EXPECT_EQ(ReceiveAll(client, last), "MSG,3,1,1,4CA2B5\nMSG,1");
    EXPECT_EQ(last, TcpReceipt::Closed);

    ASSERT_TRUE(client.Connect("localhost", server.Port(), 2000)) << client.GetErrorText();
    EXPECT_EQ(ReceiveAll(client, last), "second connection\n");
    EXPECT_EQ(server.Accepted(), 2);
}

TEST(TcpClient, WaitsNoLongerThanAsked) {
    LoopbackServer server;
    server.Serve({""}, true);
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port(), 2000));
    char buffer[16];
    std::size_t size = 99;
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, 50, size), TcpReceipt::Nothing);
    EXPECT_EQ(size, 0u);
}

TEST(TcpClient, ReportsAFeedThatIsNotThere) {
    std::uint16_t freePort = 0;
    {
        LoopbackServer closed;
        freePort = closed.Port();
    }
    TcpClient client;
    EXPECT_FALSE(client.Connect("127.0.0.1", freePort, 2000));
    const std::string text = client.GetErrorText();
    EXPECT_NE(text.find("TcpClient::Connect"), std::string::npos) << text;
    EXPECT_NE(text.find("127.0.0.1:" + std::to_string(freePort)), std::string::npos) << text;
    EXPECT_FALSE(client.IsConnected());
    EXPECT_FALSE(client.Connect("no-such-host.invalid", 30003, 2000));
    char buffer[4];
    std::size_t size = 0;
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, 0, size), TcpReceipt::Failed);
}

} // namespace
