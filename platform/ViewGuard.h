#pragma once
// Keeps a peer that shrinks a shared object from killing this process. On POSIX systems a view
// of an object that a peer truncates raises SIGBUS at the first access past the object's new
// end; a watched view instead gets zero pages of its own in place of the lost ones, the access
// completes, and the view is marked lost for its owner to notice and give up. A fault anywhere
// else keeps the action it had. A Windows mapping cannot shrink while mapped: there a watched
// view is never lost.
//
// Like the view it watches, a watch outlives the guard object: only Release ends it, so a view
// that stays mapped after its owner is gone stays guarded.

#include <cstddef>

inline constexpr char kViewGuardHeaderRevision[] =
    "%Z% NamedMapping QX4001:03 ViewGuard.h $Revision: 1.1 $";

class ViewGuard {
public:
    // How many views one process can have watched at once.
    static constexpr int kMaxWatchedViews = 1024;

    ViewGuard() = default;
    ViewGuard(const ViewGuard&) = delete;
    ViewGuard& operator=(const ViewGuard&) = delete;

    // Watches the view of `length` bytes at `address` (as mmap returned it) until Release. False
    // when every place is taken: the view then goes unguarded, as before there was a guard.
    bool Watch(void* address, std::size_t length);
    // Ends the watch; call it before the view is unmapped.
    void Release();
    // A peer shrank the object under the watched view and an access went past its end: the view
    // now holds private zero pages and no longer meets the peer.
    bool Lost() const;

private:
    int slot = -1;
};
