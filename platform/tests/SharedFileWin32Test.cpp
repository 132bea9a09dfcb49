// A recorder and a feeder on one file, in two processes under Windows (or Wine): neither stands
// in the other's way, and the file may be moved or replaced around them.

#include "platform/ProgramPath.h"
#include "platform/RegularFile.h"
#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr DWORD kPeerTimeoutMs = 60000;

std::string TempPath(const char* test) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    char path[2 * MAX_PATH];
    FormatBounded(path, sizeof path, "%sCorvaneShared_%lu_%s.dat", folder, GetCurrentProcessId(),
                  test);
    return path;
}

// The peer beside this test program, started on `path`; its process handle, or null.
HANDLE StartPeer(const char* mode, const std::string& path) {
    char folder[MAX_PATH] = {};
    EXPECT_GT(GetProgramFileName(folder, sizeof folder), 0);
    StripLastPathComponent(folder);
    char commandLine[3 * MAX_PATH];
    FormatBounded(commandLine, sizeof commandLine, "\"%s\\SharedFilePeer.exe\" %s \"%s\"", folder,
                  mode, path.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int WaitForPeer(HANDLE process) {
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process, kPeerTimeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &exitCode);
    }
    CloseHandle(process);
    return static_cast<int>(exitCode);
}

bool WaitForFile(const std::string& path) {
    for (int step = 0; step < 3000; ++step) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

std::string ReadAll(const SharedReadFile& file) {
    char bytes[256] = {};
    int error = 0;
    const std::int64_t got = file.ReadAt(0, bytes, sizeof bytes - 1, error);
    return got > 0 ? std::string(bytes, static_cast<std::size_t>(got)) : std::string();
}

std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// While the recorder writes: the feeder opens and reads the file both ways it does, and the
// file may be moved to another name and removed (an ordinary open holds both up).
TEST(SharedFileWin32, FeederReadsWhileTheRecorderWritesAndTheFileMayMove) {
    const std::string path = TempPath("writing");
    const std::string moved = path + ".moved";
    HANDLE peer = StartPeer("write", path);
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(WaitForFile(path + ".ready"));

    SharedReadFile live;
    int error = 0;
    ASSERT_TRUE(live.Open(path.c_str(), error)) << error;
    EXPECT_EQ(ReadAll(live), "peer line\n");
    std::FILE* played = OpenRegularFileForReading(path.c_str(), error);
    ASSERT_NE(played, nullptr) << error;
    char line[64] = {};
    EXPECT_NE(std::fgets(line, sizeof line, played), nullptr);
    EXPECT_STREQ(line, "peer line\n");

    EXPECT_NE(MoveFileExA(path.c_str(), moved.c_str(), 0), 0) << GetLastError();
    std::FILE* stop = std::fopen((path + ".stop").c_str(), "wb");
    ASSERT_NE(stop, nullptr);
    std::fclose(stop);
    EXPECT_EQ(WaitForPeer(peer), 0);
    EXPECT_EQ(ReadAll(live), "peer line\nsecond line\n");
    EXPECT_EQ(Content(moved), "peer line\nsecond line\n");
    EXPECT_NE(DeleteFileA(moved.c_str()), 0) << "removed while the feeder holds it";
    live.Close();
    std::fclose(played);
    DeleteFileA((path + ".ready").c_str());
    DeleteFileA((path + ".stop").c_str());
}

// The reverse: a new recording started on a file the feeder holds open.
TEST(SharedFileWin32, RecorderCreatesItsFileWhileTheFeederHoldsIt) {
    const std::string path = TempPath("held");
    std::ofstream(path, std::ios::binary) << "an older recording, longer than the new one\n";
    SharedReadFile live;
    int error = 0;
    ASSERT_TRUE(live.Open(path.c_str(), error)) << error;
    std::FILE* played = OpenRegularFileForReading(path.c_str(), error);
    ASSERT_NE(played, nullptr) << error;

    HANDLE peer = StartPeer("create", path);
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(WaitForPeer(peer), 0);
    EXPECT_EQ(ReadAll(live), "peer line\n");
    std::uint64_t size = 0;
    EXPECT_TRUE(live.Size(size, error));
    EXPECT_EQ(size, 10u);
    live.Close();
    std::fclose(played);
    DeleteFileA(path.c_str());
}

// A file the live feeder follows is held only while it looks: between looks a new recording can
// be moved to its name, which Windows refuses while any program holds the file open.
TEST(SharedFileWin32, NewRecordingReplacesTheFileBetweenLooks) {
    const std::string path = TempPath("replaced");
    const std::string next = path + ".next";
    std::ofstream(path, std::ios::binary) << "old\n";
    std::ofstream(next, std::ios::binary) << "new recording\n";
    SharedReadFile live;
    int error = 0;
    ASSERT_TRUE(live.Open(path.c_str(), error));
    const FileIdentity before = live.Identity();
    ASSERT_TRUE(before.exists);
    live.Close();

    ASSERT_NE(MoveFileExA(next.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING), 0)
        << GetLastError();
    ASSERT_TRUE(live.Open(path.c_str(), error));
    EXPECT_FALSE(live.Identity().file == before.file && live.Identity().device == before.device);
    EXPECT_EQ(ReadAll(live), "new recording\n");
    live.Close();
    DeleteFileA(path.c_str());
}

TEST(SharedFileWin32, MissingFileAndFolderAreRefusedWithTheirReasons) {
    const std::string path = TempPath("missing");
    SharedReadFile live;
    int error = 0;
    EXPECT_FALSE(live.Open(path.c_str(), error));
    EXPECT_EQ(error, ENOENT);
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    EXPECT_FALSE(live.Open(folder, error));
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(OpenRegularFileForReading("NUL", error), nullptr);
    EXPECT_EQ(error, kNotARegularFile);
}

} // namespace
