// What a client finds left in the visual block and what the last client takes with it: runs
// that ended, peers that do not count themselves, views that lost their pages.
#include "shared_memory/VisualShm.h"
#include "shared_memory/tests/ShmTestSupport.h"
#include "shared_memory/tests/VisualBlocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

// What a run that ended leaves in the block: its traffic, its status and the ending state.
void LeaveStaleRun(VisualInterfaceBlock& block) {
    block.simulationState = kSimulationEnding;
    block.ownLatitude = 51.5;
    block.aircraftCount = 2;
    block.publishCounter = 17;
    block.trafficStatus = 99;
    std::memcpy(block.aircraft[1].callsign, "STALE", 6);
    std::memcpy(block.diagnosticText[4], "other writer", 13);
    block.reserved13488[0] = 1;
}

std::vector<unsigned char> BytesOf(const RawBlock& raw) {
    return {raw.Bytes(), raw.Bytes() + kVisualInterfaceSize};
}

// Every byte as it was but the count, which the client raised by one.
void ExpectJoinedAsItWas(const RawBlock& raw, const std::vector<unsigned char>& before,
                         const char* label) {
    VisualInterfaceBlock expected;
    std::memcpy(&expected, before.data(), sizeof expected);
    ++expected.attachCount;
    EXPECT_EQ(std::memcmp(raw.Bytes(), &expected, sizeof expected), 0) << label;
}

// No one holds such a block, so what it holds is left from a run that has ended, or from a
// creator that died before writing the tag. It is started afresh, so that a simulator started
// now reads no stale traffic and a feeder started before the simulator does not end itself on
// the old ending state. Another version's block is not this build's to start. Windows keeps no
// block without a holder: there the block set up here is the test's own, held, and so joined
// as it is whatever its count, or, blank, refused and left alone.
TEST(CVisShm, BlockWithoutClientsIsStartedAfresh) {
    struct Case {
        const char* label;
        const char* tag;
        std::int32_t count;
        bool stale;
    };
    for (const Case& test :
         {Case{"ended run", "QXXXXX", 0, true}, Case{"count below 0", "QXXXXX", -7, true},
          Case{"half made", "", 0, false}, Case{"blank tag, old contents", "", 0, true}}) {
        TestMappingName name;
        RawBlock raw(name.c_str(), kVisualInterfaceSize);
        ASSERT_TRUE(raw.IsMapped());
        std::memcpy(BlockOf(raw)->versionTag, test.tag, std::strlen(test.tag));
        BlockOf(raw)->attachCount = test.count;
        if (test.stale) {
            LeaveStaleRun(*BlockOf(raw));
        }
        const std::vector<unsigned char> before(raw.Bytes(), raw.Bytes() + kVisualInterfaceSize);
        raw.LeaveBehind();
        CVisShm client(name.c_str());
        if (NamedMapping::NamesOutliveHolders()) {
            ASSERT_TRUE(client.IsValid()) << test.label << ": " << client.GetErrorText();
            ExpectFreshBlock(*BlockOf(client), test.label);
        } else if (test.tag[0] == '\0') {
            EXPECT_FALSE(client.IsValid()) << test.label;
            EXPECT_STREQ(client.GetErrorText(), kMismatchText) << test.label;
            EXPECT_EQ(BytesOf(raw), before) << test.label;
        } else {
            ASSERT_TRUE(client.IsValid()) << test.label << ": " << client.GetErrorText();
            ExpectJoinedAsItWas(raw, before, test.label);
        }
    }
}

// A simulator need not count itself: the block it made and holds is joined as it is, by the
// feeder and by a feeder started again, and keeps its name while the simulator holds it. Once
// the simulator has ended, no one holds the block and the next feeder starts it afresh (on
// Windows the block has gone with the simulator, and the next feeder makes a new one).
TEST(CVisShm, BlockOfAPeerThatDoesNotCountItselfIsJoinedUntilThePeerEnds) {
    TestMappingName name;
    TestMappingName barrierName;
    RawBlock barrier(barrierName.c_str(), sizeof(std::int32_t));
    bool peerOk = false;
    std::thread peer(
        [&] { peerOk = RunPeer(std::string("hold ") + name.c_str() + " " + barrierName.c_str()); });
    const bool holding = MeetAtBarrier(barrierName.c_str());
    for (const char* run : {"first feeder", "feeder started again"}) {
        if (!holding) {
            break;
        }
        CVisShm feeder(name.c_str());
        ASSERT_TRUE(feeder.IsValid()) << run << ": " << feeder.GetErrorText();
        const VisualInterfaceBlock& block = *BlockOf(feeder);
        EXPECT_EQ(block.simulationState, kPeerSimulationState) << run;
        EXPECT_EQ(block.ownLatitude, kPeerLatitude) << run;
        EXPECT_EQ(block.soundRequest, kPeerSoundRequest) << run;
        EXPECT_EQ(block.attachCount, 1) << run;
        feeder.Detach();
        EXPECT_TRUE(BlockNameExists(name.c_str())) << run;
    }
    EXPECT_TRUE(MeetAtBarrier(barrierName.c_str()));
    peer.join();
    ASSERT_TRUE(holding);
    EXPECT_TRUE(peerOk);

    ASSERT_EQ(BlockNameExists(name.c_str()), NamedMapping::NamesOutliveHolders());
    CVisShm next(name.c_str());
    ASSERT_TRUE(next.IsValid()) << next.GetErrorText();
    ExpectFreshBlock(*BlockOf(next), "after the peer ended");
}

