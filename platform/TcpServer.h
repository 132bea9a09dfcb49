#pragma once
// A TCP server of the kind a receiver runs for its BaseStation port: it listens on a port of
// every IPv4 address of the machine, takes clients as they come and hands each the bytes it is
// sent without ever waiting for a slow one. Failures return false (or TcpAccept::Failed) and
// leave "TcpServer::<operation>" or "TcpServerClient::<operation>", the system's reason and the
// address in the error report. One source file per platform.

#include "error_report/QX_ErrorReport.h"

#include <cstddef>
#include <cstdint>

inline constexpr char kTcpServerHeaderRevision[] =
    "%Z% TcpServer QX4013:01 TcpServer.h $Revision: 1.1 $";

enum class TcpAccept {
    Client,  // a client was taken
    Nothing, // the timeout passed (or a signal came, or no connection can be taken now)
    Failed,  // the listening socket broke; the reason is in the error report
};

// One client taken by a TcpServer.
class TcpServerClient : public QX_ErrorReport {
public:
    static constexpr int kNameSize = 64;

    TcpServerClient() = default;
    ~TcpServerClient();
    TcpServerClient(const TcpServerClient&) = delete;
    TcpServerClient& operator=(const TcpServerClient&) = delete;

    // Hands the system as many of the bytes as it takes at once; `sent` is how many (0 when its
    // buffers are full). False when the client has gone or the connection broke.
    bool SendSome(const char* data, std::size_t size, std::size_t& sent);
    bool IsConnected() const { return handle != kNoHandle; }
    // "ADDRESS:PORT" of the client.
    const char* Name() const { return name; }
    void Close();

private:
    friend class TcpServer;
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle = kNoHandle;
    char name[kNameSize] = {};
};

class TcpServer : public QX_ErrorReport {
public:
    TcpServer() = default;
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    // Listens on `port` (0: a free one) of every IPv4 address. A port that another program
    // holds is refused, on Windows too.
    bool Listen(std::uint16_t port);
    std::uint16_t Port() const { return port; }
    // Waits at most `timeoutMilliseconds` for a client; on Client, `client` holds it (an earlier
    // connection there is closed first).
    TcpAccept Accept(int timeoutMilliseconds, TcpServerClient& client);
    void Close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle = kNoHandle;
    std::uint16_t port = 0;
};
