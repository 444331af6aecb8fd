// Bookmarks: the file beside the clip, its reading rules, and the add, delete and jump rules.
#include "player_test.h"

#include <algorithm>

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
    static void DeleteAfter(REFERENCE_TIME position) { standin::SetGraphPosition(position); Key(VK_DELETE); }
    // No save leaves a file of its own behind: the folder holds the clip and its bookmark file.
    static void ExpectNoLeftovers(const char *what)
    {
        EXPECT_EQ(standin::FilesIn("C:\\media"), (std::vector<std::string>{"talk.wmv", "talk.BMS"})) << what;
    }
};

// Always beside the clip and named after it: the extension's end gives way to BMS where there are
// three characters to replace, and any other name gets .BMS added. Characters, not bytes, are
// counted: an emoji (two UTF-16 units, four bytes) is one.
TEST_F(BookmarksTest, FileNameSitsBesideTheClipAndBelongsToIt)
{
    const std::pair<const char *, const char *> names[] = {
        {"C:\\media\\talk.wmv", "C:\\media\\talk.BMS"},
        {"C:\\media\\talk.mpeg", "C:\\media\\talk.mBMS"},
        {"C:\\media\\talk", "C:\\media\\talk.BMS"},
        {"C:\\folder\\p2\\ab", "C:\\folder\\p2\\ab.BMS"},
        {"C:\\folder\\p2\\a", "C:\\folder\\p2\\a.BMS"},
        {"C:\\folder\\abc", "C:\\folder\\abc.BMS"},
        {"C:\\v1.0\\notes", "C:\\v1.0\\notes.BMS"},
        {"C:\\Лекции\\Лекция 1.mp3", "C:\\Лекции\\Лекция 1.BMS"},
        {"C:\\会議\\録音.動画ファイル", "C:\\会議\\録音.動画フBMS"},
        {"C:\\会議\\録音.動画", "C:\\会議\\録音.動画.BMS"},
        {"C:\\talk\\x.a🎙🎙", "C:\\talk\\x.BMS"},
        {"C:\\talk\\x.🎙🎙", "C:\\talk\\x.🎙🎙.BMS"},
    };
    for (const auto &name : names) {
        standin::Reset();
        standin::PutFile(name.first, "");
        standin::AddClip(name.first, {});
        RunPlayer(name.first, {[] { Char('b'); }});
        EXPECT_TRUE(standin::FileExists(name.second)) << name.first;
        EXPECT_FALSE(standin::FileExists("C:\\folder\\p2BMS")) << name.first;
        EXPECT_FALSE(standin::FileExists("C:\\folderBMS")) << name.first;
    }
}

