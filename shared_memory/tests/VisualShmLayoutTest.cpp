// The version tag and the size of the visual block: blocks of another version, of another
// size, and blocks that cannot be had at all.
#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"
#include "shared_memory/tests/ShmTestSupport.h"
#include "shared_memory/tests/VisualBlocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

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
            // and a blank one that another holds (here the test) is refused untouched, like
            // another version's.
            EXPECT_FALSE(client.IsValid()) << size;
            EXPECT_STREQ(client.GetErrorText(), kMismatchText) << size;
            EXPECT_TRUE(
                std::all_of(raw.Bytes(), raw.Bytes() + size, [](auto b) { return b == 0; }));
            continue;
        }
        EXPECT_FALSE(client.IsValid()) << size;
        EXPECT_EQ(client.GetBlock(), nullptr) << size;
        EXPECT_EQ(std::string(client.GetErrorText()), "CVisShm::CVisShm\nShared memory block has " +
                                                          std::to_string(seen) +
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

} // namespace
