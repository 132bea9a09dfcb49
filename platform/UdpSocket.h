#pragma once
// UDP datagrams over IPv4: a socket that binds to a local address to receive, waits for one
// datagram at a time with a timeout, and sends to an address. Failures return false (or
// UdpReceipt::Failed) and leave "UdpSocket::<operation>", the system's reason and the address in
// the error report. One source file per platform.

#include "error_report/QX_ErrorReport.h"
#include "platform/SocketAddress.h"

#include <cstddef>
#include <cstdint>

inline constexpr char kUdpSocketHeaderRevision[] =
    "%Z% UdpSocket QX4007:01 UdpSocket.h $Revision: 1.1 $";

// Where a datagram goes or comes from.
using UdpEndpoint = Ipv4Endpoint;

enum class UdpReceipt {
    Datagram, // one whole datagram is in the buffer
    TooLong,  // a datagram longer than the buffer came; its start is in the buffer, the rest lost
    Nothing,  // the timeout passed (or a signal came) without a datagram
    Failed,   // the socket is unusable; the reason is in the error report
};

class UdpSocket : public QX_ErrorReport {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // A dotted IPv4 address or a host name, and a port. False when it names no IPv4 address.
    bool Resolve(const char* host, std::uint16_t port, UdpEndpoint& endpoint);

    // Opens the socket if needed and binds it to `local` (port 0: any free port). A port that
    // another socket holds is refused, on Windows too.
    bool Bind(const UdpEndpoint& local);
    // The port bound, 0 before a successful Bind.
    std::uint16_t LocalPort() const { return localPort; }

    // Waits at most `timeoutMilliseconds` (0: only looks) for one datagram. `size` is the number
    // of bytes placed in the buffer; `from`, when given, the sender of a datagram.
    UdpReceipt Receive(std::uint8_t* buffer, std::size_t capacity, int timeoutMilliseconds,
                       std::size_t& size, UdpEndpoint* from = nullptr);

    // Opens the socket if needed (any local port) and sends one datagram.
    bool SendTo(const UdpEndpoint& destination, const std::uint8_t* data, std::size_t size);

    void Close();
    bool IsOpen() const { return handle != kNoSocket; }

private:
    static constexpr std::intptr_t kNoSocket = -1;

    bool Open();
    void ReportSystemError(const char* where, int code, const UdpEndpoint* endpoint);

    std::intptr_t handle = kNoSocket;
    std::uint16_t localPort = 0;
};
