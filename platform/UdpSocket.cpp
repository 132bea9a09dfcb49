// The platform-neutral part of UdpSocket: its error texts.
#include "platform/UdpSocket.h"

[[maybe_unused]] static const char kUdpSocketRevision[] =
    "%Z% UdpSocket QX4007:02 UdpSocket.cpp $Revision: 1.1 $";

// The system's own words for the code, then the address, so that "Address already in use" says
// which one.
void UdpSocket::ReportSystemError(const char* where, int code, const UdpEndpoint* endpoint) {
    char reason[256];
    SocketErrorText(code, reason, sizeof reason);
    if (endpoint == nullptr) {
        ReportError(where, reason);
        return;
    }
    char address[kEndpointTextSize];
    ReportDetail(where, reason, FormatEndpoint(address, sizeof address, *endpoint));
}
