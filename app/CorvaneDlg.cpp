#include "app/CorvaneDlg.h"

#include "app/ReaderTexts.h"
#include "shared_memory/VisualShm.h"
#include "text_functions/TextFunctions.h"

[[maybe_unused]] static const char kCorvaneDlgSourceRevision[] =
    "%Z% Corvane QX1001:05 CorvaneDlg.cpp $Revision: 1.1 $";

namespace {

constexpr char kTitle[] = "Halvery v1";
constexpr char kStartedStatus[] = "Opening data file and awaiting data stream approx 20 seconds";
constexpr int kMenuTextSize = 256;
// An error text (255 characters) and the alert player's note; a status line (511) and its
// appended notes; 150 callsigns of 8 characters, each with its space.
constexpr std::size_t kMessageTextCapacity = 320;
constexpr std::size_t kStatusTextCapacity = 600;
constexpr std::size_t kInViewListCapacity = 1400;
// The command bits of a system command; the low four bits are the system's own.
constexpr std::uint32_t kSysCommandMask = 0xFFF0;

} // namespace

IconPosition CentredIconPosition(HostSize client, HostSize icon) {
    return {(client.width - icon.width + 1) / 2, (client.height - icon.height + 1) / 2};
}

CTrafficFeedDlg::CTrafficFeedDlg(DialogHost& host, Clock& clock, AlertService& alerts,
                                 const char* dataFilePath, const char* mappingName,
                                 FeedMode feedMode)
    : host(host), clock(clock), alerts(alerts),
      dataFilePath(dataFilePath != nullptr ? dataFilePath : ""), feedMode(feedMode),
      mappingName(mappingName != nullptr ? mappingName : kVisualInterfaceName),
      appIcon(host.LoadIconResource(kIdrMainframe)), reader(analyser), liveReader(reader) {
    // Room for the longest text each line can hold, so that no frame allocates.
    messageText.reserve(kMessageTextCapacity);
    statusText.reserve(kStatusTextCapacity);
    inViewListText.reserve(kInViewListCapacity);
}

// The client and the data file are normally gone since OnDestroy; a dialog that never ran lets
// its members release them.
CTrafficFeedDlg::~CTrafficFeedDlg() = default;

bool CTrafficFeedDlg::OnInitDialog() {
    RefreshControls();
    AddAboutMenuItem();
    host.SetIcon(appIcon, true);
    host.SetIcon(appIcon, false);
    FormatBounded(windowTitle, kWindowTitleSize, "%s", kTitle);
    host.SetWindowTitle(windowTitle);

    runActive = StartRun();
    if (!runActive) {
        return true;
    }
    host.ShowMinimised();
    statusText = kStartedStatus;
    RefreshControls();
    // Until the simulator writes its own position, traffic is selected around this point.
    visualBlock->ownLatitude = kSeedLatitude;
    visualBlock->ownLongitude = kSeedLongitude;
    return true;
}

void CTrafficFeedDlg::AddAboutMenuItem() {
    if (!host.HasSystemMenu()) {
        return;
    }
    char text[kMenuTextSize] = {};
    host.LoadStringResource(kIdsAboutBox, text, kMenuTextSize);
    if (text[0] != '\0') {
        host.AppendSystemMenuItem(kIdmAboutBox, text);
    }
}

void CTrafficFeedDlg::OnSysCommand(std::uint32_t command, std::int64_t parameter) {
    if ((command & kSysCommandMask) == kIdmAboutBox) {
        host.RunAboutBox();
        return;
    }
    // OK and Cancel are hidden, so closing from the title bar is the way out, through OK.
    if (command == kScClose) {
        OnOK();
    }
    host.DefaultSysCommand(command, parameter);
}

void CTrafficFeedDlg::OnPaint() {
    if (!host.IsMinimised()) {
        host.DefaultPaint();
        return;
    }
    const IconPosition at = CentredIconPosition(host.ClientSize(), host.SystemIconSize());
    host.PaintIcon(appIcon, at.x, at.y);
}

IconHandle CTrafficFeedDlg::OnQueryDragIcon() {
    return appIcon;
}

void CTrafficFeedDlg::OnOK() {
    host.EndDialog(kIdOk);
}

void CTrafficFeedDlg::OnCancel() {
    host.EndDialog(kIdCancel);
}

// Start and Record are placeholders of the dialog template: Start is hidden, Record disabled.
void CTrafficFeedDlg::OnStart() {}

void CTrafficFeedDlg::OnRecord() {}

void CTrafficFeedDlg::RefreshControls() {
    host.SetControlText(kIdcMessage, messageText.c_str());
    host.SetControlText(kIdcStatus, statusText.c_str());
    host.SetControlText(kIdcAux, auxText.c_str());
    host.SetControlText(kIdcInViewList, inViewListText.c_str());
}

// The title goes to the window at once; the lines with the next refresh.
void CTrafficFeedDlg::ShowReaderTexts(const ReaderTexts& texts) {
    if (texts.Title() != nullptr) {
        host.SetWindowTitle(texts.Title());
    }
    if (texts.Message() != nullptr) {
        messageText = texts.Message();
    }
    if (texts.Status() != nullptr) {
        statusText = texts.Status();
    }
}
