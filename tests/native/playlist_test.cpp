// The folder playlist: its order, the current entry, stepping, wrapping and full screen across a step.
#include "player_test.h"

class PlaylistTest : public PlayerTest {
protected:
    static void AddFiles(std::initializer_list<const char *> names, bool video = true)
    {
        for (const char *name : names) {
            std::string path = std::string("C:\\media\\") + name;
            standin::PutFile(path.c_str(), "");
            standin::Clip clip;
            clip.video = video;
            standin::AddClip(path.c_str(), clip);
        }
    }
    static std::vector<std::string> Entries()
    {
        return std::vector<std::string>(gPlaylist, gPlaylist + gnPlaylist);
    }
};

TEST_F(PlaylistTest, EntriesAreGroupedByExtensionInSearchOrder)
{
    AddFiles({"b.mp3", "a.wmv", "c.mpeg", "d.avi", "notes.txt", "e.MPG", "z.asf", "y.wma", "x.wav", "w.aac",
              "v.opus", "u.oga", "t.ogg", "s.flac", "r.webm", "q.mkv", "p.mov", "o.m4v", "n.mp4", "m.M4A"});
    standin::MakeFolder("C:\\media\\extra.avi");
    RunPlayer("C:\\media\\a.wmv", {[] {
        EXPECT_EQ(Entries(), (std::vector<std::string>{"a.wmv", "b.mp3", "d.avi", "extra.avi", "e.MPG", "c.mpeg", "m.M4A",
                                                       "n.mp4", "o.m4v", "p.mov", "q.mkv", "r.webm", "s.flac", "t.ogg",
                                                       "u.oga", "v.opus", "w.aac", "x.wav", "y.wma", "z.asf"}));
        EXPECT_EQ(giPlaylist, 0);
        EXPECT_STREQ(gszFolder, "C:\\media");
    }});
}

// File names are matched whatever their letter case, as the file system matches them.
TEST_F(PlaylistTest, CurrentEntryIsFoundWhateverTheLetterCase)
{
    AddFiles({"a.wmv", "Clip.wmv", "c.mp3", "d.mp3"});
    standin::AddClip("C:\\media\\Clip.WMV", {});
    RunPlayer("C:\\media\\Clip.WMV", {[] {
        EXPECT_EQ(Entries(), (std::vector<std::string>{"a.wmv", "Clip.wmv", "c.mp3", "d.mp3"}));
        EXPECT_EQ(giPlaylist, 1);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\c.mp3");
    }});
    standin::Reset();
    AddFiles({"a.wmv", "b.mp3", "c.mp3", "d.mp3"});
    standin::AddClip("C:\\media\\C.MP3", {});
    RunPlayer("C:\\media\\C.MP3", {[] {
        EXPECT_EQ(giPlaylist, 2);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\d.mp3");
    }});
}

TEST_F(PlaylistTest, StepsForwardWrapAndDoNotWrapBack)
{
    AddFiles({"a.wmv", "b.wmv", "c.wmv"});
    RunPlayer("C:\\media\\b.wmv", {[] {
        EXPECT_EQ(giPlaylist, 1);
        Char('h');
        Char('m');
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\c.wmv");
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_SIZE_NORMAL)) << "every clip starts at Normal";
        EXPECT_EQ(standin::GraphVolume(), 0);
        EXPECT_EQ(standin::WindowTitle(ghApp), "c.wmv [Video] ") << "every clip plays at the user's level, unmuted";
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\a.wmv");
        size_t mark = Mark();
        Key(VK_UP);
        EXPECT_CALLS(mark) << "no wrap back from the first entry";
        Key(VK_DOWN);
        Key(VK_UP);
        EXPECT_STREQ(gszFileName, "C:\\media\\a.wmv");
        EXPECT_EQ(standin::LiveGraphReferences(), 7) << "one graph held, the old ones released";
    }});
}

