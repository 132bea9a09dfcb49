// A reader from the start to the end under Windows (or Wine): a named pipe is read as it is
// written, and a read waits for it no longer than it is told; a device is refused.

#include "platform/RegularFile.h"
#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

TEST(SequentialReadWin32, APipeIsReadAsWrittenAndADeviceIsRefused) {
    // One instance each: the refused open takes up its pipe's only instance, as any client does.
    char refused[96], name[96];
    FormatBounded(refused, sizeof refused, "\\\\.\\pipe\\CorvaneSequentialRefused_%lu",
                  GetCurrentProcessId());
    FormatBounded(name, sizeof name, "\\\\.\\pipe\\CorvaneSequentialRead_%lu",
                  GetCurrentProcessId());
    const HANDLE other = CreateNamedPipeA(refused, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                          1, 4096, 4096, 0, nullptr);
    const HANDLE server = CreateNamedPipeA(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                           1, 4096, 4096, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    SequentialReadFile reader;
    int error = 0;
    EXPECT_FALSE(reader.Open(refused, false, error));
    EXPECT_EQ(error, kNotARegularFile);
    CloseHandle(other);
    ASSERT_TRUE(reader.Open(name, true, error)) << error;
    EXPECT_FALSE(reader.IsRegular());
    ConnectNamedPipe(server, nullptr); // the reader is there already: ERROR_PIPE_CONNECTED
    char bytes[16] = {};
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 30, error), SequentialReadFile::kNothingYet);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(server, "abc", 3, &written, nullptr));
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 1000, error), 3);
    EXPECT_EQ(std::string(bytes, 3), "abc");
    CloseHandle(server);
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 1000, error), 0);

    EXPECT_FALSE(reader.Open("NUL", true, error));
    EXPECT_EQ(error, kNotARegularFile);
}

} // namespace
