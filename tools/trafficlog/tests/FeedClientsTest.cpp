#include "tools/trafficlog/serve/FeedClients.h"

#include "platform/TcpClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class Events : public FeedClientEvents {
public:
    void Joined(const FeedClientReport& client) override { joined.emplace_back(client.name); }
    void Left(const FeedClientReport& client) override {
        left.push_back(client);
        leftNames.emplace_back(client.name);
    }
    std::vector<std::string> joined;
    void Refused(const char* name, int) override { refused.emplace_back(name); }
    std::vector<FeedClientReport> left;
    std::vector<std::string> refused;
    std::vector<std::string> leftNames;
};

// Long lines, so that the system's buffers fill after a few sends.
std::string Line(int number) {
    return "MSG,3,1,1,4CA2B5,1,2026/12/09,05:00:00.000,," + std::string(900, ' ') + "," +
           std::to_string(number) + "\n";
}

// Connects a client and lets the feed take it.
void Join(FeedClients& feed, TcpClient& client, std::uint16_t port, Events& events) {
    ASSERT_TRUE(client.Connect("127.0.0.1", port, 2000));
    const std::size_t before = events.joined.size();
    for (int i = 0; i < 100 && events.joined.size() == before; ++i) {
        ASSERT_TRUE(feed.Serve(20, events));
    }
    ASSERT_EQ(events.joined.size(), before + 1);
}

// What the client is sent until `lines` lines have come or nothing more comes.
std::string Receive(TcpClient& client, FeedClients& feed, Events& events, int lines) {
    std::string text;
    char buffer[4096];
    int quiet = 0;
    while (quiet < 20 && static_cast<int>(std::count(text.begin(), text.end(), '\n')) < lines) {
        std::size_t size = 0;
        const TcpReceipt receipt = client.Receive(buffer, sizeof buffer, 10, size);
        text.append(buffer, size);
        quiet = receipt == TcpReceipt::Data ? 0 : quiet + 1;
        feed.Serve(0, events);
    }
    return text;
}

TEST(FeedClients, AClientThatGoesDoesNotDisturbTheOthers) {
    TcpServer server;
    ASSERT_TRUE(server.Listen(0));
    FeedClients feed(server);
    Events events;
    TcpClient staying, leaving;
    Join(feed, staying, server.Port(), events);
    Join(feed, leaving, server.Port(), events);
    std::string expected;
    for (int i = 0; i < 5; ++i) {
        feed.Send(Line(i).data(), Line(i).size(), events);
        expected += Line(i);
    }
    EXPECT_EQ(Receive(leaving, feed, events, 5), expected);
    leaving.Close();
    // The reset that answers the first line after the close ends the connection.
    for (int i = 5; i < 200; ++i) {
        feed.Send(Line(i).data(), Line(i).size(), events);
        expected += Line(i);
        feed.Serve(1, events);
    }
    EXPECT_EQ(Receive(staying, feed, events, 200), expected);
    ASSERT_EQ(events.left.size(), 1u);
    EXPECT_EQ(feed.Count(), 1);
    EXPECT_EQ(events.left[0].dropped, 0);
    EXPECT_EQ(feed.Dropped(), 0);
}

TEST(FeedClients, AClientThatReadsTooSlowlyLosesWholeLinesAndHoldsNoOneUp) {
    TcpServer server;
    ASSERT_TRUE(server.Listen(0));
    // A small queue, so that the system's buffers and then the queue fill soon.
    FeedClients feed(server, 4096);
    Events events;
    TcpClient reading, stalled;
    Join(feed, reading, server.Port(), events);
    Join(feed, stalled, server.Port(), events);
    std::string expected;
    std::string received;
    char buffer[65536];
    constexpr int kLines = 4000;
    for (int i = 0; i < kLines; ++i) {
        const std::string line = Line(i);
        feed.Send(line.data(), line.size(), events);
        expected += line;
        // The reading client keeps up, ten lines at a time.
        if (i % 10 == 9) {
            std::size_t size = 0;
            while (reading.Receive(buffer, sizeof buffer, 0, size) == TcpReceipt::Data) {
                received.append(buffer, size);
            }
            feed.Serve(0, events);
        }
    }
    received +=
        Receive(reading, feed, events,
                kLines - static_cast<int>(std::count(received.begin(), received.end(), '\n')));
    EXPECT_EQ(received, expected);
    EXPECT_GT(feed.Dropped(), 0);
    // What the stalled client finally reads is whole lines, in order, with gaps.
    const std::string late = Receive(stalled, feed, events, kLines);
    ASSERT_FALSE(late.empty());
    EXPECT_EQ(late.back(), '\n');
    int previous = -1;
    for (std::size_t start = 0; start < late.size();) {
        const std::size_t end = late.find('\n', start);
        const std::string line = late.substr(start, end + 1 - start);
        const int number = std::stoi(line.substr(line.rfind(',') + 1));
        EXPECT_EQ(line, Line(number));
        EXPECT_GT(number, previous);
        previous = number;
        start = end + 1;
    }
    EXPECT_LT(std::count(late.begin(), late.end(), '\n'), kLines);
    EXPECT_TRUE(events.left.empty());
}

TEST(FeedClients, ClientsBeyondTheMostAreClosedAtOnce) {
    TcpServer server;
    ASSERT_TRUE(server.Listen(0));
    FeedClients feed(server, FeedClients::kQueueLimit, 1);
    Events events;
    TcpClient first, second;
    Join(feed, first, server.Port(), events);
    ASSERT_TRUE(second.Connect("127.0.0.1", server.Port(), 2000));
    for (int i = 0; i < 100 && events.refused.empty(); ++i) {
        ASSERT_TRUE(feed.Serve(20, events));
    }
    ASSERT_EQ(events.refused.size(), 1u);
    EXPECT_EQ(feed.Count(), 1);
    char buffer[16];
    std::size_t size = 0;
    TcpReceipt receipt = TcpReceipt::Nothing;
    for (int i = 0; i < 50 && receipt == TcpReceipt::Nothing; ++i) {
        receipt = second.Receive(buffer, sizeof buffer, 20, size);
    }
    EXPECT_EQ(receipt, TcpReceipt::Closed);
    // The first is served as before.
    feed.Send(Line(1).data(), Line(1).size(), events);
    EXPECT_EQ(Receive(first, feed, events, 1), Line(1));
}

} // namespace
