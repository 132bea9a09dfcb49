#include "platform/UdpSocket.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace {

constexpr int kWaitMilliseconds = 2000;

// A receiver bound to a free port of the loopback address, and a sender.
class UdpSocketTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(receiver.Resolve("127.0.0.1", 0, local)) << receiver.GetErrorText();
        ASSERT_TRUE(receiver.Bind(local)) << receiver.GetErrorText();
        local.port = receiver.LocalPort();
        ASSERT_NE(local.port, 0);
    }

    bool Send(const std::string& text) {
        return sender.SendTo(local, reinterpret_cast<const std::uint8_t*>(text.data()),
                             text.size());
    }

    UdpEndpoint local;
    UdpSocket receiver;
    UdpSocket sender;
    std::array<std::uint8_t, 64> buffer{};
    std::size_t size = 0;
};

std::string Text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

TEST_F(UdpSocketTest, DatagramsArriveWholeAndInOrder) {
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(Send("datagram " + std::to_string(i))) << sender.GetErrorText();
    }
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(receiver.Receive(buffer.data(), buffer.size(), kWaitMilliseconds, size),
                  UdpReceipt::Datagram);
        EXPECT_EQ(Text(buffer.data(), size), "datagram " + std::to_string(i));
    }
    EXPECT_EQ(receiver.Receive(buffer.data(), buffer.size(), 0, size), UdpReceipt::Nothing);
    EXPECT_EQ(size, 0u);
}

// A receiver that listens to several senders tells them apart by address and port.
TEST_F(UdpSocketTest, EachDatagramNamesItsSender) {
    UdpSocket second;
    UdpEndpoint secondLocal;
    ASSERT_TRUE(second.Resolve("127.0.0.1", 0, secondLocal));
    ASSERT_TRUE(second.Bind(secondLocal)) << second.GetErrorText();
    ASSERT_TRUE(sender.Resolve("127.0.0.1", 0, secondLocal));
    ASSERT_TRUE(sender.Bind(secondLocal)) << sender.GetErrorText();
    ASSERT_TRUE(Send("first"));
    const std::uint8_t byte = 2;
    ASSERT_TRUE(second.SendTo(local, &byte, 1));
    for (const std::uint16_t port : {sender.LocalPort(), second.LocalPort()}) {
        UdpEndpoint from;
        ASSERT_EQ(receiver.Receive(buffer.data(), buffer.size(), kWaitMilliseconds, size, &from),
                  UdpReceipt::Datagram);
        EXPECT_EQ(from.address, 0x7F000001u);
        EXPECT_EQ(from.port, port);
    }
}

TEST_F(UdpSocketTest, AnEmptyDatagramIsADatagram) {
    ASSERT_TRUE(Send(""));
    EXPECT_EQ(receiver.Receive(buffer.data(), buffer.size(), kWaitMilliseconds, size),
              UdpReceipt::Datagram);
    EXPECT_EQ(size, 0u);
}

// The rest of a cut datagram must not leak into the next one.
TEST_F(UdpSocketTest, ALongDatagramIsCutAndToldApart) {
    ASSERT_TRUE(Send(std::string(100, 'x')));
    ASSERT_TRUE(Send("next"));
    EXPECT_EQ(receiver.Receive(buffer.data(), buffer.size(), kWaitMilliseconds, size),
              UdpReceipt::TooLong);
    EXPECT_EQ(size, buffer.size());
    EXPECT_EQ(Text(buffer.data(), size), std::string(buffer.size(), 'x'));
    ASSERT_EQ(receiver.Receive(buffer.data(), buffer.size(), kWaitMilliseconds, size),
              UdpReceipt::Datagram);
    EXPECT_EQ(Text(buffer.data(), size), "next");
}

TEST_F(UdpSocketTest, APortInUseIsRefusedWithItsAddress) {
    UdpSocket second;
    EXPECT_FALSE(second.Bind(local));
    const std::string text = second.GetErrorText();
    EXPECT_EQ(text.rfind("UdpSocket::Bind\n", 0), 0u) << text;
    EXPECT_NE(text.find("127.0.0.1:" + std::to_string(local.port)), std::string::npos) << text;
    // The port is free again once its holder has closed it.
    receiver.Close();
    EXPECT_TRUE(second.Bind(local)) << second.GetErrorText();
}

TEST_F(UdpSocketTest, ANamedHostResolvesAndAClosedSocketFails) {
    UdpEndpoint named;
    ASSERT_TRUE(sender.Resolve("localhost", 5000, named)) << sender.GetErrorText();
    EXPECT_EQ(named.address, 0x7F000001u);
    EXPECT_EQ(named.port, 5000);
    char text[32];
    EXPECT_STREQ(FormatEndpoint(text, sizeof text, named), "127.0.0.1:5000");

    receiver.Close();
    EXPECT_EQ(receiver.Receive(buffer.data(), buffer.size(), 0, size), UdpReceipt::Failed);
    EXPECT_EQ(receiver.LocalPort(), 0);
}

} // namespace
