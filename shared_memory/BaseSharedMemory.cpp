#include "shared_memory/BaseSharedMemory.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"

#include <cstring>

static const char kBaseSharedMemoryRevision[] =
    "%Z% BaseSharedMemory QX2082:01 BaseSharedMemory.cpp $Revision: 1.7 $";

namespace {

constexpr int kMessageSize = 1024;

ModuleRevisions revisions{"Base Shared Memory Class ", kBaseSharedMemoryHeaderRevision,
                          kBaseSharedMemoryRevision};

} // namespace

BaseSharedMemory::BaseSharedMemory() {
    revisions.Register();
}

void BaseSharedMemory::SetMappingName(const char* name) {
    const int length =
        FormatBounded(mappingName, kMappingNameSize, "%s", name != nullptr ? name : "");
    if (length < 0 || length >= kMappingNameSize) {
        mappingName[0] = '\0';
    }
}

bool BaseSharedMemory::CreateMapping(std::uint32_t size) {
    bool existed = false;
    if (!mapping.CreateOrJoin(mappingName, size, existed)) {
        ReportFailedStep("Creating Shared memory");
        return false;
    }
    mappingExisted = existed;
    return true;
}

bool BaseSharedMemory::OpenMapping() {
    if (!mapping.Open(mappingName)) {
        ReportFailedStep("OpenFileMapping");
        return false;
    }
    return true;
}

bool BaseSharedMemory::MapView() {
    if (!mapping.Map()) {
        ReportFailedStep("MapViewOfFile");
        return false;
    }
    return true;
}

bool BaseSharedMemory::CreateAndMap() {
    return CreateMapping(blockSize) && OpenAndMap();
}

bool BaseSharedMemory::OpenAndMap() {
    return OpenMapping() && MapView();
}

void BaseSharedMemory::Unmap() {
    mapping.UnmapAndClose();
}

// The step's name and the system's code of its failure; the text stays until the next report.
void BaseSharedMemory::ReportFailedStep(const char* step) {
    char message[kMessageSize];
    FormatBounded(message, kMessageSize, "%s (Code: %d)", step, mapping.LastError());
    SetErrorText(message);
}

// A lost view is reported even when the peer has grown the object again since: the view no
// longer shares its pages.
bool BaseSharedMemory::IsBlockIntact() {
    const std::size_t size = mapping.CurrentSize();
    const bool lost = mapping.ViewLost();
    if (GetBlock() != nullptr && size >= blockSize && !lost) {
        return true;
    }
    char message[kMessageSize];
    if (lost) {
        FormatBounded(message, kMessageSize, "Shared memory block shrank while in use, %u needed",
                      static_cast<unsigned>(blockSize));
    } else {
        FormatBounded(message, kMessageSize, "Shared memory block shrank to %zu bytes, %u needed",
                      size, static_cast<unsigned>(blockSize));
    }
    ReportError("BaseSharedMemory::IsBlockIntact", message);
    return false;
}

bool BaseSharedMemory::ClearBlock(std::uint32_t n) {
    if (n == 0 || GetBlock() == nullptr || n > GetMappedSize()) {
        return false;
    }
    std::memset(GetBlock(), 0, n);
    return true;
}
