// The registry record of the last clip, and the favourites list.
#include "player_test.h"

static std::string Value(const char *name)
{
    DWORD type = 0;
    std::string data;
    EXPECT_TRUE(standin::RegistryValue(kRecordKey, name, &type, &data)) << name;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
    // Its text and terminator, nothing of an earlier, longer value after them.
    EXPECT_EQ(data.size(), strlen(data.c_str()) + 1) << name;
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
        EXPECT_EQ(standin::RegistryWrites(), (std::vector<std::string>{"lastpath", "lastfile", "lastposition"}));
        DWORD type;
        std::string data;
        EXPECT_FALSE(standin::RegistryValue(kMachineRecordKey, "lastpath", &type, &data)) << "written for the machine";
        gszFileName[0] = 0;
        LoadLastClip();
        EXPECT_STREQ(gszFileName, c.composed);
    }
}

// The user's own record first; an earlier version's record for the machine while there is none,
// left as it was: the clip played is recorded for the user.
TEST_F(PlayerTest, StartWithoutCommandLineReopensTheLastClip)
{
    standin::PutFile("C:\\media\\talk.wmv", "");
    standin::PutFile("C:\\media\\old.wmv", "");
    standin::AddClip("C:\\media\\talk.wmv", {});
    standin::AddClip("C:\\media\\old.wmv", {});
    standin::PutRegistryValue(kMachineRecordKey, "lastpath", REG_SZ, "C:\\media");
    standin::PutRegistryValue(kMachineRecordKey, "lastfile", REG_SZ, "old.wmv");
    RunPlayer("", {[] { EXPECT_STREQ(gszFileName, "C:\\media\\old.wmv"); }});
    EXPECT_EQ(Value("lastfile"), "old.wmv");
    DWORD type;
    std::string machineFile;
    ASSERT_TRUE(standin::RegistryValue(kMachineRecordKey, "lastfile", &type, &machineFile));
    EXPECT_EQ(machineFile, "old.wmv");

    standin::PutRegistryValue(kRecordKey, "lastpath", REG_SZ, std::string("C:\\media\0junk", 13));
    standin::PutRegistryValue(kRecordKey, "lastfile", REG_SZ, "talk.wmv");
    RunPlayer("", {[] { EXPECT_EQ(gPlayState, Running); EXPECT_STREQ(gszFileName, "C:\\media\\talk.wmv"); }});
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
        standin::PutRegistryValue(kRecordKey, "lastpath", c.pathType, c.path);
        if (!c.file.empty())
            standin::PutRegistryValue(kRecordKey, "lastfile", c.fileType, c.file);
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
              "The clip C:\\media\\gone.wmv could not be played: the file is missing, damaged or not a media "
              "file that this system can play (error 0x80070002).\r\n");
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
        EXPECT_EQ(standin::RegistryWrites(),
                  (std::vector<std::string>{"lastposition", "lastpath", "lastfile", "lastposition"}))
            << "b.wmv's place, then the new clip from its start";
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

// The last clip, reopened at start-up, goes on where it was left; any other open starts at the
// beginning, and a place past the end, or not a 64-bit value, is ignored.
TEST_F(PlayerTest, LastClipResumesWhereItWasLeft)
{
    auto record = [](DWORD type, const std::string &position) {
        standin::Reset();
        standin::PutFile("C:\\media\\talk.wmv", "");
        standin::AddClip("C:\\media\\talk.wmv", {});
        standin::PutRegistryValue(kRecordKey, "lastpath", REG_SZ, "C:\\media");
        standin::PutRegistryValue(kRecordKey, "lastfile", REG_SZ, "talk.wmv");
        standin::PutRegistryValue(kRecordKey, "lastposition", type, position);
    };
    const std::string at30s("\0\xa3\xe1\x11\0\0\0\0", 8);
    record(REG_QWORD, at30s);
    RunPlayer("", {[] { EXPECT_EQ(standin::GraphPosition(), 300000000); }});
    record(REG_QWORD, at30s);
    RunPlayer("C:\\media\\talk.wmv", {[] { EXPECT_EQ(standin::GraphPosition(), 0) << "opened by name"; }});
    record(REG_QWORD, std::string("\0\x46\xc3\x23\0\0\0\0", 8));   // 60 s, the clip's end
    RunPlayer("", {[] { EXPECT_EQ(standin::GraphPosition(), 0); }});
    record(REG_SZ, at30s);
    RunPlayer("", {[] { EXPECT_EQ(standin::GraphPosition(), 0); }});
}

