#pragma once
// A TCP client connection: to a receiver's feed (a BaseStation port), or to a server that a
// program asks questions of while it does other work (FlightGear's property server). It connects
// with a timeout, or without waiting (begun, then asked how it goes); it waits for bytes with a
// timeout (0: only looks) and hands the system bytes to send without ever waiting. Failures
// return false (or TcpReceipt::Failed, TcpProgress::Failed) and leave "TcpClient::<operation>",
// the system's reason and the address in the error report. The system's part is one source file
// per platform.

#include "error_report/QX_ErrorReport.h"
#include "platform/SocketAddress.h"

#include <cstddef>
#include <cstdint>

inline constexpr char kTcpClientHeaderRevision[] =
    "%Z% TcpClient QX4008:01 TcpClient.h $Revision: 1.2 $";

enum class TcpReceipt {
    Data,    // bytes are in the buffer
    Nothing, // the timeout passed (or a signal came) without bytes
    Closed,  // the peer closed the connection
    Failed,  // the connection broke; the reason is in the error report
};

enum class TcpProgress {
    Connected, // the connection stands
    Pending,   // still being made: ask again
    Failed,    // no address of the host took it; the reason is in the error report
};

struct addrinfo;

class TcpClient : public QX_ErrorReport {
public:
    TcpClient() = default;
    ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Connects to a host name or address (IPv4 or IPv6) and port, waiting at most
    // `timeoutMilliseconds` in all. Closes an earlier connection first.
    bool Connect(const char* host, std::uint16_t port, int timeoutMilliseconds);
    // Begins a connection without waiting for it: the name is looked up (a numeric address or
    // the machine's own name at once) and its first address tried. Closes an earlier connection
    // first.
    TcpProgress BeginConnect(const char* host, std::uint16_t port);
    // Waits at most `timeoutMilliseconds` (0: only looks) for the connection begun; an address
    // that refuses it gives way to the host's next one.
    TcpProgress ContinueConnect(int timeoutMilliseconds);
    bool IsConnected() const { return handle != kNoHandle && !pending; }

    // Waits at most `timeoutMilliseconds` for bytes; `size` is the number placed in the buffer.
    TcpReceipt Receive(char* buffer, std::size_t capacity, int timeoutMilliseconds,
                       std::size_t& size);
    // Hands the system as many of the bytes as it takes at once; `sent` is how many (0 when its
    // buffers are full). False when the connection broke or was never made.
    bool SendSome(const char* data, std::size_t size, std::size_t& sent);
    void Close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    // What an attempt on one address gives while the connection is still being made.
    static constexpr int kUnderWay = -1;

    TcpProgress TryNextAddress(int lastError);
    void ReportFailure(const char* operation, int code);

    // The system's part, one source file per platform. LookUp: 0, or a failure whose words are
    // in `reason`. StartOne: 0 when connected at once, kUnderWay, or the system's error code;
    // `started` holds the socket unless it failed. Outcome: the same for a connection under way,
    // after waiting at most the timeout.
    static int LookUp(const char* host, std::uint16_t port, addrinfo*& found, char* reason,
                      int size);
    static addrinfo* AddressAfter(const addrinfo& address);
    static void Release(addrinfo* found); // none is fine
    static int StartOne(const addrinfo& address, std::intptr_t& started);
    static int Outcome(std::intptr_t socket, int timeoutMilliseconds);
    static void CloseSocket(std::intptr_t socket);

    std::intptr_t handle = kNoHandle;
    bool pending = false; // the handle's connection is still being made
    addrinfo* addresses = nullptr;
    addrinfo* nextAddress = nullptr;
    char where[kHostPortTextSize] = {};
};
