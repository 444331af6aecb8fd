// Notes on marks: the notes file's name and form (Audacity's labels), the note box of `e`, and the
// bookmark file's rules as the notes file follows them.
#include "player_test.h"

#include "navigation/notes_file.h"

static const char kMarks[] = "C:\\media\\talk.BMS";
static const char kNotes[] = "C:\\media\\talk.marks.txt";
static const REFERENCE_TIME kSecond = 10000000;

class NotesTest : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        standin::PutFile(kClip, "");
    }
    // The bookmark file's two lines for a mark below 2^32 units.
    static std::string Mark(REFERENCE_TIME place) { return std::to_string(place) + "\n0\n"; }
    static std::vector<std::pair<REFERENCE_TIME, std::string>> Notes()
    {
        std::vector<std::pair<REFERENCE_TIME, std::string>> notes;
        for (int i = 0; i < gnNotes; i++)
            notes.push_back({gNotes[i].place, gNotes[i].text});
        return notes;
    }
    // `e` at a place, then the text typed into the box and Enter.
    static void NoteAt(REFERENCE_TIME place, const char *text)
    {
        standin::SetGraphPosition(place);
        Char('e');
        ASSERT_NE(ghNoteBox, nullptr);
        SetDlgItemTextA(ghNoteBox, IDC_NOTE_TEXT, text);
        SendMessageA(ghNoteBox, WM_COMMAND, IDOK, 0);
    }
    static std::vector<std::pair<REFERENCE_TIME, std::string>> Parsed(const std::string &file, DWORD *result)
    {
        NoteList list;
        *result = ParseNotes(file.data(), file.size(), &list);
        std::vector<std::pair<REFERENCE_TIME, std::string>> notes;
        for (int i = 0; i < list.count; i++)
            notes.push_back({list.notes[i].place, list.notes[i].text});
        EmptyNotes(&list);
        return notes;
    }
};

// The clip's name less its extension, and ".marks.txt"; a name without one keeps all of it.
TEST_F(NotesTest, FileNameIsTheClipsLessItsExtension)
{
    const std::pair<const char *, const char *> names[] = {
        {"C:\\media\\talk.wmv", "C:\\media\\talk.marks.txt"},
        {"C:\\media\\talk.mpeg", "C:\\media\\talk.marks.txt"},
        {"C:\\media\\talk", "C:\\media\\talk.marks.txt"},
        {"C:\\v1.0\\notes", "C:\\v1.0\\notes.marks.txt"},
        {"C:\\media\\a.b.mp3", "C:\\media\\a.b.marks.txt"},
        {"C:\\Лекции\\Лекция 1.mp3", "C:\\Лекции\\Лекция 1.marks.txt"},
    };
    char name[PATH_BYTES];
    for (const auto &clip : names) {
        ASSERT_TRUE(NotesFileName(clip.first, name)) << clip.first;
        EXPECT_STREQ(name, clip.second);
    }
    std::string longest = "C:\\" + std::string(240, 'f') + "\\a.wmv";
    EXPECT_TRUE(NotesFileName(longest.c_str(), name));
    EXPECT_FALSE(NotesFileName(("C:\\" + std::string(245, 'f') + "\\a.wmv").c_str(), name)) << "past 259 characters";
    EXPECT_FALSE(NotesFileName("C:\\media\\", name));
}

// Seconds with 7 decimals keep every 100-ns place, the largest and the negative ones too, and a
// written file reads back as it was.
TEST_F(NotesTest, SevenDecimalsKeepEveryPlace)
{
    const std::pair<REFERENCE_TIME, const char *> places[] = {
        {0, "0.0000000"}, {1, "0.0000001"}, {9999999, "0.9999999"}, {10000000, "1.0000000"},
        {125000001, "12.5000001"}, {36000000000, "3600.0000000"}, {-1, "-0.0000001"},
        {0x7FFFFFFFFFFFFFFF, "922337203685.4775807"},
        {static_cast<REFERENCE_TIME>(0x8000000000000000ull), "-922337203685.4775808"},
    };
    NoteList list = {};
    for (const auto &place : places) {
        char text[24];
        FormatNotePlace(place.first, text);
        EXPECT_STREQ(text, place.second);
        ASSERT_TRUE(SetNote(&list, place.first, place.second));
    }
    size_t length = 0;
    char *file = FormatNotes(&list, &length);
    std::string written(file, length);
    free(file);
    EmptyNotes(&list);
    EXPECT_EQ(written.rfind("-922337203685.4775808\t-922337203685.4775808\t-922337203685.4775808\n", 0), 0u)
        << "ascending by place, end = start";
    EXPECT_NE(written.find("\n0.0000001\t0.0000001\t0.0000001\n"), std::string::npos);
    DWORD result;
    std::vector<std::pair<REFERENCE_TIME, std::string>> back = Parsed(written, &result);
    ASSERT_EQ(result, ERROR_SUCCESS) << written;
    ASSERT_EQ(back.size(), std::size(places));
    std::vector<std::pair<REFERENCE_TIME, std::string>> expected;
    for (const auto &place : places)
        expected.push_back({place.first, place.second});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(back, expected);
}