TEST_F(PlaylistTest, OneEntryListReplaysIt)
{
    AddFiles({"a.wmv"});
    RunPlayer("C:\\media\\a.wmv", {[] {
        size_t mark = Mark();
        Key(VK_DOWN);
        std::vector<std::string> calls = CallsSince(mark);
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[1], "Stop");
        EXPECT_EQ(standin::GraphsCreated(), 2);
        EXPECT_STREQ(gszFileName, "C:\\media\\a.wmv");
    }});
}

TEST_F(PlaylistTest, EmptyListLeavesTheClipOpen)
{
    standin::AddClip("C:\\talk.wmv", {});
    RunPlayer("C:\\talk.wmv", {[] {
        EXPECT_EQ(gnPlaylist, 0);
        Key(VK_DOWN);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        standin::SetGraphPosition(600000000);
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, "C:\\talk.wmv");
        EXPECT_EQ(gPlayState, Running);
        EXPECT_EQ(standin::GraphsCreated(), 1);
    }});
}

// A relative path is taken from the current folder, so the playlist and the record have a folder.
TEST_F(PlaylistTest, RelativeCommandLinePathIsMadeAbsolute)
{
    AddFiles({"a.mp3", "b.mp3"});
    standin::SetCurrentFolder("C:\\media");
    RunPlayer("b.mp3", {[] {
        EXPECT_STREQ(gszFileName, "C:\\media\\b.mp3");
        EXPECT_EQ(Entries(), (std::vector<std::string>{"a.mp3", "b.mp3"}));
        EXPECT_EQ(giPlaylist, 1);
    }});
    DWORD type;
    std::string folder;
    ASSERT_TRUE(standin::RegistryValue(kRecordKey, "lastpath", &type, &folder));
    EXPECT_STREQ(folder.c_str(), "C:\\media");
}

TEST_F(PlaylistTest, FullScreenSurvivesAStepToVideoButNotToAudio)
{
    AddFiles({"a.wmv", "b.wmv"});
    AddFiles({"c.mp3"}, false);
    RunPlayer("C:\\media\\a.wmv", {[] {
        Key(VK_RETURN);
        ASSERT_EQ(gbFullScreen, 1);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\b.wmv");
        EXPECT_EQ(gbFullScreen, 1);
        EXPECT_EQ(standin::GraphFullScreenMode(), OATRUE);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\c.mp3");
        EXPECT_EQ(gbFullScreen, 0);
    }});
}

