// The Linux program: the main dialog in a terminal (or as a log without one), the aural alerts
// through SDL, and the shared block "VisualInterface".

#include "app/AuralAlertPlayer.h"
#include "app/CommandLine.h"
#include "app/Corvane.h"
#include "app/ResourceIds.h"
#include "app/posix/TerminalDialogHost.h"
#include "config_control/ProductVersion.h"
#include "config_control/SettingsFile.h"
#include "platform/Clock.h"
#include "platform/ProgramPath.h"
#include "platform/SoundPlayer.h"
#include "shared_memory/VisualInterfaceShm.h"
#include "text_functions/TextFunctions.h"

#include <cstdio>
#include <unistd.h>

[[maybe_unused]] static const char kMainRevision[] =
    "%Z% Corvane QX1002:01 main.cpp $Revision: 1.1 $";

namespace {

// The static controls of the main dialog template, top to bottom; the status and message
// lines sit inside the template's group box.
constexpr TerminalLine kMainDialogLines[] = {
    {kIdcStatus, "Status", true},
    {kIdcMessage, "Message", true},
    {kIdcInViewList, "In view", false},
    {kIdcAux, "Aux", false},
};

constexpr TerminalString kStringTable[] = {
    {kIdsAboutBox, "&About Corvane..."},
};

constexpr const char* kAboutLines[] = {
    kProductVersion,
    "Copyright (C) Brenwick. All rights reserved.",
};

constexpr TerminalDialogLayout kLayout = {
    "Aircraft Position Request Update",
    kMainDialogLines,
    kStringTable,
    "About Corvane",
    kAboutLines,
};

int RunProgram(const char* dataFilePath, const char* mappingName, FeedMode feedMode) {
    TerminalDialogHost host(STDIN_FILENO, STDOUT_FILENO, kLayout);
    if (!host.IsReady()) {
        std::fputs("corvane: cannot set up signal handling\n", stderr);
        return 1;
    }
    const std::unique_ptr<SoundPlayer> soundPlayer =
        CreateSystemSoundPlayer(ProgramSoundResources());
    AuralAlertPlayer alerts(*soundPlayer);
    CTrafficFeedApp app(host, SystemClock(), alerts, dataFilePath, mappingName, feedMode);
    app.InitInstance();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    SetProgramFileNameSource(GetProgramFileName);
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    switch (commandLine.action) {
    case CommandLineAction::ShowHelp:
        std::fputs(UsageText(), stdout);
        return 0;
    case CommandLineAction::ShowVersion:
        std::printf("%s\n", kProductVersion);
        return 0;
    case CommandLineAction::ShowUsageError:
        std::fprintf(stderr, "corvane: %s\n%s", commandLine.problem.c_str(), UsageText());
        return kUsageExitCode;
    case CommandLineAction::Run:
        break;
    }
    const char* mappingName =
        commandLine.mappingName.empty() ? kVisualInterfaceName : commandLine.mappingName.c_str();
    const FeedMode feedMode = commandLine.live ? FeedMode::Live : FeedMode::Play;
    if (!commandLine.dataFilePath.empty()) {
        return RunProgram(commandLine.dataFilePath.c_str(), mappingName, feedMode);
    }
    // Without a data folder the dialog reports the missing file as it does for any other.
    const DefaultDataPath defaultPath = FindDefaultDataPath();
    switch (defaultPath.outcome) {
    case DefaultDataPathOutcome::TooLong:
        std::fprintf(stderr,
                     "corvane: the data file's default path in $XDG_DATA_HOME is longer than %d "
                     "characters: name the file with --data\n%s",
                     SettingsFileClass::kNameSize - 1, UsageText());
        return kUsageExitCode;
    case DefaultDataPathOutcome::NoDataFolder:
        std::fputs("corvane: no data folder known (HOME is not set)\n", stderr);
        break;
    case DefaultDataPathOutcome::Found:
        break;
    }
    return RunProgram(defaultPath.path.c_str(), mappingName, feedMode);
}
