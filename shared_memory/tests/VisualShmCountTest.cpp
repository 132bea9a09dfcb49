// Counting the clients of the visual block: attaching and detaching in this and other
// processes, the one feeder, and clients that come and go at the same moments.
#include "shared_memory/VisualShm.h"
#include "shared_memory/tests/ShmTestSupport.h"
#include "shared_memory/tests/VisualBlocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <thread>

namespace {

// Two peers with the same arguments at once; true when both succeed.
bool RunTwoPeers(const std::string& arguments) {
    bool firstOk = false;
    bool secondOk = false;
    std::thread first([&] { firstOk = RunPeer(arguments); });
    std::thread second([&] { secondOk = RunPeer(arguments); });
    first.join();
    second.join();
    return firstOk && secondOk;
}

TEST(CVisShm, VersionTagIsPlaceholderUnlessIdentifierCarriesOne) {
    EXPECT_STREQ(CVisShm::VersionTag(), "QXXXXX");
    EXPECT_STREQ(CVisShm::VersionTagOf("%Z% Vis QX2083:03 Vis.h $Revision: 1.1 $"), "QXXXXX");
    EXPECT_STREQ(CVisShm::VersionTagOf("%Z% Vis QXXXXX7 QXXXXX8 $Revision: 1.1 $"),
                 "7 QXXXXX8 $Revision: 1.1 $");
}

TEST(CVisShm, CreatesZeroedBlockWithTagAndCountWhenNoneExists) {
    TestMappingName name;
    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid()) << client.GetErrorText();
    ASSERT_EQ(client.GetMappedSize(), MappedSizeFor(kVisualInterfaceSize));

    VisualInterfaceBlock expected{};
    std::memcpy(expected.versionTag, "QXXXXX", 6);
    expected.attachCount = 1;
    EXPECT_EQ(std::memcmp(BlockOf(client), &expected, sizeof expected), 0);
    EXPECT_TRUE(client.CheckVersion());
}

TEST(CVisShm, SecondClientInAnotherProcessRaisesCountAndLowersItWithoutUnmapping) {
    TestMappingName name;
    // Held here as well: a Windows block would go with the peer, its last user.
    RawBlock raw(name.c_str(), kVisualInterfaceSize);
    ASSERT_TRUE(raw.IsMapped());
    PrepareBlock(raw, 0);
    ASSERT_TRUE(RunPeer(std::string("attach ") + name.c_str())); // count 1

    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid()) << client.GetErrorText();
    VisualInterfaceBlock* block = BlockOf(client);
    EXPECT_EQ(block->attachCount, 2);

    client.Detach();
    EXPECT_FALSE(client.IsValid());
    ASSERT_EQ(client.GetBlock(), block); // still mapped
    EXPECT_EQ(block->attachCount, 1);
    client.Detach();
    EXPECT_EQ(block->attachCount, 1);
}

// A peer may have lowered the count below the client's own 1 while it was attached.
TEST(CVisShm, LastDetachSetsCountToZeroAndUnmaps) {
    for (const std::int32_t count : {1, 0, -3}) {
        TestMappingName name;
        RawBlock raw(name.c_str(), kVisualInterfaceSize);
        ASSERT_TRUE(raw.IsMapped());
        PrepareBlock(raw, 0);

        CVisShm client(name.c_str());
        ASSERT_TRUE(client.IsValid()) << client.GetErrorText();
        ASSERT_EQ(BlockOf(raw)->attachCount, 1);
        BlockOf(raw)->attachCount = count;
        client.Detach();
        EXPECT_EQ(BlockOf(raw)->attachCount, 0) << "count " << count;
        EXPECT_EQ(client.GetBlock(), nullptr) << "count " << count;
        EXPECT_FALSE(client.CheckVersion());
    }
}

// A count that a peer left at the top of its range stays there: one more client would wrap it
// to a negative number of clients, which would make the block look free.
TEST(CVisShm, CountSaturatesAtItsTopInsteadOfWrapping) {
    constexpr std::int32_t kTop = std::numeric_limits<std::int32_t>::max();
    for (const std::int32_t found : {kTop, kTop - 1}) {
        TestMappingName name;
        RawBlock raw(name.c_str(), kVisualInterfaceSize);
        ASSERT_TRUE(raw.IsMapped());
        PrepareBlock(raw, found);
        CVisShm client(name.c_str());
        ASSERT_TRUE(client.IsValid()) << client.GetErrorText();
        EXPECT_EQ(BlockOf(raw)->attachCount, kTop) << found;
        client.Detach();
        EXPECT_EQ(BlockOf(raw)->attachCount, kTop - 1) << found;
    }
}

