// The texts of socket addresses and failures, shared by the sockets of every platform.
#include "platform/SocketAddress.h"

#include "platform/NamedMapping.h"
#include "text_functions/TextFunctions.h"

[[maybe_unused]] static const char kSocketAddressRevision[] =
    "%Z% Corvane QX4002:05 SocketAddress.cpp $Revision: 1.1 $";

char* FormatEndpoint(char* buffer, int size, const Ipv4Endpoint& endpoint) {
    FormatBounded(buffer, size, "%u.%u.%u.%u:%u", (endpoint.address >> 24) & 0xFFu,
                  (endpoint.address >> 16) & 0xFFu, (endpoint.address >> 8) & 0xFFu,
                  endpoint.address & 0xFFu, static_cast<unsigned>(endpoint.port));
    return buffer;
}

char* FormatHostPort(char* buffer, int size, const char* host, std::uint16_t port) {
    FormatBounded(buffer, size, "%s:%u", host, static_cast<unsigned>(port));
    return buffer;
}

char* FormatService(char* buffer, int size, std::uint16_t port) {
    FormatBounded(buffer, size, "%u", static_cast<unsigned>(port));
    return buffer;
}

// The same table the mappings use. Windows ends its messages with a line break; one line reads
// better in a report.
char* SocketErrorText(int code, char* buffer, int size) {
    NamedMapping::ErrorText(code, buffer, static_cast<std::size_t>(size));
    return TrimTrailingSpaces(StripNewline(TruncateAtChar(buffer, '\r')));
}
