// The texts that name socket addresses and failures in reports: the same on every platform.
#include "platform/SocketAddress.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

#ifdef _WIN32
constexpr int kConnectionRefused = 10061; // WSAECONNREFUSED
#else
constexpr int kConnectionRefused = ECONNREFUSED;
#endif

TEST(SocketAddress, EndpointsAreWrittenMostSignificantByteFirst) {
    const struct {
        Ipv4Endpoint endpoint;
        const char* text;
    } cases[] = {
        {{0x7F000001u, 30003}, "127.0.0.1:30003"},
        {{0x0A000102u, 80}, "10.0.1.2:80"},
        {{0, 0}, "0.0.0.0:0"},
        {{0xFFFFFFFFu, 65535}, "255.255.255.255:65535"},
    };
    for (const auto& each : cases) {
        char text[kEndpointTextSize];
        EXPECT_STREQ(FormatEndpoint(text, sizeof text, each.endpoint), each.text);
    }
}

TEST(SocketAddress, TextsAreCutToTheirBuffers) {
    char text[8];
    EXPECT_STREQ(FormatEndpoint(text, sizeof text, {0x7F000001u, 30003}), "127.0.0");
    EXPECT_STREQ(FormatHostPort(text, sizeof text, "localhost", 30003), "localho");

    // The longest forms fit the rooms the services give them.
    char service[kServiceTextSize];
    EXPECT_STREQ(FormatService(service, sizeof service, 65535), "65535");
    const std::string longestName(255, 'h');
    char hostPort[kHostPortTextSize];
    EXPECT_EQ(FormatHostPort(hostPort, sizeof hostPort, longestName.c_str(), 65535),
              longestName + ":65535");
}

TEST(SocketAddress, AnAddressAskedForIsWrittenAsGiven) {
    char text[kHostPortTextSize];
    EXPECT_STREQ(FormatHostPort(text, sizeof text, "localhost", 30003), "localhost:30003");
    EXPECT_STREQ(FormatHostPort(text, sizeof text, "192.168.1.20", 0), "192.168.1.20:0");
    char service[kServiceTextSize];
    EXPECT_STREQ(FormatService(service, sizeof service, 0), "0");
}

// A report shows the reason on one line: no line break, no trailing blank, whatever the system
// (Windows ends its messages with ".\r\n") and whether it knows the code or not.
TEST(SocketAddress, TheSystemsReasonIsOneLine) {
    for (const int code : {kConnectionRefused, 987654}) {
        char reason[256];
        const std::string text = SocketErrorText(code, reason, sizeof reason);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
        EXPECT_NE(text.back(), ' ') << text;
    }
#ifndef _WIN32
    char reason[256];
    EXPECT_STREQ(SocketErrorText(ECONNREFUSED, reason, sizeof reason), std::strerror(ECONNREFUSED));
#endif
    char small[6];
    EXPECT_EQ(std::strlen(SocketErrorText(kConnectionRefused, small, sizeof small)), 5u);
}

} // namespace
