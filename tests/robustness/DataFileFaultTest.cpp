// The data file going wrong under a running feeder: deleted, truncated or replaced while it is
// open, or unusable from the start. The feeder keeps running, never publishes half an entry,
// and says in its message line what is wrong.
#include "tests/robustness/FaultRig.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 4;
// Far-away aircraft per entry: about 5 KB an entry, more than the reader's stream buffer holds.
constexpr int kFiller = 80;
constexpr char kNoPublication[] = "-";

// One request frame; what it published (the in-view list), or "-" when nothing.
std::string Request(FaultRig& rig) {
    const std::int32_t before = rig.Block().publishCounter;
    EXPECT_TRUE(rig.TickToNextRequest());
    EXPECT_EQ(CheckFeederFields(rig.Block()), "");
    const std::int32_t steps = rig.Block().publishCounter - before;
    EXPECT_LE(steps, 1);
    return steps == 1 ? rig.dialog->GetInViewListText() : kNoPublication;
}

std::vector<std::string> Requests(FaultRig& rig, int n) {
    std::vector<std::string> published;
    for (int i = 0; i < n; ++i) {
        published.push_back(Request(rig));
    }
    return published;
}

// What a whole pass over the sample file publishes, from its entry 0 on: the entries, the end
// tag and the header line read again (both empty), and the begin tag (nothing).
std::vector<std::string> PassFromEntryZero(const std::string& prefix) {
    std::vector<std::string> pass;
    for (int n = 0; n < kEntries; ++n) {
        pass.push_back(SampleList(prefix, n));
    }
    pass.insert(pass.end(), {"", "", kNoPublication});
    return pass;
}

// Another file moved to the data file's name, or the data file itself written anew.
void Renew(const char* path, const std::string& content, bool renameOver) {
    if (renameOver) {
        const std::string replacement = std::string(path) + ".new";
        std::ofstream(replacement, std::ios::binary) << content;
        fs::rename(replacement, path);
    } else {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    }
}

// The run is started and has published entry 0.
void StartAndPublishFirstEntry(FaultRig& rig) {
    ASSERT_TRUE(rig.Start());
    ASSERT_EQ(Requests(rig, 3),
              (std::vector<std::string>{kNoPublication, kNoPublication, SampleList("OLD", 0)}));
}

TEST(DataFileFault, DeletedFileGoesOnPlayingFromTheOpenFile) {
    FaultRig rig(SampleFile("OLD", kEntries, kFiller));
    StartAndPublishFirstEntry(rig);
    fs::remove(rig.file.c_str());

    // The rest of the first pass, then a whole second one.
    const std::vector<std::string> pass = PassFromEntryZero("OLD");
    std::vector<std::string> expected(pass.begin() + 1, pass.end());
    expected.insert(expected.end(), pass.begin(), pass.end());
    EXPECT_EQ(Requests(rig, static_cast<int>(expected.size())), expected);
    EXPECT_TRUE(rig.dialog->IsRunActive());
    EXPECT_EQ(rig.dialog->GetMessageText().find("SettingsFileClass"), std::string::npos);
}

// Whatever is still buffered may be played; the first request that fails takes the aircraft
// of the last publication out of the block (the visual system would draw them frozen) and says
// in the message line which file failed and how. The next request opens the file again by its
// path, as it changed, so that the file refilled in place, or another one moved to its name,
// plays from its top.
TEST(DataFileFault, TruncatedFileWithdrawsItsTrafficAndIsOpenedAgain) {
    struct Case {
        std::uintmax_t size;
        bool renameOver;
    };
    for (const Case c : {Case{0, false}, Case{6000, false}, Case{0, true}}) {
        SCOPED_TRACE("truncated to " + std::to_string(c.size) + (c.renameOver ? ", renamed" : ""));
        FaultRig rig(SampleFile("OLD", kEntries, kFiller));
        StartAndPublishFirstEntry(rig);
        fs::resize_file(rig.file.c_str(), c.size);

        int requests = 0;
        while (!rig.dialog->GetReader().HasReadFailed() && requests < 10) {
            Request(rig);
            ++requests;
        }
        ASSERT_LT(requests, 10);
        EXPECT_EQ(rig.Block().aircraftCount, 0);
        EXPECT_EQ(PublishedCallsigns(rig.Block()), "");
        EXPECT_EQ(rig.Block().trafficStatus, 0);
        EXPECT_EQ(rig.dialog->GetInViewListText(), "");
        EXPECT_TRUE(rig.dialog->IsRunActive());
        EXPECT_EQ(std::string(rig.Block().diagnosticText[3]), "Failed geting historic data");
        EXPECT_EQ(rig.dialog->GetMessageText(),
                  std::string("SettingsFileClass::ReadFromSettingsFile\nNULL read from file\n") +
                      rig.file.c_str());
        EXPECT_EQ(rig.host.controlTexts[kIdcMessage], rig.dialog->GetMessageText());

        Renew(rig.file.c_str(), SampleFile("NEW", kEntries, kFiller), c.renameOver);
        EXPECT_EQ(Requests(rig, 3),
                  (std::vector<std::string>{kNoPublication, kNoPublication, SampleList("NEW", 0)}));
    }
}

