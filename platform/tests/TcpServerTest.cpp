#include "platform/TcpServer.h"

#include "platform/TcpClient.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Accepts the client that is connecting, waiting at most a few seconds.
bool AcceptOne(TcpServer& server, TcpServerClient& client) {
    for (int tries = 0; tries < 50; ++tries) {
        if (server.Accept(100, client) == TcpAccept::Client) {
            return true;
        }
    }
    return false;
}

// Sends all of `text`, waiting for the client's buffers to drain.
bool SendAll(TcpServerClient& client, const std::string& text) {
    std::size_t done = 0;
    for (int tries = 0; tries < 1000 && done < text.size(); ++tries) {
        std::size_t sent = 0;
        if (!client.SendSome(text.data() + done, text.size() - done, sent)) {
            return false;
        }
        done += sent;
    }
    return done == text.size();
}

std::string ReceiveSome(TcpClient& client, std::size_t wanted) {
    std::string text;
    char buffer[256];
    for (int waits = 0; waits < 50 && text.size() < wanted; ++waits) {
        std::size_t size = 0;
        const TcpReceipt receipt = client.Receive(buffer, sizeof buffer, 100, size);
        if (receipt == TcpReceipt::Data) {
            text.append(buffer, size);
        } else if (receipt != TcpReceipt::Nothing) {
            break;
        }
    }
    return text;
}

TEST(TcpServer, ServesEachClientItsBytes) {
    TcpServer server;
    ASSERT_TRUE(server.Listen(0)) << server.GetErrorText();
    ASSERT_NE(server.Port(), 0);
    TcpClient first, second;
    ASSERT_TRUE(first.Connect("127.0.0.1", server.Port(), 2000));
    ASSERT_TRUE(second.Connect("localhost", server.Port(), 2000));
    TcpServerClient a, b;
    ASSERT_TRUE(AcceptOne(server, a));
    ASSERT_TRUE(AcceptOne(server, b));
    EXPECT_EQ(std::string(a.Name()).rfind("127.0.0.1:", 0), 0u) << a.Name();
    ASSERT_TRUE(SendAll(a, "MSG,3,one\n"));
    ASSERT_TRUE(SendAll(b, "MSG,3,two\n"));
    const std::string one = ReceiveSome(first, 10);
    const std::string two = ReceiveSome(second, 10);
    // Which connection the server took first is the system's affair.
    EXPECT_TRUE((one == "MSG,3,one\n" && two == "MSG,3,two\n") ||
                (one == "MSG,3,two\n" && two == "MSG,3,one\n"))
        << one << two;
}

TEST(TcpServer, WaitsForAClientNoLongerThanAsked) {
    TcpServer server;
    ASSERT_TRUE(server.Listen(0));
    TcpServerClient client;
    EXPECT_EQ(server.Accept(30, client), TcpAccept::Nothing);
    EXPECT_FALSE(client.IsConnected());
}

TEST(TcpServer, RefusesAPortInUse) {
    TcpServer holder;
    ASSERT_TRUE(holder.Listen(0));
    TcpServer second;
    EXPECT_FALSE(second.Listen(holder.Port()));
    const std::string text = second.GetErrorText();
    EXPECT_NE(text.find("TcpServer::Listen"), std::string::npos) << text;
    EXPECT_NE(text.find("port " + std::to_string(holder.Port())), std::string::npos) << text;
}

TEST(TcpServer, NeverWaitsForAClientThatDoesNotRead) {
    TcpServer server;
    ASSERT_TRUE(server.Listen(0));
    TcpClient reader;
    ASSERT_TRUE(reader.Connect("127.0.0.1", server.Port(), 2000));
    TcpServerClient client;
    ASSERT_TRUE(AcceptOne(server, client));
    const std::string chunk(4096, 'x');
    std::size_t total = 0, sent = 1;
    // The system's buffers fill, then each send takes nothing and returns at once.
    for (int i = 0; i < 100000 && sent > 0; ++i) {
        ASSERT_TRUE(client.SendSome(chunk.data(), chunk.size(), sent));
        total += sent;
    }
    EXPECT_EQ(sent, 0u) << total << " bytes taken";
}

TEST(TcpServer, SeesAClientThatHasGone) {
    TcpServer server;
    ASSERT_TRUE(server.Listen(0));
    TcpServerClient client;
    {
        TcpClient leaving;
        ASSERT_TRUE(leaving.Connect("127.0.0.1", server.Port(), 2000));
        ASSERT_TRUE(AcceptOne(server, client));
    }
    // The first bytes may still be taken; the reset that answers them ends the connection.
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        std::size_t sent = 0;
        gone = !client.SendSome("MSG,3\n", 6, sent);
        TcpServerClient none;
        server.Accept(5, none);
    }
    EXPECT_TRUE(gone);
    EXPECT_NE(client.FullErrorText().find("TcpServerClient::SendSome"), std::string::npos);
}

} // namespace
