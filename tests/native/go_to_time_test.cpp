// Ctrl+G and "Go to time...": the time parser's table, and the dialog that seeks or keeps asking.
#include "player_test.h"

#include "navigation/navigation.h"

TEST(TimeParser, ReadsTheShapesOfNotesAndNothingElse)
{
    const std::pair<const char *, REFERENCE_TIME> good[] = {
        {"1:23:45", 50250000000}, {"1:02:03.5", 37235000000}, {"12:05", 7250000000}, {"0:30", 300000000},
        {"59:59", 35990000000}, {"1:59:59", 71990000000},
        {"90", 900000000}, {"90.5", 905000000}, {"  0:30\t", 300000000}, {"125:00", 75000000000},
        {"0", 0}, {"00:00:00.0", 0}, {"100000000000", 1000000000000000000},
    };
    for (const auto &c : good) {
        REFERENCE_TIME time = -1;
        EXPECT_TRUE(ParseClipTime(c.first, &time)) << c.first;
        EXPECT_EQ(time, c.second) << c.first;
    }
    const char *const bad[] = {"", "  ", "abc", "1:2", "1:60", "1:2:3", "1:02:60", "1:02:03:04", ":30", "30:",
                               "1.", ".5", "1.25", "-5", "+5", "1 : 30", "0:30 x", "1,5", "100000000001",
                               "999999999999999999999", "1:00000000000000:00"};
    for (const char *text : bad) {
        REFERENCE_TIME time = 7;
        EXPECT_FALSE(ParseClipTime(text, &time)) << text;
        EXPECT_EQ(time, 7) << "untouched: " << text;
    }
}

class GoToTimeTest : public PlayerTest {
protected:
    static MSG Press(int button) { return MSG{nullptr, WM_COMMAND, static_cast<WPARAM>(button), 0, 0, {0, 0}}; }
};

// The field starts at the current place; OK seeks there through the one seek, held inside the
// clip, with the loop ended first, once the dialog has gone (hiding it may hold the program up, and
// keys pressed meanwhile act on the clip at the time typed); a time it cannot read keeps the
// dialog open with a hint.
TEST_F(GoToTimeTest, OkSeeksWhereTheFieldSaysAndNonsenseKeepsTheDialogOpen)
{
    Play([] {
        standin::SetGraphPosition(150000000);
        gABState = ABMarked;
        standin::ScriptDialog({standin::TypeIntoDialog(IDC_GO_TO_TIME, "half past"), Press(IDOK)});
        size_t mark = Mark();
        Char(7);
        ASSERT_EQ(standin::DialogRuns().size(), 1u);
        EXPECT_EQ(standin::DialogRuns()[0].templateId, static_cast<UINT>(IDD_GO_TO_TIME));
        EXPECT_FALSE(standin::DialogRuns()[0].ended) << "still asking";
        EXPECT_EQ(standin::DialogItemText(nullptr, IDC_GO_TO_TIME_HINT), "Type a time such as 1:23:45, 12:05 or 90.5.");
        EXPECT_EQ(standin::DialogFocusedItem(), IDC_GO_TO_TIME) << "back in the field, its text selected";
        EXPECT_EQ(gABState, ABMarked);
        for (const std::string &call : CallsSince(mark))
            EXPECT_EQ(call.find("SetPositions"), std::string::npos) << "nothing is sought";

        standin::ScriptDialog({Press(IDOK)});
        Command(IDM_GO_TO_TIME);
        EXPECT_EQ(standin::DialogItemText(nullptr, IDC_GO_TO_TIME), "0:15") << "filled with the current place";
        EXPECT_TRUE(standin::DialogRuns()[1].ended);

        standin::ScriptDialog({standin::TypeIntoDialog(IDC_GO_TO_TIME, " 0:30 "), Press(IDOK)});
        size_t runsAtSeek = 0;
        standin::BeforeGraphCall("SetPositions", [&] { runsAtSeek = standin::DialogRuns().size(); });
        mark = Mark();
        Char(7);
        EXPECT_EQ(runsAtSeek, 3u) << "sought once the dialog is over";
        EXPECT_EQ(standin::DialogRuns()[2].result, IDOK);
        EXPECT_EQ(gABState, ABOff);
        EXPECT_CALLS(mark, "GetDuration", "GetCurrentPosition", "GetDuration", "SetPositions 300000000,1 -,0");

        standin::ScriptDialog({standin::TypeIntoDialog(IDC_GO_TO_TIME, "2:00:00"), Press(IDOK)});
        Char(7);
        EXPECT_EQ(standin::GraphPosition(), 600000000) << "held at the clip's end";

        standin::ScriptDialog({standin::TypeIntoDialog(IDC_GO_TO_TIME, "0:05"), Press(IDCANCEL)});
        Char(7);
        EXPECT_EQ(standin::DialogRuns()[4].result, IDCANCEL);
        EXPECT_EQ(standin::GraphPosition(), 600000000) << "Cancel seeks nowhere";

        CloseClip();
        EXPECT_TRUE(standin::MenuItemGrayed(ghMenu, IDM_GO_TO_TIME));
        Char(7);
        EXPECT_EQ(standin::DialogRuns().size(), 5u) << "without a clip, Ctrl+G does nothing";
    });
}

// The dialog belongs to the clip it was opened on: when that clip closes or gives way to the next
// one, the dialog closes and nothing is sought; asked for again while open, no second one opens.
TEST_F(GoToTimeTest, TheDialogGoesWithItsClip)
{
    standin::PutFile("C:\\media\\a.wmv", "");
    standin::PutFile("C:\\media\\b.wmv", "");
    standin::AddClip("C:\\media\\a.wmv", {});
    standin::AddClip("C:\\media\\b.wmv", {});
    RunPlayer("C:\\media\\a.wmv", {[] {
        MSG twice = {ghApp, WM_COMMAND, IDM_GO_TO_TIME, 0, 0, {0, 0}};
        MSG close = {ghApp, WM_COMMAND, IDM_CLOSE_CLIP, 0, 0, {0, 0}};
        standin::ScriptDialog({twice, standin::TypeIntoDialog(IDC_GO_TO_TIME, "0:30"), close, Press(IDOK)});
        size_t mark = Mark();
        Char(7);
        ASSERT_EQ(standin::DialogRuns().size(), 1u) << "one dialog at a time";
        EXPECT_EQ(standin::DialogRuns()[0].result, IDCANCEL);
        EXPECT_EQ(gPlayState, NoClip);
        for (const std::string &call : CallsSince(mark))
            EXPECT_EQ(call.find("SetPositions"), std::string::npos) << call;

        OpenClip("C:\\media\\a.wmv", 0);
        MSG next = {ghApp, WM_APPCOMMAND, 0, MAKELPARAM(0, APPCOMMAND_MEDIA_NEXTTRACK), 0, {0, 0}};
        standin::ScriptDialog({standin::TypeIntoDialog(IDC_GO_TO_TIME, "0:30"), next, Press(IDOK)});
        mark = Mark();
        Char(7);
        EXPECT_STREQ(gszFileName, "C:\\media\\b.wmv");
        ASSERT_EQ(standin::DialogRuns().size(), 2u);
        EXPECT_EQ(standin::DialogRuns()[1].result, IDCANCEL);
        EXPECT_EQ(standin::GraphPosition(), 0) << "the time typed for one clip is not sought in the next";

        standin::ScriptDialog({Press(IDOK)});
        Char(7);
        EXPECT_EQ(standin::DialogRuns().size(), 3u) << "closed, it opens again";
    }});
}
