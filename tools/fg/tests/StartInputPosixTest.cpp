// The bridge's inputs as a hostile machine serves them: FIFOs whose writers never write, FIFOs
// where FlightGear's files should be, a writer that takes its time, and folders that cannot be
// read (by a process of the test's own that is no longer root).
#include "tools/fg/FgModelSources.h"
#include "tools/fg/models/AircraftDatabase.h"
#include "tools/fg/models/ModelCatalogue.h"
#include "tools/fg/models/ModelOverrides.h"
#include "tools/fg/scenery/AirportData.h"
#include "tools/fg/scenery/GeoidFile.h"
#include "tools/fg/tests/ModelTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A watch that asks to stop once some time has passed, and keeps the waits it hears of.
class StopAfter : public ReadWatch {
public:
    explicit StopAfter(std::chrono::milliseconds wait) : until(Clock::now() + wait) {}
    bool StopRequested() override { return Clock::now() >= until; }
    void Waiting(const std::string& path) override { waits.push_back(path); }

    std::vector<std::string> waits;

private:
    Clock::time_point until;
};

// `body` in a child process: its exit code, or 128 and the signal that ended it.
int InChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        std::_Exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// An open that waited for ever would hang the run: a watchdog ends the process instead
// (SIGALRM's default action), and the failure shows.
class StartInputPosixTest : public ModelTreeTest {
protected:
    void SetUp() override {
        ModelTreeTest::SetUp();
        alarm(kWatchdogSeconds);
    }
    void TearDown() override {
        alarm(0);
        ModelTreeTest::TearDown();
    }

    std::string Fifo(const std::string& name) {
        fs::create_directories((directory / name).parent_path());
        EXPECT_EQ(mkfifo(PathOf(name).c_str(), 0600), 0);
        return PathOf(name);
    }

    static constexpr unsigned kWatchdogSeconds = 60;
};

// A FIFO the user names is waited for, with or without a writer that keeps quiet, until a stop
// comes: the bridge once sat in its open or its read, deaf to every signal. A wait of more than
// a second is told once.
TEST_F(StartInputPosixTest, AQuietFifoIsWaitedForUntilAStopComes) {
    const std::string fifo = Fifo("quiet.fifo");
    for (const bool writer : {false, true}) {
        SCOPED_TRACE(writer ? "a writer that writes nothing" : "no writer");
        const int held = writer ? open(fifo.c_str(), O_RDWR) : -1;
        std::string error;
        StopAfter soon(std::chrono::milliseconds(200));
        AircraftDatabase database;
        EXPECT_FALSE(database.Load(fifo, FileKinds::PipesToo, soon));
        EXPECT_EQ(database.FullErrorText(), "stopped while reading the aircraft database " + fifo);
        ModelOverrides table;
        EXPECT_FALSE(table.Load(fifo, soon));
        EXPECT_EQ(table.FullErrorText(), "stopped while reading the model table");
        GeoidGrid grid;
        EXPECT_FALSE(LoadGeoidGrid(fifo, FileKinds::PipesToo, grid, error, soon));
        EXPECT_EQ(error, "stopped while reading the geoid grid " + fifo);
        EXPECT_TRUE(soon.waits.empty());

        StopAfter later(std::chrono::milliseconds(1500));
        EXPECT_FALSE(database.Load(fifo, FileKinds::PipesToo, later));
        EXPECT_EQ(later.waits, std::vector<std::string>{fifo});
        if (held >= 0) {
            close(held);
        }
    }
}

