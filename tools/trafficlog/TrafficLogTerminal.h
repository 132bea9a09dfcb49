// What the trafficlog program needs to know of its terminal; one source file per platform.
#pragma once

inline constexpr char kTrafficLogTerminalHeaderRevision[] =
    "%Z% TrafficLog QX5002:19 TrafficLogTerminal.h $Revision: 1.1 $";

bool StandardErrorIsTerminal();
