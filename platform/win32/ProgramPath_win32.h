#pragma once
// The running program's own file name, as the text functions ask for it when they look for the
// program's folder (SetProgramFileNameSource).

inline constexpr char kProgramPathWin32HeaderRevision[] =
    "%Z% Corvane QX4005:04 ProgramPath_win32.h $Revision: 1.1 $";

// Full file name of the program into buffer (size bytes, terminated); its length, 0 on failure
// or when the name did not fit.
int GetProgramFileName(char* buffer, int size);
