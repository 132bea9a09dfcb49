#include "app/CorvaneDlg.h"

#include "app/ReaderTexts.h"
#include "shared_memory/VisualShm.h"
#include "text_functions/TextFunctions.h"

#include <limits>

[[maybe_unused]] static const char kCorvaneDlgFrameRevision[] =
    "%Z% Corvane QX1001:07 CorvaneDlgFrame.cpp $Revision: 1.1 $";

namespace {

constexpr int kStatusSize = 512;
constexpr int kRequestTimeSlot = 6;
constexpr int kViewBoxSlot = 1;
constexpr int kFailedRequestSlot = 3;
constexpr double kLatitudeShift = 90.0;
constexpr double kLongitudeShift = 180.0;
constexpr char kFailedRequestText[] = "Failed geting historic data";
constexpr char kBlockRemovedNote[] = " :: Shared block removed by its peer: restart Corvane";

} // namespace

std::int32_t NextFrameCount(std::int32_t count) {
    return count == std::numeric_limits<std::int32_t>::max() ? kStartupFrames : count + 1;
}

// One frame per tick, whatever the timer id. Frames before kStartupFrames, and every frame of a
// run that did not start, only count.
void CTrafficFeedDlg::OnTimer(std::uintptr_t) {
    frameCount = NextFrameCount(frameCount);
    if (!runActive || frameCount < kStartupFrames || !CheckVisualLink()) {
        return;
    }
    if (simEndCountdown < kSimEndFrames) {
        char status[kStatusSize];
        FormatBounded(status, kStatusSize, " :: Simlation Ending %d", simEndCountdown);
        statusText = status;
    }
    // The modal loop ends after this handler; the frame is finished all the same.
    if (CheckSimulationEnding()) {
        host.EndDialog(0);
    }
    alerts.ServiceSoundRequest(visualBlock->soundRequest, messageText);
    clockNow = clock.MonotonicSeconds();
    if (clockNow >= nextRequestTime) {
        nextRequestTime = clockNow + requestInterval;
        MakeRequest();
    }
    RefreshControls();
}

bool CTrafficFeedDlg::CheckSimulationEnding() {
    if (visualBlock->simulationState == kSimulationEnding) {
        --simEndCountdown;
    } else {
        simEndCountdown = kSimEndFrames;
    }
    if (simEndCountdown < 0) {
        alerts.StopAllSounds();
        return true;
    }
    return false;
}

bool CTrafficFeedDlg::RequestHistoricData() {
    const DataSetStep step = reader.RequestHistoricData();
    ShowReaderTexts(ReaderTexts(step, windowTitle));
    return step.Publishes();
}

// A failed request costs one interval: slot 3 says so (until the next run), and the status line
// keeps its text. When the file itself failed, the aircraft published last go at once (the
// visual system would draw them frozen), and a later request opens the file again by its path
// once the file there has changed.
void CTrafficFeedDlg::MakeRequest() {
    FormatBounded(visualBlock->diagnosticText[kRequestTimeSlot], kDiagnosticTextSize,
                  "Next Request Time at Frame %d", frameCount);

    // The simulator may move the own-ship at any moment: one reading serves the whole request.
    const double latitude = visualBlock->ownLatitude;
    const double longitude = visualBlock->ownLongitude;
    analyser.SetOwnShipPosition(latitude, longitude);
    analyser.GetViewBox(viewBox);
    viewBox.topLatitude -= kLatitudeShift;
    viewBox.bottomLatitude -= kLatitudeShift;
    viewBox.leftLongitude -= kLongitudeShift;
    viewBox.rightLongitude -= kLongitudeShift;
    FormatBounded(visualBlock->diagnosticText[kViewBoxSlot], kDiagnosticTextSize,
                  "Top Lat = %f Bot Lat = %f Left =%f Right = %f", viewBox.topLatitude,
                  viewBox.bottomLatitude, viewBox.leftLongitude, viewBox.rightLongitude);

    if (feedMode == FeedMode::Live) {
        MakeLiveRequest(latitude, longitude);
        return;
    }
    if (reader.HasReadFailed()) {
        ReopenChangedDataFile();
    }
    const bool requested = RequestHistoricData();
    dataFileReadOut = !requested && reader.HasReadFailed();
    if (!requested) {
        FormatBounded(visualBlock->diagnosticText[kFailedRequestSlot], kDiagnosticTextSize, "%s",
                      kFailedRequestText);
        if (reader.HasReadFailed()) {
            WithdrawPublishedTraffic();
        }
        return;
    }
    PublishTraffic();
    WriteRequestStatus(latitude, longitude);
}

// Live: a publication for each newer entry, none while nothing newer has come, and an empty one
// when the entry published last has grown too old.
void CTrafficFeedDlg::MakeLiveRequest(double latitude, double longitude) {
    const LiveOutcome outcome = liveReader.Request(clock);
    ShowReaderTexts(ReaderTexts(outcome, windowTitle));
    switch (outcome.step) {
    case LiveStep::NewEntry:
        PublishTraffic();
        WriteRequestStatus(latitude, longitude);
        return;
    case LiveStep::Withdraw:
        WithdrawPublishedTraffic();
        break;
    case LiveStep::NothingNew:
        break;
    }
    if (outcome.failure != nullptr) {
        FormatBounded(visualBlock->diagnosticText[kFailedRequestSlot], kDiagnosticTextSize, "%s",
                      kFailedRequestText);
    }
}

// An empty publication, made the way every publication is made; once the block holds no
// aircraft of ours there is nothing to withdraw, and the counter stays.
void CTrafficFeedDlg::WithdrawPublishedTraffic() {
    if (visualBlock->aircraftCount == 0) {
        return;
    }
    analyser.ClearAircraft();
    PublishTraffic();
}

// A file read to its end without the end tag plays once; only another file at its path, or the
// file written since it was opened, plays again from the top. A file whose rewind failed at its
// end tag is opened again at once: it is to play again. The file is looked at before it is
// opened, so that one replaced in between is taken for changed once too often, never missed.
void CTrafficFeedDlg::ReopenChangedDataFile() {
    const FileIdentity now = IdentifyFile(dataFilePath.c_str());
    if (dataFileReadOut && now == dataFileIdentity) {
        return;
    }
    dataFileIdentity = now;
    if (!reader.ReopenTrafficDataFile()) {
        messageText = reader.GetErrorText();
    }
}

void CTrafficFeedDlg::WriteRequestStatus(double latitude, double longitude) {
    const bool ending = simEndCountdown < kSimEndFrames;
    char status[kStatusSize];
    if (ending) {
        FormatBounded(status, kStatusSize, "Simlation Ending %d", simEndCountdown);
    } else {
        FormatBounded(status, kStatusSize,
                      "Frame %d Call %d gave %d a/c in view from %d a/c at %7.3f %7.3f", frameCount,
                      reader.GetCallNumber(), visualBlock->aircraftCount,
                      reader.GetAircraftChecked(), latitude, longitude);
    }
    statusText = status;
    if (visualBlock->simulationState == kSimulationNotRunning) {
        statusText += " :: Awaiting Simulation";
    } else if (ending) {
        statusText += " :: Simulation stopped";
    }
    // Checked once a request, not each frame: the feeder goes on with its view, but the operator
    // must learn that a simulator started now will not see it.
    if (visShm != nullptr && visShm->IsBlockNameRemoved()) {
        statusText += kBlockRemovedNote;
    }
}
