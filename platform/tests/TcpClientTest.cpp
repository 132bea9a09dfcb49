#include "platform/TcpClient.h"

#include "tests/support/LineServer.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace {

// What comes until the connection ends, or until `wanted` bytes have come.
std::string ReceiveAll(TcpClient& client, TcpReceipt& last, std::size_t wanted = SIZE_MAX) {
    std::string text;
    char buffer[7];
    std::size_t size = 0;
    for (int waits = 0; waits < 100 && text.size() < wanted; ++waits) {
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

// A connection begun without waiting is asked after until it stands; what is sent then reaches
// the server whole, and its answers come back.
TEST(TcpClient, ConnectsWithoutWaitingAndSendsWithoutWaiting) {
    LineServer server(
        [](const std::string& line) { return LineServer::Reply{"echo " + line + "\n"}; });
    TcpClient client;
    TcpProgress progress = client.BeginConnect("localhost", server.Port());
    for (int asks = 0; asks < 200 && progress == TcpProgress::Pending; ++asks) {
        EXPECT_FALSE(client.IsConnected());
        progress = client.ContinueConnect(10);
    }
    ASSERT_EQ(progress, TcpProgress::Connected) << client.GetErrorText();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(client.ContinueConnect(0), TcpProgress::Connected);

    const std::string text = "get /a\r\nget /b\r\n";
    std::size_t done = 0;
    for (int tries = 0; tries < 100 && done < text.size(); ++tries) {
        std::size_t sent = 0;
        ASSERT_TRUE(client.SendSome(text.data() + done, text.size() - done, sent))
            << client.GetErrorText();
        done += sent;
    }
    ASSERT_EQ(done, text.size());
    TcpReceipt last = TcpReceipt::Nothing;
    EXPECT_EQ(ReceiveAll(client, last, 22), "echo get /a\necho get /b\n");
    // Only looking, with nothing there, never waits.
    char buffer[8];
    std::size_t size = 1;
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, 0, size), TcpReceipt::Nothing);
    EXPECT_EQ(size, 0u);
}

// A refused connection ends in a failure that names the address, whether the system says so at
// once or later; sending on it, or before any connection, is refused without a crash.
TEST(TcpClient, ABegunConnectionThatIsRefusedFails) {
    std::uint16_t freePort = 0;
    {
        LoopbackServer closed;
        freePort = closed.Port();
    }
    TcpClient client;
    std::size_t sent = 99;
    EXPECT_FALSE(client.SendSome("x", 1, sent));
    EXPECT_EQ(sent, 0u);
    EXPECT_EQ(client.ContinueConnect(0), TcpProgress::Failed);

    TcpProgress progress = client.BeginConnect("127.0.0.1", freePort);
    for (int asks = 0; asks < 200 && progress == TcpProgress::Pending; ++asks) {
        progress = client.ContinueConnect(10);
    }
    EXPECT_EQ(progress, TcpProgress::Failed);
    EXPECT_FALSE(client.IsConnected());
    const std::string text = client.GetErrorText();
    EXPECT_NE(text.find("TcpClient::Connect"), std::string::npos) << text;
    EXPECT_NE(text.find("127.0.0.1:" + std::to_string(freePort)), std::string::npos) << text;
    EXPECT_FALSE(client.SendSome("x", 1, sent));
    EXPECT_EQ(client.BeginConnect("no-such-host.invalid", 5501), TcpProgress::Failed);
}

// A peer that reads nothing fills the buffers: sending then takes nothing and never waits.
TEST(TcpClient, SendingToAPeerThatReadsNothingNeverWaits) {
    LoopbackServer server;
    server.Serve({""}, true);
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port(), 2000));
    const std::string block(64 * 1024, 'x');
    std::size_t sent = 0;
    std::size_t total = 0;
    int full = 0;
    for (int tries = 0; tries < 2000 && full == 0; ++tries) {
        ASSERT_TRUE(client.SendSome(block.data(), block.size(), sent)) << client.GetErrorText();
        total += sent;
        full += sent == 0 ? 1 : 0;
    }
    EXPECT_EQ(full, 1) << total << " bytes taken without the buffers filling";
}

TEST(TcpClient, SendingToAPeerThatHasGoneFails) {
    LoopbackServer server;
    server.Serve({"bye"}, false);
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port(), 2000));
    TcpReceipt last = TcpReceipt::Nothing;
    EXPECT_EQ(ReceiveAll(client, last), "bye");
    ASSERT_EQ(last, TcpReceipt::Closed);
    bool failed = false;
    for (int tries = 0; tries < 100 && !failed; ++tries) {
        std::size_t sent = 0;
        failed = !client.SendSome("get /x\r\n", 8, sent);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(failed);
    const std::string text = client.GetErrorText();
    EXPECT_NE(text.find("TcpClient::SendSome"), std::string::npos) << text;
}

} // namespace
