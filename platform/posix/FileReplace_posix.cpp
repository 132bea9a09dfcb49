// rename() replaces the target in one step; a reader that has it open keeps the old file.

#include "platform/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

[[maybe_unused]] static const char kFileReplacePosixRevision[] =
    "%Z% FileReplace QX4009:02 FileReplace_posix.cpp $Revision: 1.1 $";

bool FileReplace::Replace(const char* from, const char* to) {
    if (std::rename(from, to) != 0) {
        ReportDetail("FileReplace::Replace", std::strerror(errno), to);
        return false;
    }
    return true;
}

bool IsSameFile(const char* first, const char* second) {
    struct stat a = {};
    struct stat b = {};
    return stat(first, &a) == 0 && stat(second, &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}
