#include "tools/sim/SimRunner.h"

#include "shared_memory/VisualShm.h"
#include "tests/support/CapturedOutput.h"
#include "tests/support/QuitAfter.h"
#include "tests/support/UniqueName.h"

#include <gtest/gtest.h>

#include "platform/NamedMapping.h"
#include "text_functions/TextFunctions.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {
#ifdef _WIN32
// A Windows block goes with its last user: none is ever left behind, and none can be removed.
constexpr bool kBlocksOutliveTheirUsers = false;
#else
constexpr bool kBlocksOutliveTheirUsers = true;
#endif

// A terminal that goes away (a closed window, a hung-up line) after some pictures.
class LostTerminal : public ProcessTerminal {
public:
    explicit LostTerminal(int pictures) : pictures(pictures) {}
    bool IsTerminal() const override { return true; }
    TerminalSize Size() const override { return {80, 24}; }
    bool QuitRequested() override { return false; }
    bool Draw(const std::vector<std::string>& lines) override {
        for (const std::string& line : lines) {
            EXPECT_LT(line.size(), 80u) << line;
        }
        EXPECT_LE(lines.size(), 24u);
        return --pictures >= 0;
    }
    void EndDrawing() override { ended = true; }

    bool ended = false;

private:
    int pictures;
};