// One feeder per block: a second is refused, says why and leaves the count as it found it;
// other clients join as before. The lock goes with the feeder's process, however it ends.
TEST(CVisShm, SecondFeederIsRefusedWhileTheFirstLives) {
    TestMappingName name;
    TestMappingName barrierName;
    RawBlock barrier(barrierName.c_str(), sizeof(std::int32_t));
    CVisShm holder(name.c_str());
    ASSERT_TRUE(holder.IsValid());
    bool peerOk = false;
    std::thread peer(
        [&] { peerOk = RunPeer(std::string("feed ") + name.c_str() + " " + barrierName.c_str()); });
    const bool claimed = MeetAtBarrier(barrierName.c_str());
    if (claimed) {
        CVisShm second(name.c_str());
        ASSERT_TRUE(second.IsValid());
        EXPECT_EQ(BlockOf(holder)->attachCount, 3);
        EXPECT_FALSE(second.ClaimFeeder());
        EXPECT_FALSE(second.IsValid());
        EXPECT_EQ(
            std::string(second.GetErrorText()),
            std::string("CVisShm::ClaimFeeder\nAnother feeder already feeds shared block \"") +
                name.c_str() + "\": only one may");
        EXPECT_EQ(BlockOf(holder)->attachCount, 2);
        CVisShm other(name.c_str());
        EXPECT_TRUE(other.IsValid());
    }
    EXPECT_TRUE(MeetAtBarrier(barrierName.c_str()));
    peer.join();
    ASSERT_TRUE(claimed);
    EXPECT_TRUE(peerOk);

    CVisShm next(name.c_str());
    EXPECT_TRUE(next.ClaimFeeder()) << next.GetErrorText();
}

TEST(CVisShm, FeederThatDetachesLetsTheNextOneFeed) {
    TestMappingName name;
    CVisShm holder(name.c_str());
    CVisShm first(name.c_str());
    ASSERT_TRUE(first.ClaimFeeder());
    first.Detach();
    CVisShm second(name.c_str());
    EXPECT_TRUE(second.ClaimFeeder()) << second.GetErrorText();
    EXPECT_FALSE(first.ClaimFeeder()); // detached: no longer a client at all
}

TEST(CVisShm, DestructionDetaches) {
    TestMappingName name;
    RawBlock raw(name.c_str(), kVisualInterfaceSize);
    PrepareBlock(raw, 4);
    { CVisShm client(name.c_str()); }
    EXPECT_EQ(BlockOf(raw)->attachCount, 4);
}

// Clients in two other processes detach at the same moment while this one holds the block;
// with a plain read-modify-write of the count some of their updates would be lost.
TEST(CVisShm, ConcurrentClientsKeepTheCountExact) {
    TestMappingName name;
    TestMappingName barrierName;
    RawBlock barrier(barrierName.c_str(), sizeof(std::int32_t));
    CVisShm holder(name.c_str());
    ASSERT_TRUE(holder.IsValid());
    EXPECT_TRUE(RunTwoPeers(std::string("burst ") + name.c_str() + " 400 " + barrierName.c_str()));
    EXPECT_EQ(BlockOf(holder)->attachCount, 1);
}

// Clients in two processes attach and detach over and over at the same moments, so that the
// block is made, joined, left by its last client and removed while the other process attaches.
// Every attach must find a whole block under a name that stays while it is attached. The last
// detach may still meet a view of the other process (one that a client not counted last leaves
// mapped until its process ends), and then leaves the name: nothing of theirs reaches the next
// client, which finds no one else holding the block and starts it afresh.
TEST(CVisShm, ClientsComingAndGoingTogetherAlwaysMeetAWholeBlock) {
    TestMappingName name;
    TestMappingName barrierName;
    RawBlock barrier(barrierName.c_str(), sizeof(std::int32_t));
    EXPECT_TRUE(RunTwoPeers(std::string("churn ") + name.c_str() + " 300 " + barrierName.c_str()));
    CVisShm next(name.c_str());
    ASSERT_TRUE(next.IsValid()) << next.GetErrorText();
    ExpectFreshBlock(*BlockOf(next), "after the churn");
}

} // namespace
