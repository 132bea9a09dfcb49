// The shared block going wrong under a running feeder: shrunk or removed by the peer, filled
// with garbage in the peer's fields, and read by a peer while the feeder publishes.
#include "tests/robustness/FaultRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 5;

bool IsZero(const void* bytes, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    return std::all_of(p, p + size, [](unsigned char b) { return b == 0; });
}

void StartAndPublishFirstEntry(FaultRig& rig) {
    ASSERT_TRUE(rig.Start());
    for (int request = 0; request < 3; ++request) {
        ASSERT_TRUE(rig.TickToNextRequest());
    }
    ASSERT_EQ(rig.dialog->GetInViewListText(), SampleList("E", 0));
}

// The block shrinks under the view: touching it would end the process (SIGBUS). The feeder
// notices before the next access, stops using the block, silences the alerts and shows why;
// the window stays, frames go on counting. Grown back by the peer afterwards, the block shows
// that the feeder wrote nothing more into it than the return of its count, where the shrunk
// block still held the count.
TEST(SharedBlockFault, ShrunkBlockIsLeftAloneAndTheReasonShown) {
    for (const std::uintmax_t size :
         {std::uintmax_t{0}, std::uintmax_t{4096}, std::uintmax_t{kVisualInterfaceSize - 1}}) {
        FaultRig rig(SampleFile("E", kEntries, 0));
        StartAndPublishFirstEntry(rig);
        if (!fs::exists(rig.MappingObject())) {
            GTEST_SKIP() << "no file view of shared memory objects here";
        }
        const std::int64_t plays = rig.sounds.plays;
        fs::resize_file(rig.MappingObject(), size);
        rig.Tick();

        const std::string reason =
            "BaseSharedMemory::IsBlockIntact\nShared memory block shrank to " +
            std::to_string(size) + " bytes, 13544 needed";
        EXPECT_EQ(rig.dialog->GetMessageText(), reason);
        EXPECT_EQ(rig.host.controlTexts[kIdcMessage], reason);
        EXPECT_FALSE(rig.dialog->IsRunActive());
        EXPECT_EQ(rig.dialog->GetVisualBlock(), nullptr);
        EXPECT_EQ(rig.sounds.plays, plays + 1); // the purge of every sound
        EXPECT_TRUE(rig.host.endResults.empty());

        const int frames = rig.dialog->GetFrameCount();
        for (int tick = 0; tick < 300; ++tick) {
            rig.Tick();
        }
        EXPECT_EQ(rig.dialog->GetFrameCount(), frames + 300);

        fs::resize_file(rig.MappingObject(), kVisualInterfaceSize);
        rig.dialog->OnDestroy();
        NamedMapping view;
        ASSERT_TRUE(view.Open(rig.mapping.c_str()) && view.Map());
        const std::size_t kept = std::min<std::size_t>(size, kVisualInterfaceSize);
        const auto* bytes = static_cast<const unsigned char*>(view.Address());
        EXPECT_TRUE(IsZero(bytes + kept, kVisualInterfaceSize - kept)) << size;
        EXPECT_EQ(static_cast<const VisualInterfaceBlock*>(view.Address())->attachCount, 0);
        view.UnmapAndClose();
    }
}

// A removed name leaves the object to those who hold it: the feeder goes on with its view.
TEST(SharedBlockFault, RemovedBlockNameLeavesTheFeederOnItsView) {
    FaultRig rig(SampleFile("E", kEntries, 0));
    StartAndPublishFirstEntry(rig);
    ASSERT_EQ(NamedMapping::Unlink(rig.mapping.c_str()), 0);
    const std::int32_t counter = rig.Block().publishCounter;
    for (int request = 0; request < 2 * (kEntries + 3); ++request) {
        ASSERT_TRUE(rig.TickToNextRequest());
    }
    EXPECT_TRUE(rig.dialog->IsRunActive());
    EXPECT_EQ(rig.Block().publishCounter - counter, 2 * (kEntries + 2));
    EXPECT_EQ(CheckFeederFields(rig.Block()), "");
    // ... and says so, as a simulator started now would make a block of its own.
    EXPECT_NE(rig.dialog->GetStatusText().find("Shared block removed by its peer"),
              std::string::npos)
        << rig.dialog->GetStatusText();
}

// Two feeders on one block would publish two recordings in turn. The second stays off the block
// and says why, with its window open; the first feeds on, and the count holds one client.
TEST(SharedBlockFault, SecondFeederStaysOffAFedBlockAndSaysSo) {
    FaultRig first(SampleFile("E", kEntries, 0));
    StartAndPublishFirstEntry(first);
    FaultRig second(SampleFile("F", kEntries, 0), nullptr, first.mapping.c_str());
    EXPECT_FALSE(second.Start());

    const std::string reason = std::string("CVisShm::ClaimFeeder\nAnother feeder already feeds "
                                           "shared block \"") +
                               first.mapping.c_str() + "\": only one may";
    EXPECT_EQ(second.dialog->GetMessageText(), reason);
    EXPECT_EQ(second.host.controlTexts[kIdcMessage], reason);
    EXPECT_EQ(second.dialog->GetVisualBlock(), nullptr);
    EXPECT_TRUE(second.host.endResults.empty());
    EXPECT_EQ(first.Block().attachCount, 1);
    const std::int32_t counter = first.Block().publishCounter;
    for (int request = 0; request < 2 * (kEntries + 3); ++request) {
        ASSERT_TRUE(first.TickToNextRequest());
        second.Tick();
        ASSERT_EQ(PublishedCallsigns(first.Block()).find('F'), std::string::npos);
    }
    EXPECT_EQ(first.Block().publishCounter - counter, 2 * (kEntries + 2));
}