// A block that a peer holds with a blank tag, or with another version's, is refused and left
// exactly as the peer keeps it: neither cleared nor counted.
TEST(CVisShm, BlockOfAPeerWithoutThisVersionsTagIsLeftAlone) {
    for (const char* tag : {"blank", "QX2083"}) {
        TestMappingName name;
        TestMappingName barrierName;
        RawBlock barrier(barrierName.c_str(), sizeof(std::int32_t));
        bool peerOk = false;
        std::thread peer([&] {
            peerOk = RunPeer(std::string("hold ") + name.c_str() + " " + barrierName.c_str() + " " +
                             tag);
        });
        if (MeetAtBarrier(barrierName.c_str())) {
            RawBlock seen(name.c_str(), kVisualInterfaceSize);
            const std::vector<unsigned char> before = BytesOf(seen);
            {
                CVisShm feeder(name.c_str());
                EXPECT_FALSE(feeder.IsValid()) << tag;
                EXPECT_STREQ(feeder.GetErrorText(), kMismatchText) << tag;
            }
            EXPECT_EQ(BlockOf(seen)->simulationState, kPeerSimulationState) << tag;
            EXPECT_EQ(BlockOf(seen)->attachCount, 0) << tag;
            EXPECT_EQ(BytesOf(seen), before) << tag;
            EXPECT_TRUE(MeetAtBarrier(barrierName.c_str())) << tag;
        }
        peer.join();
        EXPECT_TRUE(peerOk) << tag;
    }
}

TEST(CVisShm, AnotherVersionsBlockWithoutClientsIsLeftAlone) {
    TestMappingName name;
    RawBlock raw(name.c_str(), kVisualInterfaceSize);
    ASSERT_TRUE(raw.IsMapped());
    std::memcpy(BlockOf(raw)->versionTag, "QX2083", 6);
    LeaveStaleRun(*BlockOf(raw));
    std::vector<unsigned char> before(raw.Bytes(), raw.Bytes() + kVisualInterfaceSize);

    CVisShm client(name.c_str());
    EXPECT_FALSE(client.IsValid());
    EXPECT_STREQ(client.GetErrorText(), kMismatchText);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), raw.Bytes()));
}

// As on Windows, the block goes with its last client: nothing of a run is left to the next.
TEST(CVisShm, LastClientTakesTheBlockWithIt) {
    TestMappingName name;
    {
        CVisShm only(name.c_str());
        ASSERT_TRUE(only.IsValid());
        LeaveStaleRun(*BlockOf(only));
    }
    EXPECT_FALSE(BlockNameExists(name.c_str()));
    CVisShm next(name.c_str());
    ASSERT_TRUE(next.IsValid());
    ExpectFreshBlock(*BlockOf(next), "next run");
}

// The last client leaves only the name it found: a block made anew under the name by someone
// else in the meantime stays.
TEST(CVisShm, LastClientLeavesANewBlockOfTheNameAlone) {
    TestMappingName name;
    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid());
    NamedMapping::Unlink(name.c_str());
    RawBlock newer(name.c_str(), kVisualInterfaceSize);
    ASSERT_TRUE(newer.IsMapped());
    client.Detach();
    EXPECT_TRUE(BlockNameExists(name.c_str()));
}

// A view that lost its pages (a peer shrank the block while it was in use) is reported even
// after the peer has grown the block again. Leaving it takes the client's count back and
// nothing else: the name stays for those who still share the block.
TEST(CVisShm, LostViewIsNotIntactAndIsLeftWithOnlyItsCount) {
    TestMappingName name;
    const std::filesystem::path object = std::filesystem::path("/dev/shm") / name.c_str();
    RawBlock raw(name.c_str(), kVisualInterfaceSize);
    ASSERT_TRUE(raw.IsMapped());
    PrepareBlock(raw, 1);
    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid());
    if (!std::filesystem::exists(object)) {
        GTEST_SKIP() << "no file view of shared memory objects here";
    }
    std::filesystem::resize_file(object, 0);
    EXPECT_EQ(static_cast<volatile VisualInterfaceBlock*>(BlockOf(client))->simulationState, 0);
    std::filesystem::resize_file(object, kVisualInterfaceSize);
    PrepareBlock(raw, 2);

    EXPECT_FALSE(client.IsBlockIntact());
    EXPECT_STREQ(client.GetErrorText(), "BaseSharedMemory::IsBlockIntact\nShared memory block "
                                        "shrank while in use, 13544 needed");
    client.Detach();
    EXPECT_FALSE(client.IsValid());
    EXPECT_EQ(client.GetBlock(), nullptr);
    EXPECT_EQ(BlockOf(raw)->attachCount, 1);
    EXPECT_TRUE(BlockNameExists(name.c_str()));
}

} // namespace
