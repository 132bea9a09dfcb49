#include "shared_memory/VisualShm.h"

#include "shared_memory/tests/ShmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr char kMismatchText[] =
    "CVisShm::CVisShm\nShared Memory Version Mismatch\nPlease rebuild software";

VisualInterfaceBlock* BlockOf(const CVisShm& client) {
    return static_cast<VisualInterfaceBlock*>(client.GetBlock());
}

VisualInterfaceBlock* BlockOf(const RawBlock& raw) {
    return reinterpret_cast<VisualInterfaceBlock*>(raw.Bytes());
}

// A block as a compatible peer leaves it: this build's tag and the given count.
void PrepareBlock(const RawBlock& raw, std::int32_t count) {
    std::memcpy(BlockOf(raw)->versionTag, "QXXXXX", 6);
    BlockOf(raw)->attachCount = count;
}

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

// The block as its creator starts it: this build's tag, count 1, every other byte 0.
void ExpectFreshBlock(const VisualInterfaceBlock& block, const char* label) {
    VisualInterfaceBlock expected{};
    std::memcpy(expected.versionTag, "QXXXXX", 6);
    expected.attachCount = 1;
    EXPECT_EQ(std::memcmp(&block, &expected, sizeof expected), 0) << label;
}

// No one holds such a block (on Windows, where the system does not say, no client is counted
// in it), so what it holds is left from a run that has ended, or from a creator that died
// before writing the tag. It is started afresh, so that a simulator started now reads no stale
// traffic and a feeder started before the simulator does not end itself on the old ending
// state. Another version's block is not this build's to start.
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
        raw.LeaveBehind();
        CVisShm client(name.c_str());
        ASSERT_TRUE(client.IsValid()) << test.label << ": " << client.GetErrorText();
        ExpectFreshBlock(*BlockOf(client), test.label);
    }
}

// A simulator need not count itself: the block it made and holds is joined as it is, by the
// feeder and by a feeder started again, and keeps its name while the simulator holds it. Once
// the simulator has ended, no one holds the block and the next feeder starts it afresh.
TEST(CVisShm, BlockOfAPeerThatDoesNotCountItselfIsJoinedUntilThePeerEnds) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows does not tell who holds a mapping: the count decides there";
#endif
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

    ASSERT_TRUE(BlockNameExists(name.c_str()));
    CVisShm next(name.c_str());
    ASSERT_TRUE(next.IsValid()) << next.GetErrorText();
    ExpectFreshBlock(*BlockOf(next), "after the peer ended");
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

TEST(CVisShm, VersionMismatchLeavesBlockUntouched) {
    struct Case {
        const char* label;
        std::string tag; // bytes of the 64-byte field
    };
    const Case cases[] = {
        {"empty", std::string(64, '\0')},
        {"different", std::string("QX2083") + std::string(58, '\0')},
        {"longer", std::string("QXXXXXY") + std::string(57, '\0')},
        {"lower case", std::string("qxxxxx") + std::string(58, '\0')},
        {"no terminator", std::string("QXXXXX") + std::string(58, 'X')},
    };
    for (const Case& test : cases) {
        TestMappingName name;
        RawBlock raw(name.c_str(), kVisualInterfaceSize);
        ASSERT_TRUE(raw.IsMapped());
        std::memcpy(BlockOf(raw)->versionTag, test.tag.data(), 64);
        BlockOf(raw)->attachCount = 5;
        BlockOf(raw)->trafficStatus = 77;

        {
            CVisShm client(name.c_str());
            EXPECT_FALSE(client.IsValid()) << test.label;
            EXPECT_FALSE(client.CheckVersion()) << test.label;
            EXPECT_STREQ(client.GetErrorText(), kMismatchText) << test.label;
            EXPECT_NE(client.GetBlock(), nullptr) << test.label; // the view stays mapped
            EXPECT_EQ(BlockOf(raw)->attachCount, 5) << test.label;
        }
        EXPECT_EQ(BlockOf(raw)->attachCount, 5) << test.label;
        EXPECT_EQ(BlockOf(raw)->trafficStatus, 77) << test.label;
        EXPECT_EQ(std::memcmp(BlockOf(raw)->versionTag, test.tag.data(), 64), 0) << test.label;
    }
}

TEST(CVisShm, TagMatchesWhateverFollowsItsTerminator) {
    TestMappingName name;
    RawBlock raw(name.c_str(), kVisualInterfaceSize);
    PrepareBlock(raw, 1);
    std::memset(BlockOf(raw)->versionTag + 7, 'Z', 57);

    CVisShm client(name.c_str());
    EXPECT_TRUE(client.IsValid()) << client.GetErrorText();
    EXPECT_EQ(BlockOf(raw)->attachCount, 2);
}

TEST(CVisShm, JoiningKeepsTheContentsOfTheBlock) {
    TestMappingName name;
    RawBlock raw(name.c_str(), kVisualInterfaceSize);
    PrepareBlock(raw, 1);
    BlockOf(raw)->ownLatitude = 51.5;
    BlockOf(raw)->soundRequest = 3;

    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid());
    EXPECT_EQ(BlockOf(client)->ownLatitude, 51.5);
    EXPECT_EQ(BlockOf(client)->soundRequest, 3);
}

TEST(CVisShm, ClearBlockZeroesTheWholeBlock) {
    TestMappingName name;
    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid());
    auto* bytes = static_cast<unsigned char*>(client.GetBlock());
    std::fill(bytes, bytes + kVisualInterfaceSize, 0x33);

    EXPECT_FALSE(client.ClearBlock(0));
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_TRUE(client.ClearBlock(kVisualInterfaceSize));
    EXPECT_TRUE(std::all_of(bytes, bytes + kVisualInterfaceSize, [](auto b) { return b == 0; }));
    EXPECT_FALSE(client.CheckVersion());
}

