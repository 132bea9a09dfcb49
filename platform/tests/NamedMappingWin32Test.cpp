// Named file mappings on Windows (or Wine), between two real processes.

#include "platform/NamedMapping.h"
#include "platform/ProgramPath.h"
#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr char kGreeting[] = "from the creator";
constexpr char kAnswer[] = "from the peer";
constexpr int kAnswerOffset = 64;
constexpr char kRelease[] = "let go";
constexpr int kReleaseOffset = 128;
constexpr DWORD kPeerTimeoutMs = 60000;

std::string UniqueName(const char* test) {
    char name[128];
    FormatBounded(name, sizeof name, "CorvaneMappingTest_%lu_%s", GetCurrentProcessId(), test);
    return name;
}

// Starts the peer, which lies beside this test program, on `name`; false when it could not be
// started.
bool StartPeer(const std::string& name, std::uint32_t size, const char* mode,
               PROCESS_INFORMATION& process) {
    char folder[MAX_PATH] = {};
    EXPECT_GT(GetProgramFileName(folder, sizeof folder), 0);
    StripLastPathComponent(folder);
    char commandLine[2 * MAX_PATH];
    FormatBounded(commandLine, sizeof commandLine, "\"%s\\NamedMappingPeer.exe\" %s %u %s", folder,
                  name.c_str(), size, mode);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process) != 0;
}