// Every form the file may take: what this player writes, what Audacity writes (6 decimals), CR LF
// from an editor, a last line without its end, a byte-order mark, any order, a label with no text
// (no note), text in any script.
TEST_F(NotesTest, FileIsReadInEveryFormItMayTake)
{
    const std::pair<std::string, std::vector<std::pair<REFERENCE_TIME, std::string>>> files[] = {
        {"", {}},
        {"12.5000000\t12.5000000\tQ3 starts\n", {{125000000, "Q3 starts"}}},
        {"12.500000\t12.500000\tQ3 starts\n", {{125000000, "Q3 starts"}}},
        {"12\t12\tQ3\r\n7.1\t7.1\tfirst\r\n", {{71000000, "first"}, {120000000, "Q3"}}},
        {"1.0000000\t1.0000000\tno end", {{10000000, "no end"}}},
        {"\xEF\xBB\xBF" "1.0\t1.0\tmarked\n", {{10000000, "marked"}}},
        {"1.0\t1.0\t\n2.0\t2.0\t свидетель 証人 🎙 \n", {{20000000, " свидетель 証人 🎙 "}}},
        {"-0.5\t-0.5\tbefore\n", {{-5000000, "before"}}},
    };
    for (const auto &file : files) {
        DWORD result;
        EXPECT_EQ(Parsed(file.first, &result), file.second) << file.first;
        EXPECT_EQ(result, ERROR_SUCCESS) << file.first;
    }
}

// Anything else of that name is someone else's: Audacity's region and spectral labels, blank lines,
// a tab or a control character in the text, broken UTF-8, two notes for one place, times that
// do not fit.
TEST_F(NotesTest, FileInAnyOtherFormIsForeign)
{
    const std::pair<const char *, std::string> files[] = {
        {"region", "1.0\t2.0\tregion\n"},
        {"spectral line", "1.0\t1.0\tx\n\\\t100.0\t2000.0\n"},
        {"blank line", "1.0\t1.0\tx\n\n"},
        {"one tab", "1.0\tx\n"},
        {"tab in the text", "1.0\t1.0\tx\ty\n"},
        {"control character", "1.0\t1.0\tx\x01y\n"},
        {"carriage return alone", "1.0\t1.0\tx\ry\n"},
        {"carriage return left at the end", "1.0\t1.0\tx\r"},
        {"eight decimals", "1.00000001\t1.00000001\tx\n"},
        {"comma", "1,5\t1,5\tx\n"},
        {"plus", "+1\t+1\tx\n"},
        {"blank before", " 1\t 1\tx\n"},
        {"point without decimals", "1.\t1.\tx\n"},
        {"no seconds", ".5\t.5\tx\n"},
        {"past 2^63", "922337203685.4775808\t922337203685.4775808\tx\n"},
        {"thirteen digits", "1000000000000\t1000000000000\tx\n"},
        {"two notes at a place", "1.0\t1.0\tx\n1.0000000\t1.0000000\ty\n"},
        {"overlong UTF-8", "1\t1\t\xC0\xAF\n"},
        {"surrogate in UTF-8", "1\t1\t\xED\xA0\x80\n"},
        {"cut UTF-8", "1\t1\t\xE8\xA8\n"},
        {"Latin-1", "1\t1\tt\xE9moin\n"},
        {"NUL", std::string("1\t1\tx\0y\n", 8)},
        {"a rhythm game's chart", "#TITLE song\n#BPM 120\n"},
    };
    for (const auto &file : files) {
        DWORD result;
        EXPECT_TRUE(Parsed(file.second, &result).empty()) << file.first;
        EXPECT_EQ(result, kForeignNotesFile) << file.first;
    }
}