// Values a broken or hostile peer may leave in the fields it owns.
double NastyDouble(std::mt19937& random) {
    const double nasty[] = {std::numeric_limits<double>::quiet_NaN(),
                            -std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::max(),
                            -std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::denorm_min(),
                            1e18,
                            -1e18,
                            90.0,
                            -180.0,
                            50.45};
    if (random() % 4 == 0) {
        double raw;
        const std::uint64_t bits = (std::uint64_t{random()} << 32) | random();
        std::memcpy(&raw, &bits, sizeof raw);
        return raw;
    }
    return nasty[random() % std::size(nasty)];
}

std::int32_t NastyInt(std::mt19937& random) {
    const std::int32_t nasty[] = {0,
                                  1,
                                  5,
                                  6,
                                  7,
                                  9,
                                  10,
                                  -1,
                                  kSimulationEnding,
                                  std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max()};
    return random() % 3 == 0 ? static_cast<std::int32_t>(random())
                             : nasty[random() % std::size(nasty)];
}

// Every frame the peer writes garbage into all of its fields (and attachCount). The feeder
// keeps running, keeps what it owns whole, raises the counter by at most one per frame, and
// keeps every text within its bound.
TEST(SharedBlockFault, GarbageInThePeersFieldsNeverBreaksWhatTheFeederOwns) {
    FaultRig rig(SampleFile("E", kEntries, 30));
    ASSERT_TRUE(rig.Start());
    std::mt19937 random(20261208);
    std::size_t longestText = 0;
    for (int tick = 0; tick < 30000 && rig.host.endResults.empty(); ++tick) {
        VisualInterfaceBlock& block = rig.Block();
        block.simulationState = random() % 8 == 0 ? kSimulationEnding : NastyInt(random);
        block.ownLatitude = NastyDouble(random);
        block.ownLongitude = NastyDouble(random);
        block.soundRequest = NastyInt(random);
        block.attachCount = NastyInt(random);
        const std::int32_t counter = block.publishCounter;
        rig.clock.now += 1; // a request every tenth frame
        rig.dialog->OnTimer(kFrameTimerId);

        ASSERT_EQ(CheckFeederFields(block), "") << "tick " << tick;
        const std::int32_t steps = block.publishCounter - counter;
        ASSERT_TRUE(steps == 0 || steps == 1) << "tick " << tick;
        for (const std::string* text :
             {&rig.dialog->GetMessageText(), &rig.dialog->GetStatusText(),
              &rig.dialog->GetAuxText(), &rig.dialog->GetInViewListText()}) {
            longestText = std::max(longestText, text->size());
        }
    }
    EXPECT_TRUE(rig.dialog->IsRunActive());
    EXPECT_EQ(rig.dialog->GetFrameCount(), 30000);
    // The longest: a status line cut at 511 characters, then " :: Awaiting Simulation".
    EXPECT_LE(longestText, 511u + std::strlen(" :: Awaiting Simulation"));
}

// A counter that a peer or an earlier run left at the top of its range goes on from the bottom.
TEST(SharedBlockFault, PublishCounterAtTheTopOfItsRangeWraps) {
    FaultRig rig(SampleFile("E", kEntries, 0));
    ASSERT_TRUE(rig.Start());
    for (int request = 0; request < 2; ++request) {
        ASSERT_TRUE(rig.TickToNextRequest());
    }
    rig.Block().publishCounter = std::numeric_limits<std::int32_t>::max();
    ASSERT_TRUE(rig.TickToNextRequest());
    EXPECT_EQ(rig.Block().publishCounter, std::numeric_limits<std::int32_t>::min());
}

// A reader in another thread that follows the protocol (wait for publishCounter to change, then
// read the count and the records) finds each publication whole: exactly the aircraft of one
// entry, or none, never a mixture, while the feeder goes on with its frames.
TEST(SharedBlockFault, CounterWatcherFindsEveryPublicationWhole) {
    FaultRig rig(SampleFile("E", kEntries, 40));
    ASSERT_TRUE(rig.Start());
    VisualInterfaceBlock& block = rig.Block();
    std::atomic_ref<std::int32_t> counter(block.publishCounter);
    std::atomic<std::int32_t> seen{counter.load()};
    std::atomic<bool> done{false};
    std::vector<std::string> readings;

    std::thread watcher([&] {
        while (!done.load()) {
            const std::int32_t now = counter.load(std::memory_order_acquire);
            if (now == seen.load()) {
                std::this_thread::yield();
                continue;
            }
            readings.push_back(CheckFeederFields(block) + "|" + PublishedCallsigns(block));
            seen.store(now);
        }
    });
    constexpr int kRequests = 4 * (kEntries + 3);
    for (int request = 0; request < kRequests; ++request) {
        // The next publication waits until the last one has been read, as a visual system
        // reading within the ten seconds between publications would.
        while (seen.load() != counter.load()) {
            std::this_thread::yield();
        }
        // Frames between requests run while the watcher reads.
        ASSERT_TRUE(rig.TickToNextRequest());
    }
    while (seen.load() != counter.load()) {
        std::this_thread::yield();
    }
    done.store(true);
    watcher.join();

    std::vector<std::string> wholes = {"|"};
    for (int n = 0; n < kEntries; ++n) {
        // Appended, not put before a temporary string: GCC 12 at -O3 warns falsely
        // (-Wrestrict) about the copy that inserts in front of one.
        std::string whole = "|";
        whole += SampleList("E", n);
        wholes.push_back(whole);
    }
    EXPECT_GE(readings.size(), static_cast<std::size_t>(3 * kEntries));
    for (const std::string& reading : readings) {
        EXPECT_NE(std::find(wholes.begin(), wholes.end(), reading), wholes.end()) << reading;
    }
}

} // namespace
