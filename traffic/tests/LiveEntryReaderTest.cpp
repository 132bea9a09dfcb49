// Live reading as the feeder's request sees it: what is published, when nothing is, how old the
// status line says the newest entry is, and when a publication is withdrawn.

#include "traffic/LiveEntryReader.h"

#include "platform/RegularFile.h"
#include "traffic/tests/LiveFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

class Owner final : public DataSetReaderOwner {
public:
    const char* GetWindowTitle() const override { return "Halvery v1"; }
    void SetWindowTitleText(const char* text) override { title = text; }
    void SetMessageText(const char* text) override { message = text; }
    void SetStatusText(const char* text) override { status = text; }
    void ShowMessageBox(const char*, const char*) override {}
    void SleepMilliseconds(std::int32_t) override {}

    std::string title;
    std::string message;
    std::string status;
};

constexpr std::int64_t kTime = 1'700'000'000;

// A reader of its own with the own-ship off the Channel coast.
struct Feeder {
    Feeder() { analyser.SetOwnShipPosition(50.5, 0.1); }

    // Takes the aircraft in view: the analyser is empty afterwards.
    std::vector<AircraftRecord> InView() {
        std::vector<AircraftRecord> records(150);
        records.resize(static_cast<std::size_t>(analyser.GetAircraftInView(150, records.data())));
        return records;
    }

    Owner owner;
    TrafficAnalyser analyser;
    DataSetReader reader{owner, analyser};
    LiveEntryReader live{owner, reader};
};

bool SameRecords(const std::vector<AircraftRecord>& a, const std::vector<AircraftRecord>& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(AircraftRecord)) == 0;
}

// The newest entry of a file, read live, holds what a play of the file from its top holds when
// it reaches that entry: the same line cutting, tags, counting and view test.
TEST(LiveEntryReader, PublishesWhatAPlayOfThatEntryPublishes) {
    const std::vector<std::string> awkward = {
        "CRLF01|4CA2B5|1700000000|50.4|0.2|1|2|3|4|5\r\n",
        std::string(300, 'W') + "|4CA2B6|1700000001|50.6|0.0|1|2|3|4|5\n",
        "FAR|4CA2B7|1700000002|10.0|10.0|1|2|3|4|5\n",
        "\n",
        "####_BEGIN_####\n",
        "no separators\n",
        std::string(254, 'C') + "\r\n",
        "\"0x4ca2b8\"|\"4CA2B8\"|1700000003|50.55|0.15|1|2|3|4|5\n",
    };
    LiveFolder folder;
    const std::string path = folder.Write(
        "TrafficLog.dat", LiveHeader("Equal") + EntryText(0, {LiveAircraft("OLD", 1)}) +
                              EntryText(1, awkward) + "####_ENTRY_2_####\nHALF|");

    Feeder play;
    ASSERT_TRUE(play.reader.OpenTrafficDataFile(path.c_str()));
    while (play.reader.GetCallNumber() < 2 && play.reader.GetEntryNumber() < 2) {
        play.reader.RequestHistoricData();
    }
    Feeder live;
    live.live.Start(path.c_str());
    ASSERT_EQ(live.live.Request(kTime, 0), LiveStep::NewEntry) << live.owner.message;

    const std::vector<AircraftRecord> published = live.InView();
    EXPECT_EQ(published.size(), 3u);
    EXPECT_TRUE(SameRecords(published, play.InView()));
    EXPECT_EQ(live.reader.GetAircraftChecked(), play.reader.GetAircraftChecked());
    EXPECT_EQ(live.reader.GetCallNumber(), play.reader.GetCallNumber());
    EXPECT_EQ(live.owner.message, play.owner.message);
    EXPECT_EQ(live.owner.title, "Halvery v1:: Equal");
}

// The age runs from the newest position time on the calendar clock; the publication stands
// until its entry is kLiveHoldSeconds old, whether or not the recording was closed (a recorder
// that stopped without closing would leave its aircraft frozen).
TEST(LiveEntryReader, OldPublicationIsWithdrawnOnceAndTheStatusTellsTheAge) {
    for (const bool closed : {true, false}) {
        SCOPED_TRACE(closed ? "closed" : "left open");
        LiveFolder folder;
        const std::string path = folder.Write(
            "TrafficLog.dat",
            LiveHeader() + EntryText(0, {LiveAircraft("A", kTime - 4), LiveAircraft("B", kTime)}));
        Feeder feeder;
        feeder.live.Start(path.c_str());
        EXPECT_EQ(feeder.live.Request(kTime + 2, 500), LiveStep::NewEntry);
        EXPECT_EQ(feeder.InView().size(), 2u);

        EXPECT_EQ(feeder.live.Request(kTime + 12, 510), LiveStep::NothingNew);
        EXPECT_EQ(feeder.owner.status, "live: newest entry 12 s old");
        if (closed) {
            LiveFolder::Append(path, "####_END_####\n");
        }
        const std::string note = closed ? " :: recording closed" : "";
        EXPECT_EQ(feeder.live.Request(kTime + 59, 557), LiveStep::NothingNew);
        EXPECT_EQ(feeder.owner.status, "live: newest entry 59 s old" + note);
        EXPECT_EQ(feeder.live.Request(kTime + 60, 558), LiveStep::Withdraw);
        EXPECT_EQ(feeder.owner.status, "live: newest entry 60 s old" + note);
        EXPECT_EQ(feeder.live.Request(kTime + 70, 568), LiveStep::NothingNew);
        EXPECT_EQ(feeder.owner.status, "live: newest entry 70 s old" + note);
    }
}

