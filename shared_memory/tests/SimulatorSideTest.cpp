#include "shared_memory/SimulatorSide.h"

#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {
constexpr double kEndAfter = 60;

class SimulatorSideTest : public testing::Test {
protected:
    SimulatorSideTest() : block(std::make_unique<VisualInterfaceBlock>()) {
        std::memset(block.get(), 0, sizeof(VisualInterfaceBlock));
    }

    // A simulation flying east from 50.45 N 0.01 E, silent but for traffic from 5 s to 12 s.
    static void Step(SimulatorSide& simulator, double seconds) {
        const std::int32_t request = seconds >= 5 && seconds < 12 ? 0 : kSilenceRequest;
        simulator.Step(seconds, 50.45, 0.01 + seconds / 1000, request);
    }

    // What the feeder does at a publication.
    void Publish(int count) {
        block->aircraftCount = count;
        for (int i = 0; i < count && i < kMaxBlockAircraft; ++i) {
            FormatBounded(block->aircraft[i].callsign, 9, "AC%d", i);
        }
        block->publishCounter += 1;
        block->trafficStatus = 0;
    }

    std::unique_ptr<VisualInterfaceBlock> block;
};

TEST_F(SimulatorSideTest, KeepsTheSimulatorFieldsCurrent) {
    SimulatorSide peer(*block, kEndAfter);
    Step(peer, 0);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    EXPECT_DOUBLE_EQ(block->ownLatitude, 50.45);
    EXPECT_DOUBLE_EQ(block->ownLongitude, 0.01);
    EXPECT_EQ(block->soundRequest, kSilenceRequest);
    Step(peer, 6);
    EXPECT_EQ(block->soundRequest, 0);
    EXPECT_DOUBLE_EQ(block->ownLongitude, 0.016);
    EXPECT_DOUBLE_EQ(block->ownLatitude, 50.45);
    EXPECT_EQ(peer.SoundRequest(), 0);
    Step(peer, 12);
    EXPECT_EQ(block->soundRequest, 10);
    // Fields of the feeder are left alone.
    EXPECT_EQ(block->publishCounter, 0);
    EXPECT_EQ(block->attachCount, 0);
}

TEST_F(SimulatorSideTest, EndsAfterTheSetTimeAndLingers) {
    SimulatorSide peer(*block, kEndAfter);
    Step(peer, 59.9);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    Step(peer, 60);
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    EXPECT_FALSE(peer.Finished(60 + kEndingLingerSeconds - 0.1));
    EXPECT_TRUE(peer.Finished(60 + kEndingLingerSeconds));
}

TEST_F(SimulatorSideTest, WithoutAnEndItRunsOn) {
    SimulatorSide peer(*block);
    Step(peer, 1e6);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    EXPECT_FALSE(peer.Finished(1e6));
}

TEST_F(SimulatorSideTest, TheUserEndsEarlierButNeverLater) {
    SimulatorSide peer(*block, kEndAfter);
    peer.EndNow(10);
    Step(peer, 10);
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    peer.EndNow(30); // a later end changes nothing
    EXPECT_TRUE(peer.Finished(10 + kEndingLingerSeconds));
}

TEST_F(SimulatorSideTest, SeesEachPublicationOnce) {
    block->publishCounter = 41; // left by an earlier run: not a publication of this one
    SimulatorSide peer(*block, kEndAfter);
    EXPECT_FALSE(peer.NewPublication());
    Publish(3);
    EXPECT_TRUE(peer.NewPublication());
    EXPECT_FALSE(peer.NewPublication());
    Publish(0);
    EXPECT_TRUE(peer.NewPublication());
}

TEST_F(SimulatorSideTest, SnapshotBoundsTheCountAndTheTexts) {
    SimulatorSide peer(*block, kEndAfter);
    Publish(3);
    std::memset(block->diagnosticText[3], 'x', kDiagnosticTextSize); // no terminator
    CopyBounded(block->diagnosticText[1], "Top Lat = 51.05", kDiagnosticTextSize);
    auto snapshot = std::make_unique<PublicationSnapshot>();
    peer.TakeSnapshot(*snapshot);
    EXPECT_EQ(snapshot->recordCount, 3);
    EXPECT_STREQ(snapshot->aircraft[2].callsign, "AC2");
    EXPECT_STREQ(snapshot->slot1, "Top Lat = 51.05");
    EXPECT_EQ(std::strlen(snapshot->slot3), static_cast<std::size_t>(kDiagnosticTextSize - 1));

    for (int count : {-5, 151, 1000000}) {
        block->aircraftCount = count;
        peer.TakeSnapshot(*snapshot);
        EXPECT_EQ(snapshot->aircraftCount, count);
        EXPECT_EQ(snapshot->recordCount, count < 0 ? 0 : kMaxBlockAircraft);
    }
}
} // namespace
