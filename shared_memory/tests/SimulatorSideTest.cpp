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

// What an earlier simulator left must not reach the feeder before this one has started.
TEST_F(SimulatorSideTest, AwaitingClearsWhatAnEarlierSimulatorLeft) {
    block->simulationState = kSimulationEnding;
    block->soundRequest = 3;
    SimulatorSide peer(*block);
    EXPECT_EQ(block->simulationState, kSimulationEnding); // nothing written yet
    peer.Await();
    EXPECT_EQ(block->simulationState, kSimulationNotRunning);
    EXPECT_EQ(block->soundRequest, kSilenceRequest);
    peer.MoveOwnShip(1, 50.45, 0.01);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    EXPECT_DOUBLE_EQ(block->ownLongitude, 0.01);
    EXPECT_EQ(block->soundRequest, kSilenceRequest);
    peer.Request(4);
    EXPECT_EQ(block->soundRequest, 4);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
}

// Ended from outside (the user, a simulator gone quiet), the block says so at once, and an
// own-ship that still comes leaves the ending state in place.
TEST_F(SimulatorSideTest, AnEndIsWrittenAtOnceAndStays) {
    SimulatorSide peer(*block);
    peer.MoveOwnShip(1, 50.45, 0.01);
    peer.EndNow(2);
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    EXPECT_EQ(peer.SimulationState(), kSimulationEnding);
    peer.MoveOwnShip(3, 50.45, 0.02);
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    EXPECT_FALSE(peer.Finished(2 + kEndingLingerSeconds - 0.1));
    EXPECT_TRUE(peer.Finished(2 + kEndingLingerSeconds));
}

// A fresh block made under the name of a removed one: the request and the state go there at
// once, running again only with the next own-ship; an ending stays an ending. The old block,
// whose memory may be gone, is no longer touched.
TEST_F(SimulatorSideTest, MovedToAFreshBlockItWritesThereAndCountsItsPublications) {
    auto fresh = std::make_unique<VisualInterfaceBlock>();
    std::memset(fresh.get(), 0, sizeof(VisualInterfaceBlock));
    fresh->publishCounter = 7; // a feeder already publishes there
    SimulatorSide peer(*block);
    peer.Step(1, 50.45, 0.01, 0);
    Publish(2);

    peer.MoveTo(*fresh);
    EXPECT_EQ(fresh->simulationState, kSimulationNotRunning);
    EXPECT_EQ(fresh->soundRequest, 0);
    EXPECT_FALSE(peer.NewPublication()); // neither the old block's nor the fresh one's 7th
    fresh->publishCounter = 8;
    EXPECT_TRUE(peer.NewPublication());
    peer.MoveOwnShip(2, 50.46, 0.02);
    EXPECT_EQ(fresh->simulationState, kSimulationRunning);
    EXPECT_DOUBLE_EQ(fresh->ownLatitude, 50.46);
    peer.EndNow(3);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    EXPECT_DOUBLE_EQ(block->ownLatitude, 50.45);

    auto another = std::make_unique<VisualInterfaceBlock>();
    std::memset(another.get(), 0, sizeof(VisualInterfaceBlock));
    peer.MoveTo(*another);
    EXPECT_EQ(another->simulationState, kSimulationEnding);
    EXPECT_EQ(another->soundRequest, 0);
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
