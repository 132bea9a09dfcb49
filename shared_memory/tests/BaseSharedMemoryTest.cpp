#include "shared_memory/BaseSharedMemory.h"

#include "shared_memory/tests/ShmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// The derived class's part: a name and a size.
class TestMemory : public BaseSharedMemory {
public:
    TestMemory(const char* name, std::uint32_t size) {
        SetMappingName(name);
        blockSize = size;
    }
    ~TestMemory() { Unmap(); }
    const char* Name() const { return mappingName; }
};

bool AllZero(const void* block, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    return std::all_of(bytes, bytes + size, [](unsigned char byte) { return byte == 0; });
}

TEST(BaseSharedMemory, OpenOfMissingMappingFailsWithFileNotFound) {
    TestMappingName name;
    TestMemory memory(name.c_str(), 4096);
    EXPECT_FALSE(memory.OpenAndMap());
    EXPECT_STREQ(memory.GetErrorText(), "OpenFileMapping (Code: 2)");
    EXPECT_EQ(memory.GetLastSystemError(), 2);
    EXPECT_EQ(memory.GetBlock(), nullptr);
    EXPECT_FALSE(memory.MapView()); // no handle to map
}

TEST(BaseSharedMemory, CreateOnFreeNameGivesZeroedBlockOfRequestedSize) {
    TestMappingName name;
    TestMemory memory(name.c_str(), 13544);
    EXPECT_EQ(memory.GetBlock(), nullptr);
    ASSERT_TRUE(memory.CreateAndMap());
    EXPECT_FALSE(memory.MappingExisted());
    ASSERT_EQ(memory.GetMappedSize(), MappedSizeFor(13544));
    EXPECT_TRUE(AllZero(memory.GetBlock(), memory.GetMappedSize()));
}

TEST(BaseSharedMemory, CreateJoinsExistingMappingWithoutResizingIt) {
    TestMappingName name;
    RawBlock existing(name.c_str(), 4096);
    ASSERT_TRUE(existing.IsMapped());
    existing.Bytes()[10] = 0x5A;

    TestMemory memory(name.c_str(), 8192);
    ASSERT_TRUE(memory.CreateAndMap());
    EXPECT_TRUE(memory.MappingExisted());
    EXPECT_EQ(memory.GetMappedSize(), 4096u);
    EXPECT_EQ(static_cast<unsigned char*>(memory.GetBlock())[10], 0x5A);
}

TEST(BaseSharedMemory, OverlongNameIsRefusedRatherThanCut) {
    const int size = BaseSharedMemory::kMappingNameSize;
    for (const int length : {size - 1, size, size + 1}) {
        const std::string name(static_cast<std::size_t>(length), 'n');
        TestMemory memory(name.c_str(), 4096);
        EXPECT_EQ(std::string(memory.Name()), length < size ? name : "") << length;
    }
}

TEST(BaseSharedMemory, NullNameIsEmptyAndOpensNothing) {
    TestMemory memory(nullptr, 4096);
    EXPECT_STREQ(memory.Name(), "");
    EXPECT_FALSE(memory.OpenAndMap());
    EXPECT_EQ(memory.GetBlock(), nullptr);
}

TEST(BaseSharedMemory, ClearBlockZeroesOnlyWithinTheMapping) {
    TestMappingName name;
    TestMemory memory(name.c_str(), 4096);
    EXPECT_FALSE(memory.ClearBlock(16)); // no view yet
    ASSERT_TRUE(memory.CreateAndMap());
    auto* bytes = static_cast<unsigned char*>(memory.GetBlock());
    std::fill(bytes, bytes + 4096, 0xEE);

    EXPECT_FALSE(memory.ClearBlock(0));
    EXPECT_FALSE(memory.ClearBlock(4097)); // would write past the end
    EXPECT_EQ(std::count(bytes, bytes + 4096, 0xEE), 4096);

    EXPECT_TRUE(memory.ClearBlock(100));
    EXPECT_TRUE(AllZero(bytes, 100));
    EXPECT_EQ(bytes[100], 0xEE);

    EXPECT_TRUE(memory.ClearBlock(4096));
    EXPECT_TRUE(AllZero(bytes, 4096));
}

TEST(BaseSharedMemory, ErrorTextOfFailureStaysAfterLaterSuccess) {
    TestMappingName name;
    TestMemory memory(name.c_str(), 4096);
    ASSERT_FALSE(memory.OpenAndMap());
    ASSERT_TRUE(memory.CreateAndMap());
    EXPECT_STREQ(memory.GetErrorText(), "OpenFileMapping (Code: 2)");
}

TEST(BaseSharedMemory, UnmapReleasesTheView) {
    TestMappingName name;
    TestMemory memory(name.c_str(), 4096);
    ASSERT_TRUE(memory.CreateAndMap());
    memory.Unmap();
    EXPECT_EQ(memory.GetBlock(), nullptr);
    EXPECT_EQ(memory.GetMappedSize(), 0u);
}

TEST(BaseSharedMemory, RegistersItsModuleOnceAtFirstConstruction) {
    const auto report = std::filesystem::temp_directory_path() /
                        ("CorvaneShmReport_" + std::string(TestMappingName().c_str()) + ".txt");
    ASSERT_TRUE(RunPeer("register \"" + report.string() + "\""));
    std::ifstream file(report);
    std::stringstream content;
    content << file.rdbuf();
    file.close();
    std::filesystem::remove(report);

    const std::string text = content.str();
    const auto rows = [&text](const std::string& word) {
        std::size_t count = 0;
        for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
            ++count;
        }
        return count;
    };
    EXPECT_EQ(rows("QX2082:02"), 1u);
    EXPECT_EQ(rows("QX2082:01"), 1u);
    EXPECT_EQ(rows("BaseSharedMemory.h"), 1u);
    EXPECT_EQ(rows("BaseSharedMemory.cpp"), 1u);
    EXPECT_NE(text.find("1.3"), std::string::npos);
    EXPECT_NE(text.find("1.7"), std::string::npos);
}

} // namespace
