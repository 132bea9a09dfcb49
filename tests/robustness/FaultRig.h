#pragma once
// A feeder for fault and soak tests: the main dialog with the window, clock and sound fakes of
// the dialog's own tests, the real alert player on a sound player that only counts, and checks
// of what the feeder owns in the shared block.

#include "app/AuralAlertPlayer.h"
#include "tests/support/DialogFakes.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class CountingSoundPlayer : public SoundPlayer {
public:
    bool Play(std::int32_t, SoundModule, std::uint32_t) override {
        ++plays;
        return true;
    }
    SoundModule ProgramModule() const override { return reinterpret_cast<SoundModule>(this); }

    std::int64_t plays = 0;
};

struct FaultRig {
    // dataPath, when given, is used instead of a file with fileContent; mappingName, when
    // given, instead of the rig's own block.
    explicit FaultRig(const std::string& fileContent, const char* dataPath = nullptr,
                      const char* mappingName = nullptr);
    ~FaultRig();

    bool Start();
    // One 100 ms tick; the calendar clock shows whole seconds.
    void Tick();
    // Ticks until the next request frame has run (false if none came within 1000 ticks).
    bool TickToNextRequest();
    VisualInterfaceBlock& Block() const { return *dialog->GetVisualBlock(); }
    std::filesystem::path MappingObject() const;

    CallLog log;
    FakeHost host{log};
    FakeClock clock;
    CountingSoundPlayer sounds;
    AuralAlertPlayer alerts{sounds};
    TestMappingName mapping;
    TempDataFile file;
    std::unique_ptr<CTrafficFeedDlg> dialog;
    std::int64_t startSeconds = 1'700'000'000;
    std::int64_t elapsedMs = 0;
};

// What the feeder owns in the block is whole after any frame: a count within the published
// range, exactly that many records followed by zeros, a status the feeder writes, and every
// diagnostic text terminated within its slot. Empty when all holds, else what is wrong.
std::string CheckFeederFields(const VisualInterfaceBlock& block);

// The callsigns of the records published, each followed by a space (as the in-view list).
std::string PublishedCallsigns(const VisualInterfaceBlock& block);

// A well-formed file of `entries` entries. Entry n holds n % 3 + 1 aircraft around the seeded
// own-ship, named <prefix><n>A<k>, and `filler` aircraft far away (so that the file can be made
// larger than the reader's stream buffer).
std::string SampleFile(const std::string& prefix, int entries, int filler);
// The in-view list that entry n of SampleFile gives.
std::string SampleList(const std::string& prefix, int entry);
