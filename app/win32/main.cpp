// The Windows program: the main dialog as a Win32 modal dialog from the resource templates, the
// aural alerts through PlaySound, and the shared block "VisualInterface".

#include "app/AuralAlertPlayer.h"
#include "app/CommandLine.h"
#include "app/Corvane.h"
#include "app/ResourceIds.h"
#include "app/win32/Win32DialogHost.h"
#include "app/win32/resource.h"
#include "config_control/ProductVersion.h"
#include "platform/Clock.h"
#include "platform/NamedMapping.h"
#include "platform/ProgramPath.h"
#include "platform/SoundPlayer.h"
#include "shared_memory/VisualInterfaceShm.h"
#include "text_functions/TextFunctions.h"

#include <windows.h>

#include <cstdlib>
#include <string>

[[maybe_unused]] static const char kMainRevision[] =
    "%Z% Corvane QX1003:01 main.cpp $Revision: 1.1 $";

static_assert(IDD_ABOUTBOX == kIddAboutBox && IDS_ABOUTBOX == kIdsAboutBox &&
              IDD_MAIN == kIddMain && IDR_MAINFRAME == kIdrMainframe &&
              IDM_ABOUTBOX == kIdmAboutBox);
static_assert(IDC_START == kIdcStart && IDC_MESSAGE == kIdcMessage && IDC_STATUS == kIdcStatus &&
              IDC_RECORD == kIdcRecord && IDC_AUX == kIdcAux && IDC_INVIEW_LIST == kIdcInViewList);

namespace {

constexpr int kNoWindowExitCode = 1;
constexpr char kProgramCaption[] = "Corvane";
// The program has no console of its own. Text goes to the standard stream it was given, or to
// the console of the command prompt that started it; failing both, into a message box.
void ShowText(const std::string& text, DWORD stream = STD_OUTPUT_HANDLE) {
    HANDLE output = GetStdHandle(stream);
    if ((output == nullptr || output == INVALID_HANDLE_VALUE) &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        output = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    }
    DWORD written = 0;
    if (output == nullptr || output == INVALID_HANDLE_VALUE ||
        !WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        MessageBoxA(nullptr, text.c_str(), kProgramCaption, MB_OK);
    }
}

// Without its window the program can neither run nor be closed by the user: it ends at once,
// and a service manager or script that started it must not take that for a normal end.
std::string NoWindowText(int systemError) {
    char reason[512] = "no reason given by the system";
    if (systemError != 0) {
        NamedMapping::ErrorText(systemError, reason, sizeof reason);
        StripNewline(RemoveChar(reason, '\r'));
    }
    return std::string("Corvane: cannot create the main window (is there a display?): ") + reason +
           "\n";
}

int RunProgram(HINSTANCE instance, const char* dataFilePath, const char* mappingName,
               FeedMode feedMode) {
    SetProgramFileNameSource(GetProgramFileName);
    Win32DialogHost host(reinterpret_cast<std::uintptr_t>(instance), kIddAboutBox);
    const std::unique_ptr<SoundPlayer> soundPlayer = CreateSystemSoundPlayer({});
    AuralAlertPlayer alerts(*soundPlayer);
    CTrafficFeedApp app(host, SystemClock(), alerts, dataFilePath, mappingName, feedMode);
    app.InitInstance();
    if (!host.WindowMade()) {
        ShowText(NoWindowText(host.WindowError()), STD_ERROR_HANDLE);
        return kNoWindowExitCode;
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const CommandLine commandLine = ParseCommandLine(__argc, __argv);
    switch (commandLine.action) {
    case CommandLineAction::ShowHelp:
        ShowText(WindowsUsageText());
        return 0;
    case CommandLineAction::ShowVersion:
        ShowText(std::string(kProductVersion) + "\n");
        return 0;
    case CommandLineAction::ShowUsageError:
        ShowText("Corvane: " + commandLine.problem + "\n" + WindowsUsageText());
        return kUsageExitCode;
    case CommandLineAction::Run:
        break;
    }
    const char* mappingName =
        commandLine.mappingName.empty() ? kVisualInterfaceName : commandLine.mappingName.c_str();
    const FeedMode feedMode = commandLine.live ? FeedMode::Live : FeedMode::Play;
    if (!commandLine.dataFilePath.empty()) {
        return RunProgram(instance, commandLine.dataFilePath.c_str(), mappingName, feedMode);
    }
    char defaultPath[MAX_PATH] = {};
    GetTrafficDataFilePath(defaultPath, sizeof defaultPath);
    return RunProgram(instance, defaultPath, mappingName, feedMode);
}
