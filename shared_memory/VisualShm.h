#pragma once
// CVisShm: this program's client of the "VisualInterface" block. It joins the block that the
// simulator side made (or makes a fresh one), checks the interface version and keeps the count
// of attached clients inside the block. Whether a block is in use, and whether it goes with this
// client, is asked of the system, which tells who holds the block: a peer need not count itself.

#include "shared_memory/BaseSharedMemory.h"
#include "shared_memory/VisualInterfaceShm.h"

inline constexpr char kVisualShmHeaderRevision[] =
    "%Z% CVisShm QX2083:02 VisualShm.h $Revision: 1.2 $";

class CVisShm : public BaseSharedMemory {
public:
    // Attaches at once; the outcome is read with IsValid. The name is "VisualInterface" in the
    // program; tests give names of their own.
    explicit CVisShm(const char* name = kVisualInterfaceName);
    // Detaches.
    ~CVisShm();

    // Leaves the block: a valid client lowers attachCount, and the last one counted (count 1 or
    // less) sets it to 0, removes the block's name when no one else holds the block (a POSIX
    // object would outlive its users otherwise; a Windows one goes with its last handle) and
    // releases its view. A client that is not valid leaves the block alone; one whose block is
    // no longer intact abandons it (Abandon). Afterwards IsValid is false; a second call does
    // nothing.
    void Detach();
    // Leaves a block that is no longer whole (see IsBlockIntact): takes a valid client's count
    // back where the object still holds it, writes nothing else and releases the view.
    // Afterwards IsValid is false.
    void Abandon();

    // Makes this client the block's one feeder, for as long as it stays attached. False when
    // another feeder holds the block: this client then detaches, and the error text says why.
    // Other clients join and leave as they please.
    bool ClaimFeeder();

    // Only then may GetBlock be used as a VisualInterfaceBlock.
    bool IsValid() const { return attached && versionOk; }
    // The block's versionTag equals VersionTag().
    bool CheckVersion() const;

    // The interface version tag of this build.
    static const char* VersionTag();
    // The text after the first "QXXXXX" in `identifier`, or "QXXXXX" when it holds none.
    static const char* VersionTagOf(const char* identifier);

private:
    enum class Step { Settled, Retry };

    void Attach();
    Step TryAttach(bool& created, bool lastAttempt);
    Step AttachLocked(bool created, bool lastAttempt);
    bool RefuseShortBlock();
    Step Settle(bool created, bool lastAttempt);
    bool IsUnused();
    void Join();
    void StartAfresh();
    bool HasBlankTag() const;
    void ReportSystemError();
    void ReportLockFailure(const char* where, const char* heldText);

    VisualInterfaceBlock* mappedBlock = nullptr;
    bool attached = false;
    bool versionOk = false;
};
