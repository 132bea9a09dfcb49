#include "shared_memory/VisualShm.h"

#include "text_functions/TextFunctions.h"

#include <atomic>
#include <cstring>
#include <string_view>

[[maybe_unused]] static const char kVisualShmRevision[] =
    "%Z% CVisShm QX2083:01 VisualShm.cpp $Revision: 1.1 $";

namespace {

constexpr char kWhere[] = "CVisShm::CVisShm";
constexpr char kPlaceholder[] = "QXXXXX";
constexpr int kMessageSize = 1024;

// Peers in other processes change attachCount too, so every change is one atomic
// read-modify-write of the field itself.
using AttachCounter = std::atomic_ref<std::int32_t>;
static_assert(AttachCounter::is_always_lock_free);
static_assert(offsetof(VisualInterfaceBlock, attachCount) % AttachCounter::required_alignment == 0);

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
// A create that finds a block made by a peer in the meantime joins it the same way, instead of
// wiping a block that the peer may already use.
void CVisShm::Attach() {
    const bool opened = OpenAndMap();
    if (!opened && !CreateAndMap()) {
        ReportSystemError();
        return;
    }
    if (RefuseShortBlock()) {
        return;
    }
    mappedBlock = static_cast<VisualInterfaceBlock*>(GetBlock());
    attached = true;
    if (opened || MappingExisted()) {
        Join();
    } else {
        Initialise();
    }
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

void CVisShm::Join() {
    versionOk = CheckVersion();
    if (versionOk) {
        AttachCounter(mappedBlock->attachCount).fetch_add(1);
    } else {
        ReportError(kWhere, "Shared Memory Version Mismatch\nPlease rebuild software");
    }
}

void CVisShm::Initialise() {
    ClearBlock(kVisualInterfaceSize);
    CopyBounded(mappedBlock->versionTag, VersionTag(), kVersionTagSize);
    AttachCounter(mappedBlock->attachCount).store(1);
    versionOk = true;
}

void CVisShm::ReportSystemError() {
    char message[kMessageSize];
    NamedMapping::ErrorText(GetLastSystemError(), message, kMessageSize);
    ReportError(kWhere, message);
}

// Only a valid client took part in the count. A client that was not the last leaves its view
// mapped, as the block may still be in use through it until the process ends.
void CVisShm::Detach() {
    if (!IsValid()) {
        return;
    }
    AttachCounter counter(mappedBlock->attachCount);
    std::int32_t count = counter.load();
    while (!counter.compare_exchange_weak(count, count > 1 ? count - 1 : 0)) {
    }
    if (count <= 1) {
        Unmap();
        mappedBlock = nullptr;
        attached = false;
    }
    versionOk = false;
}

void CVisShm::Abandon() {
    Unmap();
    mappedBlock = nullptr;
    attached = false;
    versionOk = false;
}
