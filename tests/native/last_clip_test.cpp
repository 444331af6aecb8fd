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
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::PutFile(c.path, "");
        CopyPath(gszFileName, c.path);
        SaveLastClip();
        EXPECT_EQ(Value("lastpath"), c.folder) << c.path;
        EXPECT_EQ(Value("lastfile"), c.file) << c.path;
        EXPECT_EQ(standin::RegistryWrites(), (std::vector<std::string>{"lastpath", "lastfile"}));
        gszFileName[0] = 0;
        LoadLastClip();
        EXPECT_STREQ(gszFileName, c.composed);
    }
}

TEST_F(PlayerTest, StartWithoutCommandLineReopensTheLastClip)
{
    standin::PutFile("C:\\media\\talk.wmv", "");
    standin::AddClip("C:\\media\\talk.wmv", {});
    standin::PutRegistryValue(kKey, "lastpath", REG_SZ, std::string("C:\\media\0junk", 13));
    standin::PutRegistryValue(kKey, "lastfile", REG_SZ, "talk.wmv");
    RunPlayer("", {[] { EXPECT_EQ(gPlayState, Running); }});
    EXPECT_TRUE(standin::OpenDialogCalls().empty());
}

// A record that cannot be used is as good as none: the open dialog, and nothing written back.
TEST_F(PlayerTest, UnusableRecordOffersTheDialogAndIsNotWrittenBack)
{
    struct Case { const char *what; DWORD pathType; std::string path; DWORD fileType; std::string file; };
    const Case cases[] = {
        {"file missing", REG_SZ, "C:\\media", REG_SZ, ""},
        {"folder too long", REG_SZ, std::string(300, 'p'), REG_SZ, "talk.wmv"},
        {"composed too long", REG_SZ, "C:\\" + std::string(250, 'p'), REG_SZ, std::string(9, 'f')},
        {"garbage", REG_SZ, "\x01\xfe??", REG_SZ, "\x7f"},
        {"clip gone", REG_SZ, "C:\\media", REG_SZ, "gone.wmv"},
        {"folder gone", REG_SZ, "C:\\gone", REG_SZ, "talk.wmv"},
        {"names a folder", REG_SZ, "C:", REG_SZ, "media"},
        {"not a string", REG_SZ, "C:\\media", 4, "talk.wmv"},
        {"binary folder", 3, "C:\\media", REG_SZ, "talk.wmv"},
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::PutFile("C:\\media\\talk.wmv", "");
        standin::AddClip("C:\\media\\talk.wmv", {});
        standin::PutRegistryValue(kKey, "lastpath", c.pathType, c.path);
        if (!c.file.empty())
            standin::PutRegistryValue(kKey, "lastfile", c.fileType, c.file);
        RunPlayer("");
        EXPECT_EQ(standin::OpenDialogCalls().size(), 1u) << c.what;
        EXPECT_EQ(standin::GraphsCreated(), 0) << c.what;
        EXPECT_TRUE(standin::RegistryWrites().empty()) << c.what;
        EXPECT_TRUE(standin::MessageBoxes().empty()) << c.what;
    }
}

// A clip that fails is said once, by name, and never becomes the clip reopened at the next start.
TEST_F(PlayerTest, FailedClipIsSaidAndNotRemembered)
{
    RunPlayer("C:\\media\\gone.wmv");
    EXPECT_TRUE(standin::RegistryWrites().empty());
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].text,
              "Cannot play C:\\media\\gone.wmv\r\nThe file is missing, damaged or not a media file that this "
              "system can play (error 0x80070002).\r\n");
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
        standin::RegistryWrites().clear();
        Key(VK_DOWN);
        EXPECT_EQ(Value("lastfile"), "a.wmv") << "c.wmv is passed over";
        EXPECT_EQ(standin::RegistryWrites(), (std::vector<std::string>{"lastpath", "lastfile"}));
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
