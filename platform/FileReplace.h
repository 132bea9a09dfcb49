#pragma once
// Files that other programs may be reading: a new file put in the place of an old one in one
// step, so that a reader finds the whole old file or the whole new one and never half of it; and
// whether two names lead to one file (links followed), so that a tool never writes over its own
// input. One source file per platform.

#include "error_report/QX_ErrorReport.h"

inline constexpr char kFileReplaceHeaderRevision[] =
    "%Z% FileReplace QX4009:01 FileReplace.h $Revision: 1.1 $";

class FileReplace : public QX_ErrorReport {
public:
    // Renames `from` to `to`, replacing a file of that name. False, with "FileReplace::Replace",
    // the system's reason and the target in the error report, when that cannot be done; `from`
    // is then left as it was.
    bool Replace(const char* from, const char* to);
};

// True when both names exist and lead to the same file: through a hard or symbolic link, or
// another spelling of the path. A name that does not exist leads to no file.
bool IsSameFile(const char* first, const char* second);