// The peer's exit code once it has ended (-1 when it does not end in time).
int WaitForPeer(PROCESS_INFORMATION& process) {
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, kPeerTimeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

// Runs the peer on `name` and returns its exit code (-1 when it could not be run).
int RunPeer(const std::string& name, std::uint32_t size) {
    PROCESS_INFORMATION process{};
    return StartPeer(name, size, "", process) ? WaitForPeer(process) : -1;
}

// Waits until the text at `at` is `expected`, a minute at most.
bool AwaitText(const char* at, const char* expected) {
    for (DWORD waited = 0; waited < kPeerTimeoutMs; waited += 10) {
        if (std::strcmp(at, expected) == 0) {
            return true;
        }
        Sleep(10);
    }
    return false;
}

TEST(NamedMappingWin32, SecondProcessJoinsTheMappingAndSeesTheSameBytes) {
    const std::string name = UniqueName("join");
    const std::uint32_t size = 13544;
    NamedMapping creator;
    bool existed = true;
    ASSERT_TRUE(creator.CreateOrJoin(name.c_str(), size, existed));
    EXPECT_FALSE(existed);
    ASSERT_TRUE(creator.Open(name.c_str()));
    ASSERT_TRUE(creator.Map());
    EXPECT_GE(creator.MappedSize(), size);
    char* bytes = static_cast<char*>(creator.Address());
    for (std::uint32_t i = 0; i < size; ++i) {
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
    }
    std::memcpy(bytes, kGreeting, sizeof kGreeting);

    EXPECT_EQ(RunPeer(name, size), 0);
    EXPECT_STREQ(bytes + kAnswerOffset, kAnswer);
    creator.UnmapAndClose();
    EXPECT_EQ(creator.Address(), nullptr);
}

// The mapping lives while a peer holds it, and ends with the last handle: UnmapAndClose leaves
// no handle of the creator behind.
TEST(NamedMappingWin32, MappingLivesWhileAPeerHoldsItAndEndsWithTheLastHandle) {
    const std::string name = UniqueName("lifetime");
    NamedMapping creator;
    bool existed = true;
    ASSERT_TRUE(creator.CreateOrJoin(name.c_str(), 4096, existed));
    ASSERT_TRUE(creator.Open(name.c_str()) && creator.Map());
    std::memcpy(creator.Address(), kGreeting, sizeof kGreeting);

    NamedMapping peer;
    ASSERT_TRUE(peer.Open(name.c_str()) && peer.Map());
    creator.UnmapAndClose();
    EXPECT_EQ(creator.CurrentSize(), 0u);
    EXPECT_STREQ(static_cast<const char*>(peer.Address()), kGreeting);
    EXPECT_GE(peer.CurrentSize(), 4096u);

    NamedMapping later;
    ASSERT_TRUE(later.Open(name.c_str()));
    later.UnmapAndClose();
    peer.UnmapAndClose();
    EXPECT_FALSE(later.Open(name.c_str()));
    EXPECT_EQ(later.LastError(), ERROR_FILE_NOT_FOUND);
}

// Of a mapping made here, the other handles tell who else holds it: a peer process's until it
// ends, and another of this process until it is closed.
TEST(NamedMappingWin32, OthersHoldAMappingMadeHereWhileTheyHaveAHandle) {
    const std::string name = UniqueName("madehere");
    NamedMapping creator;
    bool existed = true;
    ASSERT_TRUE(creator.CreateOrJoin(name.c_str(), 4096, existed));
    ASSERT_TRUE(creator.Open(name.c_str()) && creator.Map());
    char* bytes = static_cast<char*>(creator.Address());
    std::memcpy(bytes, kGreeting, sizeof kGreeting);
    EXPECT_EQ(creator.OtherHolders(), NamedMapping::Holders::None);

    PROCESS_INFORMATION peer{};
    ASSERT_TRUE(StartPeer(name, 4096, "hold", peer));
    const bool answered = AwaitText(bytes + kAnswerOffset, kAnswer);
    EXPECT_TRUE(answered);
    EXPECT_EQ(creator.OtherHolders(), NamedMapping::Holders::Others);
    std::memcpy(bytes + kReleaseOffset, kRelease, sizeof kRelease);
    EXPECT_EQ(WaitForPeer(peer), 0);
    EXPECT_EQ(creator.OtherHolders(), NamedMapping::Holders::None);

    NamedMapping second;
    ASSERT_TRUE(second.Open(name.c_str()));
    EXPECT_EQ(creator.OtherHolders(), NamedMapping::Holders::Others);
    second.UnmapAndClose();
    EXPECT_EQ(creator.OtherHolders(), NamedMapping::Holders::None);
    creator.UnmapAndClose();
}

// A mapping that this holder found made had a holder then, and counts as held for as long as
// this holder has it, its maker gone or not: a holder that keeps a view alone shows in no count
// of handles. Without a handle nothing is taken as free.
TEST(NamedMappingWin32, AMappingFoundMadeCountsAsHeld) {
    const std::string name = UniqueName("foundmade");
    NamedMapping maker;
    bool existed = true;
    ASSERT_TRUE(maker.CreateOrJoin(name.c_str(), 4096, existed));
    ASSERT_TRUE(maker.Open(name.c_str()) && maker.Map());

    NamedMapping opener;
    ASSERT_TRUE(opener.Open(name.c_str()) && opener.Map());
    EXPECT_EQ(opener.OtherHolders(), NamedMapping::Holders::Others);
    maker.UnmapAndClose();
    EXPECT_EQ(opener.OtherHolders(), NamedMapping::Holders::Others);
    opener.UnmapAndClose();
    EXPECT_EQ(opener.OtherHolders(), NamedMapping::Holders::Others);
    EXPECT_EQ(maker.OtherHolders(), NamedMapping::Holders::Others);
}

TEST(NamedMappingWin32, OpeningAMissingNameFailsWithFileNotFoundAndItsSystemText) {
    NamedMapping mapping;
    EXPECT_FALSE(mapping.Open(UniqueName("missing").c_str()));
    EXPECT_EQ(mapping.LastError(), ERROR_FILE_NOT_FOUND);

    char text[256] = {};
    NamedMapping::ErrorText(mapping.LastError(), text, sizeof text);
    // The system's own message, as it gives it, line end included.
    char expected[256] = {};
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             expected, sizeof expected, nullptr),
              0u);
    EXPECT_STREQ(text, expected);
    EXPECT_EQ(std::string(text).find("System error"), std::string::npos);

    EXPECT_FALSE(mapping.Map());
    EXPECT_EQ(mapping.Address(), nullptr);
}

TEST(NamedMappingWin32, ErrorTextIsCutToTheBufferAndAlwaysTerminated) {
    char text[8];
    std::memset(text, 'x', sizeof text);
    NamedMapping::ErrorText(ERROR_FILE_NOT_FOUND, text, sizeof text);
    EXPECT_EQ(std::strlen(text), sizeof text - 1);
}

TEST(NamedMappingWin32, CodeWithoutSystemTextStillGivesTheCode) {
    char text[64] = {};
    NamedMapping::ErrorText(0x2FFFFFFF, text, sizeof text);
    EXPECT_NE(std::string(text).find(std::to_string(0x2FFFFFFF)), std::string::npos);
}

TEST(NamedMappingWin32, MapWithoutAnOpenHandleFails) {
    NamedMapping mapping;
    EXPECT_FALSE(mapping.Map());
    EXPECT_NE(mapping.LastError(), 0);
    EXPECT_EQ(mapping.MappedSize(), 0u);
}

TEST(NamedMappingWin32, UnlinkIsANoOpThatSucceeds) {
    EXPECT_EQ(NamedMapping::Unlink(UniqueName("unlink").c_str()), 0);
}

} // namespace
