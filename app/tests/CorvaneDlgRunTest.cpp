// Start and end of a run: what each failure leaves, and what OnDestroy releases.
#include "shared_memory/VisualShm.h"
#include "tests/support/DialogFakes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A mapping made by hand, as a peer with another idea of the block would leave it.
class PeerMapping {
public:
    PeerMapping(const char* name, std::uint32_t size, unsigned char fill) {
        bool existed = false;
        if (mapping.CreateOrJoin(name, size, existed) && mapping.Open(name) && mapping.Map()) {
            std::memset(mapping.Address(), fill, size);
        }
    }
    ~PeerMapping() { mapping.UnmapAndClose(); }
    unsigned char* Bytes() const { return static_cast<unsigned char*>(mapping.Address()); }
    std::vector<unsigned char> Copy(std::size_t size) const {
        return std::vector<unsigned char>(Bytes(), Bytes() + size);
    }

private:
    NamedMapping mapping;
};

TEST(StartRun, SuccessPreparesTheBlockTimerAndSounds) {
    DialogRig rig;
    CVisShm peer(rig.mapping.c_str()); // the simulator side, already there
    ASSERT_TRUE(peer.IsValid());
    auto* block = static_cast<VisualInterfaceBlock*>(peer.GetBlock());
    block->simulationState = 5;
    std::memset(block->diagnosticText, 'x', sizeof block->diagnosticText - 1);

    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(rig.host.timers, (std::map<std::uintptr_t, std::uint32_t>{{0x006DFA5A, 100}}));
    EXPECT_EQ(block->attachCount, 2);
    EXPECT_EQ(block->trafficStatus, 99);
    EXPECT_EQ(block->simulationState, 5);
    for (int slot = 0; slot < kDiagnosticSlots; ++slot) {
        EXPECT_EQ(std::vector<char>(block->diagnosticText[slot],
                                    block->diagnosticText[slot] + kDiagnosticTextSize),
                  std::vector<char>(kDiagnosticTextSize, '\0'))
            << slot;
    }
    EXPECT_EQ(rig.log, (CallLog{"SetUpSounds"}));
    EXPECT_EQ(rig.clock.slept, 100); // the data file is given a moment after opening

    rig.dialog->OnDestroy();
    EXPECT_EQ(block->attachCount, 1);
    EXPECT_TRUE(rig.host.timers.empty());
    EXPECT_FALSE(rig.dialog->IsRunActive());
    EXPECT_EQ(rig.dialog->GetVisualBlock(), nullptr);
    EXPECT_FALSE(rig.dialog->GetReader().IsFileOpen());
}

TEST(StartRun, MissingDataFileShowsTheBoxAndLeavesTheTimerCounting) {
    DialogRig rig("", "/nonexistent/Corvane/TrafficLog.dat");
    rig.host.ticksDuringMessageBox = 3;
    EXPECT_FALSE(rig.Start());

    ASSERT_EQ(rig.host.messageBoxCaptions.size(), 1u);
    EXPECT_EQ(rig.host.messageBoxCaptions[0], "TCAS:: No Aircraft Data File");
    EXPECT_EQ(rig.host.messageBoxTexts[0].rfind("SettingsFileClass::OpenFileForReading\n", 0), 0u);
    EXPECT_NE(rig.host.messageBoxTexts[0].find("\nPlease download a traffic data file from\n"),
              std::string::npos);
    const std::string cure =
        "\ntrafficlog convert RECORDING.csv /nonexistent/Corvane/TrafficLog.dat";
    EXPECT_TRUE(rig.host.messageBoxTexts[0].ends_with(cure)) << rig.host.messageBoxTexts[0];
    EXPECT_EQ(rig.clock.slept, 100); // the moment after opening comes before the box too
    EXPECT_EQ(rig.host.controlTexts[kIdcMessage], "No Data File");
    EXPECT_EQ(rig.host.controlTexts[kIdcStatus], "");
    EXPECT_FALSE(rig.host.minimised);
    EXPECT_FALSE(rig.host.hidden.count(kIdcRecord));
    EXPECT_EQ(rig.host.timers.count(kFrameTimerId), 1u);
    EXPECT_EQ(rig.Block().ownLatitude, 0.0);   // not seeded
    EXPECT_EQ(rig.dialog->GetFrameCount(), 3); // ticks inside the box only count

    const int refreshes = rig.host.refreshes;
    rig.Frames(200, 1);
    EXPECT_EQ(rig.dialog->GetFrameCount(), 203);
    EXPECT_EQ(rig.host.refreshes, refreshes);
    EXPECT_EQ(rig.alerts.serviced, 0);
    EXPECT_EQ(rig.Slot(6), "");
    EXPECT_EQ(rig.Block().trafficStatus, 99);
}

