#pragma once
// Where the program finds its files: the traffic data file when the user names none (each
// platform keeps it in the place its users look for add-on data), and the program's own file.

inline constexpr char kProgramPathHeaderRevision[] =
    "%Z% Corvane QX4004:03 ProgramPath.h $Revision: 1.1 $";

// Writes the full path of the default traffic data file into buffer (size bytes, terminated).
// False, with the buffer emptied, when no data folder is known or the path does not fit.
bool GetTrafficDataFilePath(char* buffer, int size);

// Full file name of the running program into buffer (size bytes, terminated); its length, 0 on
// failure or when the name did not fit (a cut name would point at some other file). The text
// functions look for the program's folder through it (SetProgramFileNameSource).
int GetProgramFileName(char* buffer, int size);
