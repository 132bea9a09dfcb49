#include "shared_memory/VisualShm.h"

#include "text_functions/TextFunctions.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <string_view>
#include <thread>

[[maybe_unused]] static const char kVisualShmRevision[] =
    "%Z% CVisShm QX2083:01 VisualShm.cpp $Revision: 1.2 $";

namespace {

constexpr char kWhere[] = "CVisShm::CVisShm";
constexpr char kPlaceholder[] = "QXXXXX";
constexpr int kMessageSize = 1024;
constexpr std::int32_t kMaxCount = std::numeric_limits<std::int32_t>::max();
// A join or a detach holds the lifecycle lock for microseconds; a holder that keeps it this long
// is stuck (a stopped process).
constexpr std::uint32_t kLifecycleWaitMs = 2000;
constexpr char kLockStuck[] = "Shared memory block is locked by a client that does not let go";
// A creator gives the object its size right after making it; a client that finds it empty, or
// its name removed by the block's last client, looks again this many times, 1 ms apart.
constexpr int kAttachAttempts = 100;

// Peers in other processes change attachCount too, so every change is one atomic
// read-modify-write of the field itself.
using AttachCounter = std::atomic_ref<std::int32_t>;
static_assert(AttachCounter::is_always_lock_free);
static_assert(offsetof(VisualInterfaceBlock, attachCount) % AttachCounter::required_alignment == 0);
// A block cut shorter than this has lost the count along with the rest.
constexpr std::size_t kCountEnd =
    offsetof(VisualInterfaceBlock, attachCount) + sizeof(std::int32_t);

// Takes this client out of the count; true when no other client was counted (1 or less).
bool LeaveCount(VisualInterfaceBlock& block) {
    AttachCounter counter(block.attachCount);
    std::int32_t count = counter.load();
    while (!counter.compare_exchange_weak(count, count > 1 ? count - 1 : 0)) {
    }
    return count <= 1;
}

} // namespace

CVisShm::CVisShm(const char* name) {
    SetMappingName(name);
    blockSize = kVisualInterfaceSize;
    Attach();
}

CVisShm::~CVisShm() {
    Detach();
}

const char* CVisShm::VersionTagOf(const char* identifier) {
    const char* found = std::strstr(identifier, kPlaceholder);
    return found == nullptr ? kPlaceholder : found + std::strlen(kPlaceholder);
}

const char* CVisShm::VersionTag() {
    return VersionTagOf(kVisualInterfaceRevision);
}

bool CVisShm::CheckVersion() const {
    if (mappedBlock == nullptr) {
        return false;
    }
    const char* tag = mappedBlock->versionTag;
    const void* end = std::memchr(tag, '\0', kVersionTagSize);
    const auto length = end == nullptr ? kVersionTagSize : static_cast<const char*>(end) - tag;
    return std::string_view(tag, static_cast<std::size_t>(length)) == VersionTag();
}