// A clip path at the limit still saves: the temporary file's name is as long as the bookmark file's.
TEST_F(BookmarksTest, PathAtTheLimitStillSaves)
{
    std::string clip = "C:\\" + std::string(250, 'f') + "\\a.wmv";
    ASSERT_EQ(clip.size(), 259u);
    standin::PutFile(clip.c_str(), "");
    std::string marks = clip.substr(0, 256) + "BMS";
    Play([] { AddAt(5); }, {}, clip.c_str());
    EXPECT_EQ(standin::FileContent(marks.c_str()), "5\n0\n");
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

// Another instance's marks and marks beyond what the list holds survive every save.
TEST_F(BookmarksTest, EveryValueSurvivesASaveIncludingNegatives)
{
    const REFERENCE_TIME values[] = {125000000, 6000000000, -1, -6000000000, 0x7FFFFFFFFFFFFFFF,
                                     static_cast<REFERENCE_TIME>(0x8000000000000000ull), 4294967295};
    std::string content;
    for (REFERENCE_TIME value : values)
        content += std::to_string(static_cast<ULONG>(value)) + "\n" +
                   std::to_string(static_cast<ULONG>(static_cast<ULONGLONG>(value) >> 32)) + "\n";
    standin::PutFile(kFile, content);
    Play([&] {
        EXPECT_EQ(List(), std::vector<REFERENCE_TIME>(std::begin(values), std::end(values)));
        AddAt(5);
        EXPECT_EQ(standin::FileContent(kFile), "5\n0\n" + content);
    });
    ExpectNoLeftovers("the new file replaced the old");
}

TEST_F(BookmarksTest, FileFormIsLowThenHighAsUnsignedLines)
{
    standin::Clip hourLong;
    hourLong.duration = 36000000000;
    Play([] {
        AddAt(6000000000);
        AddAt(125000000);
        EXPECT_EQ(standin::FileContent(kFile), "125000000\n0\n1705032704\n1\n");
        AddAt(0);
        EXPECT_EQ(standin::FileContent(kFile), "0\n0\n125000000\n0\n1705032704\n1\n");
    }, hourLong);
}

// This player's own file: one decimal below 2^32 a line, each line ended by a line feed with an
// optional carriage return before it, in pairs; an empty file holds no marks. A save rewrites it
// with line feeds alone and keeps every mark.
TEST_F(BookmarksTest, OwnFileIsReadInEveryFormItMayTake)
{
    const std::pair<std::string, std::vector<REFERENCE_TIME>> files[] = {
        {"", {}},
        {"12\r\n0\r\n20\n0\n", {12, 20}},
        {"000000000000000000007\n0\n", {7}},
        {"4294967295\n0\n", {4294967295}},
    };
    for (const auto &file : files) {
        standin::Reset();
        standin::PutFile(kClip, "");
        standin::PutFile(kFile, file.first);
        Play([&] {
            EXPECT_EQ(List(), file.second) << file.first;
            AddAt(30);
        });
        std::vector<REFERENCE_TIME> saved = file.second;
        saved.insert(std::upper_bound(saved.begin(), saved.end(), 30), 30);
        std::string expected;
        for (REFERENCE_TIME mark : saved)
            expected += std::to_string(mark) + "\n0\n";
        EXPECT_EQ(standin::FileContent(kFile), expected) << file.first;
        EXPECT_TRUE(standin::MessageBoxes().empty()) << file.first;
    }
}

// Any other file of that name is someone else's (a rhythm game's chart, random bytes): it gives no
// marks, and adds and deletes leave it byte for byte, said once for the clip with the file named.
TEST_F(BookmarksTest, FileInAnyOtherFormIsNeverWritten)
{
    const std::pair<const char *, std::string> files[] = {
        {"text", "#TITLE song\n#BPM 120\n#00111:01\n"},
        {"blank in a line", "1 2\n0\n"},
        {"blank after a number", "12 \n0\n"},
        {"empty line", "10\n\n"},
        {"sign", "+20\n0\n"},
        {"carriage return alone", "10\r0\n"},
        {"carriage return with no digits", "10\n\r\n"},
        {"two carriage returns", "10\r\r\n0\n"},
        {"digit after the carriage return", "10\r1\n0\n"},
        {"odd count", "10\n0\n20\n"},
        {"no final line feed", "10\n0\n20\n0"},
        {"a line left open", "10\n0\n20"},
        {"carriage return left at the end", "10\n0\n\r"},
        {"2^32", "4294967296\n0\n"},
        {"NUL", std::string("10\n0\0\n", 6)},
        {"random bytes", std::string("\x8f\x00\xff\n7\n\xc3\x28\r\n", 10)},
    };
    for (const auto &file : files) {
        standin::Reset();
        standin::PutFile(kClip, "");
        standin::PutFile(kFile, file.second);
        Play([] {
            EXPECT_TRUE(List().empty());
            AddAt(5);
            DeleteAfter(0);
            AddAt(6);
            EXPECT_TRUE(List().empty());
        });
        EXPECT_EQ(standin::FileContent(kFile), file.second) << file.first;
        ExpectNoLeftovers(file.first);
        ASSERT_EQ(standin::MessageBoxes().size(), 1u) << file.first;
        EXPECT_EQ(standin::MessageBoxes()[0].text,
                  "The bookmarks could not be saved: C:\\media\\talk.BMS is not a bookmark file of this player.\r\n"
                  "It was left as it is.\r\n") << file.first;
    }
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

TEST_F(BookmarksTest, EmptyListJumpsNowhereAndDeleteWritesNothing)
{
    Play([] {
        size_t mark = Mark();
        Key(VK_HOME);
        Key(VK_END);
        EXPECT_CALLS(mark, "GetCurrentPosition", "GetCurrentPosition");
        Key(VK_DELETE);
        EXPECT_FALSE(standin::FileExists(kFile));
    });
}

// With nothing after the current place, Delete leaves the file exactly as it is, CR LF and all.
TEST_F(BookmarksTest, DeleteWithNothingAfterLeavesTheFileAlone)
{
    standin::PutFile(kFile, "10\r\n0\r\n");
    Play([] {
        standin::SetGraphPosition(5 * kSecond);
        Key(VK_DELETE);
        EXPECT_EQ(standin::FileContent(kFile), "10\r\n0\r\n");
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{10}));
    });
}

