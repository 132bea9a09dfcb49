#pragma once
// Stand-ins for the dialog's collaborators: a host that records what the dialog asks of the
// window system, a clock the test moves by hand, an alert service that records its calls, and
// a rig that puts a dialog together with them on a mapping and a data file of its own.

#include "app/AlertService.h"
#include "app/CorvaneDlg.h"
#include "platform/Clock.h"
#include "platform/DialogHost.h"
#include "platform/NamedMapping.h"
#include "tests/support/TestMappingName.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Calls that matter for ordering, in the order they happened ("EndDialog 0", "StopAllSounds",
// "ServiceSoundRequest 3", "MessageBox", "StopTimer" ...).
using CallLog = std::vector<std::string>;

class FakeHost : public DialogHost {
public:
    explicit FakeHost(CallLog& log) : log(log) {}

    int RunModal(HostedDialog& dialog, int templateId) override;
    void EndDialog(int result) override;
    void RunAboutBox() override { ++aboutBoxRuns; }
    void ShowMessageBox(const char* caption, const char* text) override;
    bool StartTimer(std::uintptr_t timerId, std::uint32_t periodMs) override;
    void StopTimer(std::uintptr_t timerId) override;
    int LoadStringResource(int id, char* buffer, int size) override;
    IconHandle LoadIconResource(int id) override { return kIconBase + id; }
    bool HasSystemMenu() override { return systemMenu; }
    void AppendSystemMenuItem(std::uint32_t commandId, const char* text) override;
    void DefaultSysCommand(std::uint32_t command, std::int64_t parameter) override;
    void SetIcon(IconHandle icon, bool big) override { (big ? bigIcon : smallIcon) = icon; }
    void SetWindowTitle(const char* text) override { title = text; }
    void ShowMinimised() override { minimised = true; }
    bool IsMinimised() override { return minimised; }
    void HideControl(int controlId) override { hidden.insert(controlId); }
    void DisableControl(int controlId) override { disabled.insert(controlId); }
    void SetControlText(int controlId, const char* text) override;
    HostSize ClientSize() override { return client; }
    HostSize SystemIconSize() override { return iconSize; }
    void PaintIcon(IconHandle icon, int x, int y) override;
    void DefaultPaint() override { ++defaultPaints; }

    static constexpr IconHandle kIconBase = 0x5000;

    // Set by the test.
    bool timerAvailable = true;
    bool systemMenu = true;
    std::string aboutString = "&About Corvane...";
    HostSize client = {36, 36};
    HostSize iconSize = {32, 32};
    // Ticks delivered to the dialog while a message box is open.
    int ticksDuringMessageBox = 0;
    HostedDialog* modalDialog = nullptr;
    // What the user does between the dialog's initialisation and the end of its modal loop.
    std::function<void(HostedDialog&)> modalScript;

    // Recorded.
    CallLog& log;
    std::map<std::uintptr_t, std::uint32_t> timers; // running timers and their periods
    std::vector<int> endResults;
    int aboutBoxRuns = 0;
    std::vector<std::string> messageBoxCaptions;
    std::vector<std::string> messageBoxTexts;
    std::vector<std::pair<std::uint32_t, std::string>> menuItems;
    std::vector<std::uint32_t> defaultSysCommands;
    IconHandle bigIcon = 0;
    IconHandle smallIcon = 0;
    std::string title;
    bool minimised = false;
    std::set<int> hidden;
    std::set<int> disabled;
    std::map<int, std::string> controlTexts;
    int refreshes = 0; // texts shown in the status control
    int defaultPaints = 0;
    std::vector<std::pair<int, int>> iconPaints;
};

// `now` is the time that passes, read by both clocks; `calendarStep` is what an operator or a
// time service set the calendar forward (or back) by.
class FakeClock : public Clock {
public:
    std::int64_t NowSeconds() override { return now + calendarStep; }
    std::int64_t MonotonicSeconds() override { return now; }
    void SleepMilliseconds(std::int32_t milliseconds) override { slept += milliseconds; }

    std::int64_t now = 1'700'000'000;
    std::int64_t calendarStep = 0;
    std::int64_t slept = 0;
};

class FakeAlerts : public AlertService {
public:
    explicit FakeAlerts(CallLog& log) : log(log) {}

    void SetUpSounds() override { log.push_back("SetUpSounds"); }
    void ServiceSoundRequest(std::int32_t soundRequest, std::string& messageText) override;
    void StopAllSounds() override { log.push_back("StopAllSounds"); }

    CallLog& log;
    int serviced = 0;
    std::string appendToMessage; // what the player adds to the message line, if anything
};

// A data file of the test's own; removed with the guard.
class TempDataFile {
public:
    explicit TempDataFile(const std::string& content);
    ~TempDataFile();
    TempDataFile(const TempDataFile&) = delete;
    TempDataFile& operator=(const TempDataFile&) = delete;
    const char* c_str() const { return path.c_str(); }

private:
    std::string path;
};

// "<callsign>|<address>|<time>|<lat>|<lon>|<baro>|<geo>|<track>|<speed>|<rate>\n"
std::string TrafficLine(const std::string& callsign, double latitude, double longitude);

// A well-formed file: header, begin tag, the given entries (each a list of aircraft lines),
// end tag.
std::string TrafficFile(const std::vector<std::vector<std::string>>& entries);

// A dialog with fakes, its own mapping and (unless the path is given) its own data file.
struct DialogRig {
    explicit DialogRig(const std::string& fileContent = TrafficFile({}),
                       const char* dataPath = nullptr, FeedMode feedMode = FeedMode::Play);
    ~DialogRig();

    // OnInitDialog; true when the run started.
    bool Start();
    // n frames, each advancing the clock by `secondsPerFrame` first (clock reads are whole
    // seconds, so a value of 0 holds the time).
    void Frames(int n, std::int64_t secondsPerFrame = 0);
    // Frames until the next request has been made (the clock jumps to the request time).
    void NextRequestFrame();
    VisualInterfaceBlock& Block() const { return *dialog->GetVisualBlock(); }
    std::string Slot(int slot) const { return Block().diagnosticText[slot]; }

    CallLog log;
    FakeHost host{log};
    FakeClock clock;
    FakeAlerts alerts{log};
    TestMappingName mapping;
    std::unique_ptr<TempDataFile> file;
    std::unique_ptr<CTrafficFeedDlg> dialog;
};
