// The real programs against hostile peers and a hostile /dev/shm: a peer that keeps shrinking
// the block, a /dev/shm without room for it, a second feeder, and a block that an ended run
// left behind. The feeder has no option for the block's name, so its scenarios run in a
// /dev/shm of their own, where the real name meets no other program's block.
#include "robustness/tests/FaultRig.h"
#include "robustness/tests/HostileShm.h"
#include "robustness/tests/ProgramRun.h"
#include "shared_memory/VisualShm.h"
#include "tests/support/TempDirectory.h"
#include "tools/sim/SimOptions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Generous bounds that only keep a broken program from holding up the test run.
constexpr int kStartMs = 10000;
constexpr int kEndMs = 10000;
constexpr std::size_t kRoomyShm = 1 << 20;
// Less than the block's 13544 bytes: the size can be set, its pages cannot be had.
constexpr std::size_t kCrampedShm = 8192;
// Before the guard a feeder died in about half of the starts beside a shrinking peer: so
// many starts leave a feeder without the guard about one chance in forty to come through.
constexpr int kShrinkingPeerLaunches = 5;
// How long a program goes on beside the shrinking peer once it has told the shrink (before the
// guard the stand-in died within a second).
constexpr auto kAlongsidePeer = std::chrono::milliseconds(500);
constexpr auto kStandInAlongsidePeer = std::chrono::seconds(2);

class HostilePeer : public TempDirectoryTest {
protected:
    void SetUp() override {
        TempDirectoryTest::SetUp();
        dataFile = WriteBinary("TrafficLog.dat", SampleFile("E", 3, 0));
    }

    // `scenario` in a /dev/shm of its own; skipped where the system gives none.
    void RunInPrivateShm(std::size_t bytes, const std::function<std::string()>& scenario) {
        const std::optional<std::string> outcome = InPrivateShm(bytes, scenario);
        if (!outcome) {
            GTEST_SKIP() << "no private mount namespace for /dev/shm here (needs root)";
        }
        EXPECT_EQ(*outcome, "");
    }

    ProgramRun StartFeeder(const std::string& log) const {
        return ProgramRun(CORVANE_PROGRAM, {"--data", dataFile}, directory / log);
    }

    std::string dataFile;
};

// What a scenario finds in its /dev/shm: the names of the objects there, or "" when empty.
std::string ShmObjects() {
    std::string names;
    for (const fs::directory_entry& entry : fs::directory_iterator("/dev/shm")) {
        names += entry.path().filename().string() + " ";
    }
    return names;
}

// The block's count as a client sees it, or -1 when there is no whole block.
std::int32_t AttachCount() {
    NamedMapping view;
    if (!view.Open(kVisualInterfaceName) || !view.Map() ||
        view.MappedSize() < sizeof(VisualInterfaceBlock)) {
        return -1;
    }
    const std::int32_t count = static_cast<VisualInterfaceBlock*>(view.Address())->attachCount;
    view.UnmapAndClose();
    return count;
}

// Ends the program as the operator's service manager would, and expects the ordinary end.
std::string Close(ProgramRun& program, const char* which) {
    program.Signal(SIGTERM);
    if (!program.WaitForEnd(kEndMs) || !program.ExitedWith(0)) {
        return std::string(which) + " did not close: " + program.Account();
    }
    return "";
}

// The peer shrinks the block in a loop from the moment the feeder has made it. Whenever the
// shrink strikes (at the attach, between a frame's size check and its access, or found by the
// check), the feeder lives on, says that the block shrank and closes normally.
TEST_F(HostilePeer, FeederOutlivesAPeerThatKeepsShrinkingTheBlock) {
    RunInPrivateShm(kRoomyShm, [this]() -> std::string {
        for (int launch = 1; launch <= kShrinkingPeerLaunches; ++launch) {
            // The peer held the block when the last feeder left, so the block stayed: gone, so
            // that the feeder makes it again.
            NamedMapping::Unlink(kVisualInterfaceName);
            ProgramRun feeder = StartFeeder("feeder" + std::to_string(launch) + ".log");
            ShrinkingPeer peer(kVisualInterfaceName, kVisualInterfaceSize);
            const bool told = feeder.WaitForOutput("Shared memory block", kStartMs);
            std::this_thread::sleep_for(kAlongsidePeer);
            if (!told || !feeder.Running()) {
                return "launch " + std::to_string(launch) + ": " + feeder.Account();
            }
            if (std::string closed = Close(feeder, "the feeder"); !closed.empty()) {
                return closed;
            }
        }
        return "";
    });
}

