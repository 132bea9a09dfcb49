#include "app/CorvaneDlg.h"

#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"

#include <cstring>
#include <new>

[[maybe_unused]] static const char kCorvaneDlgRunRevision[] =
    "%Z% Corvane QX1001:06 CorvaneDlgRun.cpp $Revision: 1.1 $";

namespace {

constexpr std::int32_t kTrafficStatusNotYetPublished = 99;
constexpr std::int32_t kOpenSettleMilliseconds = 100;
constexpr char kNoFileCaption[] = "TCAS:: No Aircraft Data File";
constexpr char kNoFileMessage[] = "No Data File";
constexpr char kTimerRefused[] = "Failed to set up Windows Timer";
constexpr char kNoClient[] = "CVisShm::CVisShm\nOut of memory";
// After the client's own text when the block itself is wrong (another version, another size):
// one left behind by an older or a crashed run is the usual cause, and this is its cure.
constexpr char kStaleBlockCure[] =
    "\nA block left by an older or a crashed run? Close Corvane and the simulator, then run "
    "corvane-sim --remove (add --name NAME for another block)";

// The block itself is wrong: the client joined it and found another version tag, or the block
// is shorter than the layout (the client then holds no view, so its size is looked up here).
bool IsBlockContentRefused(const CVisShm& client, const char* mappingName) {
    if (client.GetBlock() != nullptr) {
        return !client.CheckVersion();
    }
    NamedMapping probe;
    const bool shortBlock =
        probe.Open(mappingName) && probe.Map() && probe.MappedSize() < kVisualInterfaceSize;
    probe.UnmapAndClose();
    return shortBlock;
}

} // namespace

// Each failure returns at once and leaves the later steps undone; OnDestroy releases whatever
// was set up.
bool CTrafficFeedDlg::StartRun() {
    clockNow = clock.MonotonicSeconds();
    nextRequestTime = 0; // the first working frame requests at once
    requestInterval = kRequestIntervalSec;
    frameCount = 0;
    simEndCountdown = kSimEndFrames;

    if (!AttachVisualLink()) {
        return false;
    }
    if (!host.StartTimer(kFrameTimerId, kFramePeriodMs)) {
        messageText = kTimerRefused;
        RefreshControls();
        return false;
    }
    visualBlock->trafficStatus = kTrafficStatusNotYetPublished;
    std::memset(visualBlock->diagnosticText, 0, sizeof visualBlock->diagnosticText);
    alerts.SetUpSounds();

    // A live feeder waits for its file: the recorder may start after it, or replace the file.
    if (feedMode == FeedMode::Live) {
        liveReader.Start(dataFilePath.c_str());
    } else if (!OpenDataFileToPlay()) {
        RefreshControls();
        return false;
    }
    host.DisableControl(kIdcRecord);
    host.HideControl(kIdcRecord);
    return true;
}

// Opening takes the next line read as the file's header line. The file is given a moment after
// opening; a file that cannot be used brings up the box with the reader's reason and its cure.
bool CTrafficFeedDlg::OpenDataFileToPlay() {
    dataFileIdentity = IdentifyFile(dataFilePath.c_str());
    dataFileReadOut = false;
    const bool opened = reader.OpenTrafficDataFile(dataFilePath.c_str());
    clock.SleepMilliseconds(kOpenSettleMilliseconds);
    if (!opened) {
        host.ShowMessageBox(kNoFileCaption, reader.FullErrorText().c_str());
        messageText = kNoFileMessage;
    }
    return opened;
}

// A client that failed stays in visShm until OnDestroy; only a valid one lends its block, and
// only to the one feeder of the block (two would publish over each other).
bool CTrafficFeedDlg::AttachVisualLink() {
    visShm.reset(new (std::nothrow) CVisShm(mappingName.c_str()));
    if (visShm == nullptr || !visShm->IsValid() || !visShm->ClaimFeeder()) {
        messageText = visShm != nullptr ? visShm->GetErrorText() : kNoClient;
        if (visShm != nullptr && IsBlockContentRefused(*visShm, mappingName.c_str())) {
            messageText += kStaleBlockCure;
        }
        visualBlock = nullptr;
        RefreshControls();
        return false;
    }
    visualBlock = static_cast<VisualInterfaceBlock*>(visShm->GetBlock());
    return true;
}

// The block address goes with the client: the view may be released with it.
void CTrafficFeedDlg::DetachVisualLink() {
    visualBlock = nullptr;
    visShm.reset();
}

// A peer can shrink the block under the view (POSIX), and the next access would kill the
// program. The run stops using the block and says why; the window stays open so that the
// operator sees the message. The block's memory may be gone, so it is left untouched.
bool CTrafficFeedDlg::CheckVisualLink() {
    if (visShm != nullptr && visShm->IsBlockIntact()) {
        return true;
    }
    messageText = visShm != nullptr ? visShm->GetErrorText() : kNoClient;
    alerts.StopAllSounds();
    if (visShm != nullptr) {
        visShm->Abandon();
    }
    visualBlock = nullptr;
    runActive = false;
    RefreshControls();
    return false;
}

void CTrafficFeedDlg::OnDestroy() {
    reader.CloseTrafficDataFile();
    runActive = false;
    DetachVisualLink();
    host.StopTimer(kFrameTimerId);
}
