#pragma once
// Winsock, started once for the process and left to the process's end: every socket service of
// the Windows build asks for it before its first call.

#include <winsock2.h>

inline constexpr char kWinsockHeaderRevision[] = "%Z% Winsock QX4013:04 Winsock.h $Revision: 1.1 $";

inline bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
