// Paging-file-backed file mappings behind NamedMapping. The name goes to the system unchanged
// (no "Global\" or "Local\" prefix), so every process of the session meets the same object.

#include "platform/NamedMapping.h"

#include "text_functions/TextFunctions.h"

#include <windows.h>
#include <winternl.h>

#include <climits>

[[maybe_unused]] static const char kNamedMappingWin32Revision[] =
    "%Z% NamedMapping QX4005:01 NamedMapping_win32.cpp $Revision: 1.2 $";

namespace {

HANDLE AsHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

std::intptr_t FromHandle(HANDLE handle) {
    return handle == nullptr ? -1 : reinterpret_cast<std::intptr_t>(handle);
}

int LastSystemError() {
    return static_cast<int>(GetLastError());
}

// Kernel objects of all kinds share one namespace: the mutex may not take the mapping's name.
constexpr const char* kLockSuffixes[] = {"Lifecycle", "Feeder"};

int LockIndex(NamedMapping::Lock lock) {
    return lock == NamedMapping::Lock::Lifecycle ? 0 : 1;
}

} // namespace

// The handle of the creation step keeps the mapping in being until UnmapAndClose; a later
// creation replaces it only once the new handle is held.
bool NamedMapping::CreateOrJoin(const char* name, std::uint32_t size, bool& existed) {
    HANDLE created =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (created == nullptr) {
        lastError = LastSystemError();
        existed = false;
        return false;
    }
    existed = GetLastError() == ERROR_ALREADY_EXISTS;
    madeHere = madeHere || !existed;
    if (creationHandle != kNoHandle) {
        CloseHandle(AsHandle(creationHandle));
    }
    creationHandle = FromHandle(created);
    return true;
}

bool NamedMapping::Open(const char* name) {
    openedName = name;
    if (handle != kNoHandle) {
        CloseHandle(AsHandle(handle));
    }
    HANDLE opened = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    handle = FromHandle(opened);
    if (opened == nullptr) {
        lastError = LastSystemError();
        return false;
    }
    return true;
}

// The system tells the size of the region a view covers, not that of the mapping object: the
// size reported is the object's size rounded up to whole pages.
bool NamedMapping::Map() {
    void* view = handle == kNoHandle
                     ? nullptr
                     : MapViewOfFile(AsHandle(handle), FILE_MAP_ALL_ACCESS, 0, 0, 0);
    MEMORY_BASIC_INFORMATION region{};
    if (view == nullptr || VirtualQuery(view, &region, sizeof region) == 0) {
        lastError = handle == kNoHandle ? ERROR_INVALID_HANDLE : LastSystemError();
        if (view != nullptr) {
            UnmapViewOfFile(view);
        }
        address = nullptr;
        mappedSize = 0;
        return false;
    }
    address = view;
    mappedSize = region.RegionSize;
    guard.Watch(view, mappedSize);
    return true;
}

// A mapping cannot shrink while it is mapped.
std::size_t NamedMapping::CurrentSize() {
    return address != nullptr ? mappedSize : 0;
}

bool NamedMapping::NameRemoved() {
    return false;
}

void NamedMapping::ReleaseView() {
    guard.Release();
    if (address != nullptr) {
        UnmapViewOfFile(address);
    }
    address = nullptr;
    mappedSize = 0;
}

void NamedMapping::UnmapAndClose() {
    ReleaseLock(Lock::Lifecycle);
    ReleaseLock(Lock::Feeder);
    ReleaseView();
    for (std::intptr_t* held : {&handle, &creationHandle}) {
        if (*held != kNoHandle) {
            CloseHandle(AsHandle(*held));
        }
        *held = kNoHandle;
    }
    madeHere = false;
}

bool NamedMapping::Remap() {
    ReleaseView();
    return Map();
}

// The system counts a mapping's handles, not its views: a mapping found made may be held by a
// view alone. Of one made here, every handle beyond this holder's own (the creation step's and
// the opened one) belongs to another.
NamedMapping::Holders NamedMapping::OtherHolders() {
    if (handle == kNoHandle || !madeHere) {
        return Holders::Others;
    }
    PUBLIC_OBJECT_BASIC_INFORMATION counts{};
    if (!NT_SUCCESS(NtQueryObject(AsHandle(handle), ObjectBasicInformation, &counts, sizeof counts,
                                  nullptr))) {
        return Holders::Others;
    }
    const ULONG own = creationHandle != kNoHandle ? 2 : 1;
    return counts.HandleCount > own ? Holders::Others : Holders::None;
}

// A mutex whose holder ended without releasing it is abandoned, and the next wait takes it: a
// lock never outlives its process.
bool NamedMapping::TakeLock(Lock lock, std::uint32_t waitMs) {
    std::intptr_t& held = lockHandles[LockIndex(lock)];
    if (held != kNoHandle) {
        return true;
    }
    char mutexName[MAX_PATH];
    const int length = FormatBounded(mutexName, sizeof mutexName, "%s.%s", openedName.c_str(),
                                     kLockSuffixes[LockIndex(lock)]);
    if (length < 0 || length >= static_cast<int>(sizeof mutexName)) {
        lastError = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    HANDLE mutex = CreateMutexA(nullptr, FALSE, mutexName);
    if (mutex == nullptr) {
        lastError = LastSystemError();
        return false;
    }
    const DWORD outcome = WaitForSingleObject(mutex, waitMs);
    if (outcome == WAIT_OBJECT_0 || outcome == WAIT_ABANDONED) {
        held = FromHandle(mutex);
        return true;
    }
    lastError = outcome == WAIT_TIMEOUT ? 0 : LastSystemError();
    CloseHandle(mutex);
    return false;
}

void NamedMapping::ReleaseLock(Lock lock) {
    std::intptr_t& held = lockHandles[LockIndex(lock)];
    if (held != kNoHandle) {
        ReleaseMutex(AsHandle(held));
        CloseHandle(AsHandle(held));
        held = kNoHandle;
    }
}

void NamedMapping::RemoveName() {}

int NamedMapping::Unlink(const char*) {
    return 0;
}

bool NamedMapping::NamesOutliveHolders() {
    return false;
}

void NamedMapping::ErrorText(int code, char* buffer, std::size_t capacity) {
    const int size = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    char* message = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&message), 0, nullptr);
    if (length == 0 || message == nullptr) {
        FormatBounded(buffer, size, "System error %d", code);
        return;
    }
    CopyBounded(buffer, message, size);
    LocalFree(message);
}
