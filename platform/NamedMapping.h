#pragma once
// A named block of memory shared between processes on one machine. On Windows it is a
// paging-file-backed file mapping; on POSIX systems a shm_open object "/<name>".
//
// Handles are released only by UnmapAndClose (or by the system when the process ends); the
// destructor releases nothing, so a view handed out stays valid after its owner is gone.
//
// Every view is watched by a ViewGuard: a peer that shrinks a POSIX object under it makes the
// view lost (ViewLost) instead of killing the process.

#include "platform/ViewGuard.h"

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr char kNamedMappingHeaderRevision[] =
    "%Z% NamedMapping QX4001:02 NamedMapping.h $Revision: 1.2 $";

class NamedMapping {
public:
    // Advisory locks bound to the object, not to its name. On POSIX systems a lock on one byte
    // of the object through the handle of Open, so that two holders exclude each other even
    // within one process; on Windows a mutex named "<name>.Lifecycle" or "<name>.Feeder", which
    // the threads of one process share with each other. A lock goes with ReleaseLock,
    // UnmapAndClose or the end of the process, however it ends.
    enum class Lock { Lifecycle, Feeder };

    NamedMapping() = default;
    NamedMapping(const NamedMapping&) = delete;
    NamedMapping& operator=(const NamedMapping&) = delete;

    // Creates the object `name` with `size` bytes (mode 0600 on POSIX), or joins an existing one
    // of that name, whose size is then left as it is. `existed` tells which happened. A POSIX
    // object gets its pages at once: where they cannot be had (a full /dev/shm) the call fails
    // with the system's code and no object is left behind.
    bool CreateOrJoin(const char* name, std::uint32_t size, bool& existed);
    // Opens an existing object by name; never creates.
    bool Open(const char* name);
    // Maps the whole object that Open opened, read-write.
    bool Map();
    // Unmaps the view and closes the handles held, locks included; results are not examined.
    void UnmapAndClose();
    // Maps the opened object anew, as it is now: a view lost to a shrink (ViewLost) is given up
    // and the new one shares the object's pages again, as far as the object still reaches.
    bool Remap();

    // Takes `lock` for this holder, waiting up to about waitMs while another holds it. False
    // when it stays taken (LastError then 0) or cannot be had at all (LastError the system's
    // code). Taking a lock held already is a success.
    bool TakeLock(Lock lock, std::uint32_t waitMs);
    void ReleaseLock(Lock lock);
    // Removes the name of the opened object, and only while the name still leads to that very
    // object: a peer may have made a new one under it. A Windows name goes with its last
    // handle, so there this does nothing.
    void RemoveName();

    // Who holds the object that Open opened, this object's own handle and view aside.
    enum class Holders {
        None,   // no one: a POSIX object lives on by its name alone
        Others, // another handle or view, in this process or another; also where the system
                // cannot be asked, or keeps a process that could have opened the object from view
    };
    // A Windows mapping goes with its last handle or view: one that this holder opened without
    // making it had a holder then, and counts as held for good, since a holder with a view alone
    // escapes the system's count. Of one made here, the system counts the other handles.
    Holders OtherHolders();

    void* Address() const { return address; }
    std::size_t MappedSize() const { return mappedSize; }
    // The object's size as the system sees it now: a peer may have shrunk a POSIX object under
    // the view, and touching a page past its new end kills the process. A Windows mapping
    // cannot shrink, so there it is the mapped size. 0 without a view or when the query fails.
    std::size_t CurrentSize();
    // True when the object's name was removed while this view holds it: a peer that creates the
    // name again gets a new object and never meets this one. A Windows name lasts as long as any
    // handle, so there it is never removed.
    bool NameRemoved();
    // A peer shrank the object and an access went past its end: the view holds private zero
    // pages now, and what is written to it reaches no one.
    bool ViewLost() const { return guard.Lost(); }
    // System error code of the last call of this object that failed (0 when none failed).
    int LastError() const { return lastError; }

    // Removes the name of a stale object; peers that hold it keep their views. On Windows, where
    // an object ends with its last handle, this succeeds and does nothing. Returns the system
    // error code, 0 on success.
    static int Unlink(const char* name);
    // Whether a name outlives its holders, so that a stale object can be left behind and removed
    // (POSIX); a Windows mapping goes with its last holder, name and all.
    static bool NamesOutliveHolders();
    // The system's message text for `code`, cut to `capacity`, always terminated.
    static void ErrorText(int code, char* buffer, std::size_t capacity);

private:
    void ReleaseView();

    static constexpr std::intptr_t kNoHandle = -1;

    std::intptr_t handle = kNoHandle;
    void* address = nullptr;
    std::size_t mappedSize = 0;
    int lastError = 0;
    std::string openedName; // as given to Open
    ViewGuard guard;
    // Only a Windows holder fills these; on POSIX systems they stay kNoHandle. A Windows mapping
    // ends with its last handle, so the handle of the creation step is kept until UnmapAndClose,
    // where a POSIX object lives on by its name. A Windows lock is a mutex of its own (Lock
    // order), where a POSIX lock lives on `handle`. `madeHere`: the creation step made the
    // mapping, which no one else held then (see OtherHolders).
    [[maybe_unused]] std::intptr_t creationHandle = kNoHandle;
    [[maybe_unused]] std::intptr_t lockHandles[2] = {kNoHandle, kNoHandle};
    [[maybe_unused]] bool madeHere = false;
};
