// Bookmarks: the file beside the clip, its reading rules, and the add, delete and jump rules.
#include "player_test.h"

static const char kFile[] = "C:\\media\\talk.BMS";
static const REFERENCE_TIME kSecond = 10000000;

class BookmarksTest : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        standin::PutFile(kClip, "");
    }
    static std::vector<REFERENCE_TIME> List() { return std::vector<REFERENCE_TIME>(gBookmarks, gBookmarks + gnBookmarks); }
    static void AddAt(REFERENCE_TIME position) { standin::SetGraphPosition(position); Key(VK_PRIOR); }
};

TEST_F(BookmarksTest, FileNameReplacesTheLastThreeCharacters)
{
    const std::pair<const char *, const char *> names[] = {
        {"C:\\media\\talk.wmv", "C:\\media\\talk.BMS"},
        {"C:\\media\\talk.mpeg", "C:\\media\\talk.mBMS"},
        {"C:\\media\\talk", "C:\\media\\tBMS"},
    };
    for (const auto &name : names) {
        standin::Reset();
        standin::PutFile(name.first, "");
        standin::AddClip(name.first, {});
        RunPlayer(name.first, {[] { Char('b'); }});
        EXPECT_TRUE(standin::FileExists(name.second)) << name.first;
    }
}

TEST_F(BookmarksTest, EveryValueSurvivesTheFileIncludingNegatives)
{
    Play([] {
        const REFERENCE_TIME values[] = {125000000, 6000000000, -1, -6000000000, 0x7FFFFFFFFFFFFFFF,
                                         static_cast<REFERENCE_TIME>(0x8000000000000000ull), 4294967295};
        gnBookmarks = 0;
        for (REFERENCE_TIME value : values)
            gBookmarks[gnBookmarks++] = value;
        SaveBookmarks();
        gnBookmarks = 0;
        LoadBookmarks();
        EXPECT_EQ(List(), std::vector<REFERENCE_TIME>(std::begin(values), std::end(values)));
    });
    EXPECT_FALSE(standin::FileExists("C:\\media\\talk.BMS.new")) << "the new file replaced the old";
}

TEST_F(BookmarksTest, FileFormIsLowThenHighAsUnsignedLines)
{
    Play([] {
        AddAt(6000000000);
        AddAt(125000000);
        EXPECT_EQ(standin::FileContent(kFile), "125000000\n0\n1705032704\n1\n");
        AddAt(-1);
        EXPECT_EQ(standin::FileContent(kFile), "4294967295\n4294967295\n125000000\n0\n1705032704\n1\n");
    });
}

TEST_F(BookmarksTest, ReadingSkipsEverythingButDigitsAndLineFeeds)
{
    standin::PutFile(kFile, "1 2\r\n0\r\n+20x\n\xff" "0\n10\n");
    Play([] { EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{12, 20})); });
}

TEST_F(BookmarksTest, OddLastLineAndUnterminatedLineAreDropped)
{
    standin::PutFile(kFile, "10\n0\n20\n");
    Play([] {
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{10}));
        standin::PutFile(kFile, "10\n0\n20\n1");
        LoadBookmarks();
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{10}));
    });
}

TEST_F(BookmarksTest, DescendingFileIsKeptAsItStands)
{
    standin::PutFile(kFile, "90000000\n0\n20000000\n0\n");
    Play([] {
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{9 * kSecond, 2 * kSecond}));
        standin::SetGraphPosition(5 * kSecond);
        Key(VK_END);
        EXPECT_EQ(standin::GraphPosition(), 9 * kSecond);
    });
}

TEST_F(BookmarksTest, EqualPositionsKeepTheOrderOfAdding)
{
    Play([] {
        for (REFERENCE_TIME s : {2, 5, 9})
            AddAt(s * kSecond);
        AddAt(5 * kSecond);
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{2 * kSecond, 5 * kSecond, 5 * kSecond, 9 * kSecond}));
    });
}