TEST(CVisShm, BlockShorterThanLayoutIsRefusedUntouched) {
    for (const std::uint32_t size : {0u, 60u, 4096u, kVisualInterfaceSize - 1}) {
        TestMappingName name;
        RawBlock raw(name.c_str(), size);
        if (size == 0 && !raw.Exists()) {
            continue; // Windows makes no empty mapping
        }
        if (size > 0) {
            ASSERT_TRUE(raw.IsMapped());
            std::memset(raw.Bytes(), 0, size);
        }

        CVisShm client(name.c_str());
        const std::size_t seen = MappedSizeFor(size);
        if (seen >= kVisualInterfaceSize) {
            // Whole pages make up the layout's size on Windows: the view holds the whole block,
            // and a blank one without clients is started like a new one.
            EXPECT_TRUE(client.IsValid()) << size;
            continue;
        }
        EXPECT_FALSE(client.IsValid()) << size;
        EXPECT_EQ(client.GetBlock(), nullptr) << size;
        EXPECT_EQ(std::string(client.GetErrorText()),
                  "CVisShm::CVisShm\nShared memory block has " + std::to_string(seen) +
                      " bytes, 13544 needed");
        if (size > 0) {
            EXPECT_TRUE(
                std::all_of(raw.Bytes(), raw.Bytes() + size, [](auto b) { return b == 0; }));
        }
    }
}

TEST(CVisShm, LargerBlockOfAPeerIsAccepted) {
    TestMappingName name;
    RawBlock raw(name.c_str(), kVisualInterfaceSize + 4096);
    PrepareBlock(raw, 1);
    CVisShm client(name.c_str());
    EXPECT_TRUE(client.IsValid()) << client.GetErrorText();
}

// A peer that shrinks the object under the view (POSIX only: a Windows mapping cannot shrink).
// Abandoning the client then releases the view without touching what is left of the block
// beyond the client's own count (see the next test).
TEST(CVisShm, ShrunkBlockIsNotIntactAndIsAbandonedUntouched) {
    TestMappingName name;
    const std::filesystem::path object = std::filesystem::path("/dev/shm") / name.c_str();
    CVisShm client(name.c_str());
    ASSERT_TRUE(client.IsValid());
    if (!std::filesystem::exists(object)) {
        GTEST_SKIP() << "no file view of shared memory objects here";
    }
    EXPECT_TRUE(client.IsBlockIntact());
    for (const std::uintmax_t size : {std::uintmax_t{kVisualInterfaceSize} + 8, std::uintmax_t{0},
                                      std::uintmax_t{kVisualInterfaceSize} - 1}) {
        std::filesystem::resize_file(object, size);
        const bool intact = size >= kVisualInterfaceSize;
        EXPECT_EQ(client.IsBlockIntact(), intact) << size;
        if (!intact) {
            EXPECT_EQ(std::string(client.GetErrorText()),
                      "BaseSharedMemory::IsBlockIntact\nShared memory block shrank to " +
                          std::to_string(size) + " bytes, 13544 needed");
        }
    }
    client.Abandon();
    EXPECT_FALSE(client.IsValid());
    EXPECT_EQ(client.GetBlock(), nullptr);
    EXPECT_FALSE(client.IsBlockIntact());
    client.Detach(); // nothing left to detach from
}

// The peer that shrank the block may keep it: a client that abandons it takes back its count
// where the block still reaches that far, and writes nothing else, not even past the new end.
TEST(CVisShm, AbandonTakesBackTheCountWhereTheShrunkBlockStillHoldsIt) {
    constexpr std::uintmax_t kCountEnd = offsetof(VisualInterfaceBlock, attachCount) + 4;
    struct Case {
        std::uintmax_t size;
        std::int32_t count; // after the client's abandon, with another client counted
    };
    // Cut within the count, the block keeps the count's low bytes, which no one may touch.
    for (const auto [size, count] : {Case{kVisualInterfaceSize - 1, 1}, Case{kCountEnd, 1},
                                     Case{kCountEnd - 1, 2}, Case{0, 0}}) {
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
        std::filesystem::resize_file(object, size);
        ASSERT_FALSE(client.IsBlockIntact());
        client.Abandon();
        EXPECT_FALSE(client.IsValid());
        EXPECT_EQ(client.GetBlock(), nullptr);

        std::filesystem::resize_file(object, kVisualInterfaceSize);
        NamedMapping view;
        ASSERT_TRUE(view.Open(name.c_str()) && view.Map());
        const auto& block = *static_cast<const VisualInterfaceBlock*>(view.Address());
        EXPECT_EQ(block.attachCount, count) << size;
        const auto* bytes = static_cast<const unsigned char*>(view.Address());
        EXPECT_TRUE(std::all_of(bytes + kCountEnd, bytes + kVisualInterfaceSize,
                                [](unsigned char b) { return b == 0; }))
            << size;
        view.UnmapAndClose();
    }
}

TEST(CVisShm, FailureToOpenOrCreateReportsTheSystemText) {
    CVisShm client(UnusableMappingName());
    EXPECT_FALSE(client.IsValid());
    EXPECT_EQ(client.GetBlock(), nullptr);
    char systemText[256];
    NamedMapping::ErrorText(client.GetLastSystemError(), systemText, sizeof systemText);
    EXPECT_NE(client.GetLastSystemError(), 0);
    EXPECT_EQ(std::string(client.GetErrorText()), std::string("CVisShm::CVisShm\n") + systemText);
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