// Entries that will not play are passed over in the direction of travel, without a word.
TEST_F(PlaylistTest, UnplayableEntriesArePassedOverInTheDirectionOfTravel)
{
    AddFiles({"a.wmv"});
    standin::PutFile("C:\\media\\b.wmv", "");
    AddFiles({"c.wmv"});
    standin::PutFile("C:\\media\\d.wmv", "");
    RunPlayer("C:\\media\\a.wmv", {[] {
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\c.wmv");
        EXPECT_EQ(giPlaylist, 2);
        EXPECT_EQ(gPlayState, Running);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\a.wmv") << "d is passed over and the list wraps";
        Key(VK_DOWN);
        Key(VK_UP);
        EXPECT_STREQ(gszFileName, "C:\\media\\a.wmv");
        EXPECT_EQ(standin::LiveGraphReferences(), 7);
    }});
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

// When no entry plays, each is tried once, and the one asked for is named.
TEST_F(PlaylistTest, NoPlayableEntryEndsIdleWithOneMessage)
{
    AddFiles({"a.wmv"});
    for (const char *name : {"b.wmv", "c.wmv"})
        standin::PutFile((std::string("C:\\media\\") + name).c_str(), "");
    RunPlayer("C:\\media\\a.wmv", {[] {
        standin::FailGraphCall("RenderFile", E_FAIL);
        int before = standin::GraphsCreated();
        Key(VK_DOWN);
        EXPECT_EQ(standin::GraphsCreated() - before, 3);
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(giPlaylist, 1);
        EXPECT_EQ(Width(standin::OuterRect(ghApp)), 900);
    }});
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_NE(standin::MessageBoxes()[0].text.find("C:\\media\\b.wmv"), std::string::npos);
    EXPECT_NE(standin::MessageBoxes()[0].text.find("0x80004005"), std::string::npos);
}

// Every media file of a large folder is in the list, and the playing clip is its current entry.
TEST_F(PlaylistTest, EveryFileOfALargeFolderIsReachable)
{
    for (int i = 0; i < 1500; i++)
        standin::PutFile(("C:\\big\\" + std::to_string(i) + ".mp3").c_str(), "");
    for (const char *name : {"C:\\big\\1498.mp3", "C:\\big\\1499.mp3", "C:\\big\\0.mp3"})
        standin::AddClip(name, {});
    RunPlayer("C:\\big\\1498.mp3", {[] {
        EXPECT_EQ(gnPlaylist, 1500);
        EXPECT_EQ(giPlaylist, 1498);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\big\\1499.mp3");
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\big\\0.mp3");
    }});
}

// Neither an entry too long for the engine nor one too long to join reaches it; both are passed over.
TEST_F(PlaylistTest, OverlongComposedPathIsPassedOverUncut)
{
    std::string folder = "C:\\";
    for (int i = 0; i < 250; i++)
        folder += "\xE6\x97\xA5";                             // 日: 253 units, 753 bytes
    std::string clip = folder + "\\a.wmv";                 // 259 units
    standin::PutFile(clip.c_str(), "");
    standin::PutFile((folder + "\\bbbbbb.wmv").c_str(), "");            // 264 units
    standin::PutFile((folder + "\\" + std::string(20, 'n') + ".wmv").c_str(), "");   // 778 bytes
    standin::AddClip(clip.c_str(), {});
    RunPlayer(clip.c_str(), {[&] {
        Key(VK_DOWN);
        EXPECT_EQ(gszFileName, clip);
    }});
    std::vector<size_t> rendered;
    for (const std::string &call : standin::GraphCalls())
        if (call.rfind("RenderFile ", 0) == 0)
            rendered.push_back(call.size() - 11);
    EXPECT_EQ(rendered, (std::vector<size_t>{clip.size(), clip.size()}));
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

// The completion event comes while the clip's last sound is still on its way to the speakers: the
// finished graph runs on until the next clip is cued, and only then stops. A step the user asks
// for stops the clip at once.
TEST_F(PlaylistTest, AClipPlayedToItsEndIsHeardOutWhileTheNextIsCued)
{
    AddFiles({"a.wmv", "b.wmv"});
    RunPlayer("C:\\media\\a.wmv", {[] {
        auto starts = [](size_t mark) {
            std::vector<std::string> seen;
            for (const std::string &call : CallsSince(mark))
                if (call == "Stop" || call.rfind("RenderFile", 0) == 0 || call == "Pause" ||
                    call.rfind("GetState", 0) == 0 || call == "Run")
                    seen.push_back(call);
            return seen;
        };
        standin::SetGraphPosition(600000000);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        DWORD completed = GetTickCount();
        DWORD stopped = 0;
        standin::BeforeGraphCall("Stop", [&] { stopped = GetTickCount(); });
        size_t mark = Mark();
        HandleGraphEvents();
        EXPECT_EQ(stopped - completed, 400u) << "heard out for as long as its last sound can last";
        EXPECT_STREQ(gszFileName, "C:\\media\\b.wmv");
        EXPECT_EQ(starts(mark), (std::vector<std::string>{"RenderFile C:\\media\\b.wmv", "Pause", "GetState 2000",
                                                          "Stop", "Run"}));
        EXPECT_EQ(standin::LiveGraphReferences(), 7) << "the finished graph is released once the next runs";
        mark = Mark();
        Key(VK_DOWN);
        EXPECT_EQ(starts(mark), (std::vector<std::string>{"Stop", "RenderFile C:\\media\\a.wmv", "Pause",
                                                          "GetState 2000", "Run"}));
    }});
}
