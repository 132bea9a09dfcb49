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
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::int64_t kTime = 1'700'000'000;

// A reader of its own with the own-ship off the Channel coast.
struct Feeder {
    Feeder() { analyser.SetOwnShipPosition(50.5, 0.1); }

    // A request at these readings of the calendar and the monotonic clock.
    LiveOutcome Request(std::int64_t calendarNow, std::int64_t monotonicNow) {
        clock.calendar = calendarNow;
        clock.monotonic = monotonicNow;
        return live.Request(clock);
    }

    // Takes the aircraft in view: the analyser is empty afterwards.
    std::vector<AircraftRecord> InView() {
        std::vector<AircraftRecord> records(150);
        records.resize(static_cast<std::size_t>(analyser.GetAircraftInView(150, records.data())));
        return records;
    }

    TrafficAnalyser analyser;
    DataSetReader reader{analyser};
    LiveEntryReader live{reader};
    LiveClock clock;
};

// The age a request gives for the status line, and whether the recording was closed.
struct Aged {
    std::int64_t age;
    bool closed;
    bool operator==(const Aged&) const = default;
};

Aged Age(const LiveOutcome& outcome) {
    return {outcome.age, outcome.closed};
}

void PrintTo(const Aged& aged, std::ostream* out) {
    *out << aged.age << " s" << (aged.closed ? ", closed" : "");
}

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
    DataSetStep played;
    while (play.reader.GetCallNumber() < 2 && play.reader.GetEntryNumber() < 2) {
        played = play.reader.RequestHistoricData();
    }
    Feeder live;
    live.live.Start(path.c_str());
    const LiveOutcome outcome = live.Request(kTime, 0);
    ASSERT_EQ(outcome.step, LiveStep::NewEntry) << outcome.failure;

    const std::vector<AircraftRecord> published = live.InView();
    EXPECT_EQ(published.size(), 3u);
    EXPECT_TRUE(SameRecords(published, play.InView()));
    EXPECT_EQ(live.reader.GetAircraftChecked(), play.reader.GetAircraftChecked());
    EXPECT_EQ(live.reader.GetCallNumber(), play.reader.GetCallNumber());
    EXPECT_EQ(outcome.entry.met, played.met);
    EXPECT_EQ(outcome.entry.entryNumber, played.entryNumber);
    EXPECT_EQ(outcome.entry.aircraftChecked, played.aircraftChecked);
    EXPECT_STREQ(outcome.headerLine, "Equal");
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
        EXPECT_EQ(feeder.Request(kTime + 2, 500).step, LiveStep::NewEntry);
        EXPECT_EQ(feeder.InView().size(), 2u);

        LiveOutcome outcome = feeder.Request(kTime + 12, 510);
        EXPECT_EQ(outcome.step, LiveStep::NothingNew);
        EXPECT_EQ(Age(outcome), (Aged{12, false}));
        if (closed) {
            LiveFolder::Append(path, "####_END_####\n");
        }
        outcome = feeder.Request(kTime + 59, 557);
        EXPECT_EQ(outcome.step, LiveStep::NothingNew);
        EXPECT_EQ(Age(outcome), (Aged{59, closed}));
        outcome = feeder.Request(kTime + 60, 558);
        EXPECT_EQ(outcome.step, LiveStep::Withdraw);
        EXPECT_EQ(Age(outcome), (Aged{60, closed}));
        outcome = feeder.Request(kTime + 70, 568);
        EXPECT_EQ(outcome.step, LiveStep::NothingNew);
        EXPECT_EQ(Age(outcome), (Aged{70, closed}));
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
        EXPECT_EQ(feeder.Request(kTime, 1000).step, LiveStep::NewEntry) << c.name;
        EXPECT_EQ(feeder.Request(kTime + 12, 1012).step, LiveStep::NothingNew) << c.name;
        EXPECT_EQ(feeder.live.PublishedAge(kTime + 12, 1012), c.expectedAge) << c.name;
    }
}

