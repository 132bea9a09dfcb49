#include "tools/sim/SimPeer.h"

#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {
class SimPeerTest : public testing::Test {
protected:
    SimPeerTest() : block(std::make_unique<VisualInterfaceBlock>()) {
        std::memset(block.get(), 0, sizeof(VisualInterfaceBlock));
        settings.route = OwnShipRoute::Leg(50.45, 0.01, 90, 360);
        EXPECT_TRUE(settings.sounds.Parse("5:0,12:10"));
        settings.endAfterSeconds = 60;
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
    SimSettings settings;
};

TEST_F(SimPeerTest, KeepsTheSimulatorFieldsCurrent) {
    SimPeer peer(*block, settings);
    peer.Step(0);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    EXPECT_DOUBLE_EQ(block->ownLatitude, 50.45);
    EXPECT_DOUBLE_EQ(block->ownLongitude, 0.01);
    EXPECT_EQ(block->soundRequest, kSilenceRequest);
    peer.Step(6);
    EXPECT_EQ(block->soundRequest, 0);
    EXPECT_GT(block->ownLongitude, 0.01);
    EXPECT_NEAR(block->ownLatitude, 50.45, 1e-4); // a great circle east bends south a little
    peer.Step(12);
    EXPECT_EQ(block->soundRequest, 10);
    // Fields of the feeder are left alone.
    EXPECT_EQ(block->publishCounter, 0);
    EXPECT_EQ(block->attachCount, 0);
}

TEST_F(SimPeerTest, EndsAfterTheSetTimeAndLingers) {
    SimPeer peer(*block, settings);
    peer.Step(59.9);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    peer.Step(60);
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    EXPECT_FALSE(peer.Finished(60 + kEndingLingerSeconds - 0.1));
    EXPECT_TRUE(peer.Finished(60 + kEndingLingerSeconds));
}

TEST_F(SimPeerTest, WithoutAnEndItRunsOn) {
    settings.endAfterSeconds = -1;
    SimPeer peer(*block, settings);
    peer.Step(1e6);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    EXPECT_FALSE(peer.Finished(1e6));
}

TEST_F(SimPeerTest, TheUserEndsEarlierButNeverLater) {
    SimPeer peer(*block, settings);
    peer.EndNow(10);
    peer.Step(10);
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    peer.EndNow(30); // a later end changes nothing
    EXPECT_TRUE(peer.Finished(10 + kEndingLingerSeconds));
}

TEST_F(SimPeerTest, SeesEachPublicationOnce) {
    block->publishCounter = 41; // left by an earlier run: not a publication of this one
    SimPeer peer(*block, settings);
    EXPECT_FALSE(peer.NewPublication());
    Publish(3);
    EXPECT_TRUE(peer.NewPublication());
    EXPECT_FALSE(peer.NewPublication());
    Publish(0);
    EXPECT_TRUE(peer.NewPublication());
}

TEST_F(SimPeerTest, SnapshotBoundsTheCountAndTheTexts) {
    SimPeer peer(*block, settings);
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