// Without a usable time the entry is as old as the time since it was first seen.
TEST(LiveEntryReader, EntryWithoutUsableTimesAgesFromWhenItWasSeen) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::int64_t expectedAge;
    };
    const Case cases[] = {
        {"no aircraft", {}, 12},
        {"time 0", {LiveAircraft("ZERO", 0)}, 12},
        {"an hour ahead", {LiveAircraft("AHEAD", kTime + 3600)}, 12},
        {"a little ahead: now", {LiveAircraft("SOON", kTime + 40)}, 0},
        {"the newest of several",
         {LiveAircraft("A", kTime - 100), LiveAircraft("B", kTime - 3)},
         15},
    };
    for (const Case& c : cases) {
        LiveFolder folder;
        const std::string path =
            folder.Write("TrafficLog.dat", LiveHeader() + EntryText(0, c.lines));
        Feeder feeder;
        feeder.live.Start(path.c_str());
        EXPECT_EQ(feeder.live.Request(kTime, 1000), LiveStep::NewEntry) << c.name;
        EXPECT_EQ(feeder.live.Request(kTime + 12, 1012), LiveStep::NothingNew) << c.name;
        EXPECT_EQ(feeder.live.PublishedAge(kTime + 12, 1012), c.expectedAge) << c.name;
    }
}

TEST(LiveEntryReader, WaitsForTheFileAndItsFirstEntry) {
    LiveFolder folder;
    const std::string path = folder.Path("TrafficLog.dat");
    Feeder feeder;
    feeder.live.Start(path.c_str());
    EXPECT_EQ(feeder.live.Request(kTime, 0), LiveStep::NothingNew);
    EXPECT_TRUE(feeder.live.HasReadFailed());
    EXPECT_NE(feeder.owner.message.find(path), std::string::npos);
    EXPECT_EQ(feeder.owner.status, "live: waiting for a complete entry");

    folder.Write("TrafficLog.dat", LiveHeader("Started") + "####_ENTRY_0_####\n");
    EXPECT_EQ(feeder.live.Request(kTime + 10, 10), LiveStep::NothingNew);
    EXPECT_FALSE(feeder.live.HasReadFailed());
    EXPECT_EQ(feeder.owner.title, "Halvery v1:: Started");
    LiveFolder::Append(path, "####_ENTRY_END_####\n");
    EXPECT_EQ(feeder.live.Request(kTime + 20, 20), LiveStep::NewEntry);
}

// A file that went away keeps the publication standing until it is old, as a closed one does.
TEST(LiveEntryReader, FileRemovedKeepsThePublicationUntilItIsOld) {
    LiveFolder folder;
    const std::string path =
        folder.Write("TrafficLog.dat", LiveHeader() + EntryText(0, {LiveAircraft("A", kTime)}));
    Feeder feeder;
    feeder.live.Start(path.c_str());
    ASSERT_EQ(feeder.live.Request(kTime, 0), LiveStep::NewEntry);
    std::filesystem::remove(path);
    EXPECT_EQ(feeder.live.Request(kTime + 10, 10), LiveStep::NothingNew);
    EXPECT_TRUE(feeder.live.HasReadFailed());
    EXPECT_EQ(feeder.owner.status, "live: newest entry 10 s old");
    EXPECT_EQ(feeder.live.Request(kTime + 60, 60), LiveStep::Withdraw);
}

// A second thread records while the feeder requests: every line is written and handed to the
// system on its own, so the feeder meets entries in every state of writing. Each publication
// must hold a whole entry, and the entries must only go forward.
TEST(LiveEntryReader, RecordingWrittenMeanwhileIsNeverReadHalf) {
    constexpr int kEntries = 60;
    constexpr int kAircraft = 20;
    LiveFolder folder;
    const std::string path = folder.Path("TrafficLog.dat");
    int error = 0;
    std::FILE* output = CreateSharedFileForWriting(path.c_str(), error);
    ASSERT_NE(output, nullptr) << error;
    const std::string header = LiveHeader("Being recorded");
    std::fputs(header.c_str(), output);
    std::fflush(output);

    std::atomic<bool> done{false};
    std::thread recorder([&] {
        for (int entry = 0; entry < kEntries; ++entry) {
            std::vector<std::string> lines;
            for (int a = 0; a < kAircraft; ++a) {
                lines.push_back(LiveAircraft("R" + std::to_string(entry) + "_" + std::to_string(a),
                                             kTime + entry));
            }
            const std::string text = EntryText(entry, lines);
            // In pieces that end anywhere, a line feed included or not.
            for (std::size_t at = 0; at < text.size(); at += 17) {
                std::fputs(text.substr(at, 17).c_str(), output);
                std::fflush(output);
                std::this_thread::yield();
            }
        }
        std::fputs("####_END_####\n", output);
        std::fclose(output);
        done = true;
    });

    Feeder feeder;
    feeder.live.Start(path.c_str());
    int lastNumber = -1;
    std::int64_t request = 0;
    const auto look = [&] {
        if (feeder.live.Request(kTime, ++request) != LiveStep::NewEntry) {
            EXPECT_FALSE(feeder.live.HasReadFailed()) << feeder.owner.message;
            return;
        }
        const int number = feeder.reader.GetCallNumber() - 1;
        EXPECT_GT(number, lastNumber);
        lastNumber = number;
        EXPECT_EQ(feeder.reader.GetAircraftChecked(), kAircraft) << "entry " << number;
        EXPECT_EQ(feeder.InView().size(), static_cast<std::size_t>(kAircraft));
    };
    while (!done) {
        look();
    }
    recorder.join();
    look();
    EXPECT_EQ(lastNumber, kEntries - 1);
    EXPECT_GT(request, 2);
    EXPECT_TRUE(feeder.live.File().IsClosed());
}

} // namespace
