#pragma once
// Where the program finds its traffic data file when the user names none. Each platform keeps
// it in the place its users look for add-on data.

inline constexpr char kProgramPathHeaderRevision[] =
    "%Z% Corvane QX4004:03 ProgramPath.h $Revision: 1.1 $";

// Writes the full path of the default traffic data file into buffer (size bytes, terminated).
// False, with the buffer emptied, when no data folder is known or the path does not fit.
bool GetTrafficDataFilePath(char* buffer, int size);