TEST(LiveEntryReader, WaitsForTheFileAndItsFirstEntry) {
    LiveFolder folder;
    const std::string path = folder.Path("TrafficLog.dat");
    Feeder feeder;
    feeder.live.Start(path.c_str());
    LiveOutcome outcome = feeder.Request(kTime, 0);
    EXPECT_EQ(outcome.step, LiveStep::NothingNew);
    EXPECT_TRUE(feeder.live.HasReadFailed());
    ASSERT_NE(outcome.failure, nullptr);
    EXPECT_NE(std::string(outcome.failure).find(path), std::string::npos);
    EXPECT_EQ(Age(outcome), (Aged{-1, false}));

    folder.Write("TrafficLog.dat", LiveHeader("Started") + "####_ENTRY_0_####\n");
    outcome = feeder.Request(kTime + 10, 10);
    EXPECT_EQ(outcome.step, LiveStep::NothingNew);
    EXPECT_FALSE(feeder.live.HasReadFailed());
    EXPECT_STREQ(outcome.headerLine, "Started");
    LiveFolder::Append(path, "####_ENTRY_END_####\n");
    outcome = feeder.Request(kTime + 20, 20);
    EXPECT_EQ(outcome.step, LiveStep::NewEntry);
    EXPECT_EQ(outcome.headerLine, nullptr) << "the header is handed out once";
}

// A file that went away keeps the publication standing until it is old, as a closed one does.
TEST(LiveEntryReader, FileRemovedKeepsThePublicationUntilItIsOld) {
    LiveFolder folder;
    const std::string path =
        folder.Write("TrafficLog.dat", LiveHeader() + EntryText(0, {LiveAircraft("A", kTime)}));
    Feeder feeder;
    feeder.live.Start(path.c_str());
    ASSERT_EQ(feeder.Request(kTime, 0).step, LiveStep::NewEntry);
    std::filesystem::remove(path);
    const LiveOutcome outcome = feeder.Request(kTime + 10, 10);
    EXPECT_EQ(outcome.step, LiveStep::NothingNew);
    EXPECT_TRUE(feeder.live.HasReadFailed());
    EXPECT_EQ(Age(outcome), (Aged{10, false}));
    EXPECT_EQ(feeder.Request(kTime + 60, 60).step, LiveStep::Withdraw);
}

