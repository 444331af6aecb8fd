// Ctrl+C and "Copy time": the current place on the clipboard as Unicode text, in the strip's format.
#include "player_test.h"

class ClipboardTest : public PlayerTest {
protected:
    static void EmptyClipboardByAnotherProgram()
    {
        OpenClipboard(nullptr);
        EmptyClipboard();
        CloseClipboard();
    }
};

TEST_F(ClipboardTest, PlaceIsCopiedAsTheStripShowsIt)
{
    struct Case { REFERENCE_TIME duration, position; const char *text; };
    const Case cases[] = {
        {600000000, 300000000, "0:30"},
        {600000000, 0, "0:00"},
        {36000000000, 300000000, "0:00:30"},          // a clip of an hour shows its hours throughout
        {72000000000, 37230000000, "1:02:03"},
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::Clip clip;
        clip.duration = c.duration;
        Play([&] {
            standin::SetGraphPosition(c.position);
            Char(3);
            EXPECT_EQ(standin::ClipboardText(), c.text);
            EmptyClipboardByAnotherProgram();
            Command(IDM_COPY_TIME);
            EXPECT_EQ(standin::ClipboardText(), c.text) << "the menu item copies as Ctrl+C does";
        }, clip);
        EXPECT_TRUE(standin::MessageBoxes().empty());
    }
}

TEST_F(ClipboardTest, NothingIsCopiedWithoutAClipAndABusyClipboardIsSaidOnce)
{
    Play([] {
        standin::HoldClipboard(true);
        Char(3);
        ASSERT_EQ(standin::MessageBoxes().size(), 1u);
        EXPECT_EQ(standin::MessageBoxes()[0].text,
                  "The time could not be copied: another program is using the clipboard.\r\n");
        standin::HoldClipboard(false);
        CloseClip();
        EXPECT_TRUE(standin::MenuItemGrayed(ghMenu, IDM_COPY_TIME));
        Char(3);
        EXPECT_EQ(standin::ClipboardText(), "<none>");
    });
    EXPECT_EQ(standin::MessageBoxes().size(), 1u);
}
