// corvane-fg as its users run it: a process of its own, told to stop by a signal while it waits
// for a FIFO, and held under an address-space limit (ulimit -v) while it loads what it is given.
#include "platform/UdpSocket.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/UniqueName.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Only keeps a broken program from hanging the test run.
constexpr int kPatienceMs = 20000;

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer reserves terabytes of address space: no limit on it can be set.
constexpr bool kAddressSpaceCanBeLimited = false;
#else
constexpr bool kAddressSpaceCanBeLimited = true;
#endif

// A port that was free a moment ago.
std::string FreePort() {
    UdpSocket probe;
    UdpEndpoint any;
    EXPECT_TRUE(probe.Resolve("127.0.0.1", 0, any));
    EXPECT_TRUE(probe.Bind(any));
    return "127.0.0.1:" + std::to_string(probe.LocalPort());
}

class FgProgramTest : public testing::Test {
protected:
    FgProgramTest()
        : name(UniqueName("CorvaneFgProgram")), folder(fs::temp_directory_path() / name) {
        fs::create_directories(folder / "no-flightgear");
    }
    ~FgProgramTest() override { fs::remove_all(folder); }

    std::string PathOf(const std::string& file) const { return (folder / file).string(); }

    // The bridge, logging lines, on a block and a port of its own, without FlightGear's data.
    std::vector<std::string> Bridge(std::vector<std::string> arguments) const {
        arguments.insert(arguments.end(), {"--log", "--name", name, "--listen", FreePort(),
                                           "--fg-root", PathOf("no-flightgear")});
        return arguments;
    }

    // The program under `ulimit -v`, in KiB.
    static ProgramLaunch Limited(int kibibytes, const std::vector<std::string>& arguments) {
        std::vector<std::string> shell = {
            "-c", "ulimit -v " + std::to_string(kibibytes) + " && exec \"$0\" \"$@\"",
            CORVANE_FG_PROGRAM};
        shell.insert(shell.end(), arguments.begin(), arguments.end());
        return LaunchOf("/bin/sh", shell);
    }

    std::string WriteGzip(const std::string& file, const std::string& text) const {
        gzFile out = gzopen(PathOf(file).c_str(), "wb");
        EXPECT_NE(out, nullptr);
        gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
        gzclose(out);
        return PathOf(file);
    }

    std::string name;
    fs::path folder;
};

// A FIFO named as the database or the geoid grid, without a writer or with one that writes
// nothing: the bridge once sat in its open, printing nothing, deaf to every signal. It says what
// it waits for, and a stop ends the wait with a message and the exit code of a normal end.
TEST_F(FgProgramTest, AStopEndsTheWaitForAQuietFifoWithAMessage) {
    const std::string fifo = PathOf("quiet.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* option;
        bool writer;
        int signal;
        const char* what;
    } cases[] = {{"--aircraft-db", false, SIGTERM, "the aircraft database"},
                 {"--aircraft-db", true, SIGINT, "the aircraft database"},
                 {"--geoid", false, SIGHUP, "the geoid grid"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.option) + (c.writer ? " with a quiet writer" : ""));
        const int held = c.writer ? open(fifo.c_str(), O_RDWR) : -1;
        ProgramRun program(LaunchOf(CORVANE_FG_PROGRAM, Bridge({c.option, fifo})));
        ASSERT_TRUE(program.Started());
        EXPECT_TRUE(program.WaitForOutput("corvane-fg: waiting for " + fifo, kPatienceMs))
            << program.Account();
        program.Signal(c.signal);
        ASSERT_TRUE(program.WaitForEnd(kPatienceMs)) << program.Account();
        EXPECT_EQ(program.ExitCode(), 0) << program.Account();
        EXPECT_EQ(program.Errors(),
                  "corvane-fg: stopped while reading " + std::string(c.what) + " " + fifo + "\n");
        EXPECT_EQ(program.Output().find("attached to block"), std::string::npos);
        if (held >= 0) {
            close(held);
        }
    }
}