// A save reads what the file holds now, so a second instance's marks are kept, and a delete takes
// the first mark after the current place in the file.
TEST_F(BookmarksTest, SavesMergeWithWhatAnotherInstanceSaved)
{
    Play([] {
        AddAt(2 * kSecond);
        standin::PutFile(kFile, "20000000\n0\n70000000\n0\n");   // the other instance added 7 s
        AddAt(5 * kSecond);
        EXPECT_EQ(standin::FileContent(kFile), "20000000\n0\n50000000\n0\n70000000\n0\n");
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{2 * kSecond, 5 * kSecond, 7 * kSecond}));
        standin::PutFile(kFile, "20000000\n0\n30000000\n0\n50000000\n0\n70000000\n0\n");
        standin::SetGraphPosition(2 * kSecond);
        Key(VK_DELETE);
        EXPECT_EQ(standin::FileContent(kFile), "20000000\n0\n50000000\n0\n70000000\n0\n");
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{2 * kSecond, 5 * kSecond, 7 * kSecond}));
    });
}

// The list of marks deletes the mark its row shows: exactly that one (the first of two at one place),
// whatever another instance saved since, and none when it is already gone.
TEST_F(BookmarksTest, DeleteAtAPlaceTakesThatMarkAlone)
{
    Play([] {
        AddAt(2 * kSecond);
        AddAt(5 * kSecond);
        AddAt(5 * kSecond);
        standin::SetGraphPosition(9 * kSecond);
        DeleteBookmarkAt(5 * kSecond);
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{2 * kSecond, 5 * kSecond}));
        standin::PutFile(kFile, "20000000\n0\n70000000\n0\n");   // the other instance deleted 5 s, added 7 s
        DeleteBookmarkAt(5 * kSecond);
        EXPECT_EQ(standin::FileContent(kFile), "20000000\n0\n70000000\n0\n") << "7 s is not taken in its place";
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{2 * kSecond, 7 * kSecond}));
        DeleteBookmarkAt(2 * kSecond);
        EXPECT_EQ(standin::FileContent(kFile), "70000000\n0\n");
        EXPECT_EQ(standin::GraphPosition(), 9 * kSecond) << "a delete moves nothing";
    });
}

