#pragma once
// Who holds a file, as Linux shows it in /proc: every process's open files (/proc/PID/fd) and
// mappings (/proc/PID/maps). A POSIX shared memory object lives on by its name whether or not
// anyone holds it, so only this tells a block in use from one left behind.

#include <sys/types.h>

inline constexpr char kFileHoldersHeaderRevision[] =
    "%Z% NamedMapping QX4001:06 FileHolders.h $Revision: 1.1 $";

// Whether anyone holds the file open on `fd` besides that handle itself and the mapping that
// starts at `view` (null for none): another handle or mapping of the file, in this process or
// any other. A write lease, which the system grants only while no other open of the file exists
// (to the file's owner, or a privileged process), settles what /proc does not show: a process
// that cannot be looked into counts only where no lease could be had. Anything the system does
// not answer counts as held.
bool FileHeldByOthers(int fd, const void* view);
