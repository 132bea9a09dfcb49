#pragma once
// A TCP client connection to a receiver's feed (a BaseStation port): connect with a timeout,
// wait for bytes with a timeout, close. Failures return false (or TcpReceipt::Failed) and leave
// "TcpClient::<operation>", the system's reason and the address in the error report. One source
// file per platform.

#include "error_report/QX_ErrorReport.h"

#include <cstddef>
#include <cstdint>

inline constexpr char kTcpClientHeaderRevision[] =
    "%Z% TcpClient QX4008:01 TcpClient.h $Revision: 1.1 $";

enum class TcpReceipt {
    Data,    // bytes are in the buffer
    Nothing, // the timeout passed (or a signal came) without bytes
    Closed,  // the peer closed the connection
    Failed,  // the connection broke; the reason is in the error report
};

class TcpClient : public QX_ErrorReport {
public:
    TcpClient() = default;
    ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Connects to a host name or address (IPv4 or IPv6) and port, waiting at most
    // `timeoutMilliseconds`. Closes an earlier connection first.
    bool Connect(const char* host, std::uint16_t port, int timeoutMilliseconds);
    bool IsConnected() const { return handle != kNoHandle; }
    // Waits at most `timeoutMilliseconds` for bytes; `size` is the number placed in the buffer.
    TcpReceipt Receive(char* buffer, std::size_t capacity, int timeoutMilliseconds,
                       std::size_t& size);
    void Close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle = kNoHandle;
};