TEST(StartRun, RefusedTimerStopsBeforeSoundsAndBlock) {
    DialogRig rig;
    rig.host.timerAvailable = false;
    EXPECT_FALSE(rig.Start());
    EXPECT_EQ(rig.host.controlTexts[kIdcMessage], "Failed to set up Windows Timer");
    EXPECT_TRUE(rig.log.empty()); // no SetUpSounds
    EXPECT_EQ(rig.Block().trafficStatus, 0);
    EXPECT_FALSE(rig.dialog->GetReader().IsFileOpen());
    EXPECT_TRUE(rig.host.messageBoxCaptions.empty());
    EXPECT_FALSE(rig.host.minimised);
}

// A block the client refuses belongs to someone else: the dialog shows why and never writes
// into it, not even at the end of the run.
TEST(StartRun, RefusedBlockIsNeverTouched) {
    struct Case {
        const char* name;
        std::uint32_t size;
        const char* expectedText;
    };
    const Case cases[] = {
        {"short block", 100, "CVisShm::CVisShm\n"},
        {"other version", kVisualInterfaceSize,
         "CVisShm::CVisShm\nShared Memory Version Mismatch\nPlease rebuild software\n"},
    };
    for (const Case& c : cases) {
        DialogRig rig;
        PeerMapping peer(rig.mapping.c_str(), c.size, 0xAB);
        ASSERT_NE(peer.Bytes(), nullptr) << c.name;
        const std::vector<unsigned char> before = peer.Copy(c.size);

        EXPECT_FALSE(rig.Start()) << c.name;
        const std::string& message = rig.dialog->GetMessageText();
        EXPECT_EQ(message.rfind(c.expectedText, 0), 0u) << c.name << ": " << message;
        // The cure follows the client's own text: a stale block is removed with the stand-in.
        EXPECT_NE(message.find("\nA block left by an older or a crashed run? Close Corvane and "
                               "the simulator, then run corvane-sim --remove"),
                  std::string::npos)
            << c.name << ": " << message;
        EXPECT_EQ(rig.host.controlTexts[kIdcMessage], rig.dialog->GetMessageText());
        EXPECT_EQ(rig.dialog->GetVisualBlock(), nullptr) << c.name;
        EXPECT_TRUE(rig.host.timers.empty()) << c.name;
        EXPECT_TRUE(rig.log.empty()) << c.name;

        rig.Frames(20, 1);
        rig.dialog->OnPaint();
        rig.dialog->PublishTraffic();
        rig.dialog->OnDestroy();
        EXPECT_EQ(peer.Copy(c.size), before) << c.name;
    }
}

// Without the right to the block nothing is wrong with the block itself: no cure for a stale one.
TEST(StartRun, BlockThatCannotBeOpenedGetsNoStaleBlockCure) {
    CallLog log;
    FakeHost host(log);
    FakeClock clock;
    FakeAlerts alerts(log);
    TempDataFile file(TrafficFile({}));
    // A slash is refused in a POSIX name, a backslash names a missing Windows namespace.
    const std::string badName = "no/such\\namespace";
    CTrafficFeedDlg dialog(host, clock, alerts, file.c_str(), badName.c_str());
    dialog.OnInitDialog();
    EXPECT_FALSE(dialog.IsRunActive());
    EXPECT_EQ(dialog.GetMessageText().rfind("CVisShm::CVisShm\n", 0), 0u);
    EXPECT_EQ(dialog.GetMessageText().find("corvane-sim"), std::string::npos)
        << dialog.GetMessageText();
    dialog.OnDestroy();
}

TEST(OnDestroy, IsHarmlessWithoutARunAndWhenRepeated) {
    DialogRig rig;
    rig.dialog->OnDestroy();
    rig.dialog->OnDestroy();
    EXPECT_EQ(rig.log, (CallLog{"StopTimer", "StopTimer"}));
    EXPECT_FALSE(rig.dialog->IsRunActive());
}

TEST(OnDestroy, LaterTicksOnlyCount) {
    DialogRig rig;
    ASSERT_TRUE(rig.Start());
    rig.Frames(10, 1);
    rig.dialog->OnDestroy();
    const int serviced = rig.alerts.serviced;
    rig.Frames(30, 1);
    EXPECT_EQ(rig.dialog->GetFrameCount(), 40);
    EXPECT_EQ(rig.alerts.serviced, serviced);
}

} // namespace
