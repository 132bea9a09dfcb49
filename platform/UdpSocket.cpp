// The platform-neutral part of UdpSocket: its error texts and the way endpoints are written.
#include "platform/UdpSocket.h"

#include "platform/NamedMapping.h"
#include "text_functions/TextFunctions.h"

[[maybe_unused]] static const char kUdpSocketRevision[] =
    "%Z% UdpSocket QX4007:02 UdpSocket.cpp $Revision: 1.1 $";

char* FormatEndpoint(char* buffer, int size, const UdpEndpoint& endpoint) {
    FormatBounded(buffer, size, "%u.%u.%u.%u:%u", (endpoint.address >> 24) & 0xFFu,
                  (endpoint.address >> 16) & 0xFFu, (endpoint.address >> 8) & 0xFFu,
                  endpoint.address & 0xFFu, static_cast<unsigned>(endpoint.port));
    return buffer;
}

// The system's own words for the code (the same table the mappings use), then the address, so
// that "Address already in use" says which one.
void UdpSocket::ReportSystemError(const char* where, int code, const UdpEndpoint* endpoint) {
    char reason[256];
    NamedMapping::ErrorText(code, reason, sizeof reason);
    // Windows ends its messages with a line break; one line reads better in a report.
    TrimTrailingSpaces(StripNewline(TruncateAtChar(reason, '\r')));
    if (endpoint == nullptr) {
        ReportError(where, reason);
        return;
    }
    char address[32];
    ReportDetail(where, reason, FormatEndpoint(address, sizeof address, *endpoint));
}
