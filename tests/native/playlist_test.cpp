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
    AddFiles({"b.mp3", "a.wmv", "c.mpeg", "d.avi", "notes.txt", "e.MPG"});
    standin::MakeFolder("C:\\media\\extra.avi");
    RunPlayer("C:\\media\\a.wmv", {[] {
        EXPECT_EQ(Entries(), (std::vector<std::string>{"a.wmv", "b.mp3", "d.avi", "extra.avi", "e.MPG", "c.mpeg"}));
        EXPECT_EQ(giPlaylist, 0);
        EXPECT_STREQ(gszFolder, "C:\\media");
    }});
}

TEST_F(PlaylistTest, CurrentEntryIsFoundWithCaseSignificant)
{
    AddFiles({"a.wmv", "Clip.wmv"});
    standin::AddClip("C:\\media\\Clip.WMV", {});
    RunPlayer("C:\\media\\Clip.WMV", {[] {
        EXPECT_EQ(Entries(), (std::vector<std::string>{"a.wmv", "Clip.wmv"}));
        EXPECT_EQ(giPlaylist, 0);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\Clip.wmv");
        EXPECT_EQ(giPlaylist, 1);
    }});
}

TEST_F(PlaylistTest, StepsForwardWrapAndDoNotWrapBack)
{
    AddFiles({"a.wmv", "b.wmv", "c.wmv"});
    RunPlayer("C:\\media\\b.wmv", {[] {
        EXPECT_EQ(giPlaylist, 1);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\c.wmv");
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
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls[0], "Stop");
        EXPECT_EQ(standin::GraphsCreated(), 2);
        EXPECT_STREQ(gszFileName, "C:\\media\\a.wmv");
    }});
}

TEST_F(PlaylistTest, EmptyListLeavesTheClipOpen)
{
    standin::AddClip("talk.wmv", {});
    RunPlayer("talk.wmv", {[] {
        EXPECT_EQ(gnPlaylist, 0);
        Key(VK_DOWN);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        standin::SetGraphPosition(600000000);
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, "talk.wmv");
        EXPECT_EQ(gPlayState, Running);
        EXPECT_EQ(standin::GraphsCreated(), 1);
    }});
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

TEST_F(PlaylistTest, StepIntoAnUnplayableEntryClosesAndGoesOnFromThere)
{
    AddFiles({"a.wmv"});
    standin::PutFile("C:\\media\\b.wmv", "");
    AddFiles({"c.wmv"});
    RunPlayer("C:\\media\\a.wmv", {[] {
        Key(VK_DOWN);
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(giPlaylist, 1);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\c.wmv");
    }});
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

TEST_F(PlaylistTest, BuildStopsAtTheCapacity)
{
    CopyPath(gszFileName, "C:\\big\\5.mp3");
    for (int i = 0; i < 1003; i++)
        standin::PutFile(("C:\\big\\" + std::to_string(i) + ".mp3").c_str(), "");
    BuildPlaylist();
    EXPECT_EQ(gnPlaylist, MAX_PLAYLIST);
    EXPECT_EQ(giPlaylist, 5);
}

TEST_F(PlaylistTest, OverlongComposedPathIsCutAndSimplyFails)
{
    std::string folder = "C:\\" + std::string(240, 'f');
    RunPlayer("", {[&] {
        CopyPath(gszFolder, folder.c_str());
        CopyPath(gPlaylist[0], std::string(40, 'n').append(".wmv").c_str());
        gnPlaylist = 1;
        NextClip();
        EXPECT_EQ(gPlayState, NoClip);
    }});
    std::string rendered;
    for (const std::string &call : standin::GraphCalls())
        if (call.rfind("RenderFile ", 0) == 0)
            rendered = call.substr(11);
    EXPECT_EQ(rendered.size(), 259u);
}