// A place outside the clip is stored as the nearer end.
TEST_F(BookmarksTest, MarksAreHeldInsideTheClip)
{
    Play([] {
        AddAt(-3 * kSecond);
        AddAt(98 * kSecond);
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{0, 60 * kSecond}));
        EXPECT_EQ(standin::FileContent(kFile), "0\n0\n600000000\n0\n");
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

// The file is the truth: neither the list nor the file takes the change, no temporary file is
// left, and the failure is said once, however often the key is pressed.
TEST_F(BookmarksTest, FailedSaveIsSaidOnceAndChangesNothing)
{
    struct Case { const char *what; std::function<void()> arrange; };
    const Case cases[] = {
        {"read-only folder", [] { standin::MakeFolderReadOnly("C:\\media"); }},
        {"full disk", [] { standin::FailFileCall("WriteFile", 112); }},
        {"failed move", [] { standin::FailFileCall("MoveFileExA", ERROR_ACCESS_DENIED); }},
        {"failed read", [] { standin::FailFileCall("ReadFile", 23); }},
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::PutFile(kClip, "");
        standin::PutFile(kFile, "10\n0\n");
        Play([&] {
            c.arrange();
            AddAt(5);
            AddAt(6);
            EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{10})) << c.what;
        });
        EXPECT_EQ(standin::FileContent(kFile), "10\n0\n") << c.what;
        ExpectNoLeftovers(c.what);
        ASSERT_EQ(standin::MessageBoxes().size(), 1u) << c.what;
        EXPECT_NE(standin::MessageBoxes()[0].text.find("C:\\media\\talk.BMS"), std::string::npos) << c.what;
    }
}

// A clip whose bookmark file's name would pass the limit: the clip is named, once for the clip
// whatever is pressed, and again for the next clip.
TEST_F(BookmarksTest, NameTooLongIsSaidOnceForEachClip)
{
    const std::string folder = "C:\\" + std::string(253, 'f');
    const std::string first = folder + "\\ab", second = folder + "\\cd";
    ASSERT_EQ(first.size(), 259u);
    standin::PutFile(first.c_str(), "");
    standin::PutFile(second.c_str(), "");
    standin::AddClip(second.c_str(), {});
    standin::AnswerOpenDialog(second.c_str());
    Play([&] {
        AddAt(5);
        AddAt(6);
        DeleteAfter(0);
        EXPECT_EQ(standin::MessageBoxes().size(), 1u);
        Command(IDM_OPEN_CLIP);
        ASSERT_EQ(std::string(gszFileName), second);
        AddAt(5);
    }, {}, first.c_str());
    ASSERT_EQ(standin::MessageBoxes().size(), 2u);
    EXPECT_EQ(standin::MessageBoxes()[0].text, "The bookmarks of " + first + " could not be saved: the bookmark "
                                               "file's name would be longer than 259 characters.\r\n");
    EXPECT_EQ(standin::MessageBoxes()[1].text, "The bookmarks of " + second + " could not be saved: the bookmark "
                                               "file's name would be longer than 259 characters.\r\n");
    EXPECT_EQ(standin::FilesIn(folder.c_str()), (std::vector<std::string>{"ab", "cd"}));
}

// Once for the clip means once for each cause: another failure is said in its turn, and reopening
// the clip says the first again.
TEST_F(BookmarksTest, EachDifferentFailureIsSaidInItsTurn)
{
    standin::PutFile(kFile, "10\n0\n");
    standin::PutFile("C:\\media\\u.wmv", "");
    standin::AddClip("C:\\media\\u.wmv", {});
    Play([] {
        standin::FailFileCall("WriteFile", 112);
        AddAt(5);
        AddAt(6);
        EXPECT_EQ(standin::MessageBoxes().size(), 1u);
        standin::MakeFileReadOnly(kFile);
        AddAt(7);
        DeleteAfter(0);
        EXPECT_EQ(standin::MessageBoxes().size(), 2u);
        Key(VK_DOWN);
        Key(VK_UP);
        ASSERT_STREQ(gszFileName, kClip);
        AddAt(8);
    });
    ASSERT_EQ(standin::MessageBoxes().size(), 3u);
    EXPECT_EQ(standin::MessageBoxes()[0].text, "The bookmarks could not be saved to C:\\media\\talk.BMS (error 112).\r\n"
                                               "The bookmark file was left as it was.\r\n");
    EXPECT_NE(standin::MessageBoxes()[1].text.find("read-only"), std::string::npos);
    EXPECT_EQ(standin::MessageBoxes()[2].text, standin::MessageBoxes()[1].text);
    EXPECT_EQ(standin::FileContent(kFile), "10\n0\n");
}