// `e` adds the mark as `b` does and opens the box over the strip with the focus; Enter writes the
// note beside the clip, UTF-8, in Audacity's form, and gives the keys back to the player.
TEST_F(NotesTest, EAddsAMarkAndEnterKeepsItsNote)
{
    Play([] {
        standin::SetGraphPosition(125000000);
        Char('e');
        ASSERT_NE(ghNoteBox, nullptr);
        EXPECT_EQ(standin::DialogRuns().back().templateId, static_cast<UINT>(IDD_NOTE_BOX));
        EXPECT_EQ(standin::DialogItemText(ghNoteBox, IDC_NOTE_TEXT), "");
        EXPECT_EQ(standin::FocusWindow(), GetDlgItem(ghNoteBox, IDC_NOTE_TEXT));
        EXPECT_EQ(standin::FileContent(kMarks), Mark(125000000));
        EXPECT_FALSE(standin::FileExists(kNotes)) << "written only once a note exists";
        EXPECT_EQ(gPlayState, Running);
        SetDlgItemTextA(ghNoteBox, IDC_NOTE_TEXT, "Свидетельница\tменяет показания\r\n");
        SendMessageA(ghNoteBox, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(ghNoteBox, nullptr);
        EXPECT_EQ(standin::FocusWindow(), ghApp);
        EXPECT_EQ(standin::FileContent(kNotes), "12.5000000\t12.5000000\tСвидетельница меняет показания  \n");
        EXPECT_STREQ(NoteOfMark(125000000), "Свидетельница меняет показания  ");
        // Again on that place: the box opens with its note, and a new text replaces it.
        Char('e');
        EXPECT_EQ(standin::DialogItemText(ghNoteBox, IDC_NOTE_TEXT), "Свидетельница меняет показания  ");
        SetDlgItemTextA(ghNoteBox, IDC_NOTE_TEXT, "Q3");
        SendMessageA(ghNoteBox, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(standin::FileContent(kMarks), Mark(125000000) + Mark(125000000));
    EXPECT_EQ(standin::FileContent(kNotes), "12.5000000\t12.5000000\tQ3\n");
    EXPECT_EQ(standin::FilesIn("C:\\media"), (std::vector<std::string>{"talk.wmv", "talk.BMS", "talk.marks.txt"}));
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

// Escape leaves the mark without a new note, an emptied box removes the note, and the box goes
// with its clip, keeping nothing.
TEST_F(NotesTest, EscapeEmptyTextAndTheClipsEndKeepNoNote)
{
    standin::PutFile("C:\\media\\u.wmv", "");
    standin::AddClip("C:\\media\\u.wmv", {});
    Play([] {
        standin::SetGraphPosition(2 * kSecond);
        Char('e');
        SetDlgItemTextA(ghNoteBox, IDC_NOTE_TEXT, "typed, then Escape");
        SendMessageA(ghNoteBox, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(ghNoteBox, nullptr);
        EXPECT_EQ(standin::FocusWindow(), ghApp);
        EXPECT_FALSE(standin::FileExists(kNotes));
        NoteAt(5 * kSecond, "");
        EXPECT_FALSE(standin::FileExists(kNotes)) << "no note, no file";
        NoteAt(5 * kSecond, "kept");
        EXPECT_EQ(standin::FileContent(kNotes), "5.0000000\t5.0000000\tkept\n");
        EditNoteOfMark(5 * kSecond);
        SetDlgItemTextA(ghNoteBox, IDC_NOTE_TEXT, "");
        SendMessageA(ghNoteBox, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(standin::FileContent(kNotes), "");
        EXPECT_EQ(gnNotes, 0);
        EditNoteOfMark(7 * kSecond);
        EXPECT_EQ(ghNoteBox, nullptr) << "no mark there";
        Char('e');
        SetDlgItemTextA(ghNoteBox, IDC_NOTE_TEXT, "never kept");
        Key(VK_DOWN);
        EXPECT_EQ(ghNoteBox, nullptr);
        EXPECT_STREQ(gszFileName, "C:\\media\\u.wmv");
    });
    EXPECT_EQ(standin::FileContent(kNotes), "");
    EXPECT_FALSE(standin::FileExists("C:\\media\\u.marks.txt"));
    EXPECT_EQ(standin::FileContent(kMarks), Mark(2 * kSecond) + Mark(5 * kSecond) + Mark(5 * kSecond) +
                                                Mark(5 * kSecond));
}

// A save reads both files under the clip's one turn: another instance's notes are kept, and the
// notes of marks it deleted go. A note whose mark this player deletes goes at once.
TEST_F(NotesTest, NotesMergeWithAnotherInstanceAndGoWithTheirMarks)
{
    standin::PutFile(kMarks, Mark(2 * kSecond) + Mark(5 * kSecond) + Mark(9 * kSecond));
    standin::PutFile(kNotes, "2.0\t2.0\ttwo\n9.0\t9.0\tnine\n30.0\t30.0\tno mark\n");
    Play([] {
        EXPECT_EQ(Notes(), (std::vector<std::pair<REFERENCE_TIME, std::string>>{{2 * kSecond, "two"},
                                                                                {9 * kSecond, "nine"}}))
            << "a note with no mark is not the clip's";
        standin::PutFile(kNotes, "2.0\t2.0\ttwo\n5.0\t5.0\tfive, from the other\n9.0\t9.0\tnine\n");
        standin::PutFile(kMarks, Mark(5 * kSecond) + Mark(9 * kSecond));   // the other deleted 2 s
        EditNoteOfMark(9 * kSecond);
        EXPECT_EQ(standin::DialogItemText(ghNoteBox, IDC_NOTE_TEXT), "nine");
        SetDlgItemTextA(ghNoteBox, IDC_NOTE_TEXT, "nine, edited");
        SendMessageA(ghNoteBox, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(standin::FileContent(kNotes), "5.0000000\t5.0000000\tfive, from the other\n"
                                                "9.0000000\t9.0000000\tnine, edited\n");
        EXPECT_EQ(gnBookmarks, 2) << "the marks as the file holds them";
        EXPECT_EQ(Notes().size(), 2u);
        standin::SetGraphPosition(6 * kSecond);
        Key(VK_DELETE);
        EXPECT_EQ(standin::FileContent(kNotes), "5.0000000\t5.0000000\tfive, from the other\n");
        EXPECT_EQ(NoteOfMark(9 * kSecond), nullptr);
        standin::SetGraphPosition(6 * kSecond);
        Key(VK_DELETE);
        EXPECT_EQ(standin::FileContent(kNotes), "5.0000000\t5.0000000\tfive, from the other\n")
            << "nothing after: nothing goes";
    });
    EXPECT_EQ(standin::FileContent(kMarks), Mark(5 * kSecond));
    EXPECT_EQ(standin::FilesIn("C:\\media"), (std::vector<std::string>{"talk.wmv", "talk.BMS", "talk.marks.txt"}));
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

// A file of that name in another form gives no notes and is never written; a read-only one is
// never replaced. Each is said once for the clip, naming it; the mark itself is saved.
TEST_F(NotesTest, ForeignOrReadOnlyNotesFileIsSaidOnceAndLeftAsItIs)
{
    struct Case { const char *what; std::string content; bool readOnly; const char *said; };
    const Case cases[] = {
        {"foreign", "1.0\t2.0\ta region of someone's\n", false,
         "The note could not be saved: C:\\media\\talk.marks.txt is not a notes file of this player "
         "(Audacity's labels, a line each).\r\nIt was left as it is.\r\n"},
        {"read-only", "1.0\t1.0\tmine\n", true,
         "The note could not be saved: C:\\media\\talk.marks.txt is read-only.\r\n"
         "The notes file was left as it was.\r\n"},
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::PutFile(kClip, "");
        standin::PutFile(kMarks, Mark(kSecond));
        standin::PutFile(kNotes, c.content);
        if (c.readOnly)
            standin::MakeFileReadOnly(kNotes);
        Play([&] {
            NoteAt(5 * kSecond, "first");
            NoteAt(6 * kSecond, "second");
            standin::SetGraphPosition(0);
            Key(VK_DELETE);
        });
        EXPECT_EQ(standin::FileContent(kNotes), c.content) << c.what;
        EXPECT_EQ(standin::FileContent(kMarks), Mark(5 * kSecond) + Mark(6 * kSecond)) << c.what;
        EXPECT_EQ(standin::FilesIn("C:\\media"), (std::vector<std::string>{"talk.wmv", "talk.BMS", "talk.marks.txt"}))
            << c.what;
        ASSERT_EQ(standin::MessageBoxes().size(), 1u) << c.what;
        EXPECT_EQ(standin::MessageBoxes()[0].text, c.said) << c.what;
    }
    // Where no note was to be written, as when a mark is deleted, someone else's file is not said.
    standin::Reset();
    standin::PutFile(kClip, "");
    standin::PutFile(kMarks, Mark(kSecond));
    standin::PutFile(kNotes, cases[0].content);
    Play([] { Key(VK_DELETE); });
    EXPECT_EQ(standin::FileContent(kMarks), "");
    EXPECT_TRUE(standin::MessageBoxes().empty());
}
