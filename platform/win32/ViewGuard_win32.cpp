// A Windows mapping keeps its size while a view of it is mapped, so no access through a view
// can fault for a peer's doing: nothing to watch.

#include "platform/ViewGuard.h"

[[maybe_unused]] static const char kViewGuardWin32Revision[] =
    "%Z% NamedMapping QX4001:05 ViewGuard_win32.cpp $Revision: 1.1 $";

bool ViewGuard::Watch(void*, std::size_t) {
    return true;
}

void ViewGuard::Release() {}

bool ViewGuard::Lost() const {
    return false;
}
