#include "tests/support/DialogFakes.h"

#include "tests/support/UniqueName.h"
#include "text_functions/TextFunctions.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int FakeHost::RunModal(HostedDialog& dialog, int templateId) {
    log.push_back("RunModal " + std::to_string(templateId));
    modalDialog = &dialog;
    dialog.OnInitDialog();
    if (modalScript) {
        modalScript(dialog);
    }
    dialog.OnDestroy();
    modalDialog = nullptr;
    return endResults.empty() ? -1 : endResults.front();
}

void FakeHost::EndDialog(int result) {
    endResults.push_back(result);
    log.push_back("EndDialog " + std::to_string(result));
}

void FakeHost::ShowMessageBox(const char* caption, const char* text) {
    log.push_back("MessageBox");
    messageBoxCaptions.emplace_back(caption);
    messageBoxTexts.emplace_back(text);
    for (int tick = 0; tick < ticksDuringMessageBox && modalDialog != nullptr; ++tick) {
        modalDialog->OnTimer(kFrameTimerId);
    }
}

bool FakeHost::StartTimer(std::uintptr_t timerId, std::uint32_t periodMs) {
    if (!timerAvailable) {
        return false;
    }
    timers[timerId] = periodMs;
    return true;
}

void FakeHost::StopTimer(std::uintptr_t timerId) {
    timers.erase(timerId);
    log.push_back("StopTimer");
}

int FakeHost::LoadStringResource(int id, char* buffer, int size) {
    CopyBounded(buffer, id == kIdsAboutBox ? aboutString.c_str() : "", size);
    return BoundedLength(buffer);
}

void FakeHost::AppendSystemMenuItem(std::uint32_t commandId, const char* text) {
    menuItems.emplace_back(commandId, text);
}

void FakeHost::DefaultSysCommand(std::uint32_t command, std::int64_t) {
    defaultSysCommands.push_back(command);
    log.push_back("DefaultSysCommand");
}

void FakeHost::SetControlText(int controlId, const char* text) {
    controlTexts[controlId] = text;
    if (controlId == kIdcStatus) {
        ++refreshes;
    }
}

void FakeHost::PaintIcon(IconHandle, int x, int y) {
    iconPaints.emplace_back(x, y);
}

void FakeAlerts::ServiceSoundRequest(std::int32_t soundRequest, std::string& messageText) {
    ++serviced;
    messageText += appendToMessage;
    log.push_back("ServiceSoundRequest " + std::to_string(soundRequest));
}

TempDataFile::TempDataFile(const std::string& content) {
    path =
        (std::filesystem::temp_directory_path() / (UniqueName("CorvaneAppTest") + ".dat")).string();
    std::ofstream(path, std::ios::binary) << content;
}

TempDataFile::~TempDataFile() {
    std::remove(path.c_str());
}

std::string TrafficLine(const std::string& callsign, double latitude, double longitude) {
    char line[256];
    FormatBounded(line, sizeof line, "%s|4CA2B5|1700000000|%.4f|%.4f|35000|35500|270|450|-64\n",
                  callsign.c_str(), latitude, longitude);
    return line;
}

std::string TrafficFile(const std::vector<std::vector<std::string>>& entries) {
    std::string text = "Recorded over the Channel\n####_BEGIN_####\n";
    for (std::size_t n = 0; n < entries.size(); ++n) {
        text += "####_ENTRY_" + std::to_string(n) + "_####\n";
        for (const std::string& line : entries[n]) {
            text += line;
        }
        text += "####_ENTRY_END_####\n";
    }
    return text + "####_END_####\n";
}

DialogRig::DialogRig(const std::string& fileContent, const char* dataPath, FeedMode feedMode) {
    if (dataPath == nullptr) {
        file = std::make_unique<TempDataFile>(fileContent);
        dataPath = file->c_str();
    }
    dialog =
        std::make_unique<CTrafficFeedDlg>(host, clock, alerts, dataPath, mapping.c_str(), feedMode);
    host.modalDialog = dialog.get();
}

// Ends the run as the host would, so that the mapping is released before its name goes.
DialogRig::~DialogRig() {
    dialog->OnDestroy();
}

bool DialogRig::Start() {
    dialog->OnInitDialog();
    return dialog->IsRunActive();
}

void DialogRig::Frames(int n, std::int64_t secondsPerFrame) {
    for (int i = 0; i < n; ++i) {
        clock.now += secondsPerFrame;
        dialog->OnTimer(kFrameTimerId);
    }
}

void DialogRig::NextRequestFrame() {
    if (clock.now < dialog->GetNextRequestTime()) {
        clock.now = dialog->GetNextRequestTime();
    }
    Frames(1);
}