// Open comes first, so a block that the simulator side made is joined without being cleared.
// Whether this client starts the block or joins it is decided by what the block holds and by who
// else holds it, under the block's lifecycle lock (see Settle): a peer may have started the block
// between this client's creation and its look. A blank block this client made stays its own to
// start through later attempts, though a peer may have opened it, or cut it to nothing, since.
void CVisShm::Attach() {
    bool created = false;
    for (int attempt = 1; attempt <= kAttachAttempts; ++attempt) {
        if (TryAttach(created, attempt == kAttachAttempts) == Step::Settled) {
            return;
        }
        Unmap();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The creation step may join a block whose last client removes its name before the open.
CVisShm::Step CVisShm::TryAttach(bool& created, bool lastAttempt) {
    if (!OpenMapping()) {
        const bool made = CreateMapping(blockSize);
        if (!made || !OpenMapping()) {
            if (made && !lastAttempt) {
                return Step::Retry;
            }
            ReportSystemError();
            return Step::Settled;
        }
        created = created || !MappingExisted();
    }
    if (!LockMapping(NamedMapping::Lock::Lifecycle, kLifecycleWaitMs)) {
        ReportLockFailure(kWhere, kLockStuck);
        Unmap();
        return Step::Settled;
    }
    const Step step = AttachLocked(created, lastAttempt);
    UnlockMapping(NamedMapping::Lock::Lifecycle);
    return step;
}

// Three races are waited out: the last client of the block removed its name while this one
// waited for the lock (a new block is due), a creator has made the object but not yet given it
// its size, and one has not yet written its tag (see Settle).
CVisShm::Step CVisShm::AttachLocked(bool created, bool lastAttempt) {
    if (!MapView()) {
        ReportSystemError();
        return Step::Settled;
    }
    if ((IsBlockNameRemoved() || GetMappedSize() == 0) && !lastAttempt) {
        return Step::Retry;
    }
    if (RefuseShortBlock()) {
        return Step::Settled;
    }
    mappedBlock = static_cast<VisualInterfaceBlock*>(GetBlock());
    const Step step = Settle(created, lastAttempt);
    attached = step == Step::Settled;
    mappedBlock = attached ? mappedBlock : nullptr;
    return step;
}

// A block shorter than the layout (a broken peer, a leftover) is never touched: any access
// past its end would kill the program.
bool CVisShm::RefuseShortBlock() {
    if (GetMappedSize() >= kVisualInterfaceSize) {
        return false;
    }
    char message[kMessageSize];
    FormatBounded(message, kMessageSize, "Shared memory block has %zu bytes, %u needed",
                  GetMappedSize(), static_cast<unsigned>(kVisualInterfaceSize));
    Unmap();
    ReportError(kWhere, message);
    return true;
}

// A block that this client made, or that no one else holds, is new (all zero), or left by a run
// that has ended, with that run's traffic and simulation state in it, or by a creator that died
// before writing the tag. It is started as its creator would start it. A block that another
// holds is joined as it is: the simulator side may have made it, and it need not count itself.
// Held with a blank tag, it is one whose creator is still at work: looked at again, and refused
// like another interface version's when the tag does not come.
CVisShm::Step CVisShm::Settle(bool created, bool lastAttempt) {
    versionOk = CheckVersion();
    const bool blank = HasBlankTag();
    if ((versionOk || blank) && ((created && blank) || IsUnused())) {
        StartAfresh();
    } else if (versionOk) {
        Join();
    } else if (blank && !lastAttempt) {
        return Step::Retry;
    } else {
        ReportError(kWhere, "Shared Memory Version Mismatch\nPlease rebuild software");
    }
    return Step::Settled;
}

// Asked of the system, never of the count: a peer need not count itself. On Windows a block
// this client opened without making it is held by someone, as a mapping goes with its last
// holder there.
bool CVisShm::IsUnused() {
    return OtherHolders() == NamedMapping::Holders::None;
}

// The count stops at its top rather than wrap to a negative number of clients.
void CVisShm::Join() {
    AttachCounter counter(mappedBlock->attachCount);
    std::int32_t count = counter.load();
    while (!counter.compare_exchange_weak(count, count == kMaxCount ? count : count + 1)) {
    }
}

void CVisShm::StartAfresh() {
    ClearBlock(kVisualInterfaceSize);
    CopyBounded(mappedBlock->versionTag, VersionTag(), kVersionTagSize);
    AttachCounter(mappedBlock->attachCount).store(1);
    versionOk = true;
}

bool CVisShm::HasBlankTag() const {
    const char* tag = mappedBlock->versionTag;
    return std::all_of(tag, tag + kVersionTagSize, [](char byte) { return byte == '\0'; });
}

void CVisShm::ReportSystemError() {
    char message[kMessageSize];
    NamedMapping::ErrorText(GetLastSystemError(), message, kMessageSize);
    ReportError(kWhere, message);
}

// A lock that another holder keeps (no system error) is the peer's doing and is told as such;
// a lock that cannot be had at all gets the system's reason.
void CVisShm::ReportLockFailure(const char* where, const char* heldText) {
    char message[kMessageSize];
    if (GetLastSystemError() != 0) {
        NamedMapping::ErrorText(GetLastSystemError(), message, kMessageSize);
        heldText = message;
    }
    ReportError(where, heldText);
}

// Only a valid client took part in the count. A client that was not the last counted leaves its
// view mapped, as the block may still be in use through it until the process ends. The last one
// removes the name, but only when no one else holds the block (a peer need not count itself),
// and under the lifecycle lock, so that no client joins a block on its way out; without the
// lock it leaves the name, as removing it could strand a client joining now. A name left by a
// client that died counted goes with the next client's start and end.
void CVisShm::Detach() {
    if (!IsValid()) {
        return;
    }
    if (!IsBlockIntact()) {
        Abandon();
        return;
    }
    UnlockMapping(NamedMapping::Lock::Feeder);
    const bool locked = LockMapping(NamedMapping::Lock::Lifecycle, kLifecycleWaitMs);
    const bool last = LeaveCount(*mappedBlock);
    if (last && locked && OtherHolders() == NamedMapping::Holders::None) {
        RemoveMappingName();
    }
    UnlockMapping(NamedMapping::Lock::Lifecycle);
    if (last) {
        Unmap();
        mappedBlock = nullptr;
        attached = false;
    }
    versionOk = false;
}

// The view's pages may be lost, but the object may still hold this client's count: a fresh view
// of what is left of it takes the count back. The name stays with the peer that shrank the block.
void CVisShm::Abandon() {
    if (IsValid() && RemapView() && GetMappedSize() >= kCountEnd) {
        LeaveCount(*static_cast<VisualInterfaceBlock*>(GetBlock()));
    }
    Unmap();
    mappedBlock = nullptr;
    attached = false;
    versionOk = false;
}

bool CVisShm::ClaimFeeder() {
    if (!IsValid()) {
        return false;
    }
    if (LockMapping(NamedMapping::Lock::Feeder, 0)) {
        return true;
    }
    char message[kMessageSize];
    FormatBounded(message, kMessageSize,
                  "Another feeder already feeds shared block \"%s\": only one may", mappingName);
    ReportLockFailure("CVisShm::ClaimFeeder", message);
    Detach();
    return false;
}