// A recording closed long ago is no traffic of now: its newest entry is never published, not
// even at the first request, and the status line says how old it is.
TEST(LiveEntryReader, EntryOlderThanTheHoldIsNeverPublished) {
    struct Case {
        const char* name;
        std::int64_t age;
        bool published;
    };
    const Case cases[] = {
        {"a day old", 86410, false},
        {"five minutes old", 300, false},
        {"just at the hold", kLiveHoldSeconds, false},
        {"a second short of it", kLiveHoldSeconds - 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveFolder folder;
        const std::string path = folder.Write(
            "TrafficLog.dat",
            LiveHeader() + EntryText(0, {LiveAircraft("OLD", kTime - 100)}) +
                EntryText(1, {LiveAircraft("A", kTime - 20), LiveAircraft("B", kTime)}) +
                "####_END_####\n");
        Feeder feeder;
        feeder.live.Start(path.c_str());
        LiveOutcome outcome = feeder.Request(kTime + c.age, 1000);
        if (c.published) {
            EXPECT_EQ(outcome.step, LiveStep::NewEntry);
            EXPECT_EQ(feeder.InView().size(), 2u);
            EXPECT_EQ(feeder.Request(kTime + c.age + 1, 1001).step, LiveStep::Withdraw);
            continue;
        }
        EXPECT_EQ(outcome.step, LiveStep::NothingNew);
        EXPECT_EQ(Age(outcome), (Aged{c.age, true}));
        EXPECT_EQ(feeder.reader.GetCallNumber(), 0) << "the entry was not even read";
        EXPECT_TRUE(feeder.InView().empty());
        EXPECT_EQ(feeder.live.PublishedAge(kTime + c.age, 1000), -1);
        outcome = feeder.Request(kTime + c.age + 10, 1010);
        EXPECT_EQ(outcome.step, LiveStep::NothingNew) << "nothing to withdraw";
        EXPECT_EQ(Age(outcome), (Aged{c.age + 10, true}));
    }
}

// A sync tool puts an identical copy in the place of the file, each time it syncs: the entry in
// it is the one published already, wherever its bytes lie, and is not published again. What the
// recorder writes after it is.
TEST(LiveEntryReader, IdenticalCopyMovedOverTheFileIsNotPublishedAgain) {
    LiveFolder folder;
    const std::string content =
        LiveHeader() + EntryText(0, {LiveAircraft("A", kTime - 10)}) +
        EntryText(1, {LiveAircraft("B", kTime), LiveAircraft("C", kTime - 1)});
    const std::string path = folder.Write("TrafficLog.dat", content);
    Feeder feeder;
    feeder.live.Start(path.c_str());
    ASSERT_EQ(feeder.Request(kTime + 1, 1).step, LiveStep::NewEntry);
    EXPECT_EQ(feeder.InView().size(), 2u);

    for (int sync = 0; sync < 3; ++sync) {
        SCOPED_TRACE(sync);
        const std::string copy = folder.Write("TrafficLog.dat.sync", content);
        std::filesystem::rename(copy, path);
        const LiveOutcome outcome = feeder.Request(kTime + 11 + sync * 10, 11 + sync * 10);
        EXPECT_EQ(outcome.step, LiveStep::NothingNew);
        EXPECT_EQ(Age(outcome), (Aged{11 + sync * 10, false}));
        EXPECT_FALSE(feeder.live.HasReadFailed()) << outcome.failure;
    }
    EXPECT_EQ(feeder.Request(kTime + 60, 60).step, LiveStep::Withdraw);

    LiveFolder::Append(path, EntryText(2, {LiveAircraft("D", kTime + 65)}));
    const LiveOutcome outcome = feeder.Request(kTime + 66, 66);
    EXPECT_EQ(outcome.step, LiveStep::NewEntry);
    EXPECT_EQ(outcome.entry.entryNumber, 2);
}

// A file cut short holds only older entries than the one published: none of them is published,
// and the publication goes when its own entry is old. A newer entry written after the cut is
// published.
TEST(LiveEntryReader, FileCutShortNeverBringsBackAnOlderEntry) {
    LiveFolder folder;
    const std::string older = LiveHeader() + EntryText(0, {LiveAircraft("ZERO", kTime - 20)}) +
                              EntryText(1, {LiveAircraft("ONE", kTime - 10)});
    const std::string path =
        folder.Write("TrafficLog.dat", older + EntryText(2, {LiveAircraft("TWO", kTime)}));
    Feeder feeder;
    feeder.live.Start(path.c_str());
    ASSERT_EQ(feeder.Request(kTime, 0).step, LiveStep::NewEntry);
    EXPECT_EQ(feeder.reader.GetCallNumber(), 3);

    std::filesystem::resize_file(path, older.size());
    LiveOutcome outcome = feeder.Request(kTime + 10, 10);
    EXPECT_EQ(outcome.step, LiveStep::NothingNew);
    EXPECT_EQ(Age(outcome), (Aged{10, false})) << "the newest entry seen is still entry 2";
    EXPECT_EQ(feeder.live.File().NewestEntry().number, 1);
    EXPECT_EQ(feeder.reader.GetCallNumber(), 3);
    outcome = feeder.Request(kTime + 60, 60);
    EXPECT_EQ(outcome.step, LiveStep::Withdraw);

    // Written over in place with a recording of the same times: no entry of it moves forward.
    std::filesystem::resize_file(path, 0);
    LiveFolder::Append(path, older + EntryText(2, {LiveAircraft("AGAIN", kTime)}));
    EXPECT_EQ(feeder.Request(kTime + 61, 61).step, LiveStep::NothingNew);

    LiveFolder::Append(path, EntryText(3, {LiveAircraft("THREE", kTime + 62)}));
    outcome = feeder.Request(kTime + 63, 63);
    EXPECT_EQ(outcome.step, LiveStep::NewEntry);
    EXPECT_EQ(outcome.entry.entryNumber, 3);
}

// A look may take long (a slow disk, a file of gigabytes): the clocks are read once it is done,
// so that the age judged and shown is the age after it.
TEST(LiveEntryReader, ClocksAreReadAfterTheLook) {
    class WatchingClock final : public LiveClock {
    public:
        explicit WatchingClock(const LiveEntryReader& live) : live(live) {}
        std::int64_t NowSeconds() override {
            examinedAtCalendar = live.File().Examined();
            return calendar;
        }
        std::int64_t MonotonicSeconds() override {
            examinedAtMonotonic = live.File().Examined();
            return monotonic;
        }
        const LiveEntryReader& live;
        std::uint64_t examinedAtCalendar = 0;
        std::uint64_t examinedAtMonotonic = 0;
    };
    LiveFolder folder;
    const std::string path =
        folder.Write("TrafficLog.dat", LiveHeader() + EntryText(0, {LiveAircraft("A", kTime)}));
    Feeder feeder;
    WatchingClock clock(feeder.live);
    clock.calendar = kTime + 3;
    feeder.live.Start(path.c_str());
    ASSERT_EQ(feeder.live.Request(clock).step, LiveStep::NewEntry);
    EXPECT_EQ(clock.examinedAtCalendar, std::filesystem::file_size(path));
    EXPECT_EQ(clock.examinedAtMonotonic, std::filesystem::file_size(path));
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
        const LiveOutcome outcome = feeder.Request(kTime, ++request);
        if (outcome.step != LiveStep::NewEntry) {
            EXPECT_FALSE(feeder.live.HasReadFailed()) << outcome.failure;
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
