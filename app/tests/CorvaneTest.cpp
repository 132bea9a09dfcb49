// The application object runs the dialog modally and ends the program when it closes.
#include "app/Corvane.h"
#include "tests/support/DialogFakes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct AppRig {
    CallLog log;
    FakeHost host{log};
    FakeClock clock;
    FakeAlerts alerts{log};
    TestMappingName mapping;
    TempDataFile file{TrafficFile({})};
    CTrafficFeedApp app{host, clock, alerts, file.c_str(), mapping.c_str()};
};

std::ptrdiff_t Position(const CallLog& log, const std::string& call) {
    return std::find(log.begin(), log.end(), call) - log.begin();
}

TEST(CTrafficFeedApp, ClosingTheWindowEndsThroughOkThenDestroysTheRun) {
    AppRig rig;
    rig.host.modalScript = [&rig](HostedDialog& dialog) {
        for (int tick = 0; tick < 7; ++tick) {
            dialog.OnTimer(kFrameTimerId);
        }
        dialog.OnSysCommand(kScClose, 0);
    };
    EXPECT_FALSE(rig.app.InitInstance());

    const CallLog& log = rig.log;
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "RunModal " + std::to_string(kIddMain));
    EXPECT_LT(Position(log, "SetUpSounds"), Position(log, "EndDialog 1"));
    EXPECT_LT(Position(log, "EndDialog 1"), Position(log, "DefaultSysCommand"));
    EXPECT_LT(Position(log, "DefaultSysCommand"), Position(log, "StopTimer"));
    EXPECT_EQ(log.back(), "StopTimer");

    CTrafficFeedDlg* dialog = rig.app.GetMainDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->IsRunActive());
    EXPECT_EQ(dialog->GetVisualBlock(), nullptr);
    EXPECT_FALSE(dialog->GetReader().IsFileOpen());
    EXPECT_TRUE(rig.host.timers.empty());
}

TEST(CTrafficFeedApp, ConstructsTheDialogOnlyOnce) {
    AppRig rig;
    rig.app.InitInstance();
    CTrafficFeedDlg* first = rig.app.GetMainDialog();
    rig.app.InitInstance();
    EXPECT_EQ(rig.app.GetMainDialog(), first);
}

} // namespace