int CountLines(const std::string& text) {
    int lines = 0;
    for (const char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

class SimRunnerTest : public testing::Test {
protected:
    SimRunnerTest()
        : name(UniqueName("CorvaneSimTest")), outLog(name + ".out"), errLog(name + ".err"),
          out(outLog.Stream()), err(errLog.Stream()) {}
    ~SimRunnerTest() override { RemoveStaleBlock(name.c_str(), true, out, err); }

    std::string name;
    CapturedOutput outLog;
    CapturedOutput errLog;
    std::FILE* out;
    std::FILE* err;
};

TEST_F(SimRunnerTest, UserQuitLeavesTheEndingStateForTheFeeder) {
    CVisShm feeder(name.c_str());
    ASSERT_TRUE(feeder.IsValid());
    SimOptions options;
    options.name = name.c_str();
    QuitAfter terminal(2);
    EXPECT_EQ(RunStandIn(options, terminal, out, err), 0);
    auto* block = static_cast<VisualInterfaceBlock*>(feeder.GetBlock());
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    EXPECT_EQ(block->attachCount, 1); // the stand-in detached again
    EXPECT_NEAR(block->ownLatitude, 50.45, 0.01);
    const std::string log = outLog.Text();
    EXPECT_NE(log.find("attached to block \"" + name + "\" (clients attached: 2)"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("simulation ending"), std::string::npos) << log;
}

// Where a block can outlive its users (Linux), the refusal says that another program holds it;
// on Windows, which keeps no block without a holder, that nothing is to be removed, and the count.
constexpr char kWindowsHeld[] =
    "it stays while a program holds it and goes with the last one, so none is left behind "
    "(--force changes nothing). It is held now, attach count ";

std::string HeldRefusal(std::int32_t count) {
    return kBlocksOutliveTheirUsers ? "refused: another program holds"
                                    : kWindowsHeld + std::to_string(count) + " ";
}

TEST_F(SimRunnerTest, RemoveRefusesWhileAClientIsAttached) {
    {
        CVisShm client(name.c_str());
        ASSERT_TRUE(client.IsValid());
        EXPECT_EQ(RemoveStaleBlock(name.c_str(), false, out, err), 1);
        EXPECT_NE(errLog.Text().find(HeldRefusal(1)), std::string::npos) << errLog.Text();
    }
    // The last client has detached and taken the block with it, on both platforms.
    EXPECT_EQ(RemoveStaleBlock(name.c_str(), false, out, err), 1); // nothing left
    EXPECT_NE(errLog.Text().find("no block \"" + name + "\" to remove"), std::string::npos);
}

// On Windows the client's handle keeps the block, and no removal is claimed.
TEST_F(SimRunnerTest, ForceRemovesABlockWithAStaleCount) {
    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid());
    EXPECT_EQ(RemoveStaleBlock(name.c_str(), true, out, err), kBlocksOutliveTheirUsers ? 0 : 1);
    EXPECT_EQ(errLog.Text().find("stays while a program holds it") != std::string::npos,
              !kBlocksOutliveTheirUsers);
}
TEST_F(SimRunnerTest, RemoveRefusesANegativeCountUnlessForced) {
    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid());
    auto* block = static_cast<VisualInterfaceBlock*>(client.GetBlock());
    block->attachCount = -3; // a count that wrapped, or garbage
    EXPECT_EQ(RemoveStaleBlock(name.c_str(), false, out, err), 1);
    const std::string said = errLog.Text();
    EXPECT_NE(said.find(HeldRefusal(-3)), std::string::npos) << said;
    EXPECT_EQ(CountLines(said), 1) << said;
    NamedMapping still;
    EXPECT_TRUE(still.Open(name.c_str()));
    still.UnmapAndClose();
    EXPECT_EQ(RemoveStaleBlock(name.c_str(), true, out, err), kBlocksOutliveTheirUsers ? 0 : 1);
}

// Whoever holds the block decides, not its count: a peer that does not count itself keeps it
// (--force still removes it), and a block that no program holds goes whatever count killed
// clients left in it. On Windows the peer's block stays, forced or not, and one that no program
// holds has gone already.
TEST_F(SimRunnerTest, RemoveFollowsWhoHoldsTheBlockNotItsCount) {
    struct Case {
        const char* label;
        std::int32_t count;
        bool held;
    };
    for (const Case& c : {Case{"peer that does not count itself", 0, true},
                          Case{"left by killed clients", 3, false}}) {
        NamedMapping peer;
        bool existed = false;
        ASSERT_TRUE(peer.CreateOrJoin(name.c_str(), kVisualInterfaceSize, existed));
        ASSERT_TRUE(peer.Open(name.c_str()) && peer.Map());
        static_cast<VisualInterfaceBlock*>(peer.Address())->attachCount = c.count;
        if (!c.held) {
            peer.UnmapAndClose();
        }
        // Windows: forced or not, nothing is removed.
        const bool force = !kBlocksOutliveTheirUsers;
        EXPECT_EQ(RemoveStaleBlock(name.c_str(), force, out, err), c.held || force ? 1 : 0)
            << c.label;
        NamedMapping probe;
        EXPECT_EQ(probe.Open(name.c_str()), c.held) << c.label;
        probe.UnmapAndClose();
        if (!kBlocksOutliveTheirUsers) {
            EXPECT_NE(errLog.Text().find(c.held ? HeldRefusal(c.count)
                                                : "no block \"" + name + "\" to remove"),
                      std::string::npos)
                << c.label << ": " << errLog.Text();
        } else if (c.held) {
            EXPECT_NE(errLog.Text().find("refused: another program holds"), std::string::npos);
            EXPECT_EQ(RemoveStaleBlock(name.c_str(), true, out, err), 0) << c.label;
        }
        peer.UnmapAndClose();
    }
}

TEST_F(SimRunnerTest, AFailureIsOneLine) {
    CVisShm other(name.c_str());
    ASSERT_TRUE(other.IsValid());
    auto* block = static_cast<VisualInterfaceBlock*>(other.GetBlock());
    CopyBounded(block->versionTag, "QX0000", kVersionTagSize); // another build's block
    SimOptions options;
    options.name = name.c_str();
    QuitAfter terminal(2);
    EXPECT_EQ(RunStandIn(options, terminal, out, err), 1);
    const std::string said = errLog.Text();
    EXPECT_NE(said.find("corvane-sim: CVisShm::CVisShm / Shared Memory Version Mismatch / "),
              std::string::npos)
        << said;
    EXPECT_EQ(CountLines(said), 1) << said;
    CopyBounded(block->versionTag, CVisShm::VersionTag(), kVersionTagSize);
}

TEST_F(SimRunnerTest, AnSvgPathThatCannotBeWrittenIsRefusedAtTheStart) {
    const std::string path =
        (std::filesystem::temp_directory_path() / (name + "-missing") / "scope.svg").string();
    SimOptions options;
    options.name = name.c_str();
    options.svgPath = path.c_str();
    QuitAfter terminal(2);
    EXPECT_EQ(RunStandIn(options, terminal, out, err), kSimExitUsage);
    const std::string said = errLog.Text();
    EXPECT_NE(said.find("corvane-sim: --svg " + path + " cannot be written: "), std::string::npos)
        << said;
    EXPECT_EQ(CountLines(said), 1) << said;
    NamedMapping never;
    EXPECT_FALSE(never.Open(name.c_str())); // nothing was attached
}

// Without its output nobody watches: the run ends as a quit does, and the block is left as
// the feeder needs it.
TEST_F(SimRunnerTest, ALostOutputEndsTheRunWithTheDetach) {
    CVisShm feeder(name.c_str());
    ASSERT_TRUE(feeder.IsValid());
    SimOptions options;
    options.name = name.c_str();
    LostTerminal terminal(1);
    EXPECT_EQ(RunStandIn(options, terminal, out, err), 1);
    auto* block = static_cast<VisualInterfaceBlock*>(feeder.GetBlock());
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    EXPECT_EQ(block->attachCount, 1);
    EXPECT_TRUE(terminal.ended);
    const std::string said = errLog.Text();
    EXPECT_NE(said.find("the simulation is ended and the block detached"), std::string::npos)
        << said;
}
} // namespace
