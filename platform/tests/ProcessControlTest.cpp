#include "platform/ProcessControl.h"

#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {
class StandardInputTest : public TempDirectoryTest {};

// A recording piped into a conversion arrives byte for byte: a reader in Windows' text mode
// would drop the carriage returns and end the input at the Ctrl+Z byte.
TEST_F(StandardInputTest, DeliversEveryByteUnchanged) {
    const std::string bytes("a,b\r\n\x1a,c\r\n", 10);
    const std::string path = WriteBinary("piped.csv", bytes);
    ASSERT_NE(std::freopen(path.c_str(), "r", stdin), nullptr);
    UseBinaryStandardInput();
    std::string read;
    for (int c = std::getc(stdin); c != EOF; c = std::getc(stdin)) {
        read += static_cast<char>(c);
    }
    std::fclose(stdin); // so that the folder can go
    EXPECT_EQ(read, bytes);
}
} // namespace