// A folder where the bookmark file should be: said, and the folder is left alone.
TEST_F(BookmarksTest, FolderNamedLikeTheBookmarkFileIsSaid)
{
    standin::MakeFolder(kFile);
    Play([] { AddAt(5); });
    EXPECT_FALSE(standin::FileExists(kFile));
    EXPECT_EQ(standin::FilesIn("C:\\media"), (std::vector<std::string>{"talk.wmv"}));
    EXPECT_EQ(standin::MessageBoxes().size(), 1u);
}

// A file that cannot be read is never edited: Delete says so once and leaves list and file alone.
TEST_F(BookmarksTest, DeleteThatCannotReadTheFileIsSaidAndChangesNothing)
{
    struct Case { const char *what; std::function<void()> arrange; };
    const Case cases[] = {
        {"held open elsewhere", [] {
             HANDLE other = CreateFileA(kFile, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
             ASSERT_NE(other, INVALID_HANDLE_VALUE);
             DeleteAfter(0);
             CloseHandle(other);
         }},
        {"read error", [] { standin::FailFileCall("ReadFile", 23); DeleteAfter(0); }},
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::PutFile(kClip, "");
        standin::PutFile(kFile, "10\n0\n20\n0\n");
        Play([&] {
            ASSERT_EQ(gnBookmarks, 2) << c.what;
            c.arrange();
            EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{10, 20})) << c.what;
        });
        EXPECT_EQ(standin::FileContent(kFile), "10\n0\n20\n0\n") << c.what;
        ExpectNoLeftovers(c.what);
        ASSERT_EQ(standin::MessageBoxes().size(), 1u) << c.what;
        EXPECT_NE(standin::MessageBoxes()[0].text.find("C:\\media\\talk.BMS"), std::string::npos) << c.what;
    }
}

// A bookmark file the user made read-only stays as it is, though the system would replace it.
TEST_F(BookmarksTest, ReadOnlyFileIsNeverReplaced)
{
    standin::PutFile(kFile, "10\n0\n20\n0\n");
    standin::MakeFileReadOnly(kFile);
    Play([] {
        AddAt(15);
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{10, 20}));
        DeleteAfter(10);
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{10, 20}));
        DeleteAfter(30);
    });
    EXPECT_EQ(standin::FileContent(kFile), "10\n0\n20\n0\n");
    EXPECT_EQ(GetFileAttributesA(kFile), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    ExpectNoLeftovers("read-only");
    ASSERT_EQ(standin::MessageBoxes().size(), 1u) << "the refusal once for the clip";
    EXPECT_EQ(standin::MessageBoxes()[0].text, "The bookmarks could not be saved: C:\\media\\talk.BMS is read-only.\r\n"
                                               "The bookmark file was left as it was.\r\n");
}

