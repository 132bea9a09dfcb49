// The platform-neutral part of TcpClient: connecting address by address, with a timeout or
// without waiting, over the system's part of each platform.
#include "platform/TcpClient.h"

#include <chrono>

[[maybe_unused]] static const char kTcpClientRevision[] =
    "%Z% TcpClient QX4008:04 TcpClient.cpp $Revision: 1.1 $";

namespace {
constexpr int kReasonSize = 256;
} // namespace

TcpClient::~TcpClient() {
    Close();
}

bool TcpClient::Connect(const char* host, std::uint16_t port, int timeoutMilliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    TcpProgress progress = BeginConnect(host, port);
    while (progress == TcpProgress::Pending) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            Close();
            ReportDetail("TcpClient::Connect", "Connection timed out", where);
            return false;
        }
        progress = ContinueConnect(static_cast<int>(left));
    }
    return progress == TcpProgress::Connected;
}

TcpProgress TcpClient::BeginConnect(const char* host, std::uint16_t port) {
    Close();
    FormatHostPort(where, sizeof where, host, port);
    char reason[kReasonSize];
    if (LookUp(host, port, addresses, reason, kReasonSize) != 0) {
        addresses = nullptr;
        ReportDetail("TcpClient::Connect", reason, where);
        return TcpProgress::Failed;
    }
    nextAddress = addresses;
    return TryNextAddress(0);
}

// Starts on the addresses not yet tried until one connects or is under way; the last failure
// is the one reported when none is left.
TcpProgress TcpClient::TryNextAddress(int lastError) {
    while (nextAddress != nullptr) {
        const addrinfo& address = *nextAddress;
        nextAddress = AddressAfter(address);
        std::intptr_t started = kNoHandle;
        lastError = StartOne(address, started);
        if (lastError == 0 || lastError == kUnderWay) {
            handle = started;
            pending = lastError == kUnderWay;
            if (!pending) {
                Release(addresses);
                addresses = nextAddress = nullptr;
            }
            return pending ? TcpProgress::Pending : TcpProgress::Connected;
        }
    }
    Release(addresses);
    addresses = nullptr;
    ReportFailure("TcpClient::Connect", lastError);
    return TcpProgress::Failed;
}

TcpProgress TcpClient::ContinueConnect(int timeoutMilliseconds) {
    if (!pending) {
        if (handle != kNoHandle) {
            return TcpProgress::Connected;
        }
        ReportDetail("TcpClient::Connect", "no connection begun", where);
        return TcpProgress::Failed;
    }
    const int outcome = Outcome(handle, timeoutMilliseconds);
    if (outcome == kUnderWay) {
        return TcpProgress::Pending;
    }
    pending = false;
    if (outcome == 0) {
        Release(addresses);
        addresses = nextAddress = nullptr;
        return TcpProgress::Connected;
    }
    CloseSocket(handle);
    handle = kNoHandle;
    return TryNextAddress(outcome);
}

void TcpClient::ReportFailure(const char* operation, int code) {
    char reason[kReasonSize];
    ReportDetail(operation, SocketErrorText(code, reason, kReasonSize), where);
}

void TcpClient::Close() {
    if (handle != kNoHandle) {
        CloseSocket(handle);
        handle = kNoHandle;
    }
    pending = false;
    Release(addresses);
    addresses = nextAddress = nullptr;
}