// The file emptied under the running feeder, and requested until a read fails.
void EmptyUntilAReadFails(FaultRig& rig) {
    fs::resize_file(rig.file.c_str(), 0);
    while (!rig.dialog->GetReader().HasReadFailed()) {
        ASSERT_TRUE(rig.TickToNextRequest());
    }
}

// A file that stays empty fails every request; the aircraft went with the first one, and the
// counter is not raised again for nothing.
TEST(DataFileFault, FileThatStaysEmptyWithdrawsOnceAndKeepsTrying) {
    FaultRig rig(SampleFile("OLD", kEntries, kFiller));
    StartAndPublishFirstEntry(rig);
    EmptyUntilAReadFails(rig);
    const std::int32_t withdrawn = rig.Block().publishCounter;
    for (const std::string& later : Requests(rig, 10)) {
        EXPECT_EQ(later, kNoPublication);
    }
    EXPECT_EQ(rig.Block().publishCounter, withdrawn);
    EXPECT_TRUE(rig.dialog->GetReader().HasReadFailed());
    EXPECT_TRUE(rig.host.messageBoxTexts.empty());
}

// A file gone when the request comes to open it again: the message line says so, with no box in
// the middle of a run, and the file is opened again once it is back.
TEST(DataFileFault, FileGoneAtTheReopenIsSaidAndTakenUpWhenItIsBack) {
    FaultRig rig(SampleFile("OLD", kEntries, kFiller));
    StartAndPublishFirstEntry(rig);
    EmptyUntilAReadFails(rig);
    fs::remove(rig.file.c_str());

    EXPECT_EQ(Requests(rig, 2), (std::vector<std::string>{kNoPublication, kNoPublication}));
    EXPECT_FALSE(rig.dialog->GetReader().IsFileOpen());
    EXPECT_EQ(rig.dialog->GetMessageText(), std::string("SettingsFileClass::OpenFileForReading\n") +
                                                std::strerror(ENOENT) + "\n" + rig.file.c_str());
    EXPECT_EQ(rig.host.controlTexts[kIdcMessage], rig.dialog->GetMessageText());
    EXPECT_TRUE(rig.host.messageBoxTexts.empty());

    std::ofstream(rig.file.c_str(), std::ios::binary) << SampleFile("NEW", kEntries, kFiller);
    EXPECT_EQ(Requests(rig, 3),
              (std::vector<std::string>{kNoPublication, kNoPublication, SampleList("NEW", 0)}));
}

// A file cut short (no end tag) plays once: after its last entry every request fails, and the
// file is not opened again while it stays as it is (its first entries would play again). A file
// then moved to its name, or the file written anew, plays from its top.
TEST(DataFileFault, FileWithoutEndTagPlaysOnceUntilTheFileChanges) {
    for (const bool renameOver : {true, false}) {
        SCOPED_TRACE(renameOver ? "renamed over" : "written anew");
        std::string cut = SampleFile("OLD", kEntries, kFiller);
        cut.erase(cut.rfind("####_END_####"));
        FaultRig rig(cut);
        StartAndPublishFirstEntry(rig);
        std::vector<std::string> expected;
        for (int n = 1; n < kEntries; ++n) {
            expected.push_back(SampleList("OLD", n));
        }
        expected.push_back(""); // the read fails: the aircraft are withdrawn
        expected.insert(expected.end(), 2 * (kEntries + 3), kNoPublication);
        EXPECT_EQ(Requests(rig, static_cast<int>(expected.size())), expected);
        EXPECT_TRUE(rig.dialog->GetReader().HasReadFailed());

        Renew(rig.file.c_str(), SampleFile("NEW", kEntries, kFiller), renameOver);
        EXPECT_EQ(Requests(rig, 3),
                  (std::vector<std::string>{kNoPublication, kNoPublication, SampleList("NEW", 0)}));
    }
}

