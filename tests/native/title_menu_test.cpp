// The caption and the menu's greying and checks, for each situation.
#include "player_test.h"

static const UINT kTransport[] = {IDM_PAUSE_PLAY, IDM_STOP, IDM_MUTE, IDM_GO_TO_TIME, IDM_COPY_TIME, IDM_EXPORT_MARKS};
static const UINT kVideo[] = {IDM_SIZE_HALF, IDM_SIZE_DOUBLE, IDM_SIZE_NORMAL, IDM_SIZE_THREE_QUARTER, IDM_FULL_SCREEN};

static void ExpectMenu(bool transport, bool video, UINT checked, HMENU menu = ghMenu)
{
    for (UINT item : kTransport)
        EXPECT_EQ(standin::MenuItemGrayed(menu, item), !transport) << item;
    for (UINT item : kVideo)
        EXPECT_EQ(standin::MenuItemGrayed(menu, item), !video) << item;
    for (UINT item : {IDM_OPEN_CLIP, IDM_CLOSE_CLIP, IDM_EXIT, IDM_ABOUT})
        EXPECT_FALSE(standin::MenuItemGrayed(menu, item)) << item;
    for (UINT item : {IDM_SIZE_HALF, IDM_SIZE_DOUBLE, IDM_SIZE_NORMAL, IDM_SIZE_THREE_QUARTER})
        EXPECT_EQ(standin::MenuItemChecked(menu, item), item == checked) << item;
}

TEST_F(PlayerTest, CaptionAndMenusFollowTheClip)
{
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] ");
        ExpectMenu(true, true, IDM_SIZE_NORMAL);
        Char('p');
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] (Paused)");
        Char('m');
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] (Muted)(Paused)");
        Char('p');
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] (Muted)");
        Char('d');
        ExpectMenu(true, true, IDM_SIZE_DOUBLE);
        Key(VK_F12);
        EXPECT_EQ(standin::WindowTitle(ghApp), "Lumetrone");
        ExpectMenu(false, false, IDM_SIZE_NORMAL);
    }});
}

// Before the first open every item is enabled and Normal size is marked, as in the resource.
TEST_F(PlayerTest, MenuStartsAsTheResourceHasItAndTheIdleWindowGreysClipItems)
{
    standin::FailOpenDialog(0);
    RunPlayer("", {[] {
        ExpectMenu(false, false, IDM_SIZE_NORMAL);
        ExpectMenu(true, true, IDM_SIZE_NORMAL, standin::ResourceMenu(IDR_MAIN_MENU));
    }});
}

TEST_F(PlayerTest, VolumeStepsNeverShowMuted)
{
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
        for (int i = 0; i < 14; i++)
            Char('-');
        EXPECT_EQ(glVolume, -4096);
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] ");
    }});
}

TEST_F(PlayerTest, CheckSizeItemWithAnotherIdClearsAllFour)
{
    RunPlayer("", {[] {
        CheckSizeItem(IDM_ABOUT);
        for (UINT item : {IDM_SIZE_HALF, IDM_SIZE_DOUBLE, IDM_SIZE_NORMAL, IDM_SIZE_THREE_QUARTER})
            EXPECT_FALSE(standin::MenuItemChecked(ghMenu, item)) << item;
        EnableClipMenus(AudioClipMenus);
        ExpectMenu(true, false, 0);
    }});
}

TEST_F(PlayerTest, LongCaptionShowsTheWholeName)
{
    RunPlayer("", {[] {
        std::string name;
        for (int i = 0; i < 255; i++)
            name += "\xD0\x96";                                 // Ж
        CopyPath(gszFileName, ("C:\\" + name).c_str());
        gbAudioOnly = TRUE;
        glMuteVolume = -10000;
        gPlayState = Paused;
        UpdateTitle();
        std::string full = name + " [Audio] (Muted)(Paused)";
        EXPECT_EQ(standin::WindowTitle(ghApp), full);
        gszFileName[0] = 0;
        gPlayState = NoClip;
    }});
}