// Two million rows of one aircraft (a gzip bomb of a database) once took 64 MB and more, and
// ended in bad_alloc under a limit of 128 MB: the database holds one entry per aircraft.
TEST_F(FgProgramTest, ManyRowsOfOneAircraftLoadUnderAMemoryLimit) {
    if (!kAddressSpaceCanBeLimited) {
        GTEST_SKIP() << "the address sanitizer's shadow takes the address space";
    }
    const std::string row = "4ca7b1,EI-DCL,B738,L2J,RYR\n";
    std::string text = "icao24,registration,typecode,icaoaircrafttype,operatoricao\n";
    text.reserve(text.size() + row.size() * 2000000);
    for (int i = 0; i < 2000000; ++i) {
        text += row;
    }
    const std::string database = WriteGzip("one.csv.gz", text);
    ProgramRun program(Limited(128 * 1024, {"--match", "RYR1/4ca7b1", "--aircraft-db", database,
                                            "--fg-root", PathOf("no-flightgear")}));
    ASSERT_TRUE(program.WaitForEnd(kPatienceMs)) << program.Account();
    EXPECT_EQ(program.ExitCode(), 0) << program.Account();
    EXPECT_NE(program.Errors().find(": 1 aircraft, 0 bad rows skipped;"), std::string::npos)
        << program.Account();
}

// Two million aircraft under a limit of 64 MB: their entries alone take as much (the bridge
// without them runs in less than 48 MB). The bridge ends at start with a message that names the
// database, not with an abort.
TEST_F(FgProgramTest, AnInputLargerThanMemoryEndsTheBridgeWithAMessage) {
    if (!kAddressSpaceCanBeLimited) {
        GTEST_SKIP() << "the address sanitizer's shadow takes the address space";
    }
    const std::string database = PathOf("many.csv");
    {
        std::ofstream file(database, std::ios::binary);
        file << "icao24\n";
        char row[16];
        for (std::uint32_t i = 0; i < 2000000; ++i) {
            // An odd multiplier visits every 24-bit address once: these are all distinct.
            std::snprintf(row, sizeof row, "%06x\n", (i * 0x9E3779u) & 0xFFFFFFu);
            file << row;
        }
    }
    ProgramRun program(Limited(64 * 1024, Bridge({"--aircraft-db", database})));
    ASSERT_TRUE(program.WaitForEnd(kPatienceMs)) << program.Account();
    EXPECT_EQ(program.ExitCode(), 1) << program.Account();
    EXPECT_EQ(program.Errors().rfind("corvane-fg: out of memory while reading the aircraft "
                                     "database " +
                                         database + ": ",
                                     0),
              0u)
        << program.Account();
    EXPECT_EQ(program.Output().find("attached to block"), std::string::npos);
}

// A geoid grid of 233 MB (the world every two minutes) under a limit of 352 MB: it is held once,
// its bytes read straight into the grid's room, where the whole file was read first and turned
// into values beside it.
TEST_F(FgProgramTest, AGeoidGridIsHeldOnceNotTwice) {
    if (!kAddressSpaceCanBeLimited) {
        GTEST_SKIP() << "the address sanitizer's shadow takes the address space";
    }
    std::string header;
    const auto put = [&header](std::uint64_t value, int size) {
        for (int i = size - 1; i >= 0; --i) {
            header.push_back(static_cast<char>(value >> (8 * i)));
        }
    };
    const double step = 1.0 / 30;
    for (const double value : {-90.0, -180.0, step, step}) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        put(bits, 8);
    }
    put(5401, 4);
    put(10800, 4);
    const std::string grid = PathOf("world.gtx");
    std::ofstream(grid, std::ios::binary) << header;
    fs::resize_file(grid, header.size() + 5401ull * 10800 * 4); // sparse: zeros
    ProgramRun program(Limited(352 * 1024, Bridge({"--geoid", grid})));
    EXPECT_TRUE(program.WaitForOutput("attached to block", kPatienceMs)) << program.Account();
    EXPECT_NE(program.Output().find("corvane-fg: geoid grid " + grid + " (from --geoid)"),
              std::string::npos)
        << program.Account();
    program.Signal(SIGTERM);
    ASSERT_TRUE(program.WaitForEnd(kPatienceMs)) << program.Account();
    EXPECT_EQ(program.ExitCode(), 0) << program.Account();
}

} // namespace