// A file moved over the data file leaves the feeder on the file it opened.
TEST(DataFileFault, FileRenamedOverTheDataFileLeavesTheOpenOnePlaying) {
    FaultRig rig(SampleFile("OLD", kEntries, kFiller));
    StartAndPublishFirstEntry(rig);
    const std::string replacement = std::string(rig.file.c_str()) + ".new";
    std::ofstream(replacement, std::ios::binary) << SampleFile("NEW", kEntries, kFiller);
    fs::rename(replacement, rig.file.c_str());

    for (const std::string& list : Requests(rig, 3 * (kEntries + 3))) {
        EXPECT_EQ(list.find("NEW"), std::string::npos) << list;
    }
    EXPECT_TRUE(rig.dialog->IsRunActive());
}

// A file rewritten in place under the reader: lines may come cut or out of order until the end
// tag rewinds the file, then the new content plays whole. Nothing fails and nothing is torn.
TEST(DataFileFault, FileRewrittenInPlacePlaysTheNewContentAfterTheRewind) {
    FaultRig rig(SampleFile("OLD", kEntries, kFiller));
    StartAndPublishFirstEntry(rig);
    std::ofstream(rig.file.c_str(), std::ios::binary | std::ios::trunc)
        << SampleFile("NEW", kEntries, kFiller + 20);

    std::vector<std::string> published = Requests(rig, 3 * (kEntries + 3));
    const std::vector<std::string> pass = PassFromEntryZero("NEW");
    const auto found = std::search(published.begin(), published.end(), pass.begin(), pass.end());
    EXPECT_NE(found, published.end());
    EXPECT_TRUE(rig.dialog->IsRunActive());
}

// The data file cannot be used from the start: the run does not start, the message box and the
// message line say why, and frames only count.
TEST(DataFileFault, UnusableFileStopsTheStartWithTheSystemsReason) {
    const fs::path directory =
        fs::temp_directory_path() / ("CorvaneFault_" + std::to_string(getpid()));
    fs::create_directories(directory);
    const fs::path locked = directory / "locked.dat";
    std::ofstream(locked) << SampleFile("OLD", 1, 0);
    fs::permissions(locked, fs::perms::none);

    struct Case {
        std::string path;
        int error;
        bool applies;
    };
    const Case cases[] = {
        {(directory / "missing.dat").string(), ENOENT, true},
        {directory.string(), EISDIR, true},
        // Opens, but its first byte cannot be read, even by root.
        {"/proc/self/mem", EIO, fs::exists("/proc/self/mem")},
        // Root reads any file whatever its mode bits.
        {locked.string(), EACCES, geteuid() != 0},
    };
    for (const Case& c : cases) {
        if (!c.applies) {
            continue;
        }
        FaultRig rig("", c.path.c_str());
        EXPECT_FALSE(rig.Start()) << c.path;
        ASSERT_EQ(rig.host.messageBoxTexts.size(), 1u) << c.path;
        EXPECT_EQ(rig.host.messageBoxCaptions[0], "TCAS:: No Aircraft Data File");
        const std::string reason =
            std::string("SettingsFileClass::OpenFileForReading\n") + std::strerror(c.error) + "\n";
        EXPECT_EQ(rig.host.messageBoxTexts[0].substr(0, reason.size()), reason) << c.path;
        EXPECT_EQ(rig.dialog->GetMessageText(), "No Data File");
        const int refreshes = rig.host.refreshes;
        for (int tick = 0; tick < 200; ++tick) {
            rig.Tick();
        }
        EXPECT_EQ(rig.host.refreshes, refreshes);
        EXPECT_EQ(rig.dialog->GetFrameCount(), 200);
    }
    fs::remove_all(directory);
}

} // namespace