// Instances take turns: while another holds the turn file this save waits, then applies its edit
// to what the other saved; the turn is held from the read to the move.
TEST_F(BookmarksTest, InstancesSavingAtOnceTakeTurnsAndLoseNothing)
{
    static const char kTurn[] = "C:\\media\\talk.BM~";
    auto takeTurn = [] {
        return CreateFileA(kTurn, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    };
    standin::PutFile(kFile, "20000000\n0\n");
    Play([&] {
        HANDLE other = takeTurn();
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        int waits = 0;
        standin::BeforeFileCall("Sleep", [&] {
            if (++waits == 3) {   // the other instance finishes its save of 7 s
                standin::PutFile(kFile, "20000000\n0\n70000000\n0\n");
                CloseHandle(other);
            }
        });
        int refused = 0;
        auto otherTries = [&] {
            HANDLE late = takeTurn();
            refused += late == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
            if (late != INVALID_HANDLE_VALUE)
                CloseHandle(late);
        };
        standin::BeforeFileCall("ReadFile", otherTries);
        standin::BeforeFileCall("MoveFileExA", otherTries);
        AddAt(5 * kSecond);
        EXPECT_EQ(waits, 3);
        EXPECT_GE(refused, 2) << "the turn is held while the file is read and while it is replaced";
        EXPECT_EQ(List(), (std::vector<REFERENCE_TIME>{2 * kSecond, 5 * kSecond, 7 * kSecond}));
    });
    EXPECT_EQ(standin::FileContent(kFile), "20000000\n0\n50000000\n0\n70000000\n0\n");
    ExpectNoLeftovers("the turn file goes with its closing");
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

// A turn that never comes ends in a bounded wait and one message; nothing is written.
TEST_F(BookmarksTest, TurnNeverGivenIsSaidAfterABoundedWait)
{
    standin::PutFile(kFile, "20000000\n0\n");
    Play([] {
        HANDLE other = CreateFileA("C:\\media\\talk.BM~", GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                                   FILE_FLAG_DELETE_ON_CLOSE, NULL);
        int waits = 0;
        standin::BeforeFileCall("Sleep", [&] { waits++; });
        AddAt(5 * kSecond);
        EXPECT_GT(waits, 0);
        EXPECT_LE(waits, 100);
        CloseHandle(other);
    });
    EXPECT_EQ(standin::FileContent(kFile), "20000000\n0\n");
    EXPECT_EQ(standin::MessageBoxes().size(), 1u);
}

// Each save writes a file of its own, as long a name as the bookmark file's; a name another save
// is writing is never touched.
TEST_F(BookmarksTest, EachSaveWritesAFileOfItsOwn)
{
    char taken[] = "C:\\media\\talk.~00";
    for (int i = 0; i < 255; i++) {
        snprintf(taken + strlen(taken) - 2, 3, "%02X", (i + 0x1234 + 1) & 0xFF);
        standin::PutFile(taken, "theirs");
    }
    Play([] { AddAt(5); });
    EXPECT_EQ(standin::FileContent(kFile), "5\n0\n");
    std::vector<std::string> files = standin::FilesIn("C:\\media");
    EXPECT_EQ(files.size(), 257u) << "the clip, the 255 other files and the bookmark file";
    for (const std::string &name : files) {
        if (name.find('~') != std::string::npos) {
            EXPECT_EQ(standin::FileContent(("C:\\media\\" + name).c_str()), "theirs") << name;
        }
    }
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

// The list grows with the file, so the strip, the jumps and Delete see every mark it holds.
TEST_F(BookmarksTest, LongFileKeepsEveryMarkTheUserDidNotDelete)
{
    std::string content;
    for (int i = 1; i <= 150; i++)
        content += std::to_string(i * 1000) + "\n0\n";
    standin::PutFile(kFile, content);
    Play([&] {
        EXPECT_EQ(gnBookmarks, 150);
        EXPECT_EQ(gBookmarks[149], 150000);
        standin::SetGraphPosition(149500);
        Key(VK_END);
        EXPECT_EQ(standin::GraphPosition(), 150000);
        AddAt(1500);
        std::string added = standin::FileContent(kFile);
        EXPECT_EQ(added, "1000\n0\n1500\n0\n" + content.substr(std::string("1000\n0\n").size()));
        EXPECT_EQ(gnBookmarks, 151);
        standin::SetGraphPosition(1500);
        Key(VK_DELETE);
        std::string expected = "1000\n0\n1500\n0\n" + content.substr(std::string("1000\n0\n2000\n0\n").size());
        EXPECT_EQ(standin::FileContent(kFile), expected);
        EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 300);
    });
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
