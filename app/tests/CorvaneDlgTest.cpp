// The dialog's chrome: initialisation, system commands, painting while minimised.
#include "tests/support/DialogFakes.h"

#include <gtest/gtest.h>

namespace {

struct IconCase {
    HostSize client;
    HostSize icon;
    IconPosition expected;
};

TEST(CentredIconPosition, CentresRoundingUpAndTruncatesTowardZero) {
    const IconCase cases[] = {
        {{36, 36}, {32, 32}, {2, 2}},    {{33, 35}, {32, 32}, {1, 2}},
        {{32, 32}, {32, 32}, {0, 0}},    {{31, 31}, {32, 32}, {0, 0}},
        {{20, 10}, {32, 32}, {-5, -10}}, {{100, 50}, {16, 16}, {42, 17}},
        {{0, 0}, {0, 0}, {0, 0}},
    };
    for (const IconCase& c : cases) {
        const IconPosition at = CentredIconPosition(c.client, c.icon);
        EXPECT_EQ(at.x, c.expected.x) << c.client.width << " " << c.icon.width;
        EXPECT_EQ(at.y, c.expected.y) << c.client.height << " " << c.icon.height;
    }
}

TEST(DialogPaint, MinimisedWindowShowsTheAppIconCentred) {
    DialogRig rig;
    rig.host.minimised = true;
    rig.host.client = {100, 50};
    rig.host.iconSize = {16, 16};
    rig.dialog->OnPaint();
    ASSERT_EQ(rig.host.iconPaints.size(), 1u);
    EXPECT_EQ(rig.host.iconPaints[0], std::make_pair(42, 17));
    EXPECT_EQ(rig.host.defaultPaints, 0);
    EXPECT_EQ(rig.dialog->OnQueryDragIcon(), FakeHost::kIconBase + kIdrMainframe);
}

TEST(DialogPaint, OpenWindowLeavesPaintingToTheFramework) {
    DialogRig rig;
    rig.dialog->OnPaint();
    EXPECT_TRUE(rig.host.iconPaints.empty());
    EXPECT_EQ(rig.host.defaultPaints, 1);
}

TEST(DialogInit, SuccessfulStartMinimisesSeedsAndHidesRecord) {
    DialogRig rig;
    EXPECT_TRUE(rig.dialog->OnInitDialog());
    EXPECT_TRUE(rig.dialog->IsRunActive());

    const IconHandle icon = FakeHost::kIconBase + kIdrMainframe;
    EXPECT_EQ(rig.host.bigIcon, icon);
    EXPECT_EQ(rig.host.smallIcon, icon);
    ASSERT_EQ(rig.host.menuItems.size(), 1u);
    EXPECT_EQ(rig.host.menuItems[0].first, kIdmAboutBox);
    EXPECT_EQ(rig.host.menuItems[0].second, "&About Corvane...");
    EXPECT_STREQ(rig.dialog->GetWindowTitle(), "Halvery v1");
    EXPECT_EQ(rig.host.title, "Halvery v1");

    EXPECT_TRUE(rig.host.minimised);
    EXPECT_TRUE(rig.host.hidden.count(kIdcRecord));
    EXPECT_TRUE(rig.host.disabled.count(kIdcRecord));
    EXPECT_EQ(rig.host.controlTexts[kIdcStatus],
              "Opening data file and awaiting data stream approx 20 seconds");
    EXPECT_EQ(rig.host.controlTexts[kIdcMessage], "");
    EXPECT_EQ(rig.host.controlTexts[kIdcAux], "");
    EXPECT_EQ(rig.host.controlTexts[kIdcInViewList], "");
    EXPECT_EQ(rig.Block().ownLatitude, 50.45);
    EXPECT_EQ(rig.Block().ownLongitude, 0.01);
}

TEST(DialogInit, AboutItemNeedsSystemMenuAndString) {
    struct Case {
        bool systemMenu;
        const char* text;
        bool expectItem;
    };
    const Case cases[] = {
        {true, "&About Corvane...", true}, {false, "&About Corvane...", false}, {true, "", false}};
    for (const Case& c : cases) {
        DialogRig rig;
        rig.host.systemMenu = c.systemMenu;
        rig.host.aboutString = c.text;
        rig.dialog->OnInitDialog();
        EXPECT_EQ(rig.host.menuItems.size(), c.expectItem ? 1u : 0u) << c.systemMenu << c.text;
        EXPECT_TRUE(rig.dialog->IsRunActive()); // the run does not depend on the menu
    }
}

TEST(DialogSysCommand, AboutCommandIgnoresItsLowFourBits) {
    for (std::uint32_t command : {0x0010u, 0x0013u, 0x001Fu}) {
        DialogRig rig;
        rig.dialog->OnSysCommand(command, 0);
        EXPECT_EQ(rig.host.aboutBoxRuns, 1) << command;
        EXPECT_TRUE(rig.host.defaultSysCommands.empty()) << command;
        EXPECT_TRUE(rig.host.endResults.empty()) << command;
    }
}

TEST(DialogSysCommand, OtherCommandsGoToTheFrameworkAndOnlyCloseEndsTheDialog) {
    struct Case {
        std::uint32_t command;
        bool ends;
    };
    const Case cases[] = {
        {kScClose, true}, {0xF020 /* minimise */, false}, {0x0020, false}, {kScClose + 1, false}};
    for (const Case& c : cases) {
        DialogRig rig;
        rig.Start();
        rig.log.clear();
        rig.dialog->OnSysCommand(c.command, 0);
        EXPECT_EQ(rig.host.aboutBoxRuns, 0);
        ASSERT_EQ(rig.host.defaultSysCommands.size(), 1u);
        EXPECT_EQ(rig.host.defaultSysCommands[0], c.command);
        if (c.ends) {
            EXPECT_EQ(rig.log, (CallLog{"EndDialog 1", "DefaultSysCommand"}));
        } else {
            EXPECT_TRUE(rig.host.endResults.empty()) << c.command;
        }
    }
}

TEST(DialogButtons, OkAndCancelEndTheDialogStartAndRecordChangeNothing) {
    DialogRig rig;
    rig.Start();
    rig.dialog->OnStart();
    rig.dialog->OnRecord();
    EXPECT_TRUE(rig.host.endResults.empty());
    EXPECT_TRUE(rig.dialog->IsRunActive());
    EXPECT_EQ(rig.dialog->GetStatusText(),
              "Opening data file and awaiting data stream approx 20 seconds");
    rig.dialog->OnOK();
    rig.dialog->OnCancel();
    EXPECT_EQ(rig.host.endResults, (std::vector<int>{kIdOk, kIdCancel}));
}

} // namespace
