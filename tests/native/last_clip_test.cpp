// The registry record of the last clip, and the favourites list.
#include "player_test.h"

static const char kKey[] = "Software\\Kestrovan\\Lumetrone\\";

static std::string Value(const char *name)
{
    DWORD type = 0;
    std::string data;
    EXPECT_TRUE(standin::RegistryValue(kKey, name, &type, &data)) << name;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
    EXPECT_EQ(data.size(), 260u) << name;
    return data.c_str();
}

TEST_F(PlayerTest, RecordRoundTripOfEveryPathShape)
{
    struct Case { const char *path, *folder, *file, *composed; };
    const Case cases[] = {
        {"C:\\talk.wmv", "C:", "talk.wmv", "C:\\talk.wmv"},
        {"C:/media/talk.wmv", "C:/media", "talk.wmv", "C:/media\\talk.wmv"},
        {"talk.wmv", "talk.wmv", "talk.wmv", "talk.wmv\\talk.wmv"},
    };
    for (const Case &c : cases) {
        standin::Reset();
        RunPlayer(c.path);
        EXPECT_EQ(Value("lastpath"), c.folder) << c.path;
        EXPECT_EQ(Value("lastfile"), c.file) << c.path;
        gszFileName[0] = 0;
        LoadLastClip();
        EXPECT_STREQ(gszFileName, c.composed);
    }
}

TEST_F(PlayerTest, StartWithoutCommandLineReopensTheLastClip)
{
    standin::AddClip("C:\\media\\talk.wmv", {});
    standin::PutRegistryValue(kKey, "lastpath", REG_SZ, std::string("C:\\media\0junk", 13));
    standin::PutRegistryValue(kKey, "lastfile", REG_SZ, std::string("talk.wmv\0", 9));
    RunPlayer("", {[] { EXPECT_EQ(gPlayState, Running); }});
    EXPECT_TRUE(standin::OpenDialogCalls().empty());
}

TEST_F(PlayerTest, MissingOverlongOrUnterminatedValuesReadSafely)
{
    standin::PutRegistryValue(kKey, "lastpath", REG_SZ, std::string(300, 'p'));
    standin::PutRegistryValue(kKey, "lastfile", REG_SZ, std::string(260, 'f'));
    LoadLastClip();
    EXPECT_EQ(std::string(gszFileName), "\\" + std::string(258, 'f'));
    standin::Reset();
    standin::PutRegistryValue(kKey, "lastfile", REG_SZ, "x.wmv");
    LoadLastClip();
    EXPECT_STREQ(gszFileName, "\\x.wmv");
}

TEST_F(PlayerTest, FailedClipIsStillRemembered)
{
    RunPlayer("C:\\media\\gone.wmv");
    EXPECT_EQ(Value("lastfile"), "gone.wmv");
}

TEST_F(PlayerTest, PlaylistStepRecordsTheNewClipButNotAFailedOne)
{
    standin::PutFile("C:\\media\\a.wmv", "");
    standin::PutFile("C:\\media\\b.wmv", "");
    standin::PutFile("C:\\media\\c.wmv", "");
    standin::AddClip("C:\\media\\a.wmv", {});
    standin::AddClip("C:\\media\\b.wmv", {});
    RunPlayer("C:\\media\\a.wmv", {[] {
        Key(VK_DOWN);
        EXPECT_EQ(Value("lastfile"), "b.wmv");
        Key(VK_DOWN);
        EXPECT_EQ(Value("lastfile"), "b.wmv");
    }});
}

TEST_F(PlayerTest, FavouritesRecordClipAndPlace)
{
    standin::AddClip("C:\\media\\talk.wmv", {});
    RunPlayer("C:\\media\\talk.wmv", {[] {
        standin::SetGraphPosition(125000000);
        Char('f');
        Char('f');
        ASSERT_EQ(gnFavourites, 2);
        EXPECT_STREQ(gFavourites[1].szDescription, "Empty for now");
        EXPECT_STREQ(gFavourites[1].szFileName, "talk.wmv");
        EXPECT_STREQ(gFavourites[1].szFolder, "C:\\media");
        EXPECT_EQ(gFavourites[1].rtPosition, 125000000);
        gnFavourites = MAX_FAVOURITES;
        Char('f');
        EXPECT_EQ(gnFavourites, MAX_FAVOURITES);
        CloseClip();
        gnFavourites = 0;
        Char('f');
        EXPECT_EQ(gnFavourites, 0);
    }});
}
