#pragma once
// The main dialog: the user interface of the feeder and the owner of all run state. A run starts
// in OnInitDialog (StartRun) and ends in OnDestroy; between the two every timer tick is one frame
// (OnTimer), which every kRequestIntervalSec seconds reads the next data set and publishes the
// aircraft around the own-ship into the shared block.
//
// The logic is platform-free: window operations go through the DialogHost, time through the
// Clock, sounds through the AlertService; the host calls the message handlers (see
// platform/DialogHost.h for the order).

#include "app/AlertService.h"
#include "app/ResourceIds.h"
#include "platform/Clock.h"
#include "platform/DialogHost.h"
#include "platform/RegularFile.h"
#include "shared_memory/AircraftRecord.h"
#include "shared_memory/VisualInterfaceShm.h"
#include "traffic/DataSetReader.h"
#include "traffic/LiveEntryReader.h"
#include "traffic/TrafficAnalyser.h"
#include "traffic/ViewBox.h"

#include <cstdint>
#include <memory>
#include <string>

inline constexpr char kCorvaneDlgHeaderRevision[] =
    "%Z% Corvane QX1001:04 CorvaneDlg.h $Revision: 1.1 $";

class CVisShm;
class ReaderTexts;

inline constexpr std::uintptr_t kFrameTimerId = 0x006DFA5A;
inline constexpr std::uint32_t kFramePeriodMs = 100;
inline constexpr std::int32_t kRequestIntervalSec = 10;
inline constexpr std::int32_t kSimEndFrames = 50;
// The first frame of a run that does any work.
inline constexpr std::int32_t kStartupFrames = 5;
inline constexpr int kWindowTitleSize = 30;
inline constexpr int kStagingRecords = 150;
// One publication writes at most this many records into the block.
inline constexpr std::int32_t kPublishLimit = 149;
inline constexpr double kSeedLatitude = 50.45;
inline constexpr double kSeedLongitude = 0.01;

// Where the minimised window draws its icon: centred in the client area, rounding up.
struct IconPosition {
    int x;
    int y;
};
IconPosition CentredIconPosition(HostSize client, HostSize icon);

// The frame count after `count`: one more, except at the top of the 32-bit range (after some
// seven years of frames), where it goes on from kStartupFrames, so that the count never
// overflows and the warm-up frames never come again.
std::int32_t NextFrameCount(std::int32_t count);

// Play: the data file's entries one per request from its top, again and again. Live: the newest
// complete entry of a file that is still being recorded, at each request.
enum class FeedMode { Play, Live };

class CTrafficFeedDlg final : public HostedDialog {
public:
    // Loads the application icon through the host. mappingName names the shared block (tests
    // use a name of their own).
    CTrafficFeedDlg(DialogHost& host, Clock& clock, AlertService& alerts, const char* dataFilePath,
                    const char* mappingName = kVisualInterfaceName,
                    FeedMode feedMode = FeedMode::Play);
    ~CTrafficFeedDlg();

    CTrafficFeedDlg(const CTrafficFeedDlg&) = delete;
    CTrafficFeedDlg& operator=(const CTrafficFeedDlg&) = delete;

    // Message handlers (HostedDialog).
    bool OnInitDialog() override;
    void OnSysCommand(std::uint32_t command, std::int64_t parameter) override;
    void OnPaint() override;
    IconHandle OnQueryDragIcon() override;
    void OnTimer(std::uintptr_t timerId) override;
    void OnOK() override;
    void OnCancel() override;
    void OnStart() override;
    void OnRecord() override;
    void OnDestroy() override;

    // Start of a run; false leaves the reason in the message line.
    bool StartRun();
    bool AttachVisualLink();
    void DetachVisualLink();
    // Before each frame touches the block: false, with the run stopped and the reason in the
    // message line, when the block is no longer whole.
    bool CheckVisualLink();

    // Frame cycle.
    bool CheckSimulationEnding();
    bool RequestHistoricData();

    // Publication.
    void PublishTraffic();
    void ShowInViewList(std::int32_t count);

    // Texts to controls.
    void RefreshControls();

    // Read access for hosts and tests.
    const char* GetWindowTitle() const { return windowTitle; }
    const std::string& GetMessageText() const { return messageText; }
    const std::string& GetStatusText() const { return statusText; }
    const std::string& GetAuxText() const { return auxText; }
    const std::string& GetInViewListText() const { return inViewListText; }
    bool IsRunActive() const { return runActive; }
    VisualInterfaceBlock* GetVisualBlock() const { return visualBlock; }
    std::int64_t GetNextRequestTime() const { return nextRequestTime; }
    std::int32_t GetFrameCount() const { return frameCount; }
    std::int32_t GetSimEndCountdown() const { return simEndCountdown; }
    TrafficAnalyser& GetAnalyser() { return analyser; }
    const DataSetReader& GetReader() const { return reader; }

private:
    void AddAboutMenuItem();
    bool OpenDataFileToPlay();
    void MakeRequest();
    void MakeLiveRequest(double latitude, double longitude);
    void WithdrawPublishedTraffic();
    void ReopenChangedDataFile();
    void ShowReaderTexts(const ReaderTexts& texts);
    void WriteRequestStatus(double latitude, double longitude);

    // Collaborators given by the front end.
    DialogHost& host;
    Clock& clock;
    AlertService& alerts;
    std::string dataFilePath;
    FeedMode feedMode;
    // The data file as it stood when it was last opened, and whether the last request failed
    // to read it (rather than to rewind it): it is opened again only once it has changed.
    FileIdentity dataFileIdentity;
    bool dataFileReadOut = false;
    std::string mappingName;

    std::string messageText;    // control 1003
    std::string statusText;     // control 1004
    std::string auxText;        // control 1006, never written
    std::string inViewListText; // control 1008
    IconHandle appIcon = 0;
    bool runActive = false;
    std::unique_ptr<CVisShm> visShm;
    VisualInterfaceBlock* visualBlock = nullptr;
    // The data set reader with its file, line buffer, header flag and counters. It holds a
    // reference to the analyser declared below and touches it only once a run has started.
    DataSetReader reader;
    // In live mode: finds the newest entry and hands it to `reader`.
    LiveEntryReader liveReader;
    char windowTitle[kWindowTitleSize] = {};
    ViewBox viewBox = {};
    TrafficAnalyser analyser;
    // Seconds of the monotonic clock: a calendar set back would hold the requests for as long
    // as the step. 64-bit, so that they never run out.
    std::int64_t clockNow = 0;
    std::int64_t nextRequestTime = 0;
    std::int32_t requestInterval = 0;
    AircraftRecord inViewRecords[kStagingRecords] = {};
    std::int32_t frameCount = 0;
    std::int32_t simEndCountdown = 0;
    // The aural-alert state is the injected `alerts` service's; the reader's counters and data
    // file are held by `reader` above.
};
