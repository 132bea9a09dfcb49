// What a command-line tool needs of its process beyond the standard library: standard input as
// bytes, and a stop asked for by an interrupt or termination signal (Ctrl+C on Windows).
#pragma once

inline constexpr char kProcessControlHeaderRevision[] =
    "%Z% TrafficLog QX5002:83 ProcessControl.h $Revision: 1.1 $";

// Standard input delivers its bytes unchanged (Windows would otherwise drop carriage returns
// and end at a Ctrl+Z byte).
void UseBinaryStandardInput();

// From now on SIGINT and SIGTERM only set the flag that StopRequested reads.
void CatchStopSignals();
bool StopRequested();