// A FIFO or a pipe whose writer takes its time is read to its end, as `--aircraft-db <(zcat
// FILE)` gives one.
TEST_F(StartInputPosixTest, AWriterThatTakesItsTimeIsReadToTheEnd) {
    const std::string fifo = Fifo("slow.fifo");
    std::thread writer([&fifo] {
        const int fd = open(fifo.c_str(), O_WRONLY);
        for (const char* piece : {"icao24,registr", "ation\n4ca001,EI-A\n4c", "a002,EI-B\n"}) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            EXPECT_GT(write(fd, piece, std::strlen(piece)), 0);
        }
        close(fd);
    });
    AircraftDatabase database;
    EXPECT_TRUE(database.Load(fifo, FileKinds::PipesToo, NoReadWatch()))
        << database.FullErrorText();
    writer.join();
    EXPECT_EQ(database.Size(), 2u);
    ASSERT_NE(database.Find(0x4ca002), nullptr);
    EXPECT_STREQ(database.Find(0x4ca002)->registration, "EI-B");

    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string table = "EIN AI/Aircraft/A320/A320-AerLingus.xml\n";
    ASSERT_EQ(write(ends[1], table.data(), table.size()), static_cast<ssize_t>(table.size()));
    close(ends[1]);
    ModelOverrides overrides;
    EXPECT_TRUE(overrides.Load("/dev/fd/" + std::to_string(ends[0]))) << overrides.FullErrorText();
    EXPECT_EQ(overrides.Size(), 1u);
    close(ends[0]);
}

// A FIFO where a file of FlightGear's data should be is none of FlightGear's: it is passed over
// or counted as malformed, never waited for. A threshold file once held the start for ever.
TEST_F(StartInputPosixTest, FifosWhereFlightGearsFilesShouldBeAreNotWaitedFor) {
    Fifo("AI/Aircraft/A320/A320-Fifo.xml");
    Fifo("AI/Traffic/F/FIFO.xml");
    Fifo("Scenery/Airports/P/H/N/PHNL.threshold.xml");
    ModelCatalogue catalogue;
    ASSERT_TRUE(catalogue.Build(Root()));
    EXPECT_EQ(catalogue.Counts().liveries, 9);
    EXPECT_EQ(catalogue.Counts().fleets, 3);

    AirportIndex index;
    const ThresholdCounts thresholds = ApplyThresholdFiles(PathOf("Scenery/Airports"), index);
    EXPECT_EQ(thresholds.files, 1);
    EXPECT_EQ(thresholds.malformed, 1);

    Fifo("Airports/apt.dat.gz");
    AirportData data;
    std::string error;
    EXPECT_FALSE(LoadAirports(Root(), "", data, error));
    EXPECT_EQ(error, "cannot open FlightGear's airport data " + PathOf("Airports/apt.dat.gz") +
                         ": not a regular file");
}

// A type folder that could not be read was passed over without a word; it is counted in the
// catalogue's summary: one the user may not read (as the user, not as root, who reads every
// folder), and an entry whose kind cannot be told (a link to itself).
TEST_F(StartInputPosixTest, UnreadableTypeFoldersAreCounted) {
    fs::create_symlink("LOOP", directory / "AI" / "Aircraft" / "LOOP");
    ModelCatalogue catalogue;
    ASSERT_TRUE(catalogue.Build(Root()));
    EXPECT_EQ(catalogue.Counts().unreadableFolders, 1);
    EXPECT_EQ(catalogue.Counts().liveries, 9);
    FgOptions options;
    options.fgRoot = Root();
    FgModelSources sources;
    std::vector<std::string> notes;
    std::string error;
    ASSERT_TRUE(LoadModelSources(options, sources, notes, error)) << error;
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes[0].find(", 1 folders unreadable;"), std::string::npos) << notes[0];

    fs::remove(directory / "AI" / "Aircraft" / "LOOP");
    ASSERT_EQ(chmod(PathOf("AI/Aircraft/c172").c_str(), 0), 0);
    constexpr uid_t kNobody = 65534;
    const int code = InChild([this] {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            return 98;
        }
        ModelCatalogue asUser;
        const bool built = asUser.Build(Root());
        std::fprintf(stderr, "built %d, unreadable %d, liveries %d\n", built,
                     asUser.Counts().unreadableFolders, asUser.Counts().liveries);
        return built && asUser.Counts().unreadableFolders == 1 && asUser.Counts().liveries == 7 ? 0
                                                                                                : 1;
    });
    chmod(PathOf("AI/Aircraft/c172").c_str(), 0755);
    if (code == 98) {
        GTEST_SKIP() << "no user to be but root";
    }
    EXPECT_EQ(code, 0);
}

} // namespace