TEST_F(BookmarksTest, DeleteAndJumpNextTakeTheFirstStrictlyAfter)
{
    Play([] {
        AddAt(2 * kSecond);
        AddAt(9 * kSecond);
        standin::SetGraphPosition(2 * kSecond);
        Key(VK_END);
        EXPECT_EQ(standin::GraphPosition(), 9 * kSecond);
        standin::SetGraphPosition(2 * kSecond);
        Key(VK_DELETE);
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{2 * kSecond}));
        EXPECT_EQ(standin::FileContent(kFile), "20000000\n0\n");
        size_t mark = Mark();
        Key(VK_END);
        EXPECT_CALLS(mark, "GetCurrentPosition") << "nothing after: no seek";
    });
}

TEST_F(BookmarksTest, JumpPreviousPassesOverBookmarksWithinEightTenths)
{
    Play([] {
        AddAt(2 * kSecond);
        AddAt(9 * kSecond);
        const std::pair<REFERENCE_TIME, REFERENCE_TIME> cases[] = {
            {95000000, 2 * kSecond}, {99000000, 9 * kSecond}, {25000000, 0}, {20 * kSecond, 9 * kSecond},
            {98000000, 2 * kSecond}};
        for (const auto &c : cases) {
            standin::SetGraphPosition(c.first);
            Key(VK_HOME);
            EXPECT_EQ(standin::GraphPosition(), c.second) << "from " << c.first;
        }
    });
}

TEST_F(BookmarksTest, EmptyListJumpsNowhereAndDeleteWritesAnEmptyFile)
{
    Play([] {
        size_t mark = Mark();
        Key(VK_HOME);
        Key(VK_END);
        EXPECT_CALLS(mark, "GetCurrentPosition", "GetCurrentPosition");
        Key(VK_DELETE);
        EXPECT_EQ(standin::FileContent(kFile), "");
    });
}

TEST_F(BookmarksTest, NextClipWithoutAFileStartsWithAnEmptyList)
{
    standin::PutFile(kFile, "10\n0\n");
    standin::PutFile("C:\\media\\u.wmv", "");
    standin::AddClip("C:\\media\\u.wmv", {});
    Play([] {
        EXPECT_EQ(gnBookmarks, 1);
        Key(VK_DOWN);
        EXPECT_STREQ(gszFileName, "C:\\media\\u.wmv");
        EXPECT_EQ(gnBookmarks, 0);
    });
}

// The list in memory keeps the change; the file on disk is untouched and nothing is said.
TEST_F(BookmarksTest, ReadOnlyFolderChangesNothingOnDisk)
{
    standin::PutFile(kFile, "10\n0\n");
    standin::MakeFolderReadOnly("C:\\media");
    Play([] {
        AddAt(5);
        EXPECT_EQ(gnBookmarks, 2);
        EXPECT_EQ(standin::FileContent(kFile), "10\n0\n");
    });
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

TEST_F(BookmarksTest, CapacityIsNeverOverrun)
{
    std::string content;
    for (int i = 0; i < 120; i++)
        content += std::to_string(i) + "\n0\n";
    standin::PutFile(kFile, content);
    Play([&] {
        EXPECT_EQ(gnBookmarks, MAX_BOOKMARKS);
        EXPECT_EQ(gBookmarks[99], 99);
        standin::PutFile(kFile, "unchanged");
        AddAt(5);
        EXPECT_EQ(gnBookmarks, MAX_BOOKMARKS);
        EXPECT_EQ(standin::FileContent(kFile), "unchanged");
    });
}

TEST_F(BookmarksTest, ShortPathHasNoBookmarkFile)
{
    standin::AddClip("ab", {});
    RunPlayer("ab", {[] {
        Char('b');
        EXPECT_EQ(gnBookmarks, 1);
    }});
    EXPECT_FALSE(standin::FileExists("BMS"));
}

TEST_F(BookmarksTest, NoClipNoBookmarkWork)
{
    RunPlayer("", {[] {
        Char('b');
        Key(VK_DELETE);
        Key(VK_HOME);
        Key(VK_END);
        EXPECT_EQ(gnBookmarks, 0);
    }});
    EXPECT_EQ(standin::GraphsCreated(), 0);
}
