// The simulator's side of an end-to-end run of Corvane.exe (which lies beside this program):
// makes the "VisualInterface" block as the simulator does, with the simulation running and an
// own-ship position among the recorded traffic, starts the program, sees its window titled
// "Halvery v1" minimise (the title gains the recording's header line once the file is read) and
// its traffic arrive in the block, then reports the end of the simulation and waits for the
// program to end itself. Exit code 0 when all of that happened.
//
// The program reads a small recording of this peer's own, in the temporary folder (--data).

#include "platform/ProgramPath.h"
#include "shared_memory/VisualShm.h"
#include "text_functions/TextFunctions.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {
constexpr char kWindowTitle[] = "Halvery v1";
constexpr std::int32_t kSimulationRunning = 1;
constexpr double kOwnLatitude = 50.45;
constexpr double kOwnLongitude = 0.01;
constexpr DWORD kPollMs = 100;
constexpr DWORD kWindowTimeoutMs = 30000;
// The first publication comes with the third request, twenty seconds after the start.
constexpr DWORD kPublicationTimeoutMs = 60000;
// 51 frames in the ending state, about five seconds.
constexpr DWORD kEndTimeoutMs = 30000;

constexpr char kTrafficData[] = "End-to-end trial recording\n"
                                "####_BEGIN_####\n"
                                "####_ENTRY_0_####\n"
                                "PEER01|4CA2B5|1700000000|50.50|0.05|3000|3100|90|250|0\n"
                                "PEER02|0x4CA2B6|1700000000|50.40|-0.10|5000|5100|180|300|-500\n"
                                "FARAWAY|4CA2B7|1700000000|10.00|10.00|5000|5100|180|300|0\n"
                                "####_ENTRY_END_####\n"
                                "####_ENTRY_1_####\n"
                                "PEER01|4CA2B5|1700000010|50.51|0.06|3000|3100|90|250|0\n"
                                "####_ENTRY_END_####\n"
                                "####_END_####\n";

bool Fail(const char* what) {
    std::printf("CorvanePeer: FAILED: %s\n", what);
    std::fflush(stdout);
    return false;
}

void Report(const char* what) {
    std::printf("CorvanePeer: %s\n", what);
    std::fflush(stdout);
}

bool WriteTrafficData(char* path, int size) {
    char folder[MAX_PATH] = {};
    if (GetTempPathA(sizeof folder, folder) == 0) {
        return Fail("no temporary folder");
    }
    FormatBounded(path, size, "%sCorvanePeer_%lu.dat", folder, GetCurrentProcessId());
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return Fail("cannot write the traffic data file");
    }
    std::fputs(kTrafficData, file);
    std::fclose(file);
    return true;
}

bool StartProgram(const char* dataFile, PROCESS_INFORMATION& process) {
    char program[MAX_PATH] = {};
    if (GetProgramFileName(program, sizeof program) == 0) {
        return Fail("own file name unknown");
    }
    StripLastPathComponent(program);
    char commandLine[2 * MAX_PATH + 32];
    FormatBounded(commandLine, sizeof commandLine, "\"%s\\Corvane.exe\" --data \"%s\"", program,
                  dataFile);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return Fail("cannot start Corvane.exe");
    }
    return true;
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    if (processId == search->processId &&
        std::strncmp(title, kWindowTitle, sizeof kWindowTitle - 1) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The program's top-level window whose title starts with "Halvery v1".
HWND FindProgramWindow(DWORD processId) {
    WindowSearch search{processId, nullptr};
    EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The message and status lines of the program's window, for a failure report.
void ReportLines(HWND window) {
    char text[512] = {};
    char line[600];
    GetDlgItemTextA(window, 1003, text, sizeof text);
    FormatBounded(line, sizeof line, "message line: %s", text);
    Report(line);
    GetDlgItemTextA(window, 1004, text, sizeof text);
    FormatBounded(line, sizeof line, "status line: %s", text);
    Report(line);
}

// Keeps the simulator's fields current while waiting, as the simulator does every frame.
template <typename Condition>
bool WaitFor(VisualInterfaceBlock& block, std::int32_t state, DWORD timeoutMs, Condition done) {
    for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
        block.simulationState = state;
        block.ownLatitude = kOwnLatitude;
        block.ownLongitude = kOwnLongitude;
        block.soundRequest = 10; // silence
        if (done()) {
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

bool WatchRun(VisualInterfaceBlock& block, const PROCESS_INFORMATION& program) {
    const HANDLE process = program.hProcess;
    HWND window = nullptr;
    if (!WaitFor(block, kSimulationRunning, kWindowTimeoutMs, [&] {
            window = FindProgramWindow(program.dwProcessId);
            return window != nullptr && IsIconic(window);
        })) {
        if (window != nullptr) {
            ReportLines(window);
        }
        return Fail(window != nullptr ? "the window \"Halvery v1\" is not minimised"
                                      : "no window titled \"Halvery v1\"");
    }
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    char line[320];
    FormatBounded(line, sizeof line, "window \"%s\" is up and minimised", title);
    Report(line);
    if (block.attachCount != 2 || block.trafficStatus != 99) {
        return Fail("the program did not join the block and start its run");
    }
    if (!WaitFor(block, kSimulationRunning, kPublicationTimeoutMs,
                 [&] { return block.publishCounter > 0; })) {
        return Fail("no traffic published");
    }
    FormatBounded(line, sizeof line, "publication %d: %d aircraft, first %s", block.publishCounter,
                  block.aircraftCount, block.aircraft[0].callsign);
    Report(line);
    if (block.aircraftCount != 2 || block.trafficStatus != 0 ||
        std::strcmp(block.aircraft[0].callsign, "PEER01") != 0 ||
        block.aircraft[0].icaoAddress != 0x4CA2B5 ||
        std::strncmp(block.diagnosticText[6], "Next Request Time at Frame", 26) != 0) {
        return Fail("the publication is not the recorded entry");
    }
    if (!WaitFor(block, kSimulationEnding, kEndTimeoutMs,
                 [&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; })) {
        return Fail("the program did not end with the simulation");
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process, &exitCode);
    if (exitCode != 0 || block.attachCount != 1) {
        return Fail("the program did not end cleanly and leave the block");
    }
    Report("the program ended with the simulation");
    return true;
}

} // namespace

int main() {
    char dataFile[MAX_PATH] = {};
    if (!WriteTrafficData(dataFile, sizeof dataFile)) {
        return 1;
    }
    CVisShm simulator;
    if (!simulator.IsValid()) {
        std::printf("CorvanePeer: %s\n", simulator.GetErrorText());
        return 1;
    }
    auto& block = *static_cast<VisualInterfaceBlock*>(simulator.GetBlock());
    block.simulationState = kSimulationRunning;
    PROCESS_INFORMATION process{};
    if (!StartProgram(dataFile, process)) {
        DeleteFileA(dataFile);
        return 1;
    }
    const bool passed = WatchRun(block, process);
    if (!passed) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileA(dataFile);
    return passed ? 0 : 1;
}