// The place belongs to the record's clip alone: when that clip will not open, or is gone, the
// clip opened next from the dialog starts at its beginning, and a failed reopen keeps the place.
TEST_F(PlayerTest, RecordedPlaceIsNeverCarriedToAnotherClip)
{
    const std::string at30s("\0\xa3\xe1\x11\0\0\0\0", 8);
    struct Case { const char *what; std::function<void()> arrange; };
    const Case cases[] = {
        {"recorded clip is broken", [] {
             standin::Clip broken;
             broken.renderStatus = E_FAIL;
             standin::AddClip("C:\\media\\talk.wmv", broken);
         }},
        {"recorded clip refuses to run", [] {
             standin::AddClip("C:\\media\\talk.wmv", {});
             standin::FailGraphCallOnce("Run", E_FAIL);
         }},
        {"recorded clip is gone", [] { DeleteFileA("C:\\media\\talk.wmv"); }},
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::PutFile("C:\\media\\talk.wmv", "");
        standin::PutFile("C:\\media\\good.wmv", "");
        standin::AddClip("C:\\media\\good.wmv", {});
        standin::PutRegistryValue(kRecordKey, "lastpath", REG_SZ, "C:\\media");
        standin::PutRegistryValue(kRecordKey, "lastfile", REG_SZ, "talk.wmv");
        standin::PutRegistryValue(kRecordKey, "lastposition", REG_QWORD, at30s);
        c.arrange();
        standin::AnswerOpenDialog("C:\\media\\good.wmv");
        RunPlayer("", {[&] {
            if (gPlayState == NoClip)
                Command(IDM_OPEN_CLIP);
            EXPECT_STREQ(gszFileName, "C:\\media\\good.wmv") << c.what;
            EXPECT_EQ(standin::GraphPosition(), 0) << c.what;
            DWORD type = 0;
            std::string data;
            EXPECT_TRUE(standin::RegistryValue(kRecordKey, "lastposition", &type, &data));
            EXPECT_EQ(data, std::string(8, '\0')) << c.what << ": the new clip is recorded from its start";
        }});
    }
}

// The place is written when the clip is closed or the program exits, for the clip the record names.
TEST_F(PlayerTest, PlaceIsKeptWhenTheClipIsLeft)
{
    auto position = [] {
        DWORD type = 0;
        std::string data;
        EXPECT_TRUE(standin::RegistryValue(kRecordKey, "lastposition", &type, &data));
        EXPECT_EQ(type, static_cast<DWORD>(REG_QWORD));
        REFERENCE_TIME value = -1;
        if (data.size() == sizeof(value))
            memcpy(&value, data.data(), sizeof(value));
        return value;
    };
    standin::PutFile(kClip, "");
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[&] {
        EXPECT_EQ(position(), 0);
        standin::SetGraphPosition(120000000);
        Key(VK_F12);
        EXPECT_EQ(position(), 120000000);
        CopyPath(gszFileName, kClip);
        OpenClip(nullptr, 0);
        standin::SetGraphPosition(140000000);
        EXPECT_EQ(SendMessageA(ghApp, WM_QUERYENDSESSION, 0, 0), TRUE);
        SendMessageA(ghApp, WM_ENDSESSION, FALSE, 0);
        EXPECT_EQ(position(), 0) << "a session that goes on saves nothing";
        SendMessageA(ghApp, WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(position(), 140000000) << "the session ends: saved as at exit";
        standin::SetGraphPosition(130000000);
        standin::PutRegistryValue(kRecordKey, "lastfile", REG_SZ, "other.wmv");   // another instance's clip
    }});
    EXPECT_EQ(position(), 140000000) << "the record names another clip now";
}

// A reopen that fails once the engine could be asked for the place leaves the saved place alone.
TEST_F(PlayerTest, FailedReopenKeepsTheSavedPlace)
{
    standin::PutFile(kClip, "");
    standin::AddClip(kClip, {});
    standin::PutRegistryValue(kRecordKey, "lastpath", REG_SZ, "C:\\media");
    standin::PutRegistryValue(kRecordKey, "lastfile", REG_SZ, "talk.wmv");
    standin::PutRegistryValue(kRecordKey, "lastposition", REG_QWORD, std::string("\0\xa3\xe1\x11\0\0\0\0", 8));
    standin::FailGraphCall("Run", E_FAIL);
    RunPlayer("");
    DWORD type = 0;
    std::string data;
    EXPECT_TRUE(standin::RegistryValue(kRecordKey, "lastposition", &type, &data));
    EXPECT_EQ(data, std::string("\0\xa3\xe1\x11\0\0\0\0", 8));
    EXPECT_TRUE(standin::RegistryWrites().empty());
}