// The stand-in shares the block through the same client: it lives through the shrink too, says
// that the block shrank and ends with the code of a run that cannot go on (a simulator without
// its block has nothing to show), never killed by the signal.
TEST_F(HostilePeer, StandInOutlivesAPeerThatKeepsShrinkingTheBlock) {
    UniqueMappingName name;
    ProgramRun standIn(CORVANE_SIM_PROGRAM, {"--name", name.c_str(), "--log"}, directory / "sim");
    ASSERT_TRUE(standIn.WaitForOutput("attached to block", kStartMs)) << standIn.Account();
    {
        ShrinkingPeer peer(name.c_str(), kVisualInterfaceSize);
        EXPECT_TRUE(standIn.WaitForOutput("Shared memory block shrank", kStartMs))
            << standIn.Account();
        std::this_thread::sleep_for(kStandInAlongsidePeer);
    }
    ASSERT_TRUE(standIn.WaitForEnd(kEndMs)) << standIn.Account();
    EXPECT_TRUE(standIn.ExitedWith(kSimExitCannotRun)) << standIn.Account();
}

// Containers often give /dev/shm less room than the block needs. The size alone could be set,
// and the first access to the block then killed the program, leaving a block without a tag
// that every later start refused. Now the system's reason is shown and nothing is left.
TEST_F(HostilePeer, NoRoomForTheBlockIsReportedAndLeavesNothingBehind) {
    RunInPrivateShm(kCrampedShm, [this]() -> std::string {
        {
            CVisShm client;
            if (client.IsValid() ||
                std::string(client.GetErrorText()) != "CVisShm::CVisShm\nNo space left on device") {
                return std::string("the client said: ") + client.GetErrorText();
            }
        }
        if (!ShmObjects().empty()) {
            return "left behind by the client: " + ShmObjects();
        }
        ProgramRun feeder = StartFeeder("feeder.log");
        if (!feeder.WaitForOutput("No space left on device", kStartMs)) {
            return "the feeder: " + feeder.Account();
        }
        if (std::string closed = Close(feeder, "the feeder"); !closed.empty()) {
            return closed;
        }
        return ShmObjects().empty() ? "" : "left behind by the feeder: " + ShmObjects();
    });
}

// A second feeder stays off the block that the first feeds (the visual system would see two
// recordings alternate) and says why in its message line; its window stays for the operator.
// The block goes with the last of its users, as a Windows mapping does.
TEST_F(HostilePeer, SecondFeederStaysOffTheBlockAndTheBlockGoesWithItsLastUser) {
    RunInPrivateShm(kRoomyShm, [this]() -> std::string {
        ProgramRun first = StartFeeder("first.log");
        if (!first.WaitForOutput("Status: Opening data file", kStartMs)) {
            return "the first feeder: " + first.Account();
        }
        ProgramRun second = StartFeeder("second.log");
        if (!second.WaitForOutput("Message: CVisShm::ClaimFeeder / Another feeder already feeds "
                                  "shared block \"VisualInterface\": only one may",
                                  kStartMs) ||
            !second.Running()) {
            return "the second feeder: " + second.Account();
        }
        if (const std::int32_t count = AttachCount(); count != 1) {
            return "attachCount " + std::to_string(count) + " beside one feeder";
        }
        for (auto [program, which] :
             {std::pair{&second, "the second feeder"}, std::pair{&first, "the first feeder"}}) {
            if (std::string closed = Close(*program, which); !closed.empty()) {
                return closed;
            }
        }
        return ShmObjects().empty() ? "" : "left behind: " + ShmObjects();
    });
}

// A run that ended left its block (an older Corvane never removed it, a killed one could not):
// its count, its traffic, and the simulation's ending state, on which a feeder started before
// the simulator ended itself. No process holds the block, so the feeder starts it afresh.
TEST_F(HostilePeer, FeederStartsABlockLeftByAnEndedRunAfresh) {
    RunInPrivateShm(kRoomyShm, [this]() -> std::string {
        NamedMapping left;
        bool existed = false;
        if (!left.CreateOrJoin(kVisualInterfaceName, kVisualInterfaceSize, existed) ||
            !left.Open(kVisualInterfaceName) || !left.Map()) {
            return "no block to leave";
        }
        auto* block = static_cast<VisualInterfaceBlock*>(left.Address());
        std::memcpy(block->versionTag, CVisShm::VersionTag(), std::strlen(CVisShm::VersionTag()));
        block->simulationState = kSimulationEnding;
        block->attachCount = 1;
        block->aircraftCount = 1;
        std::memcpy(block->aircraft[0].callsign, "STALE", 6);
        left.UnmapAndClose();

        ProgramRun feeder = StartFeeder("feeder.log");
        if (!feeder.WaitForOutput("Status: Opening data file", kStartMs)) {
            return "the feeder: " + feeder.Account();
        }
        if (!left.Open(kVisualInterfaceName) || !left.Map()) {
            return "no block beside the feeder";
        }
        block = static_cast<VisualInterfaceBlock*>(left.Address());
        const bool fresh = block->simulationState == 0 && block->aircraftCount == 0 &&
                           block->aircraft[0].callsign[0] == '\0' && block->attachCount == 1 &&
                           block->trafficStatus == 99;
        left.UnmapAndClose();
        if (!fresh) {
            return "the block was not started afresh";
        }
        return Close(feeder, "the feeder");
    });
}

} // namespace
