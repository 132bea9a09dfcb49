#pragma once
// Named shared memory between processes, without any knowledge of a layout: a derived class
// sets the mapping name and size and interprets the bytes. Every failed step leaves its text
// in the error report.

#include "error_report/QX_ErrorReport.h"
#include "platform/NamedMapping.h"

#include <cstddef>
#include <cstdint>

inline constexpr char kBaseSharedMemoryHeaderRevision[] =
    "%Z% BaseSharedMemory QX2082:02 BaseSharedMemory.h $Revision: 1.3 $";

class BaseSharedMemory : public QX_ErrorReport {
public:
    static constexpr int kMappingNameSize = 128;

    BaseSharedMemory();
    // Releases nothing: whether the view goes is the derived class's decision (Unmap).
    ~BaseSharedMemory() = default;
    BaseSharedMemory(const BaseSharedMemory&) = delete;
    BaseSharedMemory& operator=(const BaseSharedMemory&) = delete;

    // Creates the mapping `mappingName` with `size` bytes, or joins the existing one.
    bool CreateMapping(std::uint32_t size);
    bool OpenMapping();
    // Maps the whole mapping opened by OpenMapping.
    bool MapView();
    bool CreateAndMap();
    bool OpenAndMap();
    void Unmap();

    void* GetBlock() const { return mapping.Address(); }
    // Bytes mapped, which can differ from blockSize when a peer made the mapping.
    std::size_t GetMappedSize() const { return mapping.MappedSize(); }
    // Whether the last successful CreateMapping joined a mapping that already existed.
    bool MappingExisted() const { return mappingExisted; }
    // System error code of the last failed step (0 before any failure).
    int GetLastSystemError() const { return mapping.LastError(); }

    // Whether the object still holds the blockSize bytes in use. A peer can shrink a POSIX
    // object under the view; an access past its new end then finds zero pages of the view's own
    // (see ViewGuard) and the view is lost to the peer for good, so a user asks this before each
    // round of accesses. False, with the reason in the error report, when the object shrank, the
    // view was lost or there is no view.
    bool IsBlockIntact();
    // The peer removed the block's name: the view still works, but a peer that starts now makes
    // a block of its own and never meets this one.
    bool IsBlockNameRemoved() { return mapping.NameRemoved(); }

    // Zeroes the first n bytes of the view. False, and nothing written, for n = 0, without a
    // view, or when n goes past the end of the mapping.
    bool ClearBlock(std::uint32_t n);

protected:
    // The block's advisory locks (see NamedMapping::Lock) and the removal of its name; they
    // act on the object opened by OpenMapping.
    bool LockMapping(NamedMapping::Lock lock, std::uint32_t waitMs) {
        return mapping.TakeLock(lock, waitMs);
    }
    void UnlockMapping(NamedMapping::Lock lock) { mapping.ReleaseLock(lock); }
    void RemoveMappingName() { mapping.RemoveName(); }
    // Who else holds the mapping (see NamedMapping::OtherHolders).
    NamedMapping::Holders OtherHolders() { return mapping.OtherHolders(); }
    // Maps the opened mapping anew, as it is now (see NamedMapping::Remap).
    bool RemapView() { return mapping.Remap(); }

    // Names longer than kMappingNameSize-1 characters are refused (left empty), never cut to
    // the name of some other mapping; a null name counts as empty.
    void SetMappingName(const char* name);

    char mappingName[kMappingNameSize] = {};
    std::uint32_t blockSize = 0;

private:
    void ReportFailedStep(const char* step);

    NamedMapping mapping;
    bool mappingExisted = false;
};
